#include "app/window/list_columns.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <string>
#include <utility>

#include "app/window/query_status.h"
#include "skin/resources/dpi_scale.h"
#include "skin/resources/gdi_drawing.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/text_encoding.h"

namespace {

// Room beside a cell's text (its two-unit inset and a gap to the next
// column) and beside a header title, in 96-DPI units.
constexpr int kCellMargin = 10;
constexpr int kTitleMargin = 16;

}  // namespace

int TableColumnWidth(int firstWidth, int column) { return ParseDecimal(WideToUtf8(TableString(firstWidth + column))); }

void InsertTableColumns(HWND list, int firstTitle, int firstWidth, int count, int dpi) {
  if (!list) return;
  ListView_DeleteColumn(list, 0);
  for (int i = 0; i < count; ++i) {
    std::wstring title = TableString(firstTitle + i);
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = ScaleToDpi(TableColumnWidth(firstWidth, i), dpi);
    column.pszText = title.data();
    column.iSubItem = i;
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

void SizeTableColumns(HWND list, int firstWidth, int count, int dpi) {
  if (!list) return;
  for (int i = 0; i < count; ++i) ListView_SetColumnWidth(list, i, ScaleToDpi(TableColumnWidth(firstWidth, i), dpi));
}

std::vector<int> ReadColumnWidths(HWND list, int count, int dpi) {
  std::vector<int> widths;
  if (!list) return widths;
  for (int i = 0; i < count; ++i) widths.push_back(UnscaleFromDpi(ListView_GetColumnWidth(list, i), dpi));
  return widths;
}

void ApplyColumnWidths(HWND list, const std::vector<int>& widths, int dpi) {
  if (!list) return;
  for (size_t i = 0; i < widths.size(); ++i)
    ListView_SetColumnWidth(list, static_cast<int>(i), ScaleToDpi(std::min(widths[i], kMaxColumnWidth), dpi));
}

int DividerDoubleClicked(HWND list, const NMHDR& header) {
  if (!list || header.hwndFrom != ListView_GetHeader(list)) return -1;
  if (header.code != HDN_DIVIDERDBLCLICKW && header.code != HDN_DIVIDERDBLCLICKA) return -1;
  const int column = reinterpret_cast<const NMHEADERW&>(header).iItem;
  return column >= 0 && column < Header_GetItemCount(ListView_GetHeader(list)) ? column : -1;
}

int WidestText(HWND list, const std::vector<std::wstring>& texts) {
  const ScreenDc screen;
  const HDC dc = screen.get();
  if (!dc) return 0;
  SavedDc saved(dc);
  if (const HFONT font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0))) SelectObject(dc, font);
  int widest = 0;
  for (const std::wstring& text : texts) {
    SIZE size = {};
    if (!text.empty() && GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size))
      widest = std::max(widest, static_cast<int>(size.cx));
  }
  return widest;
}

void SetFittedColumnWidth(HWND list, int column, int textWidth, int dpi) {
  // The header's title, as it shows it (a sort mark included).
  wchar_t title[128] = L"";
  LVCOLUMNW item = {};
  item.mask = LVCF_TEXT;
  item.pszText = title;
  item.cchTextMax = 128;
  SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&item));
  const int titleWidth = WidestText(list, {std::wstring(title)});
  // The header pads its title more than a cell its text.
  const int width = std::max(textWidth + ScaleToDpi(kCellMargin, dpi), titleWidth + ScaleToDpi(kTitleMargin, dpi));
  ListView_SetColumnWidth(list, column, std::min(width, ScaleToDpi(kMaxColumnWidth, dpi)));
}

void ScaledListFont::Attach(HWND list) {
  if (list) system_ = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
}

void ScaledListFont::Apply(HWND list, int dpi) {
  if (!list) return;
  const HFONT systemFont = system_ ? system_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  GdiObject<HFONT> previous = std::move(scaled_);
  LOGFONTW description = {};
  if (dpi != SystemDpi() && GetObjectW(systemFont, sizeof(description), &description) == sizeof(description)) {
    description.lfHeight = MulDiv(description.lfHeight, dpi, SystemDpi());
    scaled_.reset(CreateFontIndirectW(&description));
  }
  // At the system's scale the list keeps the font it was made with.
  if (scaled_ || previous) {
    const HFONT listFont = scaled_ ? scaled_.get() : systemFont;
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(listFont), TRUE);
  }
}

void AnswerRowText(RowTextNotify& notify, size_t rowCount,
                   const std::function<std::vector<std::wstring>(size_t)>& cellsOf) {
  notify.rows = static_cast<int>(std::min<size_t>(rowCount, INT_MAX));
  if (!notify.text || notify.row < 0 || static_cast<size_t>(notify.row) >= rowCount) return;
  const std::vector<std::wstring> cells = cellsOf(static_cast<size_t>(notify.row));
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) notify.text->append(L", ");
    notify.text->append(cells[i]);
  }
}
