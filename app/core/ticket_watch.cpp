#include "app/core/ticket_watch.h"

#include <map>
#include <set>

#include "app/core/page_text.h"
#include "app/core/ticket_order.h"
#include "app/core/ticket_table.h"

bool SameSeats(const TicketRow& a, const TicketRow& b) {
  return a.seatHardOrSecond == b.seatHardOrSecond && a.seatSoftOrFirst == b.seatSoftOrFirst &&
         a.sleeperHard == b.sleeperHard && a.sleeperSoft == b.sleeperSoft && a.sleeperDeluxe == b.sleeperDeluxe &&
         a.standing == b.standing;
}

TrainChanges ChangesSince(const std::vector<TicketRow>& previous, const std::vector<TicketRow>& current) {
  std::map<std::wstring, const TicketRow*> before;
  for (const TicketRow& row : previous) before.emplace(row.trainCode, &row);  // the first row of a code stays

  TrainChanges changes;
  std::set<std::wstring> now;
  for (const TicketRow& row : current) {
    now.insert(row.trainCode);
    const auto found = before.find(row.trainCode);
    if (found == before.end() || !SameSeats(*found->second, row)) changes.changed.push_back(row);
  }
  std::set<std::wstring> reported;
  for (const TicketRow& row : previous) {
    if (now.count(row.trainCode) == 0 && reported.insert(row.trainCode).second) {
      changes.gone.push_back(row.trainCode);
    }
  }
  return changes;
}

std::vector<SeatGain> TicketsGained(const std::vector<TicketRow>& previous, const std::vector<TicketRow>& current) {
  std::map<std::wstring, const TicketRow*> before;
  for (const TicketRow& row : previous) before.emplace(row.trainCode, &row);
  std::vector<SeatGain> gains;
  std::set<std::wstring> seen;
  for (const TicketRow& row : current) {
    const auto found = before.find(row.trainCode);
    if (found == before.end() || !seen.insert(row.trainCode).second) continue;
    const std::wstring* was[] = {&found->second->seatHardOrSecond, &found->second->seatSoftOrFirst,
                                 &found->second->sleeperHard,      &found->second->sleeperSoft,
                                 &found->second->sleeperDeluxe,    &found->second->standing};
    const std::wstring* now[] = {&row.seatHardOrSecond, &row.seatSoftOrFirst, &row.sleeperHard,
                                 &row.sleeperSoft,      &row.sleeperDeluxe,   &row.standing};
    for (int seat = 0; seat < 6; ++seat)
      if (!HasTickets(*was[seat]) && HasTickets(*now[seat])) gains.push_back(SeatGain{row.trainCode, seat});
  }
  return gains;
}

std::wstring FormatChangesAsTable(const TrainChanges& changes) {
  std::wstring out;
  if (!changes.changed.empty()) out = FormatTicketTable(changes.changed);
  for (const std::wstring& code : changes.gone) out += L"gone: " + BlankControls(code) + L"\n";
  return out;
}
