// One train of a result page.
#pragma once

#include <string>

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
