// The footer's status line: what the query page is doing, or how its last
// query ended, in the string table's words.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/core/query_request.h"
#include "app/core/travel_date.h"
#include "app/net/query_worker.h"
#include "app/net/timetable_worker.h"

// String table ids of the status texts; "%1", "%2" stand for the values.
namespace status_text {
constexpr int kRunning = 80;            // 正在查询 %1 → %2…
constexpr int kTrains = 81;             // %1 趟列车 · %2
constexpr int kNoConnection = 82;       // no connection to the query site
constexpr int kTimedOut = 83;           // no answer within the time-out
constexpr int kUnreadable = 84;         // a page that could not be read
constexpr int kNoTrains = 85;           // no trains for %1 → %2
constexpr int kMissingStation = 86;     // both stations are needed
constexpr int kEarlierRows = 87;        // the rows shown are those of %1
constexpr int kCopied = 88;             // %1 trains copied
constexpr int kExported = 89;           // %1 trains exported to %2
constexpr int kNotWritten = 90;         // %1 could not be written
constexpr int kCsvFilter = 91;          // the save dialog's file type
constexpr int kExportName = 92;         // the file name the save dialog offers
constexpr int kWatching = 93;           // (watching, every %1 seconds)
constexpr int kGainedOne = 94;          // %1 %2 has tickets now
constexpr int kGainedMore = 95;         // %1 %2 and %3 more classes have tickets now
constexpr int kNoticeTitle = 96;        // the balloon's title
constexpr int kOutOfMemory = 97;        // memory ran out before the answer was read
constexpr int kUpdateNotStarted = 98;   // an accepted update's setup did not start
constexpr int kDatePast = 100;          // %1 (a date) has passed
constexpr int kDateTooFar = 101;        // only %1 days ahead, at the latest %2
constexpr int kNotADate = 102;          // "%1" is no date; as %2
constexpr int kWatchDatePassed = 103;   // the watch's date %1 has passed: it stopped
constexpr int kFirstDepartRange = 130;  // 全天, then the four ranges (DepartRange order)
constexpr int kDepartRangeLink = 135;   // the range link's text around %1
constexpr int kUnknownStationMeant = 190;  // no station %1 is known; the names %2 are meant
constexpr int kUnknownStation = 191;       // no station %1 is known
}  // namespace status_text

// String table ids of the timetable page's status texts.
namespace timetable_text {
constexpr int kUnknownTrain = 104;  // no train %1
constexpr int kRunning = 105;       // asking for train %1
constexpr int kStops = 106;         // train %1 · %2 stops · %3 (day) · %4 (time)
constexpr int kBadCode = 107;       // a code of letters and digits only
constexpr int kMissingCode = 108;   // no code typed
}  // namespace timetable_text

// `pattern` with "%1".."%9" replaced by the values in order; a marker without
// a value stays as it is.
std::wstring FormatText(const std::wstring& pattern, const std::vector<std::wstring>& values);

// The string table's text for `id`; empty when the table lacks it (a skin
// folder may bring a table without the program's entries).
std::wstring TableString(int id);

// "HH:MM:SS".
std::wstring FormatClock(const SYSTEMTIME& time);

// While a query for `stations` runs.
std::wstring RunningStatus(const QueryStations& stations);

// How `result` ended, answered at `answerTime` ("HH:MM:SS"). A failed query
// whose page still shows the rows of an earlier answer names that answer's
// time (`earlierTime`, empty when the list shows no rows).
std::wstring OutcomeStatus(const QueryResult& result, const std::wstring& answerTime, const std::wstring& earlierTime);

// The trains line: "32 趟列车 · 12月9日 周三 · 20:15:07", or "12 / 32 趟列车 · …"
// when the filters show `shown` of the `found` trains. `date` is the query's
// ("2026-12-08"; empty for today's).
std::wstring TrainsStatus(size_t shown, size_t found, const std::wstring& date, const std::wstring& answerTime,
                          const TravelDate& today);

// Why the date box's text was refused (`check` is not Valid; `date` is what
// it read as, when it read).
std::wstring DateRefusal(DateCheck check, const std::wstring& typed, const TravelDate& date, const TravelDate& today);

// How a timetable query ended, answered at `answerTime`.
std::wstring TimetableStatus(const TimetableResult& result, const std::wstring& answerTime, const TravelDate& today);
