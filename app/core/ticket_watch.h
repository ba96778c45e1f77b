// What changed from one round of a watch to the next (in the window and in
// tavora-query --watch): the trains whose seat cells differ from the round
// before, keyed by train code, and the seat classes that gained tickets.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/core/result_page.h"
#include "app/core/ticket_row.h"

// Shortest and longest pause between two rounds of a watch, in the window
// and on the command line (--watch).
constexpr unsigned kMinWatchSeconds = 30;
constexpr unsigned kMaxWatchSeconds = 86400;

// What a watch in the window keeps, whatever the site answers, so that a
// watch of any length holds bounded memory: the newest notices (one per round
// that gained tickets), each naming its train by at most kMaxNoticeCodeChars
// of the code, and one changed-row mark per train of the last round, at most
// as many as an answer has trains. The balloon is then cut to the
// notification area's own buffers (TrayNotice).
constexpr size_t kMaxWatchNotices = 8;
constexpr size_t kMaxNoticeCodeChars = 32;
constexpr size_t kMaxChangedRowMarks = kMaxResultRows;

struct TrainChanges {
  // Trains of the current round whose six seat cells differ from those of
  // the same code in the previous round, or whose code it did not have; in
  // the current round's order.
  std::vector<TicketRow> changed;
  // Codes of the previous round that the current one does not have, in the
  // previous round's order, each once.
  std::vector<std::wstring> gone;

  bool empty() const { return changed.empty() && gone.empty(); }
};

// Whether two rows offer the same seats (the six seat cells).
bool SameSeats(const TicketRow& a, const TicketRow& b);

// The changes from `previous` to `current`. Order alone is no change. When a
// round lists one code twice, its first row stands for the code in
// `previous`, and each row of `current` is compared with that one.
TrainChanges ChangesSince(const std::vector<TicketRow>& previous, const std::vector<TicketRow>& current);

// A seat class of a train that offers tickets now and offered none in the
// round before; `seat` counts the six seat cells from 0 (hard seat or second
// class) to 5 (standing).
struct SeatGain {
  std::wstring trainCode;
  int seat = 0;
};

// The seat classes that gained tickets from `previous` to `current`, in the
// current round's order; trains new in `current` gained nothing.
std::vector<SeatGain> TicketsGained(const std::vector<TicketRow>& previous, const std::vector<TicketRow>& current);

// The changes as text for the console: the table of changed trains (nothing
// when none changed), then "gone: CODE" per train gone.
std::wstring FormatChangesAsTable(const TrainChanges& changes);
