#include "app/window/query_settings.h"

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "app/core/page_text.h"
#include "app/core/query_request.h"
#include "app/core/result_columns.h"
#include "app/core/travel_date.h"
#include "app/platform/registry.h"

namespace {

constexpr wchar_t kFrom[] = L"From";
constexpr wchar_t kTo[] = L"To";
constexpr wchar_t kKinds[] = L"Kinds";
constexpr wchar_t kReturnTrip[] = L"ReturnTrip";
constexpr wchar_t kSortColumn[] = L"SortColumn";
constexpr wchar_t kSortDescending[] = L"SortDescending";
constexpr wchar_t kDate[] = L"Date";
constexpr wchar_t kAvailableOnly[] = L"AvailableOnly";
constexpr wchar_t kDepartRange[] = L"DepartRange";
constexpr wchar_t kLeft[] = L"WindowLeft";
constexpr wchar_t kTop[] = L"WindowTop";
constexpr wchar_t kWidth[] = L"WindowWidth";
constexpr wchar_t kHeight[] = L"WindowHeight";
constexpr wchar_t kMaximized[] = L"Maximized";
constexpr wchar_t kColumnWidths[] = L"ColumnWidths";
// "50,70,...": at most five characters a column.
constexpr size_t kMaxColumnWidthsChars = kResultColumnCount * 5;

bool ReadFlag(HKEY key, const wchar_t* name, bool& value) {
  DWORD read = 0;
  if (!ReadRegistryDword(key, name, read) || read > 1) return false;
  value = read != 0;
  return true;
}

// A signed value within -limit..limit.
bool ReadSigned(HKEY key, const wchar_t* name, int limit, int& value) {
  DWORD read = 0;
  if (!ReadRegistryDword(key, name, read)) return false;
  const int number = static_cast<int>(read);
  if (number < -limit || number > limit) return false;
  value = number;
  return true;
}

// A string value of at most `maxChars` characters (a longer one is not read
// whole and counts as damaged), without its terminating null.
bool ReadShortText(HKEY key, const wchar_t* name, size_t maxChars, std::wstring& text) {
  std::vector<wchar_t> buffer(maxChars + 2, L'\0');
  DWORD type = 0;
  DWORD size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS ||
      type != REG_SZ || size % sizeof(wchar_t) != 0)
    return false;
  text.assign(buffer.data(), size / sizeof(wchar_t));
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  return text.size() <= maxChars;
}

// A station: a string of at most kMaxStationChars without control
// characters or bidirectional marks (IsControlCharacter, as page text),
// trimmed as a query trims it.
bool ReadStation(HKEY key, const wchar_t* name, std::wstring& value) {
  std::wstring text;
  if (!ReadShortText(key, name, QuerySettings::kMaxStationChars, text)) return false;
  if (std::any_of(text.begin(), text.end(), IsControlCharacter)) return false;
  value = TrimStationName(text);
  return true;
}

// A date as the date box shows it ("2026-12-08"): anything else is no date.
bool ReadDate(HKEY key, const wchar_t* name, std::wstring& value) {
  std::wstring text;
  if (!ReadShortText(key, name, 10, text)) return false;
  TravelDate date;
  // Any real date reads; whether it has passed is the window's question.
  const TravelDate anyDay{2000, 1, 1};
  if (!ParseTravelDate(text, anyDay, date) || FormatTravelDate(date) != text) return false;
  value = text;
  return true;
}

// The ticket list's widths as "50,70,...": exactly one width a column, each
// within 1..kMaxColumnWidth; anything else is none.
bool ReadColumnWidths(HKEY key, const wchar_t* name, std::vector<int>& widths) {
  std::wstring text;
  if (!ReadShortText(key, name, kMaxColumnWidthsChars, text)) return false;
  std::vector<int> read;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(L',', start), text.size());
    const std::wstring part = text.substr(start, end - start);
    if (part.empty() || part.size() > 4 ||
        !std::all_of(part.begin(), part.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
      return false;
    const int width = std::stoi(part);
    if (width < 1 || width > QuerySettings::kMaxColumnWidth) return false;
    read.push_back(width);
    start = end + 1;
  }
  if (read.size() != static_cast<size_t>(kResultColumnCount)) return false;
  widths = read;
  return true;
}

std::wstring ColumnWidthsText(const std::vector<int>& widths) {
  std::wstring text;
  for (const int width : widths) text += (text.empty() ? L"" : L",") + std::to_wstring(width);
  return text;
}

}  // namespace

bool QuerySettings::operator==(const QuerySettings& other) const {
  return from == other.from && to == other.to && kinds == other.kinds && returnTrip == other.returnTrip &&
         sortColumn == other.sortColumn && sortDescending == other.sortDescending && date == other.date &&
         availableOnly == other.availableOnly && departRange == other.departRange && hasPosition == other.hasPosition &&
         (!hasPosition || (position.x == other.position.x && position.y == other.position.y)) &&
         hasSize == other.hasSize && (!hasSize || (size.cx == other.size.cx && size.cy == other.size.cy)) &&
         maximized == other.maximized && columnWidths == other.columnWidths;
}

