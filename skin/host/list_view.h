// The skinned list: the native report list in owner-data mode whose rows are
// not drawn by the control but painted from one list-item template (a dialog
// container loaded from a small XML document). Before a row is painted the
// list asks its owner to fill the template with that row's values; elements
// of the template react to the mouse as in a view, and clicks on elements
// with an id are reported together with the row index.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <string>
#include <vector>

#include "skin/host/accessible_list.h"
#include "skin/host/tooltip_window.h"
#include "skin/host/window_impl.h"
#include "skin/resources/memory_bitmap.h"
#include "skin/tree/containers.h"

// Notification codes the list sends to its parent with WM_NOTIFY (wParam: the
// list's control id), synchronously.
constexpr UINT SKLN_GETROWDATA = 1;
constexpr UINT SKLN_ROWCLICK = 2;
// The context-menu key or Shift+F10: the owner shows the row menu at `at`
// (screen pixels, just below the focused row's cells).
constexpr UINT SKLN_ROWMENU = 3;
constexpr UINT SKLN_GETROWTEXT = 16;

// The owner fills the template for `row` before answering.
struct RowDataNotify {
  NMHDR
  hdr;           // hwndFrom: the list; idFrom: its control id; code: SKLN_GETROWDATA
  int row;       // the row the template is wanted for
  int hover;     // non-zero: the row is under the mouse
  int selected;  // non-zero: the row is the selected one
};

// The owner appends the texts of `row`'s cells, in column order and
// separated by ", ", to `text` (what a screen reader reads for the row), and
// stores in `rows` how many rows hold data: rows after them are blank filler.
struct RowTextNotify {
  NMHDR hdr;           // code: SKLN_GETROWTEXT
  int row;             // the row whose cells are wanted; -1 asks `rows` alone
  std::wstring* text;  // the owner's answer; empty when the row has no texts
  int rows;            // -1 as sent: an owner that leaves it so has no filler
};

struct RowClickNotify {
  NMHDR hdr;   // code: SKLN_ROWCLICK
  int row;     // the row the element was clicked in
  int itemId;  // the clicked template element's id
};

struct RowMenuNotify {
  NMHDR hdr;  // code: SKLN_ROWMENU
  int row;    // the focused (else the first selected) row; -1 without rows
  POINT at;
};

class CBkListView : public CWindowImplBase {
 public:
  // WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
  // LVS_OWNERDATA: several rows may be selected (Shift with the moving keys,
  // Ctrl+A).
  static constexpr DWORD kStyle = 0x50011009;
  // A template's row height is kept within these bounds.
  static constexpr int kMinRowHeight = 1;
  static constexpr int kMaxRowHeight = 512;
  // At most this many columns have cells that follow them, and a row is
  // painted at most this many pixels wide.
  static constexpr size_t kMaxColumnCells = 64;
  static constexpr int kMaxRowPixels = 16384;

  CBkListView();
  ~CBkListView() override;

  // The native list as a child of `parent` with control id `id`, a
  // placeholder column and the tooltip. An existing window is returned as it
  // is.
  HWND Create(HWND parent, UINT id);
  using CWindowImplBase::Create;

  // Replaces the template by the "listitem" document `xml` (UTF-8). False,
  // with an empty template, when it does not parse, has another root or
  // passes the bounds of one load (load_budget.h).
  bool LoadTemplate(const std::string& xml);
  // The same from skin document `id` (type "xml"); a copy in the skin folder
  // that is refused gives way to the embedded one. False when it is missing.
  bool LoadTemplateResource(unsigned id);

  // Changes a template element without repainting: the owner calls these while
  // it answers SKLN_GETROWDATA. False when the template has no element `id`.
  bool SetElementText(int id, const std::wstring& text);
  bool SetElementAttribute(int id, const std::string& name, const std::string& value);

  // The template elements that show the columns' cells, in column order (0
  // for a column without one; past kMaxColumnCells ignored). Before rows are
  // painted each is placed over its column, its whole height, whenever the
  // columns' widths changed (a divider dragged, a width set), so the rows
  // follow the header; the template is then as wide as the columns or the
  // list, whichever is wider.
  void SetColumnCells(std::vector<int> elementIds);

