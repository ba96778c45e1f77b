// The query the window remembers for the next start, per user: the two
// stations, the date, the checked train kinds, the filters, the return trip,
// the sort column and direction, the ticket list's column widths, and the
// window's position, size and maximised state. They live as values of one key under
// HKEY_CURRENT_USER (the program's folder is not the user's to write).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/core/ticket_order.h"

// The program's own key under HKEY_CURRENT_USER.
constexpr wchar_t kQuerySettingsKey[] = L"Software\\Tavora\\LastQuery";

struct QuerySettings {
  // A stored station longer than this (in UTF-16 units) is no station.
  static constexpr size_t kMaxStationChars = 64;
  // A stored position beyond this distance from the origin is no position.
  static constexpr int kMaxCoordinate = 100000;
  // A stored width or height outside 1..this is no size.
  static constexpr int kMaxWindowSize = 16384;
  // The widest column a store gives, in 96-DPI units.
  static constexpr int kMaxColumnWidth = 1000;

  std::wstring from;
  std::wstring to;
  unsigned kinds = kAllTrainKinds;
  bool returnTrip = false;
  int sortColumn = -1;  // -1: the answer's order
  bool sortDescending = false;
  // "2026-12-08", or empty for today. Kept as stored: the window takes it
  // only while it may still be asked for.
  std::wstring date;
  bool availableOnly = false;
  DepartRange departRange = DepartRange::AllDay;
  bool hasPosition = false;  // false: centred on the screen
  POINT position = {0, 0};   // the window's top-left corner, screen coordinates
  bool hasSize = false;      // false: the layer's size
  SIZE size = {0, 0};        // the restored (not maximised) window's size in pixels
  bool maximized = false;
  // The ticket list's column widths in 96-DPI units, one per column; empty:
  // the string table's.
  std::vector<int> columnWidths;

  bool operator==(const QuerySettings& other) const;
  bool operator!=(const QuerySettings& other) const { return !(*this == other); }
};

// Reads the settings under HKEY_CURRENT_USER\`key`. Each value that is
// missing, of another type or size, or out of its range keeps its default;
// the others hold.
QuerySettings LoadQuerySettings(const std::wstring& key);

// Writes the values of `now` that differ from `stored` (what LoadQuerySettings
// answered); nothing at all when none differs. False when a write failed.
bool SaveQuerySettings(const std::wstring& key, const QuerySettings& stored, const QuerySettings& now);

// `window` (width x height at `topLeft`) moved onto the work area of the
// monitor nearest to it when no monitor shows all of its top edge; the
// corner unchanged otherwise.
POINT PlaceOnAMonitor(POINT topLeft, SIZE window);
