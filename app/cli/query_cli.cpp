// tavora-query: queries from the command line.
//   tavora-query [--json] [--date DAY] [--kinds LETTERS] [--available]
//                [--depart RANGE] [--sort KEY] [--watch SECONDS [--count N]]
//                <from> <to>
//   tavora-query [--json] [--date DAY] [--kinds LETTERS] [--sort KEY] --fares <from> <to>
//   tavora-query [--json] [--date DAY] --train CODE
// Prints the trains (their fares, or the train's stops) as an aligned table or a JSON
// array (UTF-8). Exit code 0 when rows came back (in any round of a watch),
// 1 with a one-line reason when none did, the site answered with a message
// of its own, memory ran out, a watch's day passed or a station abbreviation
// stands for several stations (they are listed), 2 with a one-line
// reason on wrong usage (a day that is no date, has passed or lies beyond
// the presale period included; nothing is sent then).
#include <windows.h>

#include <iterator>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/cli/query_options.h"
#include "app/core/fare_page.h"
#include "app/core/result_page.h"
#include "app/core/station_list.h"
#include "app/core/ticket_json.h"
#include "app/core/ticket_order.h"
#include "app/core/ticket_table.h"
#include "app/core/ticket_watch.h"
#include "app/core/timetable_page.h"
#include "app/core/travel_date.h"
#include "app/net/fare_worker.h"
#include "app/net/http_page_client.h"
#include "app/net/query_worker.h"
#include "app/net/server_config.h"
#include "app/net/station_source.h"
#include "app/net/timetable_worker.h"
#include "app/platform/environment_setting.h"
#include "skin/resources/text_encoding.h"
#include "skin/resources/unique_handle.h"

