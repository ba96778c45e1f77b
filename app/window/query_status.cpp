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
      reason = result.failure == PageFailure::NoConnection ? status_text::kNoConnection
               : result.failure == PageFailure::TimedOut   ? status_text::kTimedOut
                                                           : status_text::kUnreadable;
      break;
    case QueryOutcome::NoResultTable:
    case QueryOutcome::PageTooLarge:
      reason = status_text::kUnreadable;
      break;
    case QueryOutcome::OutOfMemory:
      reason = status_text::kOutOfMemory;
      break;
    case QueryOutcome::SiteMessage: {
      std::wstring text = result.message;
      if (!earlierTime.empty()) text += FormatText(TableString(status_text::kEarlierRows), {earlierTime});
      return text;
    }
  }
  std::wstring text = TableString(reason);
  if (!earlierTime.empty()) text += FormatText(TableString(status_text::kEarlierRows), {earlierTime});
  return text;
}
