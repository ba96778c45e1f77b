// The site's fare page (/fare.aspx) into rows, and what the fare list, the
// command line and the exports make of them: amounts, order, filter, texts.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The seat classes of the fare page, in its column order.
enum FareClass : int {
  kFareBusiness = 0,  // 商务座
  kFareFirst,         // 一等座
  kFareSecond,        // 二等座
  kFareHardSeat,      // 硬座
  kFareHardSleeper,   // 硬卧
  kFareSoftSleeper,   // 软卧
  kFareStanding,      // 无座
  kFareClassCount
};

// Columns of the fare list: 车次 出发站 到达站 发时 到时 历时, then one per
// FareClass from kFareFirstClassColumn on.
enum FareColumn : int {
  kFareColumnTrainCode = 0,
  kFareColumnFrom,
  kFareColumnTo,
  kFareColumnDepart,
  kFareColumnArrive,
  kFareColumnTravelTime,
};
constexpr int kFareFirstClassColumn = 6;
constexpr int kFareColumnCount = 13;
static_assert(kFareColumnTravelTime + 1 == kFareFirstClassColumn &&
                  kFareFirstClassColumn + kFareClassCount == kFareColumnCount,
              "the fare columns are the train's six, then one per class");

// The column's title; empty outside the columns.
const wchar_t* FareColumnTitle(int column);

// One train of a fare page as the page wrote it; control characters
// (IsControlCharacter) are blanks.
struct FareRow {
  std::wstring trainCode;
  std::wstring fromStation;
  std::wstring toStation;
  std::wstring departTime;
  std::wstring arriveTime;
  std::wstring travelTime;
  std::array<std::wstring, kFareClassCount> fares;  // by FareClass
};

// The largest amount read: 1,000,000 yuan.
constexpr int kMaxFareTenths = 10000000;

// An amount in tenths of a yuan: digits, then at most one decimal digit
// after a point ("553", "553.0", "553.5"), after an optional "¥" (or the
// full-width "￥"), white space around; -1 for anything else ("--", "",
// "abc", "-12.5x", a sign, "553.", two decimal digits) and for more than
// kMaxFareTenths.
int ParseFareTenths(std::wstring_view text);

// "¥553.0"; "--" for a negative amount (none).
std::wstring FormatFare(int tenths);
// "553.0", for CSV and JSON; empty for a negative amount.
std::wstring PlainFare(int tenths);

enum class FarePage {
  Rows,      // the fare table was found: `rows` holds its trains (possibly none)
  NoTable,   // the page did not parse or has no fare table
  TooLarge,  // more markup than kMaxResultMarkup or more trains than kMaxResultRows
};

// Parses a repaired page (RepairMarkup) as ParseResultPage does, under its
// bounds: the table is found where the result table is (FindResultTable),
// its first row is the header, each later row one train (cells as the
// columns; code and stations read from their links). A row without a train
// code is skipped. `rows` is replaced only when the result is Rows;
// `message` is the site's words (SiteMessage) when the result is NoTable,
// and empty otherwise.
FarePage ParseFarePage(std::wstring repairedPage, std::vector<FareRow>& rows, std::wstring& message);

// The classes (FareClass) for which any row has an amount, in class order.
std::vector<int> FareClassesPresent(const std::vector<FareRow>& rows);

// Per class, the lowest amount among the rows; -1 where none has one.
std::array<int, kFareClassCount> CheapestFares(const std::vector<FareRow>& rows);

// Stable sort by `column` (a FareColumn or kFareFirstClassColumn + class):
// a class by amount, rows without one last in either direction; the other
// columns as the ticket list sorts them (CompareTrainCodes, CompareTimes,
// CompareTexts). Columns outside the list leave the order alone.
void SortFareRows(std::vector<FareRow>& rows, int column, bool descending);

// The rows whose kind is among `kinds` (KindShown, as the ticket list's).
std::vector<FareRow> FilterFareRows(const std::vector<FareRow>& rows, unsigned kinds);

// The kFareColumnCount texts the list shows for a row: the train's six,
// then each class's FormatFare of its ParseFareTenths.
std::vector<std::wstring> FareRowTexts(const FareRow& row);

// Every row's texts for a copy or an export (CellsAsTabText, CellsAsCsv):
// as FareRowTexts, amounts as PlainFare when `plain`.
std::vector<std::vector<std::wstring>> FareRowsAsCells(const std::vector<FareRow>& rows, bool plain);

// The JSON key of a class: business, firstClass, secondClass, hardSeat,
// hardSleeper, softSleeper, standing.
const wchar_t* FareJsonKey(int fareClass);

// A JSON array laid out as FormatTicketJson's, one object per row: trainCode,
// fromStation, toStation, departTime, arriveTime, travelTime as strings, then
// one key per class of `classes` (FareJsonKey) with the amount as a number
// (553.0) or null.
std::wstring FormatFareJson(const std::vector<FareRow>& rows, const std::vector<int>& classes);