  // The owner's rows changed: every visible row is asked for again and
  // repainted now.
  void RefreshRows();

  bool IsTemplateLoaded() const { return templateLoaded_; }
  HWND GetTooltip() const { return tooltip_.GetHwnd(); }
  // The texts of `row`'s cells, in column order, as its owner tells them.
  std::wstring RowText(int row);
  // The rows that hold data (the owner's count; filler rows after them are
  // not counted), at most CAccessibleListRoot::kMaxRows.
  int RowCount();
  int SelectedRow() const;
  // Selects and focuses `row` alone and scrolls it into view, as a press on
  // it does; nothing for a row outside the list.
  void SelectRow(int row);

  // The template's row height, in 96-DPI units; rows are that many units at
  // the DPI of the window the list lives in (its parent's host DPI).
  int GetRowHeight() const { return rowHeight_; }
  int GetDpi() const { return dpi_; }
  int GetHoverRow() const { return hoverRow_; }
  CBkDialog& Template() { return template_; }
  // The template's element `id` as the last row painted left it; null when
  // the template has none.
  const CBkWindow* FindTemplateElement(int id) const;

  // A template's height attribute as the row height it gives.
  static int ClampRowHeight(int height);

  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  WindowClassInfo& GetWindowClassInfo() const override;

 private:
  void RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam);
  void SetTooltipText(const std::wstring& text);
  void OnEraseBackground(HDC dc);
  void OnMouseMove(WPARAM wParam, POINT point);
  void OnMouseLeave();
  void OnButtonDown(WPARAM wParam, POINT point);
  void OnButtonUp(WPARAM wParam, LPARAM lParam);
  void OnSize();
  void OnSetCursor();
  // Up, Down, Page Up, Page Down, Home and End move the selection (Shift:
  // extend it from the anchor row) and keep it in view; Ctrl+A selects every
  // row. False for other keys.
  bool OnNavigationKey(WPARAM key);
  // Selects rows first … last (in either order) alone, focuses `focus`.
  void SelectRange(int first, int last, int focus);
  // SKLN_ROWMENU below the focused row.
  void ShowRowMenuByKeyboard();
  LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
  void PaintRow(HDC target, int row);

  // The row at `point` (-1: none) and the point relative to that row.
  int HitRow(POINT point, POINT& relative) const;
  // The deepest template element at a row-relative point, or 0.
  BkHandle HitElement(int row, POINT relative);
  bool IsRowSelected(int row) const;
  void RedrawRow(int row, bool forgetAskedRow);
  // Repaints the visible rows, asking the owner for each again.
  void RepaintRows();
  // Tells assistive technology that `row` is selected (and focused).
  void AnnounceSelection(int row);
  // Sends RowDataNotify; false when the list's window is gone afterwards.
  bool AskOwner(int row);
  bool SendToParent(NMHDR& header);
  // Clears `flag` on element `handle` when it still exists; answers whether
  // the element looks different by state (its row needs repainting).
  bool ClearElementState(BkHandle handle, unsigned flag);
  void ReplaceRowBitmap(int width);
  // The column widths in pixels, header order.
  std::vector<int> ColumnWidths() const;
  // Lays the template out at the row width and places the column cells, when
  // the list's width or its columns' widths changed since the last time.
  void FollowColumns();
  // The row-relative point in the template's 96-DPI units.
  POINT ToTemplatePoint(POINT relative) const;

  CBkDialog template_;
  CTooltipWindow tooltip_;  // destroyed when the list's window goes, or with its owner
  bool templateLoaded_ = false;
  OffscreenBitmap rowBitmap_;
  int rowHeight_ = 0;
  int dpi_ = 96;
  BkHandle hovered_ = 0;
  BkHandle pushed_ = 0;
  int hoverRow_ = -1;
  int pushedRow_ = -1;
  int lastAskedRow_ = -1;
  int anchorRow_ = -1;  // where a Shift selection starts
  bool leaveTracking_ = false;
  bool captured_ = false;
  std::vector<int> columnCells_;
  // What the template was last laid out for: column widths and list width.
  std::vector<int> placedWidths_;
  int placedListWidth_ = -1;
  int placedDpi_ = 0;
  // What assistive technology is answered; cut off when the window goes.
  CAccessibleListRoot accessible_{*this};
};
