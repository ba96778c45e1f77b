#include "skin/host/list_view.h"

#include <shellapi.h>
#include <tinyxml.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "skin/host/frame_keys.h"
#include "skin/resources/dpi_scale.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/gdi_drawing.h"
#include "skin/resources/gdi_handles.h"
#include "skin/resources/high_contrast.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/skin_xml.h"
#include "skin/resources/unique_handle.h"
#include "skin/tree/load_budget.h"

namespace {

using UniqueImageList = UniqueHandle<NullInvalidTraits<HIMAGELIST, ImageList_Destroy>>;

constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr UINT kTipWidth = 400;
constexpr UINT kLastMouseMessage = 0x20D;

// The native list takes its row height from its small image list: a list one
// pixel wide forces the height. The control keeps the list (it owns its image
// lists and destroys them with itself); the one it gives back is ours to
// delete.
void ForceRowHeight(HWND list, int height) {
  UniqueImageList images(ImageList_Create(1, height > 1 ? height - 1 : 1, ILC_COLOR24, 1, 0));
  if (!images) return;
  const auto previous = SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images.get()));
  images.release();
  UniqueImageList replaced(reinterpret_cast<HIMAGELIST>(previous));
}

RECT RowBounds(HWND list, int row) {
  RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
  if (row < 0 || !SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds))) return RECT{0, 0, 0, 0};
  return bounds;
}

TOOLINFOW ToolFor(HWND list, const wchar_t* text) {
  TOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = GetParent(list);
  tool.uId = reinterpret_cast<UINT_PTR>(list);
  tool.lpszText = const_cast<wchar_t*>(text);
  return tool;
}

}  // namespace

CBkListView::CBkListView() = default;

CBkListView::~CBkListView() {
  // Destroyed here, while the handlers below still exist.
  DestroyWindow();
  template_.SendElementMessage(WM_DESTROY);
}

WindowClassInfo& CBkListView::GetWindowClassInfo() const {
  static WindowClassInfo info = [] {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    WindowClassInfo list;
    list.className = L"TavoraSkinListView";
    list.superclassName = WC_LISTVIEWW;
    list.defaultStyle = kStyle;
    return list;
  }();
  return info;
}

int CBkListView::ClampRowHeight(int height) {
  if (height < kMinRowHeight) return kMinRowHeight;
  return height > kMaxRowHeight ? kMaxRowHeight : height;
}

HWND CBkListView::Create(HWND parent, UINT id) {
  if (IsWindow()) return GetHwnd();
  const RECT empty = {0, 0, 0, 0};
  const HWND list = CWindowImplBase::Create(parent, &empty, nullptr, kStyle, 0, id);
  if (!list) return nullptr;
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);

  // The owner replaces this column by its own.
  LVCOLUMNW column = {};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
  column.fmt = LVCFMT_LEFT;
  column.cx = 1;
  column.pszText = const_cast<wchar_t*>(L"");
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));

  template_.SetHostWindow(list);

  // The system makes the list's top-level window its owner: the list
  // destroys it when its own window goes (WM_DESTROY).
  if (const HWND tooltip = tooltip_.Create(list)) {
    SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
    TOOLINFOW tool = ToolFor(list, LPSTR_TEXTCALLBACKW);
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip, TTM_ACTIVATE, TRUE, 0);
  }
  return list;
}

bool CBkListView::LoadTemplate(const std::string& xml) {
  templateLoaded_ = false;
  template_.SendElementMessage(WM_DESTROY);
  hovered_ = 0;
  pushed_ = 0;
  lastAskedRow_ = -1;

  const ElementLoadBudget budget;
  TiXmlDocument document;
  if (!ElementLoadBudget::TakeDocument(xml.size()) || !ParseSkinDocument(xml, document)) return false;
  const TiXmlElement* root = document.RootElement();
  if (!root || root->ValueStr() != "listitem") return false;

  // Without a height the template stays empty; a given one is kept within
  // the bounds, so that no row bitmap or image list gets an absurd size.
  if (const char* heightText = root->Attribute("height")) {
    rowHeight_ = ClampRowHeight(ParseDecimal(heightText));
    if (IsWindow()) ForceRowHeight(GetHwnd(), ScaleToDpi(rowHeight_, dpi_));
    template_.Load(root);
    if (budget.Spent()) {
      template_.SendElementMessage(WM_DESTROY);
      return false;
    }
    char pos[32];
    std::snprintf(pos, sizeof(pos), "0,0,-0,%d", rowHeight_);
    template_.SetAttribute("pos", pos, true);
    // Lays the new elements out and sizes the row bitmap.
    placedListWidth_ = -1;
    OnSize();
  }
  templateLoaded_ = true;
  return true;
}