namespace {

// Tests shorten the pause between watch rounds through this variable.
constexpr wchar_t kWatchIntervalVariable[] = L"TAVORA_WATCH_INTERVAL_MS";

// Each call is one write, so every piece of output leaves at once.
void Write(HANDLE stream, const std::wstring& text) {
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(stream, &mode)) {
    WriteConsoleW(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  // Redirected or a Unix terminal under Wine: UTF-8 bytes.
  const std::string bytes = WideToUtf8(text);
  WriteFile(stream, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void WriteReason(const std::wstring& reason) {
  Write(GetStdHandle(STD_ERROR_HANDLE), L"tavora-query: " + reason + L"\n");
}

TravelDate LocalToday() {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  return TravelDate{now.wYear, now.wMonth, now.wDay};
}

// One query: the trains to show, filtered and sorted as the options say, or
// false with the reason why there are none.
bool QueryTrains(CHttpPageClient& client, const std::wstring& siteName, const QueryOptions& options,
                 std::vector<TicketRow>& rows, std::wstring& reason) {
  const QueryStations query{options.from, options.to, options.date};
  std::wstring message;
  switch (RunQuery(client, query, rows, message)) {
    case QueryOutcome::MissingStation:
      reason = L"both station names are needed";
      return false;
    case QueryOutcome::NoPage:
      reason = L"no result page from " + siteName;
      return false;
    case QueryOutcome::NoResultTable:
      reason = L"the result page from " + siteName + L" held no result table";
      return false;
    case QueryOutcome::SiteMessage:
      reason = message;
      return false;
    case QueryOutcome::PageTooLarge:
      reason = L"the result page from " + siteName + L" held more than " + std::to_wstring(kMaxResultRows) + L" trains";
      return false;
    case QueryOutcome::OutOfMemory:
      reason = L"out of memory";
      return false;
    case QueryOutcome::RowsReplaced:
      break;
  }
  if (rows.empty()) {
    reason = L"no trains from " + options.from + L" to " + options.to;
    return false;
  }
  rows = FilterRows(rows, RowFilter{options.kinds, options.availableOnly, options.depart});
  if (rows.empty()) {
    reason = L"no trains of the chosen kinds, times and tickets from " + options.from + L" to " + options.to;
    return false;
  }
  if (options.sortColumn >= 0) SortRows(rows, options.sortColumn, false);
  return true;
}

std::wstring FormatTrains(const std::vector<TicketRow>& rows, bool json) {
  return json ? FormatTicketJson(rows) : FormatTicketTable(rows);
}

int QueryOnce(CHttpPageClient& client, const std::wstring& siteName, const QueryOptions& options) {
  std::vector<TicketRow> rows;
  std::wstring reason;
  if (!QueryTrains(client, siteName, options, rows, reason)) {
    WriteReason(reason);
    return 1;
  }
  Write(GetStdHandle(STD_OUTPUT_HANDLE), FormatTrains(rows, options.json));
  return 0;
}

// The stops of one train in the timetable's columns, as a table or as JSON.
int QueryTimetable(CHttpPageClient& client, const std::wstring& siteName, const QueryOptions& options) {
  static const wchar_t* const kTitles[kTimetableColumnCount] = {L"站序", L"站名", L"到达", L"出发",
                                                                L"停留", L"里程", L"天"};
  static const std::vector<const wchar_t*> kKeys = {L"sequence", L"station",  L"arrive", L"depart",
                                                    L"stay",     L"distance", L"day"};
  std::wstring code;
  std::vector<TrainStop> stops;
  std::wstring reason;
  switch (RunTimetableQuery(client, TimetableQuery{options.train, options.date}, code, stops)) {
    case TimetableOutcome::BadCode:
      reason = L"no train code: " + options.train;
      break;
    case TimetableOutcome::NoPage:
      reason = L"no timetable page from " + siteName;
      break;
    case TimetableOutcome::UnknownTrain:
      reason = L"no train " + code;
      break;
    case TimetableOutcome::PageTooLarge:
      reason =
          L"the timetable page from " + siteName + L" held more than " + std::to_wstring(kMaxResultRows) + L" stops";
      break;
    case TimetableOutcome::OutOfMemory:
      reason = L"out of memory";
      break;
    case TimetableOutcome::Stops:
      if (stops.empty()) reason = L"no stops of train " + code;
      break;
  }
  if (!reason.empty()) {
    WriteReason(reason);
    return 1;
  }
  std::vector<std::vector<std::wstring>> texts = TimetableTexts(stops);
  if (options.json) {
    Write(GetStdHandle(STD_OUTPUT_HANDLE), FormatJsonObjects(kKeys, texts));
  } else {
    texts.insert(texts.begin(), std::vector<std::wstring>(std::begin(kTitles), std::end(kTitles)));
    Write(GetStdHandle(STD_OUTPUT_HANDLE), FormatAlignedTable(texts));
  }
  return 0;
}

// The fare list's column of a --sort key (a ResultColumn); -1 for none.
int FareSortColumn(int resultColumn) {
  switch (resultColumn) {
    case kColumnDepart:
      return kFareColumnDepart;
    case kColumnArrive:
      return kFareColumnArrive;
    case kColumnTravelTime:
      return kFareColumnTravelTime;
    default:
      return -1;
  }
}

// The fares of the trains, in the columns of the classes any of them sells,
// as a table or as JSON.
int QueryFares(CHttpPageClient& client, const std::wstring& siteName, const QueryOptions& options) {
  std::vector<FareRow> rows;
  std::wstring message;
  std::wstring reason;
  switch (RunFareQuery(client, QueryStations{options.from, options.to, options.date}, rows, message)) {
    case FareOutcome::MissingStation:
      reason = L"both station names are needed";
      break;
    case FareOutcome::NoPage:
      reason = L"no fare page from " + siteName;
      break;
    case FareOutcome::NoResultTable:
      reason = L"the fare page from " + siteName + L" held no fare table";
      break;
    case FareOutcome::SiteMessage:
      reason = message;
      break;
    case FareOutcome::PageTooLarge:
      reason = L"the fare page from " + siteName + L" held more than " + std::to_wstring(kMaxResultRows) + L" trains";
      break;
    case FareOutcome::OutOfMemory:
      reason = L"out of memory";
      break;
    case FareOutcome::RowsReplaced:
      if (rows.empty()) reason = L"no trains from " + options.from + L" to " + options.to;
      break;
  }
  if (reason.empty()) {
    rows = FilterFareRows(rows, options.kinds);
    if (rows.empty()) reason = L"no trains of the chosen kinds from " + options.from + L" to " + options.to;
  }
  if (!reason.empty()) {
    WriteReason(reason);
    return 1;
  }
  SortFareRows(rows, FareSortColumn(options.sortColumn), false);
  const std::vector<int> classes = FareClassesPresent(rows);
  if (options.json) {
    Write(GetStdHandle(STD_OUTPUT_HANDLE), FormatFareJson(rows, classes));
    return 0;
  }
  std::vector<int> columns = {kFareColumnTrainCode, kFareColumnFrom,   kFareColumnTo,
                              kFareColumnDepart,    kFareColumnArrive, kFareColumnTravelTime};
  for (const int fareClass : classes) columns.push_back(kFareFirstClassColumn + fareClass);
  std::vector<std::vector<std::wstring>> lines(1);
  lines.reserve(rows.size() + 1);
  for (const int column : columns) lines[0].push_back(FareColumnTitle(column));
  for (const FareRow& row : rows) {
    const std::vector<std::wstring> texts = FareRowTexts(row);
    std::vector<std::wstring>& line = lines.emplace_back();
    for (const int column : columns) line.push_back(texts[column]);
  }
  Write(GetStdHandle(STD_OUTPUT_HANDLE), FormatAlignedTable(lines));
  return 0;
}

// Ctrl+C, Ctrl+Break and closing the console end a watch: the console's
// handler thread sets the event that the pause between rounds waits on and
// cancels a query in progress, so the watch ends without waiting out a
// request's time-out. The lock keeps the client alive while the handler uses it.
class ConsoleStop {
 public:
  explicit ConsoleStop(CHttpPageClient& client) : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    std::lock_guard<std::mutex> hold(lock_);
    current_ = this;
    client_ = &client;
    // A process started in a group of its own ignores Ctrl+C until it asks for it.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(OnControl, TRUE);
  }
  ~ConsoleStop() {
    SetConsoleCtrlHandler(OnControl, FALSE);
    std::lock_guard<std::mutex> hold(lock_);
    current_ = nullptr;
  }
  ConsoleStop(const ConsoleStop&) = delete;
  ConsoleStop& operator=(const ConsoleStop&) = delete;

  // Waits up to `milliseconds`; true when the watch is to end.
  bool WaitForStop(DWORD milliseconds) const { return WaitForSingleObject(event_.get(), milliseconds) != WAIT_TIMEOUT; }

 private:
  static BOOL WINAPI OnControl(DWORD) {
    std::lock_guard<std::mutex> hold(lock_);
    if (!current_) return FALSE;
    SetEvent(current_->event_.get());
    current_->client_->Cancel();
    return TRUE;
  }

  static std::mutex lock_;
  static ConsoleStop* current_;
  UniqueKernelHandle event_;
  CHttpPageClient* client_ = nullptr;
};

std::mutex ConsoleStop::lock_;
ConsoleStop* ConsoleStop::current_ = nullptr;

// Rounds of queries until Ctrl+C or the round count: the first prints every
// train, later ones only the changes since the last round that had trains.
int Watch(CHttpPageClient& client, const std::wstring& siteName, const QueryOptions& options) {
  const DWORD pauseMs =
      EnvironmentMilliseconds(kWatchIntervalVariable, options.watchSeconds * 1000, kMaxWatchSeconds * 1000);
  const ConsoleStop stop(client);
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  std::vector<TicketRow> previous;
  bool anyRows = false;
  for (unsigned round = 1;; ++round) {
    if (const std::wstring ended = WatchEndReason(options.date, LocalToday()); !ended.empty()) {
      WriteReason(ended);
      return 1;
    }
    std::vector<TicketRow> rows;
    std::wstring reason;
    if (!QueryTrains(client, siteName, options, rows, reason)) {
      if (!client.cancelled()) WriteReason(reason);
    } else {
      if (!anyRows) {
        Write(out, FormatTrains(rows, options.json));
      } else if (const TrainChanges changes = ChangesSince(previous, rows); !changes.empty()) {
        Write(out, options.json ? FormatTicketJson(changes.changed, changes.gone) : FormatChangesAsTable(changes));
      }
      previous = std::move(rows);
      anyRows = true;
    }
    if (options.rounds != 0 && round >= options.rounds) break;
    if (stop.WaitForStop(pauseMs)) break;
  }
  return anyRows ? 0 : 1;
}

// Each station argument as the station it stands for (ResolveStation): an
// abbreviation of exactly one station becomes its name, noted in `note`
// ("bjn = 北京南"). False, with the candidates written, when one completes to
// several stations.
std::wstring JoinNames(const std::vector<std::wstring>& names) {
  std::wstring joined;
  for (const std::wstring& name : names) joined += (joined.empty() ? L"" : L", ") + name;
  return joined;
}

bool ResolveStations(QueryOptions& options, std::wstring& note) {
  const StationList list = LoadStationList(kStationListKey);
  for (std::wstring* station : {&options.from, &options.to}) {
    const StationResolution resolved = ResolveStation(list, *station);
    if (resolved.kind == StationResolution::Ambiguous) {
      WriteReason(*station + L" may be any of " + JoinNames(resolved.candidates) + L"; name one");
      return false;
    }
    if (resolved.kind == StationResolution::Completed)
      note += (note.empty() ? L"" : L", ") + *station + L" = " + resolved.name;
    if (resolved.kind == StationResolution::Unknown) {
      // Asked for as typed: the site may know stations the list lacks.
      const std::wstring names = JoinNames(SuggestStations(list, *station));
      if (!names.empty()) WriteReason(L"unknown station " + *station + L"; did you mean " + names + L"?");
    }
    *station = resolved.name;
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  QueryOptions options;
  std::wstring error;
  if (!ParseQueryOptions(std::vector<std::wstring>(argv + 1, argv + argc), options, error)) {
    WriteReason(error);
    return 2;
  }
  if (options.help) {
    Write(GetStdHandle(STD_OUTPUT_HANDLE), QueryUsage());
    return 0;
  }
  if (!ResolveQueryDate(options, LocalToday(), error)) {
    WriteReason(error);
    return 2;
  }
  // The names as the window sends them: without blanks at either end.
  const QueryStations stations = MakeQueryStations(options.from, options.to);
  options.from = stations.from;
  options.to = stations.to;
  // Running out of memory ends the program like any failed query, with
  // whatever it held freed on the way out.
  try {
    if (options.train.empty()) {
      std::wstring note;
      if (!ResolveStations(options, note)) return 1;
      // A table starts with what the abbreviations were taken for; JSON
      // stays a bare array.
      if (!note.empty()) {
        const std::wstring line = options.from + L" \u2192 " + options.to + L" (" + note + L")\n";
        if (options.json) {
          WriteReason(note);
        } else {
          Write(GetStdHandle(STD_OUTPUT_HANDLE), line);
        }
      }
    }
    const std::wstring siteName = GetServerAddress(ServerKind::Query).HostPort();
    CHttpPageClient client(siteName.c_str());
    if (!options.train.empty()) return QueryTimetable(client, siteName, options);
    if (options.fares) return QueryFares(client, siteName, options);
    return options.watchSeconds == 0 ? QueryOnce(client, siteName, options) : Watch(client, siteName, options);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  WriteReason(L"out of memory");
  return 1;
}
