#include "app/core/fare_page.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/core/result_page.h"
#include "app/core/ticket_csv.h"
#include "app/core/ticket_order.h"
#include "skin/resources/text_encoding.h"
#include "tests/support/test_support.h"

namespace {

// A train with its code and its fare cells from 商务座 on.
FareRow Fares(const std::wstring& code, std::vector<std::wstring> cells, const std::wstring& depart = L"07:00") {
  FareRow row{code, L"北京", L"上海", depart, L"12:00", L"05:00", {}};
  for (size_t i = 0; i < cells.size(); ++i) row.fares[i] = cells[i];
  return row;
}

std::wstring Codes(const std::vector<FareRow>& rows) {
  std::wstring codes;
  for (const FareRow& row : rows) codes += row.trainCode + L" ";
  return codes;
}

// The demo site's fare page of fault-badfare (北京 to 上海, three cells that
// are no amounts), with `rows` before the end of its table.
std::wstring SitePage(const std::wstring& rows = {}) {
  std::wstring page = Utf8ToWide(ReadFileBytes(SourcePath("tests/fuzz/seeds/fare-page/badfare.html")));
  return page.insert(page.find(L"</table>"), rows);
}

}  // namespace

// Amounts as the site writes them and as a hostile page might: one decimal
// digit at most, bounded at a million yuan; written back both ways.
TEST(ParseFareTenths, ReadsYuanWithOneDecimalAndRefusesTheRest) {
  const std::pair<const wchar_t*, int> cases[] = {
      {L"553", 5530}, {L"553.5", 5535}, {L" ¥553.0\t", 5530}, {L"￥007.9", 79}, {L"1000000.0", 10000000},
      {L"--", -1},    {L"", -1},        {L"abc", -1},         {L"-12.5x", -1},  {L"1000000.1", -1},
      {L"+12", -1},   {L"12.", -1},     {L".5", -1},          {L"12.50", -1},   {L"99999999999999999999", -1},
      {L"¥ 12", -1},  {L"１２", -1},    {L"12,5", -1}};
  for (const auto& [text, tenths] : cases) EXPECT_EQ(tenths, ParseFareTenths(text)) << WideToUtf8(text);
  EXPECT_EQ(L"¥553.5 ¥0.0 -- 1000000.0 ", FormatFare(5535) + L" " + FormatFare(0) + L" " + FormatFare(-1) + L" " +
                                              PlainFare(10000000) + L" " + PlainFare(-1));
}

// By amount, rows without one last in both directions and in their order;
// train codes and times as the ticket list sorts them; its kinds filter; the
// cheapest amount and the classes present count only cells that read.
TEST(SortFareRows, AmountsInEitherDirectionWithMissingOnesLast) {
  const std::vector<FareRow> rows = {
      Fares(L"G10", {L"", L"", L"606.5"}, L"08:00"), Fares(L"K1", {L"", L"", L"--"}, L"x"),
      Fares(L"G2", {L"", L"", L"44.5"}, L"06:00"),   Fares(L"1461", {L"", L"", L"abc"}, L"23:00"),
      Fares(L"D3", {L"", L"", L"1000"}, L"07:30"),   Fares(L"Q9", {L"", L"", L"44.5"}, L"06:00")};
  const std::tuple<int, bool, const wchar_t*> cases[] = {
      {kFareFirstClassColumn + kFareSecond, false, L"G2 Q9 G10 D3 K1 1461 "},
      {kFareFirstClassColumn + kFareSecond, true, L"D3 G10 G2 Q9 K1 1461 "},
      {kFareColumnTrainCode, false, L"1461 D3 G2 G10 K1 Q9 "},
      {kFareColumnDepart, false, L"G2 Q9 D3 G10 1461 K1 "},
      {kFareColumnCount, false, L"G10 K1 G2 1461 D3 Q9 "},
  };
  for (const auto& [column, descending, codes] : cases) {
    std::vector<FareRow> sorted = rows;
    SortFareRows(sorted, column, descending);
    EXPECT_EQ(codes, Codes(sorted)) << column << " " << descending;
  }
  EXPECT_EQ(L"G10 G2 Q9 ", Codes(FilterFareRows(rows, kKindHighSpeed)));
  EXPECT_EQ((std::array<int, kFareClassCount>{-1, -1, 445, -1, -1, -1, -1}), CheapestFares(rows));
  EXPECT_EQ(std::vector<int>{kFareSecond}, FareClassesPresent(rows));
}