QuerySettings LoadQuerySettings(const std::wstring& key) {
  QuerySettings settings;
  const UniqueRegistryKey opened = OpenRegistryKey(HKEY_CURRENT_USER, key.c_str(), KEY_QUERY_VALUE);
  if (!opened) return settings;
  const HKEY raw = opened.get();
  ReadStation(raw, kFrom, settings.from);
  ReadStation(raw, kTo, settings.to);
  DWORD kinds = 0;
  if (ReadRegistryDword(raw, kKinds, kinds) && kinds <= kAllTrainKinds) settings.kinds = kinds;
  ReadFlag(raw, kReturnTrip, settings.returnTrip);
  int column = 0;
  if (ReadSigned(raw, kSortColumn, kResultColumnCount - 1, column) && column >= -1) settings.sortColumn = column;
  // A direction means something only with a column.
  if (settings.sortColumn >= 0) ReadFlag(raw, kSortDescending, settings.sortDescending);
  ReadDate(raw, kDate, settings.date);
  ReadFlag(raw, kAvailableOnly, settings.availableOnly);
  DWORD range = 0;
  if (ReadRegistryDword(raw, kDepartRange, range) && range < kDepartRangeCount)
    settings.departRange = static_cast<DepartRange>(range);
  int x = 0, y = 0;
  if (ReadSigned(raw, kLeft, QuerySettings::kMaxCoordinate, x) &&
      ReadSigned(raw, kTop, QuerySettings::kMaxCoordinate, y)) {
    settings.position = POINT{x, y};
    settings.hasPosition = true;
  }
  int width = 0, height = 0;
  if (ReadSigned(raw, kWidth, QuerySettings::kMaxWindowSize, width) &&
      ReadSigned(raw, kHeight, QuerySettings::kMaxWindowSize, height) && width > 0 && height > 0) {
    settings.size = SIZE{width, height};
    settings.hasSize = true;
  }
  ReadFlag(raw, kMaximized, settings.maximized);
  ReadColumnWidths(raw, kColumnWidths, settings.columnWidths);
  return settings;
}

bool SaveQuerySettings(const std::wstring& key, const QuerySettings& stored, const QuerySettings& now) {
  if (now == stored) return true;
  const UniqueRegistryKey opened = CreateRegistryKey(HKEY_CURRENT_USER, key.c_str(), KEY_SET_VALUE);
  if (!opened) return false;
  const HKEY raw = opened.get();
  bool written = true;
  if (now.from != stored.from) written &= WriteRegistryString(raw, kFrom, now.from);
  if (now.to != stored.to) written &= WriteRegistryString(raw, kTo, now.to);
  if (now.kinds != stored.kinds) written &= WriteRegistryDword(raw, kKinds, now.kinds);
  if (now.returnTrip != stored.returnTrip) written &= WriteRegistryDword(raw, kReturnTrip, now.returnTrip ? 1 : 0);
  if (now.sortColumn != stored.sortColumn)
    written &= WriteRegistryDword(raw, kSortColumn, static_cast<DWORD>(now.sortColumn));
  if (now.sortDescending != stored.sortDescending)
    written &= WriteRegistryDword(raw, kSortDescending, now.sortDescending ? 1 : 0);
  if (now.date != stored.date) written &= WriteRegistryString(raw, kDate, now.date);
  if (now.availableOnly != stored.availableOnly)
    written &= WriteRegistryDword(raw, kAvailableOnly, now.availableOnly ? 1 : 0);
  if (now.departRange != stored.departRange)
    written &= WriteRegistryDword(raw, kDepartRange, static_cast<DWORD>(now.departRange));
  if (now.hasPosition &&
      (!stored.hasPosition || now.position.x != stored.position.x || now.position.y != stored.position.y)) {
    written &= WriteRegistryDword(raw, kLeft, static_cast<DWORD>(now.position.x));
    written &= WriteRegistryDword(raw, kTop, static_cast<DWORD>(now.position.y));
  }
  if (now.hasSize && (!stored.hasSize || now.size.cx != stored.size.cx || now.size.cy != stored.size.cy)) {
    written &= WriteRegistryDword(raw, kWidth, static_cast<DWORD>(now.size.cx));
    written &= WriteRegistryDword(raw, kHeight, static_cast<DWORD>(now.size.cy));
  }
  if (now.maximized != stored.maximized) written &= WriteRegistryDword(raw, kMaximized, now.maximized ? 1 : 0);
  if (now.columnWidths != stored.columnWidths) {
    // Back to the defaults: no value at all.
    if (now.columnWidths.empty())
      written &= RegDeleteValueW(raw, kColumnWidths) == ERROR_SUCCESS;
    else
      written &= WriteRegistryString(raw, kColumnWidths, ColumnWidthsText(now.columnWidths));
  }
  return written;
}

POINT PlaceOnAMonitor(POINT topLeft, SIZE window) {
  // The title bar is where the window is dragged from: its whole top edge
  // must be on one monitor.
  const RECT top = {topLeft.x, topLeft.y, topLeft.x + window.cx, topLeft.y + 1};
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  const HMONITOR shown = MonitorFromRect(&top, MONITOR_DEFAULTTONULL);
  if (shown && GetMonitorInfoW(shown, &monitor) && top.left >= monitor.rcMonitor.left &&
      top.right <= monitor.rcMonitor.right && top.top >= monitor.rcMonitor.top && top.top < monitor.rcMonitor.bottom)
    return topLeft;
  const RECT whole = {topLeft.x, topLeft.y, topLeft.x + window.cx, topLeft.y + window.cy};
  if (!GetMonitorInfoW(MonitorFromRect(&whole, MONITOR_DEFAULTTONEAREST), &monitor)) return topLeft;
  const RECT& work = monitor.rcWork;
  POINT placed = topLeft;
  placed.x = std::max(work.left, std::min(placed.x, work.right - window.cx));
  placed.y = std::max(work.top, std::min(placed.y, work.bottom - window.cy));
  return placed;
}
