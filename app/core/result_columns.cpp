#include "app/core/result_columns.h"

std::vector<std::wstring> RowTexts(const TicketRow& row) {
  return {row.trainCode,   row.fromStation,      row.toStation,       row.departTime,
          row.arriveTime,  row.seatHardOrSecond, row.seatSoftOrFirst, row.sleeperHard,
          row.sleeperSoft, row.sleeperDeluxe,    row.standing,        row.originStation + L" - " + row.terminalStation,
          row.travelTime,  row.trainType};
}