// The list shows amounts with ¥; exports carry plain numbers through the
// ticket list's writer; JSON has numbers or null.
TEST(FareRowTexts, ShownExportedAndJsonAmounts) {
  const FareRow row = Fares(L"G1", {L"1940.0", L" 970 ", L"abc", L"--", L"", L"-12.5x", L"606.5"});
  EXPECT_EQ(L"¥970.0--",
            FareRowTexts(row)[kFareFirstClassColumn + kFareFirst] + FareRowTexts(row)[kFareColumnCount - 2]);
  std::vector<std::wstring> titles;
  for (int column = 0; column < kFareColumnCount; ++column) titles.push_back(FareColumnTitle(column));
  EXPECT_EQ(
      "\xEF\xBB\xBF车次,出发站,到达站,发时,到时,历时,商务座,一等座,二等座,硬座,硬卧,软卧,无座\r\n"
      "G1,北京,上海,07:00,12:00,05:00,1940.0,970.0,,,,,606.5\r\n",
      CellsAsCsv(titles, FareRowsAsCells({row}, true)));
  EXPECT_EQ(
      L"[\n{\"trainCode\": \"G1\", \"fromStation\": \"北京\", \"toStation\": \"上海\", \"departTime\": \"07:00\", "
      L"\"arriveTime\": \"12:00\", \"travelTime\": \"05:00\", \"firstClass\": 970.0, \"secondClass\": null}\n]\n",
      FormatFareJson({row}, {kFareFirst, kFareSecond}));
}

// Links read, controls blanked, rows without a code skipped; no table gives
// the site's words; past either bound the page is refused, the rows stay.
TEST(ParseFarePage, ReadsTheFareTableWithinTheResultPagesBounds) {
  std::wstring many;
  for (size_t i = 0; i + 32 <= kMaxResultRows; ++i) many += L"<tr><td><a>G1</a></td></tr>";
  const std::tuple<std::wstring, FarePage, size_t, const wchar_t*> cases[] = {
      {SitePage(L"<tr><td/><td>x</td></tr><tr/><tr><td><a>Z\u202E9</a></td><td><a>南京</a></td></tr>"), FarePage::Rows,
       33, L""},
      {SitePage(many), FarePage::TooLarge, 1, L""},
      {SitePage() + std::wstring(kMaxResultMarkup, L'<'), FarePage::TooLarge, 1, L""},
      {L"<html><body><div/><div><p>2000-01-01 已经过去，\n无法查询余票。</p></div></body></html>", FarePage::NoTable, 1,
       L"2000-01-01 已经过去， 无法查询余票。"},
  };
  for (const auto& [page, result, count, siteWords] : cases) {
    std::vector<FareRow> rows = {Fares(L"K9", {})};
    std::wstring message = L"old";
    EXPECT_EQ(result, ParseFarePage(RepairMarkup(page), rows, message));
    ASSERT_EQ(count, rows.size());
    EXPECT_EQ(siteWords, message);
    if (result != FarePage::Rows) continue;
    EXPECT_EQ(L"G101 北京 上海 abc ¥606.5 ¥970.0", rows[0].trainCode + L" " + rows[0].fromStation + L" " +
                                                       rows[0].toStation + L" " + rows[0].fares[kFareSecond] + L" " +
                                                       FareRowTexts(rows[0])[12] + L" " + FareRowTexts(rows[0])[7]);
    EXPECT_EQ(L"Z 9 南京 --", rows[32].trainCode + L" " + rows[32].fromStation + L" " + FareRowTexts(rows[32])[12]);
  }
}
