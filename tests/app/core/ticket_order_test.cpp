#include "app/core/ticket_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TicketRow Train(const wchar_t* code, const wchar_t* depart = L"", const wchar_t* arrive = L"",
                const wchar_t* travel = L"", const wchar_t* seat = L"") {
  TicketRow row;
  row.trainCode = code;
  row.departTime = depart;
  row.arriveTime = arrive;
  row.travelTime = travel;
  row.seatHardOrSecond = seat;
  return row;
}

std::wstring Codes(const std::vector<TicketRow>& rows) {
  std::wstring codes;
  for (const TicketRow& row : rows) codes += (codes.empty() ? L"" : L" ") + row.trainCode;
  return codes;
}

TEST(TrainKind, EveryBoxNamesItsCodes) {
  const struct {
    const wchar_t* code;
    unsigned kind;
  } cases[] = {
      {L"C2001", kKindIntercity},
      {L"G101", kKindHighSpeed},
      {L"g7", kKindHighSpeed},
      {L"D311", kKindMultipleUnit},
      {L"Z21", kKindDirect},
      {L"T109", kKindExpress},
      {L"K51", kKindFast},
      {L"1461", kKindOrdinary},
      {L" 4401", kKindOrdinary},
      {L"L101", kKindTemporary},
      {L"Y503", kKindTemporary},
      // Letters no box names, and no code at all: never filtered away.
      {L"S201", 0},
      {L"X1", 0},
      {L"", 0},
      {L"   ", 0},
      {L"高1", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.kind, TrainKindOf(c.code)) << c.code;
}

TEST(TrainKind, KindLettersOfTheCommandLine) {
  const struct {
    const wchar_t* letters;
    bool ok;
    unsigned kinds;
  } cases[] = {
      {L"GDC", true, kKindHighSpeed | kKindMultipleUnit | kKindIntercity},
      {L"gdc", true, kKindHighSpeed | kKindMultipleUnit | kKindIntercity},
      {L"P", true, kKindOrdinary},
      {L"LY", true, kKindTemporary},
      {L"CGDZTKPL", true, kAllTrainKinds},
      {L"GG", true, kKindHighSpeed},
      {L"", false, 0},
      {L"GX", false, 0},
      {L"G,D", false, 0},
      {L"1", false, 0},
  };
  for (const auto& c : cases) {
    unsigned kinds = 0xDEAD;
    EXPECT_EQ(c.ok, ParseTrainKinds(c.letters, kinds)) << c.letters;
    EXPECT_EQ(c.ok ? c.kinds : 0xDEADu, kinds) << c.letters;
  }
}

TEST(FilterRows, KeepsTheCheckedKindsAndUnnamedTrainsInOrder) {
  const std::vector<TicketRow> rows = {Train(L"G1"), Train(L"K51"), Train(L"1461"), Train(L"S5"),
                                       Train(L"D7"), Train(L"Y9"),  Train(L"G3")};
  const struct {
    unsigned kinds;
    const wchar_t* shown;
  } cases[] = {
      {kAllTrainKinds, L"G1 K51 1461 S5 D7 Y9 G3"},
      {kKindHighSpeed, L"G1 S5 G3"},
      {kKindOrdinary | kKindTemporary, L"1461 S5 Y9"},
      {kKindFast | kKindMultipleUnit, L"K51 S5 D7"},
      {0, L"S5"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.shown, Codes(FilterRows(rows, c.kinds))) << c.kinds;
}

// Kinds, tickets and departure ranges together (as --depart writes them); a
// time that does not read passes only the whole day.
TEST(FilterRows, KeepsTrainsThatPassEveryPartOfTheFilter) {
  std::vector<TicketRow> rows = {Train(L"G1", L"05:59", L"", L"", L"有"), Train(L"D2", L"06:00", L"", L"", L"无"),
                                 Train(L"K3", L"11:59"),  Train(L"T4", L"18:00", L"", L"", L"0"),
                                 Train(L"Z5", L"23:59"),  Train(L"S6", L"24:00", L"", L"", L"2"),
                                 Train(L"G7", L"12:00")};
  rows[2].standing = L"3";
  rows[4].sleeperDeluxe = L"有";
  const struct {
    const wchar_t* depart;  // --depart
    RowFilter filter;
    const wchar_t* shown;
  } cases[] = {
      {L"all", {}, L"G1 D2 K3 T4 Z5 S6 G7"},
      {L"all", {kAllTrainKinds, true}, L"G1 K3 Z5 S6"},
      {L"0-6", {kAllTrainKinds, false, DepartRange::Night}, L"G1"},
      {L"06-12", {kAllTrainKinds, false, DepartRange::Morning}, L"D2 K3"},
      {L"12-18", {kAllTrainKinds, false, DepartRange::Afternoon}, L"G7"},
      {L"18-24", {kAllTrainKinds, false, DepartRange::Evening}, L"T4 Z5"},
      {L"6-12", {kKindHighSpeed | kKindFast, false, DepartRange::Morning}, L"K3"},
      {L"all", {kKindHighSpeed, true}, L"G1 S6"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.shown, Codes(FilterRows(rows, c.filter))) << c.shown;
    DepartRange range = DepartRange::Afternoon;
    EXPECT_TRUE(ParseDepartRange(c.depart, range) && range == c.filter.depart) << c.depart;
  }
  EXPECT_EQ(L"G1 S6 G7", Codes(FilterRows(rows, kKindHighSpeed)));
  for (const wchar_t* text : {L"", L"6", L"06-13", L"00-12", L"006-12", L"All", L"18-24 ", L"24-30"}) {
    DepartRange range = DepartRange::Afternoon;
    EXPECT_FALSE(ParseDepartRange(text, range) || range != DepartRange::Afternoon) << text;
  }
}

TEST(ParseMinutes, ClockAndTravelTimes) {
  const struct {
    const wchar_t* text;
    int minutes;
  } cases[] = {
      {L"00:00", 0},    {L"06:36", 396},   {L"23:59", 1439}, {L"22:58", 1378}, {L"26:10", 1570},
      {L" 9:05 ", 545}, {L"100:00", 6000}, {L"--", -1},      {L"", -1},        {L"12:60", -1},
      {L"12:5", -1},    {L":30", -1},      {L"1a:30", -1},   {L"12-30", -1},   {L"12:30:00", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(c.minutes, ParseMinutes(c.text)) << c.text;
}

TEST(SeatRank, HasAboveCountsAboveNoneAboveDashes) {
  const wchar_t* ranked[] = {L"有", L"2000", L"19", L"2", L"1", L"0", L"无", L"--"};
  for (size_t i = 0; i + 1 < sizeof(ranked) / sizeof(ranked[0]); ++i)
    EXPECT_GT(SeatRank(ranked[i]), SeatRank(ranked[i + 1])) << ranked[i] << " vs " << ranked[i + 1];
  EXPECT_EQ(SeatRank(L"--"), SeatRank(L""));
  EXPECT_EQ(SeatRank(L"--"), SeatRank(L"候补"));
  EXPECT_EQ(SeatRank(L"有"), SeatRank(L" 有 "));
  EXPECT_GT(SeatRank(L"有"),
            SeatRank(L"99999999999"));  // a huge count never outranks "有"

  const struct {
    const wchar_t* cell;
    bool has;
  } cases[] = {{L"有", true},  {L"1", true},   {L"13", true}, {L"0", false},
               {L"无", false}, {L"--", false}, {L"", false},  {L"-1", false}};
  for (const auto& c : cases) EXPECT_EQ(c.has, HasTickets(c.cell)) << c.cell;
}

TEST(SortRows, EachColumnKindSortsByItsMeaning) {
  const std::vector<TicketRow> rows = {
      Train(L"G10", L"08:00", L"12:51", L"04:51", L"无"), Train(L"K51", L"15:20", L"09:14", L"17:54", L"有"),
      Train(L"G2", L"23:05", L"03:10", L"04:05", L"15"),  Train(L"1461", L"11:54", L"10:52", L"22:58", L"--"),
      Train(L"G101", L"6:36", L"11:55", L"05:19", L"2"),
  };
  const struct {
    int column;
    bool descending;
    const wchar_t* order;
  } cases[] = {
      {kColumnDepart, false, L"G101 G10 1461 K51 G2"},
      {kColumnDepart, true, L"G2 K51 1461 G10 G101"},
      {kColumnArrive, false, L"G2 K51 1461 G101 G10"},
      {kColumnTravelTime, false, L"G2 G10 G101 K51 1461"},
      {kColumnTravelTime, true, L"1461 K51 G101 G10 G2"},
      {kColumnFirstSeat, true, L"K51 G2 G101 G10 1461"},
      {kColumnFirstSeat, false, L"1461 G10 G101 G2 K51"},
      // Numbers after letters: 1461 before G2, G2 before G10 before G101.
      {kColumnTrainCode, false, L"1461 G2 G10 G101 K51"},
  };
  for (const auto& c : cases) {
    std::vector<TicketRow> sorted = rows;
    SortRows(sorted, c.column, c.descending);
    EXPECT_EQ(c.order, Codes(sorted)) << "column " << c.column << (c.descending ? " descending" : "");
  }
}

TEST(SortRows, TiesKeepTheirOrderAndUnreadableTimesGoLast) {
  std::vector<TicketRow> rows = {Train(L"A", L"--"), Train(L"B", L"08:00"), Train(L"C", L""), Train(L"D", L"08:00"),
                                 Train(L"E", L"07:00")};
  SortRows(rows, kColumnDepart, false);
  EXPECT_EQ(L"E B D A C", Codes(rows));
  SortRows(rows, kColumnTrainType, false);  // every type is empty: nothing moves
  EXPECT_EQ(L"E B D A C", Codes(rows));
  SortRows(rows, -1, false);
  SortRows(rows, kResultColumnCount, true);
  EXPECT_EQ(L"E B D A C", Codes(rows));
}

TEST(SortRows, FirstClickDirectionPutsMostTicketsFirst) {
  for (int column = 0; column < kResultColumnCount; ++column)
    EXPECT_EQ(column >= kColumnFirstSeat && column <= kColumnLastSeat, SortsDescendingFirst(column)) << column;
}

}  // namespace