bool CBkListView::LoadTemplateResource(unsigned id) {
  return LoadFolderFirst([this, id] {
    std::string bytes;
    return LoadSkinResource(id, bytes, L"xml") && LoadTemplate(bytes);
  });
}

const CBkWindow* CBkListView::FindTemplateElement(int id) const {
  // Finding changes nothing; the tree's search is written for changing use.
  return const_cast<CBkDialog&>(template_).FindElementById(id);
}

bool CBkListView::SetElementText(int id, const std::wstring& text) {
  CBkWindow* element = template_.FindElementById(id);
  if (!element) return false;
  element->SetText(text);
  const bool widthAuto = element->WidthMode() == SizeAuto;
  const bool heightAuto = element->HeightMode() == SizeAuto;
  if ((widthAuto || heightAuto) && element->GetPos().count != 4) {
    const BkHandle handle = element->GetHandle();
    SIZE size = {0, 0};
    element->SendElementMessage(WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&size));
    element = LookupElement(handle);
    if (!element) return true;
    RECT rect = element->GetRect();
    if (widthAuto) rect.right = rect.left + size.cx;
    if (heightAuto) rect.bottom = rect.top + size.cy;
    element->MoveRect(rect);
  }
  return true;
}

bool CBkListView::SetElementAttribute(int id, const std::string& name, const std::string& value) {
  CBkWindow* element = template_.FindElementById(id);
  if (!element) return false;
  element->SetAttribute(name, value, false);
  return true;
}

bool CBkListView::ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message >= WM_MOUSEFIRST && message <= kLastMouseMessage) RelayToTooltip(message, wParam, lParam);
  const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_ERASEBKGND:
      OnEraseBackground(reinterpret_cast<HDC>(wParam));
      result = 1;
      return true;
    case WM_MOUSEMOVE:
      OnMouseMove(wParam, point);
      result = 0;
      return true;
    case WM_MOUSELEAVE:
      OnMouseLeave();
      result = 0;
      return true;
    case WM_MOUSEWHEEL: {
      DefaultWindowProc(message, wParam, lParam);
      POINT client = point;
      if (IsWindow() && ScreenToClient(hwnd, &client)) OnMouseMove(0, client);
      result = 0;
      return true;
    }
    case WM_LBUTTONDOWN:
      OnButtonDown(wParam, point);
      result = 0;
      return true;
    case WM_LBUTTONDBLCLK: {
      // The second press acts as a press, then the owner hears of the
      // double-click on that row, as from the native list.
      OnButtonDown(wParam, point);
      if (!IsWindow()) return true;
      POINT relative = {};
      NMITEMACTIVATE activate = {};
      activate.hdr.code = static_cast<UINT>(NM_DBLCLK);
      activate.iItem = HitRow(point, relative);
      activate.ptAction = point;
      if (activate.iItem >= 0) SendToParent(activate.hdr);
      result = 0;
      return true;
    }
    case WM_LBUTTONUP:
      OnButtonUp(wParam, lParam);
      result = 0;
      return true;
    case WM_SIZE:
      // The native list lays out its header and scroll bars first.
      result = DefaultWindowProc(message, wParam, lParam);
      OnSize();
      return true;
    case WM_SETCURSOR:
      OnSetCursor();
      result = 1;
      return true;
    case WM_KEYUP:
      if (wParam == VK_APPS) {
        ShowRowMenuByKeyboard();
        return true;
      }
      return ForwardFrameKey(hwnd, message, wParam, lParam);
    case WM_SYSKEYDOWN:
      if (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0) {
        ShowRowMenuByKeyboard();
        return true;
      }
      return ForwardFrameKey(hwnd, message, wParam, lParam);
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
      return ForwardFrameKey(hwnd, message, wParam, lParam);
    case WM_CONTEXTMENU:
      if (lParam != -1) return false;
      ShowRowMenuByKeyboard();
      return true;
    case WM_KEYDOWN: {
      if (ForwardFrameKey(hwnd, message, wParam, lParam)) return true;
      // The list moves its selection itself; the owner hears of every key
      // (shortcuts such as Ctrl+C), as from the native list.
      OnNavigationKey(wParam);
      if (!IsWindow()) return true;
      NMLVKEYDOWN key = {};
      key.hdr.code = LVN_KEYDOWN;
      key.wVKey = static_cast<WORD>(wParam);
      key.flags = static_cast<UINT>(HIWORD(lParam));
      SendToParent(key.hdr);
      result = 0;
      return true;
    }
    case WM_GETOBJECT:
      return accessible_.OnGetObject(wParam, lParam, result);
    case WM_DESTROY:
      accessible_.Disconnect();
      // The tooltip's owner is the top-level window, which may live on.
      tooltip_.DestroyWindow();
      return false;
    case kReflectedMessageBase + WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (!header || header->code != static_cast<UINT>(NM_CUSTOMDRAW) || header->hwndFrom != hwnd) return false;
      result = OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
      return true;
    }
    default:
      return false;
  }
}

