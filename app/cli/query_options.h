// The command line of tavora-query: two station names (or one train code)
// and the options that choose what is asked (tickets, fares or stops), the
// day, the output format, the trains shown, their order and repeated runs.
#pragma once

#include <string>
#include <vector>

#include "app/core/ticket_order.h"
#include "app/core/ticket_watch.h"
#include "app/core/travel_date.h"

struct QueryOptions {
  std::wstring from;
  std::wstring to;
  bool help = false;          // --help: print the usage and nothing else
  bool json = false;          // --json: a JSON array instead of the table
  unsigned kinds = kAllTrainKinds;  // --kinds: TrainKind bits
  int sortColumn = -1;        // --sort: a ResultColumn, -1 keeps the site's order
  unsigned watchSeconds = 0;  // --watch: seconds between rounds, 0 for one query
  unsigned rounds = 0;        // --count: rounds of a watch, 0 until Ctrl+C
  std::wstring date{};        // --date as typed; ResolveQueryDate makes it "2026-12-08"
  bool availableOnly = false;                // --available: only trains with tickets left
  DepartRange depart = DepartRange::AllDay;  // --depart
  std::wstring train{};  // --train: a code as NormalizeTrainCode leaves it; no station names then
  bool fares = false;    // --fares: the trains' fares instead of their tickets
};

// Most rounds --count takes.
constexpr unsigned kMaxWatchRounds = 1000000;

// Reads the arguments after the program name. Options may stand before,
// between or after the station names, as "--name value" or "--name=value";
// "--" ends the options, so a station name may start with "-". False with a
// one-line `error` (no program name, no line end) on an unknown option, a
// missing or bad value, an option given twice, --count without --watch, or
// other than two station names (none with --train, which takes only --json
// and --date beside it; --fares takes only --json, --date, --kinds and
// --sort); `options` is then not to be used. --help ends the
// reading at once: the rest is not examined.
bool ParseQueryOptions(const std::vector<std::wstring>& args, QueryOptions& options, std::wstring& error);

// The day the query asks for, from `today` on: --date becomes
// FormatTravelDate's form, and a watch without --date keeps `today` for all
// its rounds. False with a one-line `error` when --date is no date
// (ParseTravelDate), has passed or lies more than kPresaleDays ahead.
bool ResolveQueryDate(QueryOptions& options, const TravelDate& today, std::wstring& error);

// Why a watch for `date` ("2026-12-08") ends on `today`: one line when the
// day has passed, empty while it is still to come.
std::wstring WatchEndReason(const std::wstring& date, const TravelDate& today);

// The full usage text for --help, lines ending with "\n".
std::wstring QueryUsage();
