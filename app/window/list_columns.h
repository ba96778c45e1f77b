// What the pages' skinned lists share: report columns titled and sized from
// the string table, and the list's font at the scale of the monitor it is on.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "skin/host/list_view.h"
#include "skin/resources/gdi_handles.h"
#include "skin/resources/high_contrast.h"

// A column is never made wider than this (96-DPI units), whether fitted to
// its texts or remembered.
constexpr int kMaxColumnWidth = 1000;

// Column `column`'s width in 96-DPI units: string `firstWidth + column` of
// the string table.
int TableColumnWidth(int firstWidth, int column);

// Replaces the list's placeholder column by `count` columns titled by strings
// `firstTitle`.. and as wide as TableColumnWidth at `dpi`.
void InsertTableColumns(HWND list, int firstTitle, int firstWidth, int count, int dpi);
// The columns' widths at `dpi`.
void SizeTableColumns(HWND list, int firstWidth, int count, int dpi);

// The ids first, first + 1, ... of `count` cells, for the loop below.
struct CellIdRange {
  struct Iterator {
    int id;
    int operator*() const { return id; }
    Iterator& operator++() {
      ++id;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return id != other.id; }
  };
  int first;
  int count;
  Iterator begin() const { return {first}; }
  Iterator end() const { return {first + count}; }
};

// In high contrast, gives the row being filled the system's colours: the
// selection's for a selected row, the links' text for a marked one, the
// window's otherwise. `rowId` is the template's row background, `cellIds`
// the ids of its cells' texts. Nothing while the mode is off.
template <typename CellIds>
void ApplyContrastRowColours(CBkListView& list, int rowId, const CellIds& cellIds, bool selected, bool marked) {
  if (!CurrentHighContrast().on) return;
  list.SetElementAttribute(rowId, "hc-crbg", selected ? "highlight" : "window");
  const char* text = selected ? "highlighttext" : (marked ? "hotlight" : "windowtext");
  for (const int id : cellIds) list.SetElementAttribute(id, "hc-crtext", text);
}

// The owner's answer to SKLN_GETROWTEXT for a list of `rowCount` rows: the
// count, and the asked row's cells (`cellsOf`) as a screen reader reads them,
// in column order and separated by ", ".
void AnswerRowText(RowTextNotify& notify, size_t rowCount,
                   const std::function<std::vector<std::wstring>(size_t)>& cellsOf);

// The columns' widths in 96-DPI units (of at most `count` columns), as the
// list shows them at `dpi`.
std::vector<int> ReadColumnWidths(HWND list, int count, int dpi);
// Sets the first widths.size() columns to these 96-DPI widths at `dpi`.
void ApplyColumnWidths(HWND list, const std::vector<int>& widths, int dpi);

// The column whose divider was double-clicked when `header` is the list's
// header telling so (HDN_DIVIDERDBLCLICK, as the list passes it on to its
// parent); -1 for any other notification.
int DividerDoubleClicked(HWND list, const NMHDR& header);
// Widens or narrows `column` to its widest text: its title and `texts`, each
// measured with the list's font, plus the cell's margins; within
// kMaxColumnWidth at `dpi`. `cellText(i)` gives the column's text of row i
// of `rows`.
template <typename CellText>
void FitColumnToTexts(HWND list, int column, size_t rows, int dpi, CellText cellText);

// The list and its header draw with the system's font, made for the system's
// DPI; on a monitor of another scale they take it scaled. The scaled font is
// owned here and must outlive the list's use of it: declare it before the
// list.
class ScaledListFont {
 public:
  // Takes the list's own font as the one to scale; call once the list exists.
  void Attach(HWND list);
  // The list's font for `dpi`.
  void Apply(HWND list, int dpi);

 private:
  GdiObject<HFONT> scaled_;
  HFONT system_ = nullptr;  // the list's own font, not ours
};

// The width in pixels of the widest of `texts` with the list's font.
int WidestText(HWND list, const std::vector<std::wstring>& texts);
// Sets `column` to hold text `textWidth` pixels wide at `dpi`.
void SetFittedColumnWidth(HWND list, int column, int textWidth, int dpi);

template <typename CellText>
void FitColumnToTexts(HWND list, int column, size_t rows, int dpi, CellText cellText) {
  if (!list || column < 0) return;
  std::vector<std::wstring> texts;
  texts.reserve(rows);
  for (size_t i = 0; i < rows; ++i) texts.push_back(cellText(i));
  SetFittedColumnWidth(list, column, WidestText(list, texts), dpi);
}