void CBkListView::RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND tooltip = tooltip_.GetHwnd();
  if (!tooltip) return;
  MSG msg = {GetHwnd(), message, wParam, lParam, 0, {0, 0}};
  SendMessageW(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

void CBkListView::SetTooltipText(const std::wstring& text) {
  const HWND tooltip = tooltip_.GetHwnd();
  if (!tooltip || !IsWindow()) return;
  TOOLINFOW tool = ToolFor(GetHwnd(), text.c_str());
  SendMessageW(tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CBkListView::OnEraseBackground(HDC dc) {
  const HWND list = GetHwnd();
  if (!dc) return;
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  const int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  int last = top + static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
  if (last > count - 1) last = count - 1;
  RECT client = {};
  GetClientRect(list, &client);
  const RECT first = RowBounds(list, top < count ? top : -1);
  const RECT end = RowBounds(list, last);
  const GdiObject<HBRUSH> brush(
      CreateSolidBrush(ContrastColour(kBackground, SystemColourRole::None, SystemColourRole::Window)));
  if (!brush.get()) return;
  const RECT right = {end.right, first.top, client.right, client.bottom};
  const RECT below = {client.left, end.bottom, client.left + (end.right - end.left), client.bottom};
  if (right.right > right.left && right.bottom > right.top) FillRect(dc, &right, brush.get());
  if (below.right > below.left && below.bottom > below.top) FillRect(dc, &below, brush.get());
}

int CBkListView::HitRow(POINT point, POINT& relative) const {
  LVHITTESTINFO hit = {};
  hit.pt = point;
  const int row = static_cast<int>(SendMessageW(GetHwnd(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  relative = point;
  if (row < 0) return -1;
  const RECT bounds = RowBounds(GetHwnd(), row);
  relative.x -= bounds.left;
  relative.y -= bounds.top;
  relative = ToTemplatePoint(relative);
  return row;
}

POINT CBkListView::ToTemplatePoint(POINT relative) const { return UnscalePoint(relative, dpi_); }

BkHandle CBkListView::HitElement(int row, POINT relative) {
  if (row < 0) return 0;
  return template_.HitTest(relative.x, relative.y, 0);
}

int CBkListView::SelectedRow() const {
  return static_cast<int>(SendMessageW(GetHwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::wstring CBkListView::RowText(int row) {
  std::wstring text;
  if (row < 0 || row >= RowCount()) return text;
  RowTextNotify notify = {};
  notify.hdr.code = SKLN_GETROWTEXT;
  notify.row = row;
  notify.text = &text;
  notify.rows = -1;
  SendToParent(notify.hdr);
  return text;
}

int CBkListView::RowCount() {
  if (!IsWindow()) return 0;
  std::wstring unused;
  RowTextNotify notify = {};
  notify.hdr.code = SKLN_GETROWTEXT;
  notify.row = -1;
  notify.text = &unused;
  notify.rows = -1;
  if (!SendToParent(notify.hdr)) return 0;
  LRESULT count = SendMessageW(GetHwnd(), LVM_GETITEMCOUNT, 0, 0);
  if (notify.rows >= 0) count = std::min<LRESULT>(count, notify.rows);
  return count < 0 ? 0 : static_cast<int>(std::min<LRESULT>(count, CAccessibleListRoot::kMaxRows));
}

void CBkListView::SelectRow(int row) {
  if (row < 0 || row >= RowCount()) return;
  anchorRow_ = row;
  SelectRange(row, row, row);
}

void CBkListView::AnnounceSelection(int row) {
  if (row < 0 || !IsWindow()) return;
  NotifyWinEvent(EVENT_OBJECT_SELECTION, GetHwnd(), OBJID_CLIENT, row + 1);
  if (GetFocus() == GetHwnd()) NotifyWinEvent(EVENT_OBJECT_FOCUS, GetHwnd(), OBJID_CLIENT, row + 1);
}

void CBkListView::RefreshRows() {
  if (IsWindow()) NotifyWinEvent(EVENT_OBJECT_REORDER, GetHwnd(), OBJID_CLIENT, CHILDID_SELF);
  RepaintRows();
}

void CBkListView::RepaintRows() {
  lastAskedRow_ = -1;
  // Only the rows: the list has no WS_CLIPCHILDREN, so without RDW_NOCHILDREN
  // its header would be invalidated and repainted too, which under Wine costs
  // more than the rows themselves. The rows never reach under the header.
  if (IsWindow())
    RedrawWindow(GetHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_NOCHILDREN);
}

void CBkListView::RedrawRow(int row, bool forgetAskedRow) {
  if (forgetAskedRow) lastAskedRow_ = -1;
  if (row < 0 || !IsWindow()) return;
  SendMessageW(GetHwnd(), LVM_REDRAWITEMS, row, row);
}

// Asked of the row itself: the list keeps the selection of a virtual list as
// ranges, while finding "the" selected row walks every row before it, which
// for a row far down a long list costs more than painting it.
bool CBkListView::IsRowSelected(int row) const {
  return SendMessageW(GetHwnd(), LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED;
}

bool CBkListView::SendToParent(NMHDR& header) {
  const HWND list = GetHwnd();
  header.hwndFrom = list;
  header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
  SendMessageW(GetParent(list), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  // The owner may have destroyed the list while it handled the notification.
  return IsWindow() && GetHwnd() == list;
}

bool CBkListView::AskOwner(int row) {
  RowDataNotify notify = {};
  notify.hdr.code = SKLN_GETROWDATA;
  notify.row = row;
  notify.hover = row == hoverRow_;
  notify.selected = IsRowSelected(row);
  if (!SendToParent(notify.hdr)) return false;
  lastAskedRow_ = row;
  return true;
}

bool CBkListView::ClearElementState(BkHandle handle, unsigned flag) {
  CBkWindow* element = LookupElement(handle);
  if (!element) return false;
  element->ChangeState(0, flag);
  return element->LooksDifferentByState();
}

void CBkListView::OnMouseMove(WPARAM wParam, POINT point) {
  if (!leaveTracking_) {
    lastAskedRow_ = -1;
    TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, GetHwnd(), 0};
    leaveTracking_ = _TrackMouseEvent(&track) != FALSE;
  }
  POINT relative = {};
  const int row = HitRow(point, relative);
  const BkHandle hit = HitElement(row, relative);

  if (row != hoverRow_) {
    CBkWindow* old = LookupElement(hovered_);
    if (old && !old->IsDisabled(true)) {
      old->ChangeState(0, StateHover);
      SendToElement(hovered_, WM_MOUSELEAVE);
    }
    hovered_ = 0;
    const int oldRow = hoverRow_;
    hoverRow_ = row;
    RedrawRow(oldRow, true);
    RedrawRow(row, true);
    SetTooltipText(L"");
  }

  CBkWindow* element = LookupElement(hit);
  if (!element) return;
  element->SendElementMessage(WM_MOUSEMOVE, wParam, MAKELPARAM(relative.x, relative.y));
  if (hit == hovered_) return;

  CBkWindow* old = LookupElement(hovered_);
  if (old && !old->IsDisabled(true)) {
    if (ClearElementState(hovered_, StateHover)) RedrawRow(hoverRow_, false);
    SendToElement(hovered_, WM_MOUSELEAVE);
  }
  element = LookupElement(hit);
  if (element && !element->IsDisabled(true)) {
    element->ChangeState(StateHover, 0);
    if (element->LooksDifferentByState()) RedrawRow(hoverRow_, false);
  }
  hovered_ = hit;
  if (!AskOwner(hoverRow_)) return;
  if (CBkWindow* now = LookupElement(hit)) SetTooltipText(now->GetTip());
}

void CBkListView::OnMouseLeave() {
  SetTooltipText(L"");
  leaveTracking_ = false;
  if (LookupElement(hovered_)) {
    ClearElementState(hovered_, StateHover);
    SendToElement(hovered_, WM_MOUSELEAVE);
  }
  hovered_ = 0;
  RedrawRow(hoverRow_, true);
  hoverRow_ = -1;
}

void CBkListView::OnButtonDown(WPARAM wParam, POINT point) {
  const HWND list = GetHwnd();
  SetFocus(list);
  POINT relative = {};
  const int row = HitRow(point, relative);
  const int selected = SelectedRow();
  const BkHandle hit = HitElement(row, relative);

  // A press below the last row selects nothing: a state change for row -1
  // would apply to every row.
  if (row >= 0) {
    // Shift extends from the anchor row and Ctrl toggles one row; a right
    // press on a selected row keeps the selection for the row menu.
    const bool rightOnSelected = (wParam & MK_RBUTTON) && !(wParam & MK_LBUTTON) && IsRowSelected(row);
    if ((wParam & MK_SHIFT) && anchorRow_ >= 0) {
      SelectRange(anchorRow_, row, row);
    } else if (wParam & MK_CONTROL) {
      LVITEMW state = {};
      state.state = (IsRowSelected(row) ? 0 : LVIS_SELECTED) | LVIS_FOCUSED;
      state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
      anchorRow_ = row;
      RedrawRow(row, true);
    } else if (!rightOnSelected) {
      // The other selected rows go one by one: item -1 would report a change
      // of every row.
      LVITEMW cleared = {};
      cleared.stateMask = LVIS_SELECTED;
      const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
      for (int other = selected, steps = 0; other >= 0 && steps < count; ++steps) {
        const int next = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, other, LVNI_SELECTED));
        if (other != row) {
          SendMessageW(list, LVM_SETITEMSTATE, other, reinterpret_cast<LPARAM>(&cleared));
          RedrawRow(other, true);
        }
        if (next <= other) break;
        other = next;
      }
      LVITEMW state = {};
      state.state = LVIS_SELECTED | LVIS_FOCUSED;
      state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      if (SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state))) {
        SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
      }
      anchorRow_ = row;
      if (row != selected) {
        RedrawRow(selected, true);
        AnnounceSelection(row);
      }
    }
  }

  CBkWindow* element = LookupElement(hit);
  if (!element || element->IsDisabled(true) || captured_) return;
  SetCapture(list);
  captured_ = true;
  hovered_ = hit;
  pushed_ = hit;
  element->ChangeState(StatePushed, 0);
  pushedRow_ = row;
  element->SendElementMessage(WM_LBUTTONDOWN, wParam, MAKELPARAM(relative.x, relative.y));
  element = LookupElement(hit);
  if (element && element->LooksDifferentByState()) RedrawRow(row, false);
}

void CBkListView::OnButtonUp(WPARAM wParam, LPARAM lParam) {
  if (captured_) {
    captured_ = false;
    ReleaseCapture();
  }
  const BkHandle pushed = pushed_;
  const int row = pushedRow_;
  pushed_ = 0;
  pushedRow_ = -1;
  CBkWindow* element = LookupElement(pushed);
  if (!element) return;
  element->ChangeState(0, StatePushed);
  if (pushed != hovered_ || row != hoverRow_) return;

  if (lastAskedRow_ != row && !AskOwner(row)) return;
  // Every step below may run a handler of the owner or of the element:
  // the element is looked up again after each.
  SendToElement(pushed, WM_LBUTTONUP, wParam, lParam);
  element = LookupElement(pushed);
  if (!element) return;
  const bool refetch = element->HasTag("check") || element->HasTag("radio");
  if (!element->GetHref().empty()) {
    const std::wstring href = element->GetHref();
    ShellExecuteW(nullptr, L"open", href.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  } else if (element->GetElementId() != 0) {
    RowClickNotify notify = {};
    notify.hdr.code = SKLN_ROWCLICK;
    notify.row = row;
    notify.itemId = element->GetElementId();
    if (!SendToParent(notify.hdr)) return;
  }
  RedrawRow(row, refetch);
}

void CBkListView::OnSize() {
  if (!IsWindow()) return;
  const int dpi = HostDpi(GetParent(GetHwnd()));
  if (dpi != dpi_) {
    dpi_ = dpi;
    if (rowHeight_ > 0) ForceRowHeight(GetHwnd(), ScaleToDpi(rowHeight_, dpi_));
  }
  FollowColumns();
}

void CBkListView::SetColumnCells(std::vector<int> elementIds) {
  if (elementIds.size() > kMaxColumnCells) elementIds.resize(kMaxColumnCells);
  columnCells_ = std::move(elementIds);
  placedWidths_.clear();
  FollowColumns();
}

std::vector<int> CBkListView::ColumnWidths() const {
  const HWND header = reinterpret_cast<HWND>(SendMessageW(GetHwnd(), LVM_GETHEADER, 0, 0));
  int count = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  if (count < 0) count = 0;
  if (static_cast<size_t>(count) > kMaxColumnCells) count = static_cast<int>(kMaxColumnCells);
  std::vector<int> widths(static_cast<size_t>(count), 0);
  for (int i = 0; i < count; ++i)
    widths[static_cast<size_t>(i)] = static_cast<int>(SendMessageW(GetHwnd(), LVM_GETCOLUMNWIDTH, i, 0));
  return widths;
}

void CBkListView::FollowColumns() {
  if (!IsWindow()) return;
  RECT window = {};
  GetWindowRect(GetHwnd(), &window);
  const int width = window.right - window.left;
  if (width <= 0) return;
  const std::vector<int> widths = ColumnWidths();
  if (width == placedListWidth_ && widths == placedWidths_ && dpi_ == placedDpi_) return;
  placedListWidth_ = width;
  placedWidths_ = widths;
  placedDpi_ = dpi_;

  // Rows as wide as the columns, or the list without its scroll bar; a list
  // narrower than its scroll bar shows no row at all.
  long long columnsWidth = 0;
  for (const int column : widths) columnsWidth += column > 0 ? column : 0;
  long long rowWidth = width - GetSystemMetrics(SM_CXVSCROLL);
  if (rowWidth > 0 && columnsWidth > rowWidth) rowWidth = columnsWidth;
  if (rowWidth > kMaxRowPixels) rowWidth = kMaxRowPixels;
  ReplaceRowBitmap(static_cast<int>(rowWidth));
  WINDOWPOS position = {};
  position.cx = rowWidth > 0 ? UnscaleFromDpi(static_cast<int>(rowWidth), dpi_) : 0;
  position.cy = UnscaleFromDpi(window.bottom - window.top, dpi_);
  position.flags = SWP_SHOWWINDOW;
  template_.SendElementMessage(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));

  int left = 0;
  for (size_t i = 0; i < widths.size() && i < columnCells_.size(); ++i) {
    const int right = left + (widths[i] > 0 ? std::min(widths[i], kMaxRowPixels) : 0);
    if (columnCells_[i] != 0) {
      if (CBkWindow* cell = template_.FindElementById(columnCells_[i])) {
        char pos[48];
        std::snprintf(pos, sizeof(pos), "%d,0,%d,-0", UnscaleFromDpi(left, dpi_), UnscaleFromDpi(right, dpi_));
        cell->SetAttribute("pos", pos, false);
      }
    }
    left = std::min(right, kMaxRowPixels);
  }
  // The template's rows now show other places: every row is asked again.
  lastAskedRow_ = -1;
}

void CBkListView::ReplaceRowBitmap(int width) {
  // A list narrower than its scroll bar, or a template without a height,
  // keeps no bitmap: its rows then paint nothing.
  if (width <= 0 || rowHeight_ <= 0 || !rowBitmap_.Create(width, ScaleToDpi(rowHeight_, dpi_), CLR_INVALID))
    rowBitmap_.Release();
}

void CBkListView::OnSetCursor() {
  CBkWindow* element = LookupElement(hovered_);
  if (element && !element->IsDisabled(true)) {
    element->SetCursor();
  } else {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  }
}

LRESULT CBkListView::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      // A divider dragged or a width set since the last paint.
      FollowColumns();
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      PaintRow(draw.nmcd.hdc, static_cast<int>(draw.nmcd.dwItemSpec));
      return CDRF_SKIPDEFAULT;
    default:
      return CDRF_DODEFAULT;
  }
}

void CBkListView::PaintRow(HDC target, int row) {
  if (!rowBitmap_ || !target) return;
  if (lastAskedRow_ != row && !AskOwner(row)) return;
  // The owner's handler may have loaded another template or resized the list.
  if (!rowBitmap_) return;

  {
    const HDC dc = rowBitmap_.Dc();
    // Font and mode go back with the saved state.
    SavedDc saved(dc);
    if (const HFONT font = BkFontPool::GetFont(0)) SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);

    // One template paints every row: only the row under the mouse shows the
    // hover and pushed looks.
    unsigned hoverCleared = 0;
    unsigned pushedCleared = 0;
    if (row != hoverRow_) {
      if (CBkWindow* hovered = LookupElement(hovered_)) hoverCleared = hovered->ChangeState(0, StateHover) & StateHover;
    }
    if (row != pushedRow_) {
      if (CBkWindow* pushed = LookupElement(pushed_)) pushedCleared = pushed->ChangeState(0, StatePushed) & StatePushed;
    }
    {
      const DpiTransform scale(dc, dpi_);
      template_.PaintInRegion(dc, nullptr);
    }
    if (CBkWindow* hovered = LookupElement(hovered_)) hovered->ChangeState(hoverCleared, 0);
    if (CBkWindow* pushed = LookupElement(pushed_)) pushed->ChangeState(pushedCleared, 0);
  }

  const RECT bounds = RowBounds(GetHwnd(), row);
  rowBitmap_.CopyTo(target, bounds.left, bounds.top);
}

bool CBkListView::OnNavigationKey(WPARAM key) {
  const HWND list = GetHwnd();
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  if (count <= 0) return false;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  if (control && key == 'A') {
    SelectRange(
        0, count - 1,
        std::max(0, static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED))));
    return true;
  }
  int focus = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  if (focus < 0) focus = SelectedRow();
  const int page = std::max(1, static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0)) - 1);
  int target = focus;
  switch (key) {
    case VK_UP:
      target = focus < 0 ? 0 : focus - 1;
      break;
    case VK_DOWN:
      target = focus + 1;
      break;
    case VK_PRIOR:
      target = focus < 0 ? 0 : focus - page;
      break;
    case VK_NEXT:
      target = focus + page;
      break;
    case VK_HOME:
      target = 0;
      break;
    case VK_END:
      target = count - 1;
      break;
    default:
      return false;
  }
  target = std::min(std::max(target, 0), count - 1);
  if (GetKeyState(VK_SHIFT) < 0) {
    if (anchorRow_ < 0 || anchorRow_ >= count) anchorRow_ = focus < 0 ? target : focus;
    SelectRange(anchorRow_, target, target);
  } else {
    anchorRow_ = target;
    SelectRange(target, target, target);
  }
  return true;
}

