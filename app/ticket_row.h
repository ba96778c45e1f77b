// One train of a result page, and the row store that the query worker fills
// and the result list reads from another thread.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

// Seventeen wide strings in the order of the result page's cells.
struct TicketRow {
  static constexpr int kFieldCount = 17;

  std::wstring cell1;
  std::wstring cell2;
  std::wstring trainCode;
  std::wstring fromStation;
  std::wstring toStation;
  std::wstring departTime;
  std::wstring arriveTime;
  std::wstring travelTime;
  std::wstring seatHardOrSecond;
  std::wstring seatSoftOrFirst;
  std::wstring sleeperHard;
  std::wstring sleeperSoft;
  std::wstring sleeperDeluxe;
  std::wstring standing;
  std::wstring originStation;
  std::wstring terminalStation;
  std::wstring trainType;

  // Field by cell index, 0-based (cell 1 is index 0).
  std::wstring& Field(int index);
  const std::wstring& Field(int index) const;
};

// The query page's rows. The worker builds a new set aside and installs it in
// one step; readers copy out what they need. Both happen under one lock.
class TicketRowStore {
 public:
  void Replace(std::vector<TicketRow> rows);
  size_t Size() const;
  // Copies row `index` into `row`; false when there is no such row.
  bool Get(size_t index, TicketRow& row) const;
  std::vector<TicketRow> Snapshot() const;

 private:
  mutable std::mutex lock_;
  std::vector<TicketRow> rows_;
};
