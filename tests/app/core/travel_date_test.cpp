#include "app/core/travel_date.h"

#include <gtest/gtest.h>

#include "skin/resources/text_encoding.h"

// Every day from 1900 to 9999 has the number after its predecessor's.
TEST(DayNumber, CountsEveryDayOfTheCalendarOnce) {
  EXPECT_EQ(0, DayNumber({1970, 1, 1}));
  TravelDate date{1900, 1, 1};
  for (int number = DayNumber(date); date.year <= 9999; ++number) {
    ASSERT_EQ(number, DayNumber(date));
    ASSERT_EQ(date, DateOfDayNumber(number)) << number;
    const TravelDate next{date.year, date.month, date.day + 1};
    date = IsRealDate(next) ? next : date.month < 12 ? TravelDate{date.year, date.month + 1, 1} : TravelDate{date.year + 1, 1, 1};
  }
  EXPECT_EQ(L"12月9日 周三", FormatTravelDay({2026, 12, 9}));
  EXPECT_EQ(L"1月3日 周日", FormatTravelDay({2027, 1, 3}));
}

TEST(ParseTravelDate, ReadsEachFormFromToday) {
  const TravelDate today{2026, 12, 8};
  const struct {
    TravelDate today;
    const wchar_t* text;
    TravelDate date;  // year 0: no date
  } cases[] = {
      {today, L"2026-12-08", {2026, 12, 8}},  {today, L"2026/12/9", {2026, 12, 9}},   {today, L"2027.1.5", {2027, 1, 5}},
      {today, L"20270105", {2027, 1, 5}},     {today, L" 12-08\t", {2026, 12, 8}},    {today, L"12/7", {2027, 12, 7}},
      {today, L"8", {2026, 12, 8}},           {today, L"07", {2027, 1, 7}},           {today, L"31", {2026, 12, 31}},
      {today, L"\u3000２０２６－１２－０９", {2026, 12, 9}},  {today, L"１２／９", {2026, 12, 9}},
      {today, L"２０２７．１．５", {2027, 1, 5}},  {{2027, 3, 1}, L"2-29", {2028, 2, 29}},
      {{2026, 1, 10}, L"2-29", {}},           {{2026, 11, 5}, L"31", {}},             {{2026, 1, 31}, L"30", {}},
      {{2026, 1, 31}, L"28", {2026, 2, 28}},  {today, L"2027-02-29", {}},             {{9999, 12, 31}, L"1", {}},
      {today, L" ", {}},                      {today, L"2026-13-01", {}},             {today, L"2026-12/08", {}},
      {today, L"1208", {}},                   {today, L"26-12-08", {}},               {today, L"12月8日", {}},
  };
  for (const auto& c : cases) {
    const TravelDate unset{1, 2, 3};
    TravelDate date = unset;
    EXPECT_EQ(c.date.year != 0, ParseTravelDate(c.text, c.today, date)) << WideToUtf8(c.text);
    EXPECT_EQ(c.date.year != 0 ? c.date : unset, date) << WideToUtf8(c.text);
  }
  TravelDate date;
  EXPECT_EQ(DateCheck::Valid, CheckTravelDate(L"2-5", today, date));  // today + kPresaleDays
  EXPECT_EQ(DateCheck::TooFar, CheckTravelDate(L"2-6", today, date));
  EXPECT_EQ(DateCheck::Past, CheckTravelDate(L"2026-12-07", today, date));
  EXPECT_EQ(DateCheck::NotADate, CheckTravelDate(L"2-30", today, date));
}