void CBkListView::SelectRange(int first, int last, int focus) {
  const HWND list = GetHwnd();
  if (first > last) std::swap(first, last);
  // Item -1 stands for every row: the old selection goes at once.
  LVITEMW state = {};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
  state.state = LVIS_SELECTED;
  state.stateMask = LVIS_SELECTED;
  if (first == 0 && last == static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) - 1) {
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
  } else {
    for (int row = first; row <= last; ++row)
      SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
  }
  state.state = LVIS_FOCUSED;
  state.stateMask = LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(focus), reinterpret_cast<LPARAM>(&state));
  SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(focus), FALSE);
  RepaintRows();
  AnnounceSelection(focus);
}

void CBkListView::ShowRowMenuByKeyboard() {
  const HWND list = GetHwnd();
  RowMenuNotify notify = {};
  notify.hdr.code = SKLN_ROWMENU;
  notify.row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  if (notify.row < 0 || !IsRowSelected(notify.row)) notify.row = SelectedRow();
  RECT client = {};
  GetClientRect(list, &client);
  POINT at = {client.left, client.top};
  if (notify.row >= 0) {
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(notify.row), FALSE);
    const RECT bounds = RowBounds(list, notify.row);
    // Below the row's cells, a little in from its left edge.
    at = {std::max(client.left, bounds.left) + ScaleToDpi(16, dpi_), std::min(bounds.bottom, client.bottom)};
  }
  ClientToScreen(list, &at);
  notify.at = at;
  SendToParent(notify.hdr);
}
