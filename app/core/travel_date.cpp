#include "app/core/travel_date.h"

#include <cstdio>
#include <tuple>
#include <vector>

#include "skin/resources/parse_util.h"

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Floor division, so that days before 1970 fall into the right era and week.
int FloorDiv(int a, int b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

bool IsSeparator(wchar_t c) { return c == L'-' || c == L'/' || c == L'.'; }

// The text split at one kind of separator into groups of ASCII digits; false
// when it holds anything else, mixes separators or has an empty group.
bool SplitDigitGroups(const std::wstring& text, std::vector<std::wstring>& groups) {
  wchar_t separator = 0;
  groups.assign(1, std::wstring());
  for (const wchar_t c : text) {
    if (c >= L'0' && c <= L'9') {
      groups.back() += c;
    } else if (IsSeparator(c) && (separator == 0 || separator == c) && !groups.back().empty()) {
      separator = c;
      groups.emplace_back();
    } else {
      return false;
    }
  }
  return !groups.back().empty();
}

int GroupValue(const std::wstring& group) { return static_cast<int>(ScanDecimal(group, false).magnitude); }

// A month or day is written with one or two digits.
bool IsShortGroup(const std::wstring& group) { return group.size() <= 2; }

}  // namespace

bool TravelDate::operator<(const TravelDate& other) const {
  return std::tie(year, month, day) < std::tie(other.year, other.month, other.day);
}

bool IsRealDate(const TravelDate& date) {
  return date.year >= 1900 && date.year <= 9999 && date.month >= 1 && date.month <= 12 && date.day >= 1 &&
         date.day <= DaysInMonth(date.year, date.month);
}

// Days from the civil date, counting in 400-year eras that start on 1 March
// (the leap day is then the last day of its year).
int DayNumber(const TravelDate& date) {
  const int year = date.month <= 2 ? date.year - 1 : date.year;
  const int era = FloorDiv(year, 400);
  const int yearOfEra = year - era * 400;
  const int monthFromMarch = (date.month + 9) % 12;
  const int dayOfYear = (153 * monthFromMarch + 2) / 5 + date.day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

TravelDate DateOfDayNumber(int dayNumber) {
  const int shifted = dayNumber + 719468;
  const int era = FloorDiv(shifted, 146097);
  const int dayOfEra = shifted - era * 146097;
  const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int monthFromMarch = (5 * dayOfYear + 2) / 153;
  TravelDate date;
  date.day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
  date.month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
  date.year = yearOfEra + era * 400 + (date.month <= 2);
  return date;
}

TravelDate AddDays(const TravelDate& date, int days) { return DateOfDayNumber(DayNumber(date) + days); }

int DaysBetween(const TravelDate& from, const TravelDate& to) { return DayNumber(to) - DayNumber(from); }

int WeekdayOf(const TravelDate& date) {
  // 1970-01-01 was a Thursday.
  const int weekday = (DayNumber(date) + 4) % 7;
  return weekday < 0 ? weekday + 7 : weekday;
}

std::wstring FormatTravelDate(const TravelDate& date) {
  wchar_t text[16] = L"";
  std::swprintf(text, 16, L"%04d-%02d-%02d", date.year % 10000, date.month % 100, date.day % 100);
  return text;
}

std::wstring FormatTravelDay(const TravelDate& date) {
  static const wchar_t* const kWeekdays[] = {L"日", L"一", L"二", L"三", L"四", L"五", L"六"};
  return std::to_wstring(date.month) + L"月" + std::to_wstring(date.day) + L"日 周" + kWeekdays[WeekdayOf(date)];
}

bool ParseTravelDate(std::wstring_view text, const TravelDate& today, TravelDate& date) {
  std::wstring ascii(text);
  for (wchar_t& c : ascii) c = FullWidthToAscii(c);
  std::vector<std::wstring> groups;
  if (!SplitDigitGroups(std::wstring(TrimWhiteSpace(ascii)), groups)) return false;

  TravelDate parsed;
  if (groups.size() == 3 && groups[0].size() == 4 && IsShortGroup(groups[1]) && IsShortGroup(groups[2])) {
    parsed = {GroupValue(groups[0]), GroupValue(groups[1]), GroupValue(groups[2])};
  } else if (groups.size() == 1 && groups[0].size() == 8) {
    parsed = {GroupValue(groups[0].substr(0, 4)), GroupValue(groups[0].substr(4, 2)), GroupValue(groups[0].substr(6))};
  } else if (groups.size() == 2 && IsShortGroup(groups[0]) && IsShortGroup(groups[1])) {
    // The year is chosen before the day is checked: "2-29" is next year's
    // only when this year's has passed, and no date when that year has none.
    parsed = {today.year, GroupValue(groups[0]), GroupValue(groups[1])};
    if (std::tie(parsed.month, parsed.day) < std::tie(today.month, today.day)) ++parsed.year;
  } else if (groups.size() == 1 && IsShortGroup(groups[0])) {
    // Likewise the month: "31" in a month of 30 days is no date.
    parsed = {today.year, today.month, GroupValue(groups[0])};
    if (parsed.day < today.day && ++parsed.month > 12) parsed = {today.year + 1, 1, parsed.day};
  } else {
    return false;
  }
  if (!IsRealDate(parsed)) return false;
  date = parsed;
  return true;
}

DateCheck CheckTravelDate(std::wstring_view text, const TravelDate& today, TravelDate& date) {
  if (!ParseTravelDate(text, today, date)) return DateCheck::NotADate;
  if (date < today) return DateCheck::Past;
  if (DaysBetween(today, date) > kPresaleDays) return DateCheck::TooFar;
  return DateCheck::Valid;
}
