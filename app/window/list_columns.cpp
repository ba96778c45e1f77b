#include "app/window/list_columns.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <string>
#include <utility>

#include "app/window/query_status.h"
#include "skin/resources/dpi_scale.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/text_encoding.h"

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
