// The columns a train is shown in: the window's list, the command line's
// table and every copy or export of the rows.
#pragma once

#include <string>
#include <vector>

#include "app/core/ticket_row.h"

// Columns in the result list's order (the texts of RowTexts).
enum ResultColumn : int {
  kColumnTrainCode = 0,
  kColumnFrom,
  kColumnTo,
  kColumnDepart,
  kColumnArrive,
  kColumnFirstSeat,  // six seat columns
  kColumnLastSeat = kColumnFirstSeat + 5,
  kColumnOriginTerminal,
  kColumnTravelTime,
  kColumnTrainType,
  kResultColumnCount
};

// The fourteen texts of a row, one per ResultColumn: the first and last
// stations share one column ("A - B").
std::vector<std::wstring> RowTexts(const TicketRow& row);
