// The day a query is for: the forms people type it in, the one form it is
// shown and sent in, and the days the site sells tickets for.
#pragma once

#include <string>
#include <string_view>

// A day of the Gregorian calendar.
struct TravelDate {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31

  bool operator==(const TravelDate& other) const {
    return year == other.year && month == other.month && day == other.day;
  }
  bool operator!=(const TravelDate& other) const { return !(*this == other); }
  bool operator<(const TravelDate& other) const;
};

// How many days after today tickets are sold for: today and the next
// kPresaleDays days may be asked for.
constexpr int kPresaleDays = 59;

// Whether the fields name a day that exists (years 1900..9999).
bool IsRealDate(const TravelDate& date);
// Days since 1970-01-01 (negative before), and back. Only for real dates.
int DayNumber(const TravelDate& date);
TravelDate DateOfDayNumber(int dayNumber);
TravelDate AddDays(const TravelDate& date, int days);
// `to` minus `from` in days.
int DaysBetween(const TravelDate& from, const TravelDate& to);
// 0 for Sunday .. 6 for Saturday.
int WeekdayOf(const TravelDate& date);

// "2026-12-08": how the date box shows a date and how the request sends it.
std::wstring FormatTravelDate(const TravelDate& date);
// "12月9日 周三": how the status line names the day.
std::wstring FormatTravelDay(const TravelDate& date);

// What a person types, relative to `today`: "2026-12-08", "2026/12/8",
// "20261208", "12-08", "12/8" (this year's, or next year's when it has
// passed), "8" (that day of this month, or of the next when it has passed).
// Blanks at either end are ignored; full-width digits and separators count
// as their ASCII forms. False when the text is no real date.
bool ParseTravelDate(std::wstring_view text, const TravelDate& today, TravelDate& date);

enum class DateCheck {
  Valid,     // `date` is today or within the presale period
  NotADate,  // the text is no date (ParseTravelDate failed)
  Past,      // `date` is before today
  TooFar,    // `date` is more than kPresaleDays after today
};
// ParseTravelDate and the presale period together; `date` is set whenever
// the text parsed.
DateCheck CheckTravelDate(std::wstring_view text, const TravelDate& today, TravelDate& date);
