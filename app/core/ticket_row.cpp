#include "app/core/ticket_row.h"

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
