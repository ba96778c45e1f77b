// The command line of tavora-query: two station names and the options that
// choose the output format, the trains shown, their order and repeated runs.
#pragma once

#include <string>
#include <vector>

#include "app/core/ticket_order.h"
#include "app/core/ticket_watch.h"

struct QueryOptions {
  std::wstring from;
  std::wstring to;
  bool help = false;          // --help: print the usage and nothing else
  bool json = false;          // --json: a JSON array instead of the table
  unsigned kinds = kAllTrainKinds;  // --kinds: TrainKind bits
  int sortColumn = -1;        // --sort: a ResultColumn, -1 keeps the site's order
  unsigned watchSeconds = 0;  // --watch: seconds between rounds, 0 for one query
  unsigned rounds = 0;        // --count: rounds of a watch, 0 until Ctrl+C
};

// Most rounds --count takes.
constexpr unsigned kMaxWatchRounds = 1000000;

// Reads the arguments after the program name. Options may stand before,
// between or after the station names, as "--name value" or "--name=value";
// "--" ends the options, so a station name may start with "-". False with a
// one-line `error` (no program name, no line end) on an unknown option, a
// missing or bad value, an option given twice, --count without --watch, or
// other than two station names; `options` is then not to be used. --help ends
// the reading at once: the rest is not examined.
bool ParseQueryOptions(const std::vector<std::wstring>& args, QueryOptions& options, std::wstring& error);

// The full usage text for --help, lines ending with "\n".
std::wstring QueryUsage();
