#include "app/core/ticket_watch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "skin/resources/text_encoding.h"

namespace {

// A train with its six seat cells from one text of six characters.
TicketRow Train(const wchar_t* code, const wchar_t* seats = L"有有无无--", const wchar_t* depart = L"08:00") {
  TicketRow row;
  row.trainCode = code;
  row.departTime = depart;
  std::wstring TicketRow::*cells[] = {&TicketRow::seatHardOrSecond, &TicketRow::seatSoftOrFirst,
                                      &TicketRow::sleeperHard,      &TicketRow::sleeperSoft,
                                      &TicketRow::sleeperDeluxe,    &TicketRow::standing};
  for (int i = 0; i < 6 && seats[i]; ++i) row.*cells[i] = std::wstring(1, seats[i]);
  return row;
}

std::string Codes(const TrainChanges& changes) {
  std::wstring text;
  for (const TicketRow& row : changes.changed) text += (text.empty() ? L"" : L" ") + row.trainCode;
  text += L" |";
  for (const std::wstring& code : changes.gone) text += L" " + code;
  return WideToUtf8(text);
}

TEST(TrainChanges, OnlySeatsAndPresenceCount) {
  const std::vector<TicketRow> before = {Train(L"G1"), Train(L"G3"), Train(L"K5")};
  const struct {
    const char* name;
    std::vector<TicketRow> previous;
    std::vector<TicketRow> current;
    const char* codes;  // changed trains, "|", gone trains
  } cases[] = {
      {"unchanged", before, before, " |"},
      {"reordered", before, {Train(L"K5"), Train(L"G1"), Train(L"G3")}, " |"},
      {"other fields change", before, {Train(L"G1", L"有有无无--", L"23:59"), Train(L"G3"), Train(L"K5")}, " |"},
      {"first seat", before, {Train(L"G1", L"无有无无--"), Train(L"G3"), Train(L"K5")}, "G1 |"},
      {"last seat", before, {Train(L"G1"), Train(L"G3"), Train(L"K5", L"有有无无-3")}, "K5 |"},
      {"seat and order", before, {Train(L"K5", L"有有无无-7"), Train(L"G3", L"1有无无--"), Train(L"G1")}, "K5 G3 |"},
      {"new train", before, {Train(L"G1"), Train(L"D9"), Train(L"G3"), Train(L"K5")}, "D9 |"},
      {"gone train", before, {Train(L"K5"), Train(L"G1")}, " | G3"},
      {"all at once", before, {Train(L"T7"), Train(L"G3", L"------")}, "T7 G3 | G1 K5"},
      {"from nothing", {}, before, "G1 G3 K5 |"},
      {"to nothing", before, {}, " | G1 G3 K5"},
      {"code listed twice before", {Train(L"G1"), Train(L"G1", L"------")}, {Train(L"G1")}, " |"},
      {"code listed twice now", {Train(L"G1")}, {Train(L"G1"), Train(L"G1", L"------")}, "G1 |"},
      {"gone twice is gone once", {Train(L"G1"), Train(L"G1")}, {}, " | G1"},
  };
  for (const auto& c : cases) {
    const TrainChanges changes = ChangesSince(c.previous, c.current);
    EXPECT_EQ(c.codes, Codes(changes)) << c.name;
    EXPECT_EQ(std::string(c.codes) == " |", changes.empty()) << c.name;
  }
}

TEST(TrainChanges, ChangedRowsAreTheCurrentOnes) {
  const TrainChanges changes = ChangesSince({Train(L"G1")}, {Train(L"G1", L"5有无无--", L"09:30")});
  ASSERT_EQ(1u, changes.changed.size());
  EXPECT_EQ(L"5", changes.changed[0].seatHardOrSecond);
  EXPECT_EQ(L"09:30", changes.changed[0].departTime);
}

TEST(TrainChanges, TableListsChangedTrainsThenGoneOnes) {
  EXPECT_EQ(L"", FormatChangesAsTable(TrainChanges()));
  TrainChanges onlyGone;
  onlyGone.gone = {L"G3", std::wstring(L"K\x1b[2J", 5)};
  EXPECT_EQ(L"gone: G3\ngone: K [2J\n", FormatChangesAsTable(onlyGone));

  TrainChanges both = onlyGone;
  both.changed = {Train(L"D9")};
  const std::wstring table = FormatChangesAsTable(both);
  EXPECT_EQ(0u, table.find(L"车次"));
  const size_t d9 = table.find(L"\nD9 ");
  ASSERT_NE(std::wstring::npos, d9);
  EXPECT_LT(d9, table.find(L"\ngone: G3\ngone: K [2J\n"));
  EXPECT_EQ(4, std::count(table.begin(), table.end(), L'\n'));  // header, D9, two gone lines
}

}  // namespace

TEST(TrainChanges, GainsAreClassesWithoutTicketsThatNowHaveSome) {
  // Seats before and after, and the seats gained: 有 and counts are tickets;
  // 无, 0 and a class not sold are none; losing is no gain.
  const std::tuple<const wchar_t*, const wchar_t*, std::vector<int>> cases[] = {{L"无无无无--", L"有3无无--", {0, 1}},
                                                                                {L"有有无无--", L"有有无无-1", {5}},
                                                                                {L"0无无无--", L"无无无无--", {}},
                                                                                {L"有有有有有", L"无无无无无", {}},
                                                                                {L"无无无无--", L"0无无无--", {}}};
  for (const auto& [before, now, seats] : cases) {
    std::vector<int> gained;
    for (const SeatGain& gain : TicketsGained({Train(L"G1", before)}, {Train(L"G1", now)})) gained.push_back(gain.seat);
    EXPECT_EQ(seats, gained) << WideToUtf8(now);
  }
  // A train new in this round gained nothing; one listed twice counts once.
  EXPECT_TRUE(TicketsGained({Train(L"G1")}, {Train(L"G3", L"有有有有有")}).empty());
  EXPECT_EQ(
      1u,
      TicketsGained({Train(L"G1", L"无有有有有")}, {Train(L"G1", L"有有有有有"), Train(L"G1", L"有有有有有")}).size());
}
