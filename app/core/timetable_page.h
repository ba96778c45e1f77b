// A train's timetable page (the site's /train.aspx) into stops, and the
// columns the stops are shown in.
#pragma once

#include <string>
#include <vector>

// One stop as the page lists it; control characters (IsControlCharacter)
// are blanks.
struct TrainStop {
  std::wstring sequence;  // 站序
  std::wstring station;   // 站名 (the cell's link text, or its text)
  std::wstring arrive;    // "HH:MM", or whatever the page wrote
  std::wstring depart;
  std::wstring distance;  // kilometres from the first stop
};

enum class TimetablePage {
  Stops,     // the stop table was found: `stops` holds its stops (possibly none)
  NoTable,   // the page did not parse or has no stop table (an unknown train)
  TooLarge,  // more markup than kMaxResultMarkup or more stops than kMaxResultRows
};

// Parses a repaired page (RepairMarkup) under the result page's bounds: the
// table is found where the result page's is (FindResultTable), its first row
// is the header, each later row is one stop: 站序, 站名 (text or link), 到站,
// 出发, 停留 (not read: it follows from the times), 里程. A row without a
// station name is skipped. `stops` is replaced only when the result is Stops.
TimetablePage ParseTimetablePage(std::wstring repairedPage, std::vector<TrainStop>& stops);

// Columns of the timetable list, the command line's table and JSON.
enum TimetableColumn : int {
  kStopSequence = 0,  // 站序
  kStopStation,       // 站名
  kStopArrive,        // 到达: "--" at the first stop
  kStopDepart,        // 出发: "--" at the last stop
  kStopStay,          // 停留: "3分" from the two times; "--" at either end or
                      // when a time does not read
  kStopDistance,      // 里程
  kStopDay,           // 天: 当日, 次日, 第3日 ...
  kTimetableColumnCount
};

// The texts of every stop, one row per stop, kTimetableColumnCount each. The
// day counts the midnights passed since the first stop's departure: each
// time (arrival, then departure) earlier than the time before it starts a
// new day; times that do not read leave the day as it was.
std::vector<std::vector<std::wstring>> TimetableTexts(const std::vector<TrainStop>& stops);

// The day word of `dayIndex` days after departure (0: 当日, 1: 次日, n:
// 第n+1日).
std::wstring DayWord(int dayIndex);
