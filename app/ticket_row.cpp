#include "app/ticket_row.h"

#include <utility>

namespace {
using FieldPointer = std::wstring TicketRow::*;
constexpr FieldPointer kFields[TicketRow::kFieldCount] = {
    &TicketRow::cell1,           &TicketRow::cell2,          &TicketRow::trainCode,
    &TicketRow::fromStation,     &TicketRow::toStation,      &TicketRow::departTime,
    &TicketRow::arriveTime,      &TicketRow::travelTime,     &TicketRow::seatHardOrSecond,
    &TicketRow::seatSoftOrFirst, &TicketRow::sleeperHard,    &TicketRow::sleeperSoft,
    &TicketRow::sleeperDeluxe,   &TicketRow::standing,       &TicketRow::originStation,
    &TicketRow::terminalStation, &TicketRow::trainType,
};
}  // namespace

std::wstring& TicketRow::Field(int index) { return this->*kFields[index]; }
const std::wstring& TicketRow::Field(int index) const { return this->*kFields[index]; }

void TicketRowStore::Replace(std::vector<TicketRow> rows) {
  std::vector<TicketRow> old;
  {
    std::lock_guard<std::mutex> guard(lock_);
    old.swap(rows_);
    rows_ = std::move(rows);
  }
  // `old` is released here, outside the lock.
}

size_t TicketRowStore::Size() const {
  std::lock_guard<std::mutex> guard(lock_);
  return rows_.size();
}

bool TicketRowStore::Get(size_t index, TicketRow& row) const {
  std::lock_guard<std::mutex> guard(lock_);
  if (index >= rows_.size()) return false;
  row = rows_[index];
  return true;
}

std::vector<TicketRow> TicketRowStore::Snapshot() const {
  std::lock_guard<std::mutex> guard(lock_);
  return rows_;
}
