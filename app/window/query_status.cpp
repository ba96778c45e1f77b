#include "app/window/query_status.h"

#include <cstdio>

#include "skin/resources/bk_string.h"

std::wstring FormatText(const std::wstring& pattern, const std::vector<std::wstring>& values) {
  std::wstring text;
  text.reserve(pattern.size());
  for (size_t i = 0; i < pattern.size(); ++i) {
    const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
    const size_t index = static_cast<size_t>(next - L'1');
    if (pattern[i] == L'%' && next >= L'1' && next <= L'9' && index < values.size()) {
      text += values[index];
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

std::wstring TableString(int id) {
  const wchar_t* text = GetString(id);
  return text ? text : L"";
}

std::wstring FormatClock(const SYSTEMTIME& time) {
  wchar_t text[16] = L"";
  std::swprintf(text, 16, L"%02u:%02u:%02u", time.wHour % 100u, time.wMinute % 100u, time.wSecond % 100u);
  return text;
}

namespace {

// The status text of a page that did not come.
int NoPageReason(PageFailure failure) {
  return failure == PageFailure::NoConnection ? status_text::kNoConnection
         : failure == PageFailure::TimedOut   ? status_text::kTimedOut
                                              : status_text::kUnreadable;
}

}  // namespace

std::wstring RunningStatus(const QueryStations& stations) {
  return FormatText(TableString(status_text::kRunning), {stations.from, stations.to});
}

std::wstring OutcomeStatus(const QueryResult& result, const std::wstring& answerTime, const std::wstring& earlierTime) {
  int reason = 0;
  switch (result.outcome) {
    case QueryOutcome::RowsReplaced:
      if (!result.rows.empty())
        return FormatText(TableString(status_text::kTrains), {std::to_wstring(result.rows.size()), answerTime});
      // No trains is an answer: the list is empty now, not earlier rows.
      return FormatText(TableString(status_text::kNoTrains), {result.stations.from, result.stations.to});
    case QueryOutcome::MissingStation:
      reason = status_text::kMissingStation;
      break;
    case QueryOutcome::NoPage:
      reason = NoPageReason(result.failure);
      break;
    case QueryOutcome::NoResultTable:
    case QueryOutcome::PageTooLarge:
      reason = status_text::kUnreadable;
      break;
    case QueryOutcome::OutOfMemory:
      reason = status_text::kOutOfMemory;
      break;
    case QueryOutcome::SiteMessage:
      break;
  }
  // The site's own words say why it has no trains for that day.
  std::wstring text = result.outcome == QueryOutcome::SiteMessage ? result.message : TableString(reason);
  if (!earlierTime.empty()) text += FormatText(TableString(status_text::kEarlierRows), {earlierTime});
  return text;
}

namespace {

// "12月9日 周三" for a query's date ("2026-12-08"; empty for today).
std::wstring DayOfQuery(const std::wstring& date, const TravelDate& today) {
  TravelDate day = today;
  if (!date.empty() && !ParseTravelDate(date, today, day)) return date;
  return FormatTravelDay(day);
}

}  // namespace

std::wstring TrainsStatus(size_t shown, size_t found, const std::wstring& date, const std::wstring& answerTime,
                          const TravelDate& today) {
  std::wstring count = std::to_wstring(shown);
  if (shown != found) count += L" / " + std::to_wstring(found);
  return FormatText(TableString(status_text::kTrains), {count, DayOfQuery(date, today) + L" · " + answerTime});
}

std::wstring DateRefusal(DateCheck check, const std::wstring& typed, const TravelDate& date, const TravelDate& today) {
  switch (check) {
    case DateCheck::Past:
      return FormatText(TableString(status_text::kDatePast), {FormatTravelDate(date)});
    case DateCheck::TooFar:
      return FormatText(TableString(status_text::kDateTooFar),
                        {std::to_wstring(kPresaleDays + 1), FormatTravelDate(AddDays(today, kPresaleDays))});
    case DateCheck::NotADate:
    case DateCheck::Valid:
      break;
  }
  return FormatText(TableString(status_text::kNotADate), {typed, FormatTravelDate(today)});
}

std::wstring TimetableStatus(const TimetableResult& result, const std::wstring& answerTime, const TravelDate& today) {
  switch (result.outcome) {
    case TimetableOutcome::Stops:
      return FormatText(TableString(timetable_text::kStops), {result.query.code, std::to_wstring(result.stops.size()),
                                                              DayOfQuery(result.query.date, today), answerTime});
    case TimetableOutcome::UnknownTrain:
      return FormatText(TableString(timetable_text::kUnknownTrain), {result.query.code});
    case TimetableOutcome::BadCode:
      return TableString(timetable_text::kBadCode);
    case TimetableOutcome::NoPage:
      return TableString(NoPageReason(result.failure));
    case TimetableOutcome::PageTooLarge:
      return TableString(status_text::kUnreadable);
    case TimetableOutcome::OutOfMemory:
      return TableString(status_text::kOutOfMemory);
  }
  return std::wstring();
}
