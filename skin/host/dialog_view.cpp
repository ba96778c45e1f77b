#include "skin/host/dialog_view.h"

#include <commctrl.h>
#include <shellapi.h>
#include <tinyxml.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "skin/host/accessible_native.h"
#include "skin/host/frame_keys.h"
#include "skin/resources/dpi_scale.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/gdi_drawing.h"
#include "skin/resources/high_contrast.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/skin_xml.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/host_notify.h"
#include "skin/tree/load_budget.h"
#include "skin/tree/notifications.h"
#include "skin/tree/rich_text.h"
#include "skin/tree/tab_control.h"

namespace {

enum SectionIndex { kHeader = 0, kBody = 1, kFooter = 2 };

constexpr UINT kLastRelayedMouseMessage = 0x20D;  // WM_MOUSEHWHEEL
constexpr WPARAM kDragCommand = 0xF012;           // SC_MOVE | HTCAPTION
constexpr LONG kMaximizedOrMinimized = WS_MAXIMIZE | WS_MINIMIZE;
// Posted to the view itself after a page change: wParam the page shown.
constexpr UINT kRestorePageFocusMessage = WM_USER + 0x7B0;
// Page indexes kept for focus memory; tab controls with more pages forget.
constexpr int kMaxRememberedPages = 64;

int IntAttribute(const TiXmlElement* element, const char* name) {
  const char* value = element->Attribute(name);
  return value ? ParseDecimal(value) : 0;
}

bool IsClickable(const CBkWindow& element) {
  return element.HasTag("button") || element.HasTag("imgbtn") || element.HasTag("link");
}

bool IsToggle(const CBkWindow& element) {
  return element.HasTag("check") || element.HasTag("checkex") || element.HasTag("radio");
}

// The ring is one dark and one light line, each a layer unit wide, just
// outside the element, so it shows on any background without XOR drawing.
constexpr int kFocusRingGap = 2;

bool IsDarkColour(COLORREF colour) {
  return GetRValue(colour) * 299 + GetGValue(colour) * 587 + GetBValue(colour) * 114 < 128000;
}

void FrameBand(HDC dc, const RECT& outer, int width, COLORREF colour) {
  const RECT bands[] = {{outer.left, outer.top, outer.right, outer.top + width},
                        {outer.left, outer.bottom - width, outer.right, outer.bottom},
                        {outer.left, outer.top, outer.left + width, outer.bottom},
                        {outer.right - width, outer.top, outer.right, outer.bottom}};
  for (const RECT& band : bands) FillSolidRect(dc, band, colour);
}

LPARAM PackPoint(LPARAM lParam) { return MAKELPARAM(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); }

void AddToRegion(GdiObject<HRGN>& region, const RECT& rect) {
  if (!region) {
    region.reset(CreateRectRgnIndirect(&rect));
    return;
  }
  GdiObject<HRGN> added(CreateRectRgnIndirect(&rect));
  if (added) CombineRgn(region.get(), region.get(), added.get(), RGN_OR);
}

TOOLINFOW ToolFor(HWND view) {
  TOOLINFOW tool = {};
  // The version-5 layout: older tooltip controls refuse the larger record.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = GetParent(view);
  tool.uId = reinterpret_cast<UINT_PTR>(view);
  return tool;
}

}  // namespace

CBkDialogView::~CBkDialogView() {
  // The handlers below use the sections: the window goes before they do.
  DestroyWindow();
  for (SectionSlot& slot : sections_) slot.dialog.SendElementMessage(WM_DESTROY);
}

WindowClassInfo& CBkDialogView::GetWindowClassInfo() const {
  static WindowClassInfo info = [] {
    WindowClassInfo view;
    view.className = L"TavoraDialogView";
    view.classStyle = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    view.cursor = IDC_ARROW;
    view.background = COLOR_WINDOW + 1;
    view.defaultStyle = kStyle;
    return view;
  }();
  return info;
}

CBkDialog* CBkDialogView::Section(int index) { return index >= 0 && index < 3 ? &sections_[index].dialog : nullptr; }

void CBkDialogView::ClearSections() {
  for (SectionSlot& slot : sections_) {
    slot.dialog.SendElementMessage(WM_DESTROY);
    slot.present = false;
  }
}

bool CBkDialogView::LoadSection(SectionSlot& slot, const TiXmlElement* xml, const char* posFormat) {
  if (!xml) return false;
  slot.present = slot.dialog.Load(xml);
  if (slot.present && posFormat) {
    char pos[64];
    std::snprintf(pos, sizeof(pos), posFormat, IntAttribute(xml, "height"));
    slot.dialog.SetAttribute("pos", pos, true);
  }
  return slot.present;
}

bool CBkDialogView::LoadLayer(const std::string& xml) {
  layerLoaded_ = false;
  frameStyle_ = kBaseFrameStyle;
  frameExStyle_ = 0;
  ClearSections();

  // The layer and every document its dialog files include share one budget.
  const ElementLoadBudget budget;
  TiXmlDocument document;
  const TiXmlElement* layer = nullptr;
  if (ElementLoadBudget::TakeDocument(xml.size()) && ParseSkinDocument(xml, document)) layer = document.RootElement();
  if (!layer || std::string(layer->Value()) != "layer") {
    RedrawAll();
    return false;
  }

  const char* title = layer->Attribute("title");
  title_ = title ? Utf8ToWide(title) : std::wstring();
  width_ = IntAttribute(layer, "width");
  height_ = IntAttribute(layer, "height");
  if (IntAttribute(layer, "appwin")) frameExStyle_ |= WS_EX_APPWINDOW;
  maximizable_ = false;
  if (IntAttribute(layer, "resize")) {
    frameStyle_ |= WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    maximizable_ = true;
    if (IntAttribute(layer, "nomaxsize")) {
      frameStyle_ &= ~static_cast<DWORD>(WS_MAXIMIZEBOX);
      maximizable_ = false;
    }
  }
  if (IntAttribute(layer, "noborder"))
    frameExStyle_ |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  else
    frameExStyle_ |= WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE;
  if (IntAttribute(layer, "nosysmenu")) frameStyle_ &= ~static_cast<DWORD>(WS_SYSMENU);

  LoadSection(sections_[kHeader], layer->FirstChildElement("header"), "0,0,-0,%d");
  LoadSection(sections_[kFooter], layer->FirstChildElement("footer"), "0,-%d,-0,-0");
  LoadSection(sections_[kBody], layer->FirstChildElement("body"), "0,0,-0,-0");
  if (budget.Spent()) {
    ClearSections();
    RedrawAll();
    return false;
  }

  layerLoaded_ = true;
  if (IsWindow()) {
    for (SectionSlot& slot : sections_) slot.dialog.SetHostWindow(GetHwnd());
    RECT client = {};
    GetClientRect(GetHwnd(), &client);
    Layout(UnscaleFromDpi(client.right, dpi_), UnscaleFromDpi(client.bottom, dpi_));
    RedrawAll();
    hovered_ = 0;
    pushed_ = 0;
  }
  focused_ = 0;
  return true;
}

HWND CBkDialogView::Create(HWND parent, UINT id, const RECT* rect) {
  const RECT empty = {0, 0, 0, 0};
  const HWND hwnd = CWindowImplBase::Create(parent, rect ? rect : &empty, nullptr, kStyle, 0, id);
  if (!hwnd) return nullptr;
  SetHostDpi(hwnd, dpi_);
  if (const HWND root = GetAncestor(hwnd, GA_ROOT))
    uiState_ = static_cast<WORD>(SendMessageW(root, WM_QUERYUISTATE, 0, 0));
  CreateTooltip();
  for (SectionSlot& slot : sections_) slot.dialog.SetHostWindow(hwnd);
  // The first WM_SIZE came before the sections knew their host.
  OnSize();
  return hwnd;
}

void CBkDialogView::CreateTooltip() {
  const HWND tooltip = tooltip_.Create(GetHwnd());
  if (!tooltip) return;
  TOOLINFOW tool = ToolFor(GetHwnd());
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(tooltip, TTM_ACTIVATE, TRUE, 0);
}

void CBkDialogView::DestroyTooltip() { tooltip_.DestroyWindow(); }

void CBkDialogView::RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND tooltip = tooltip_.GetHwnd();
  if (!tooltip) return;
  MSG relayed = {GetHwnd(), message, wParam, lParam, 0, {0, 0}};
  SendMessageW(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

void CBkDialogView::SetTooltipText(const std::wstring& text) {
  const HWND tooltip = tooltip_.GetHwnd();
  if (!tooltip) return;
  std::wstring copy = text;
  TOOLINFOW tool = ToolFor(GetHwnd());
  tool.lpszText = &copy[0];
  SendMessageW(tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

CBkWindow* CBkDialogView::FindElement(int id) {
  for (SectionSlot& slot : sections_) {
    if (!slot.present) continue;
    if (CBkWindow* found = slot.dialog.FindElementById(id)) return found;
  }
  return nullptr;
}

bool CBkDialogView::SetElementVisible(int id, bool visible) {
  CBkWindow* element = FindElement(id);
  if (!element) return false;
  const BkHandle handle = element->GetHandle();
  element->SendElementMessage(WM_SHOWWINDOW, visible ? TRUE : FALSE);
  if (CBkWindow* still = LookupElement(handle)) RedrawElement(still, false);
  // The ring lies just outside its element and goes or comes with it.
  RedrawFocusRing(focused_);
  return true;
}

bool CBkDialogView::SetElementAttribute(int id, const std::string& name, const std::string& value) {
  CBkWindow* element = FindElement(id);
  if (!element) return false;
  const BkHandle handle = element->GetHandle();
  RedrawElement(element, true);
  element->SetAttribute(name, value, false);
  // Re-laying-out may move native windows, whose procedures may change the tree.
  if (CBkWindow* still = LookupElement(handle)) RedrawElement(still, true);
  return true;
}

bool CBkDialogView::SetElementIntAttribute(int id, const std::string& name, int value) {
  return SetElementAttribute(id, name, std::to_string(value));
}

bool CBkDialogView::SetElementText(int id, const std::wstring& text) {
  CBkWindow* element = FindElement(id);
  if (!element) return false;
  const bool changed = element->GetText() != text;
  element->SetText(text);
  RedrawElement(element, true);
  if (changed && IsWindow()) NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, GetHwnd(), OBJID_CLIENT, element->GetHandle());
  return true;
}

void CBkDialogView::RedrawElement(const CBkWindow* element, bool onlyIfVisible) {
  if (!element || (onlyIfVisible && !element->IsVisible(true))) return;
  RedrawRect(element->GetRect());
}

void CBkDialogView::RedrawRect(const RECT& rect) {
  const RECT pixels = ScaleRectOut(rect, dpi_);
  AddToRegion(pendingRegion_, UnscaleRectOut(pixels, dpi_));
  if (dpi_ != kBaseDpi) AddToRegion(pendingPixels_, pixels);
  if (IsWindow()) InvalidateRect(GetHwnd(), &pixels, FALSE);
  repaintNeeded_ = true;
}

void CBkDialogView::RedrawAll() {
  fullRepaintPending_ = true;
  repaintNeeded_ = true;
  pendingRegion_.reset();
  pendingPixels_.reset();
  if (IsWindow()) InvalidateRect(GetHwnd(), nullptr, FALSE);
}

void CBkDialogView::ShowHostedWindows() {
  for (SectionSlot& slot : sections_) {
    if (slot.present) slot.dialog.ShowHostedWindows(slot.dialog.IsVisible(true));
  }
}

void CBkDialogView::ReleaseBitmap() { bitmap_.Release(); }

void CBkDialogView::OnSize() {
  ReleaseBitmap();
  RECT client = {};
  GetClientRect(GetHwnd(), &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  bitmap_.Create(client.right, client.bottom, RGB(0, 0, 0));
  Layout(UnscaleFromDpi(client.right, dpi_), UnscaleFromDpi(client.bottom, dpi_));
  RedrawAll();
}

void CBkDialogView::SetDpi(int dpi) {
  dpi = ClampDpi(dpi);
  if (dpi == dpi_) return;
  dpi_ = dpi;
  if (!IsWindow()) return;
  SetHostDpi(GetHwnd(), dpi_);
  // Lays out at the new scale; the hosted windows take their new pixels.
  OnSize();
}

void CBkDialogView::Layout(int width, int height) {
  int headerBottom = 0;
  int footerHeight = 0;
  if (sections_[kHeader].present) {
    CBkDialog& header = sections_[kHeader].dialog;
    PlaceElement(header, 0, 0, width, height);
    headerBottom = header.GetRect().bottom;
  }
  if (sections_[kFooter].present) {
    CBkDialog& footer = sections_[kFooter].dialog;
    PlaceElement(footer, 0, 0, width, height);
    footerHeight = footer.GetRect().bottom - footer.GetRect().top;
    PlaceElement(footer, 0, height - footerHeight, width, footerHeight);
  }
  if (sections_[kBody].present)
    PlaceElement(sections_[kBody].dialog, 0, headerBottom, width, height - footerHeight - headerBottom);
}

void CBkDialogView::RepaintSections() {
  if (!bitmap_) return;
  const HDC dc = bitmap_.Dc();
  // Font, mode and clipping go back with the saved state.
  const int saved = SaveDC(dc);
  if (const HFONT font = BkFontPool::GetFont(0)) SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  const HRGN region = pendingRegion_.get();
  const HRGN clip = dpi_ == kBaseDpi ? region : pendingPixels_.get();
  if (region && clip) SelectClipRgn(dc, clip);
  {
    const DpiTransform scale(dc, dpi_);
    for (SectionSlot& slot : sections_) {
      if (slot.present) slot.dialog.PaintInRegion(dc, region);
    }
  }
  PaintFocusRing(dc);
  RestoreDC(dc, saved);
}

void CBkDialogView::PaintTo(HDC target) {
  if (fullRepaintPending_) {
    pendingRegion_.reset();
    pendingPixels_.reset();
    fullRepaintPending_ = false;
  }
  if (repaintNeeded_ && bitmap_) {
    RepaintSections();
    pendingRegion_.reset();
    pendingPixels_.reset();
    repaintNeeded_ = false;
  }
  bitmap_.CopyTo(target, 0, 0);
}

BkHandle CBkDialogView::HitTestSections(int x, int y, bool headerOnly) {
  for (int index = kHeader; index <= kFooter; ++index) {
    if (headerOnly && index != kHeader) break;
    SectionSlot& slot = sections_[index];
    if (!slot.present) continue;
    if (const BkHandle hit = slot.dialog.HitTest(x, y, 0)) return hit;
  }
  return 0;
}

BkHandle CBkDialogView::DragAreaAt(int x, int y) {
  const BkHandle hit = HitTestSections(x, y, true);
  const CBkWindow* element = LookupElement(hit);
  return element && !IsClickable(*element) ? hit : 0;
}

void CBkDialogView::ChangeElementState(BkHandle handle, unsigned add, unsigned remove) {
  CBkWindow* element = LookupElement(handle);
  if (!element) return;
  element->ChangeState(add, remove);
  if (element->LooksDifferentByState()) RedrawElement(element, true);
}

void CBkDialogView::NotifyParent(UINT code) {
  NMHDR header = {GetHwnd(), static_cast<UINT_PTR>(GetDlgCtrlID(GetHwnd())), code};
  if (const HWND parent = GetParent(GetHwnd()))
    SendMessageW(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void CBkDialogView::SendCommand(int itemId, const char* itemClass) {
  SendCommandFromHost(GetHwnd(), itemId, itemClass);
}

LPARAM CBkDialogView::ToLayerPoint(LPARAM lParam) const {
  const POINT point = UnscalePoint(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, dpi_);
  return MAKELPARAM(point.x, point.y);
}

void CBkDialogView::OnMouseMove(WPARAM wParam, LPARAM lParam) {
  if (!trackingLeave_) {
    TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, GetHwnd(), 0};
    trackingLeave_ = _TrackMouseEvent(&track) != FALSE;
    NotifyParent(SKN_MOUSEENTER);
    if (!IsWindow()) return;
  }
  const BkHandle hit = HitTestSections(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), false);
  CBkWindow* element = LookupElement(hit);
  if (!element) return;
  if (!element->IsDisabled(true)) {
    element->SendElementMessage(WM_MOUSEMOVE, wParam, PackPoint(lParam));
    if (!LookupElement(hit)) return;
  }
  if (hit == hovered_) return;
  if (CBkWindow* previous = LookupElement(hovered_)) {
    if (!previous->IsDisabled(true)) {
      const BkHandle previousHandle = hovered_;
      ChangeElementState(previousHandle, 0, StateHover);
      SendToElement(previousHandle, WM_MOUSELEAVE);
    }
  }
  element = LookupElement(hit);
  if (!element) return;
  if (!element->IsDisabled(true)) ChangeElementState(hit, StateHover, 0);
  hovered_ = hit;
  SetTooltipText(element->GetTip());
}

void CBkDialogView::OnMouseLeave() {
  trackingLeave_ = false;
  const BkHandle hovered = hovered_;
  const BkHandle pushed = pushed_;
  hovered_ = 0;
  pushed_ = 0;
  if (LookupElement(hovered)) {
    ChangeElementState(hovered, 0, StateHover);
    SendToElement(hovered, WM_MOUSELEAVE);
  }
  ChangeElementState(pushed, 0, StatePushed);
  NotifyParent(SKN_MOUSELEAVE);
}

void CBkDialogView::OnLButtonDown(WPARAM wParam, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam);
  const int y = GET_Y_LPARAM(lParam);
  const BkHandle headerHit = HitTestSections(x, y, true);
  if (DragAreaAt(x, y)) {
    const HWND parent = GetParent(GetHwnd());
    if (parent && (GetWindowLongW(parent, GWL_STYLE) & kMaximizedOrMinimized) == 0)
      SendMessageW(parent, WM_SYSCOMMAND, kDragCommand, 0);
    return;
  }
  const BkHandle hit = headerHit ? headerHit : HitTestSections(x, y, false);
  const CBkWindow* element = LookupElement(hit);
  if (!element || element->IsDisabled(true)) return;
  if (GetCapture() == GetHwnd()) return;
  SetCapture(GetHwnd());
  // A press focuses what it presses, but for the page heads (a page changed
  // by the mouse gives the focus back to where it was on that page) and rich
  // text (whose links act on the press alone).
  if (IsFocusableElement(*element) && !element->HasTag("tabctrl") && !element->HasTag(CBkRichText::kTag)) {
    SetFocusedElement(hit);
    if (!LookupElement(hit)) return;
  }
  hovered_ = hit;
  pushed_ = hit;
  ChangeElementState(hit, StatePushed, 0);
  SendToElement(hit, WM_LBUTTONDOWN, wParam, PackPoint(lParam));
}

void CBkDialogView::OnLButtonUp(WPARAM wParam, LPARAM lParam) {
  // Taken before the capture goes: losing it clears the pushed element.
  const BkHandle pushed = pushed_;
  pushed_ = 0;
  if (GetCapture() == GetHwnd()) ReleaseCapture();
  if (!LookupElement(pushed)) return;
  ChangeElementState(pushed, 0, StatePushed);
  if (pushed != hovered_) return;
  SendToElement(pushed, WM_LBUTTONUP, wParam, PackPoint(lParam));
  ReportClick(pushed);
}

void CBkDialogView::ReportClick(BkHandle handle) {
  // The element's handler may have changed the tree.
  const CBkWindow* element = LookupElement(handle);
  if (!element) return;
  if (!element->GetHref().empty()) {
    const std::wstring href = element->GetHref();
    ShellExecuteW(nullptr, L"open", href.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return;
  }
  if (element->GetElementId() != 0) SendCommand(element->GetElementId(), element->GetTag());
}

void CBkDialogView::OnLButtonDblClk(LPARAM lParam) {
  if (maximizable_ && DragAreaAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) SendCommand(ID_MAXIMIZE, "");
}

void CBkDialogView::OnCaptureChanged() {
  const BkHandle pushed = pushed_;
  pushed_ = 0;
  ChangeElementState(pushed, 0, StatePushed);
}

void CBkDialogView::OnSetCursor() {
  CBkWindow* hovered = LookupElement(hovered_);
  if (hovered && !hovered->IsDisabled(true))
    hovered->SetCursor();
  else
    ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

LRESULT CBkDialogView::OnNotify(WPARAM wParam, LPARAM lParam) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  const HWND parent = GetParent(GetHwnd());
  if (header && header->code == SKN_REDRAWRECT) {
    RedrawRect(reinterpret_cast<const RedrawRectNotify*>(lParam)->rect);
    return 0;
  }
  if (header && header->code == SKN_TABSELCHANGE) {
    auto* change = reinterpret_cast<TabSelChangeNotify*>(lParam);
    const CBkTabCtrl* tabs = FirstTabControl();
    const bool ours = tabs && tabs->GetElementId() == change->id;
    if (ours) RememberPageFocus(change->oldSel);
    const LRESULT answer = parent ? SendMessageW(parent, WM_NOTIFY, wParam, lParam) : 0;
    if (ours && !change->cancel && IsWindow()) PostMessageW(GetHwnd(), kRestorePageFocusMessage, change->newSel, 0);
    return answer;
  }
  if (header && header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
    LRESULT reflected = 0;
    if (ReflectNotification(GetHwnd(), WM_NOTIFY, wParam, lParam, reflected) && reflected != 0) return reflected;
  }
  return parent ? SendMessageW(parent, WM_NOTIFY, wParam, lParam) : 0;
}

bool CBkDialogView::ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message >= WM_MOUSEFIRST && message <= kLastRelayedMouseMessage) RelayToTooltip(message, wParam, lParam);
  result = 0;
  switch (message) {
    case WM_SIZE:
      OnSize();
      return true;
    case WM_PRINT:
      PaintTo(reinterpret_cast<HDC>(wParam));
      return true;
    case WM_PAINT: {
      PaintDc paint(hwnd);
      PaintTo(paint.get());
      return true;
    }
    case WM_GETOBJECT:
      if (accessible_.OnGetObject(wParam, lParam, result)) return true;
      return ReflectNotification(hwnd, message, wParam, lParam, result);
    case WM_DESTROY:
      accessible_.Disconnect();
      ReleaseBitmap();
      DestroyTooltip();
      ClearHostDpi(hwnd);
      return true;
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_NCHITTEST: {
      // The view covers its frame's client area: where the frame says the
      // point is one of its sizing edges, the hit goes through to it.
      const HWND parent = GetParent(hwnd);
      const LRESULT below = parent ? SendMessageW(parent, WM_NCHITTEST, 0, lParam) : HTCLIENT;
      result = below >= HTLEFT && below <= HTBOTTOMRIGHT ? HTTRANSPARENT : HTCLIENT;
      return true;
    }
    case WM_MOUSEMOVE:
      OnMouseMove(wParam, ToLayerPoint(lParam));
      return true;
    case WM_MOUSELEAVE:
      OnMouseLeave();
      return true;
    case WM_LBUTTONDOWN:
      OnLButtonDown(wParam, ToLayerPoint(lParam));
      return true;
    case WM_LBUTTONUP:
      OnLButtonUp(wParam, ToLayerPoint(lParam));
      return true;
    case WM_LBUTTONDBLCLK:
      OnLButtonDblClk(ToLayerPoint(lParam));
      return true;
    case WM_CAPTURECHANGED:
      OnCaptureChanged();
      return true;
    case WM_SETCURSOR:
      OnSetCursor();
      result = 1;
      return true;
    case WM_MOUSEWHEEL:
      return true;
    case WM_NOTIFY:
      result = OnNotify(wParam, lParam);
      return true;
    case WM_KEYDOWN:
      return OnKeyDown(wParam, lParam);
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_KEYUP:
    case WM_SYSCHAR:
      return ForwardFrameKey(hwnd, message, wParam, lParam);
    case WM_GETDLGCODE:
      result = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
      return true;
    case WM_SETFOCUS:
      OnSetFocus();
      return true;
    case WM_KILLFOCUS:
      OnKillFocus(reinterpret_cast<HWND>(wParam));
      return true;
    case kRestorePageFocusMessage:
      RestorePageFocus(static_cast<int>(wParam));
      return true;
    case WM_UPDATEUISTATE:
      result = DefWindowProcW(hwnd, message, wParam, lParam);
      OnUpdateUiState(LOWORD(wParam), HIWORD(wParam));
      return true;
    case WM_QUERYUISTATE:
      result = uiState_;
      return true;
    case WM_COMMAND:
    case WM_VSCROLL:
    case WM_HSCROLL: {
      const HWND parent = GetParent(hwnd);
      result = parent ? SendMessageW(parent, message, wParam, lParam) : 0;
      return true;
    }
    default:
      if (message == CAccessibleViewRoot::ActionMessage()) {
        accessible_.OnDefaultAction(wParam, lParam);
        return true;
      }
      if (message == AccessibleNameQueryMessage()) {
        result = AnswerAccessibleNameQuery(wParam, lParam, [this](HWND child) {
          return AccessibleNameOfNativeChild(*this, child);
        });
        return true;
      }
      return ReflectNotification(hwnd, message, wParam, lParam, result);
  }
}

// ---- keyboard focus ---------------------------------------------------------

std::vector<FocusStop> CBkDialogView::FocusStops() const {
  std::vector<FocusStop> stops;
  for (const SectionSlot& slot : sections_) {
    if (slot.present) CollectFocusStops(slot.dialog, stops);
  }
  return stops;
}

bool CBkDialogView::SetFocusedElement(BkHandle handle, int link) {
  const HWND hwnd = GetHwnd();
  if (handle == 0) {
    const BkHandle previous = focused_;
    focused_ = 0;
    focusedLink_ = -1;
    RedrawFocusRing(previous);
    return true;
  }
  const CBkWindow* element = LookupElement(handle);
  if (!element || element->GetHostWindow() != hwnd || !IsFocusableElement(*element) || !element->IsVisible(true) ||
      element->IsDisabled(true))
    return false;
  // A rich text holds the focus on one of its links.
  const auto* rich = dynamic_cast<const CBkRichText*>(element);
  const int links = rich ? static_cast<int>(rich->Links().size()) : 0;
  link = rich ? std::min(std::max(link, 0), links - 1) : -1;
  const BkHandle previous = focused_;
  const int previousLink = focusedLink_;
  if (previous != handle || previousLink != link) RedrawFocusRing(previous);
  focused_ = handle;
  focusedLink_ = link;
  RedrawFocusRing(handle);
  // The view's WM_SETFOCUS announces the element when the window focus
  // arrives now; otherwise it is announced here.
  if (hwnd && GetFocus() != hwnd)
    SetFocus(hwnd);
  else if (hwnd && (previous != handle || previousLink != link))
    NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd, OBJID_CLIENT, static_cast<LONG>(handle));
  return focused_ == handle;
}

bool CBkDialogView::MoveFocusOn(bool backwards) {
  // The focused element stays in the list while it is hidden (a search
  // button during its query), so that the walk goes on from its place.
  std::vector<FocusStop> stops;
  for (const SectionSlot& slot : sections_) {
    if (slot.present) CollectFocusStops(slot.dialog, stops, false, focused_);
  }
  const HWND focus = GetFocus();
  int current = -1;
  for (size_t index = 0; index < stops.size(); ++index) {
    const FocusStop& stop = stops[index];
    const bool here = stop.element != 0 ? (stop.element == focused_ && stop.link == focusedLink_ && focus == GetHwnd())
                                        : (focus == stop.native || IsChild(stop.native, focus));
    if (here) current = static_cast<int>(index);
  }
  const CBkWindow* focusedElement = LookupElement(focused_);
  const bool focusedAway = focusedElement && (!focusedElement->IsVisible(true) || focusedElement->IsDisabled(true));
  int next = current;
  for (size_t step = 0; step < stops.size(); ++step) {
    next = NextFocusIndex(next, static_cast<int>(stops.size()), backwards);
    if (!focusedAway || stops[next].element != focused_) break;
  }
  if (next < 0 || (focusedAway && stops[next].element == focused_)) return false;
  ShowFocusCues();
  const FocusStop& stop = stops[next];
  if (stop.element != 0) return SetFocusedElement(stop.element, stop.link);
  SetFocus(stop.native);
  // An edit box is entered with its text selected, as in a dialog box.
  if (SendMessageW(stop.native, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(stop.native, EM_SETSEL, 0, -1);
  return true;
}

bool CBkDialogView::FocusAccessKey(wchar_t key) {
  std::vector<FocusStop> stops;
  for (const SectionSlot& slot : sections_) {
    if (slot.present) CollectFocusStops(slot.dialog, stops, true);
  }
  key = AccessKeyOf(std::wstring(L"&") + key);
  if (key == 0) return false;
  for (size_t index = 0; index < stops.size(); ++index) {
    if (stops[index].accessKey != key) continue;
    // A label hands the key to the first stop after it.
    size_t target = index;
    while (target < stops.size() && stops[target].label) ++target;
    if (target == stops.size()) return false;
    const FocusStop stop = stops[target];
    ShowFocusCues();
    if (stop.native) {
      SetFocus(stop.native);
      if (SendMessageW(stop.native, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(stop.native, EM_SETSEL, 0, -1);
      return true;
    }
    if (!SetFocusedElement(stop.element)) return false;
    const CBkWindow* element = LookupElement(stop.element);
    if (element && !element->HasTag("tabctrl")) PressElement(stop.element);
    return true;
  }
  return false;
}

CBkTabCtrl* CBkDialogView::FirstTabControl() {
  // The tab control with the focus first, else the first shown one in
  // reading order.
  if (auto* focusedTabs = dynamic_cast<CBkTabCtrl*>(LookupElement(focused_))) return focusedTabs;
  std::vector<const CBkWindow*> pending;
  for (const SectionSlot& slot : sections_) {
    if (slot.present) pending.push_back(&slot.dialog);
  }
  // Breadth first over the shown elements; the tree holds a bounded count.
  for (size_t next = 0; next < pending.size(); ++next) {
    const CBkWindow* element = pending[next];
    if (!element->IsVisible(false)) continue;
    if (dynamic_cast<const CBkTabCtrl*>(element)) return dynamic_cast<CBkTabCtrl*>(LookupElement(element->GetHandle()));
    if (auto* panel = dynamic_cast<const CBkPanel*>(element)) {
      for (size_t index = 0; index < panel->ChildCount(); ++index) pending.push_back(panel->ChildAt(index));
    }
  }
  return nullptr;
}

bool CBkDialogView::CycleTabs(bool backwards) {
  const CBkTabCtrl* tabs = FirstTabControl();
  if (!tabs || tabs->TabCount() == 0) return false;
  const int count = static_cast<int>(tabs->TabCount());
  int index = tabs->GetCurSel();
  // Pages without a head are passed over.
  for (int step = 0; step < count; ++step) {
    index = NextFocusIndex(index, count, backwards);
    const CBkTab* page = tabs->GetTab(index);
    if (page && !page->IsHeadHidden()) break;
  }
  return index != tabs->GetCurSel() && SelectTabPage(index);
}

bool CBkDialogView::SelectTabPage(int index) {
  CBkTabCtrl* tabs = FirstTabControl();
  if (!tabs) return false;
  const CBkTab* page = tabs->GetTab(index);
  if (!page || page->IsHeadHidden() || index == tabs->GetCurSel()) return false;
  const BkHandle handle = tabs->GetHandle();
  const bool selected = tabs->SelectTab(index);
  // The owner may have moved the focus into the new page; otherwise a
  // focused element that went with the old page gives the focus back to
  // the tab control.
  const CBkWindow* focused = LookupElement(focused_);
  if (GetFocus() == GetHwnd() && (!focused || !focused->IsVisible(true))) SetFocusedElement(handle);
  RedrawFocusRing(handle);
  return selected;
}

void CBkDialogView::PressElement(BkHandle handle) {
  const CBkWindow* element = LookupElement(handle);
  if (!element || element->IsDisabled(true) || !element->IsVisible(true)) return;
  if (const auto* rich = dynamic_cast<const CBkRichText*>(element)) {
    // The focused link reports its click, as a mouse click on it does.
    if (handle == focused_ && focusedLink_ >= 0 && static_cast<size_t>(focusedLink_) < rich->Links().size())
      SendCommand(rich->Links()[static_cast<size_t>(focusedLink_)].id, CBkRichText::kTag);
    return;
  }
  if (IsToggle(*element)) {
    const RECT rect = element->GetRect();
    SendToElement(handle, WM_LBUTTONUP, 0, MAKELPARAM(rect.left, rect.top));
    if (CBkWindow* still = LookupElement(handle)) RedrawElement(still, true);
  }
  ReportClick(handle);
}

bool CBkDialogView::OnKeyDown(WPARAM key, LPARAM keyData) {
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const bool alt = GetKeyState(VK_MENU) < 0;
  CBkWindow* focused = LookupElement(focused_);
  if (focused && !control && !alt) {
    auto* tabs = dynamic_cast<CBkTabCtrl*>(focused);
    if (key == VK_SPACE && !tabs) {
      ShowFocusCues();
      PressElement(focused_);
      return true;
    }
    if (key == VK_RETURN && (IsClickable(*focused) || focused->HasTag(CBkRichText::kTag))) {
      PressElement(focused_);
      return true;
    }
    if (tabs && (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN)) {
      ShowFocusCues();
      keepFocusOnTabs_ = true;
      CycleTabs(key == VK_LEFT || key == VK_UP);
      return true;
    }
  }
  // The walk and the pages are the view's own, whatever window holds it.
  if (!alt && key == VK_TAB) {
    if (control)
      CycleTabs(GetKeyState(VK_SHIFT) < 0);
    else
      MoveFocusOn(GetKeyState(VK_SHIFT) < 0);
    return true;
  }
  if (!alt && control && key >= '1' && key <= '9') {
    SelectTabPage(static_cast<int>(key - '1'));
    return true;
  }
  if (key == VK_ESCAPE || key == VK_RETURN) {
    if (const HWND frame = GetAncestor(GetHwnd(), GA_ROOT)) PostMessageW(frame, WM_KEYDOWN, key, keyData);
    return true;
  }
  return ForwardFrameKey(GetHwnd(), WM_KEYDOWN, key, keyData);
}

void CBkDialogView::OnSetFocus() {
  const CBkWindow* element = LookupElement(focused_);
  if (!element || !element->IsVisible(true) || element->IsDisabled(true)) {
    // The element went while the focus was away: the first stop takes it.
    focused_ = 0;
    const std::vector<FocusStop> stops = FocusStops();
    if (!stops.empty() && stops.front().native) {
      SetFocus(stops.front().native);
      return;
    }
    if (!stops.empty()) {
      focused_ = stops.front().element;
      focusedLink_ = stops.front().link;
    }
  }
  RedrawFocusRing(focused_);
  if (focused_) NotifyWinEvent(EVENT_OBJECT_FOCUS, GetHwnd(), OBJID_CLIENT, static_cast<LONG>(focused_));
}

void CBkDialogView::OnKillFocus(HWND next) {
  RedrawFocusRing(focused_);
  // A native child of the view now holds the focus within it; any other
  // window (a pop-up, another program) leaves the element remembered.
  if (next && IsChild(GetHwnd(), next)) {
    focused_ = 0;
    focusedLink_ = -1;
  }
}

void CBkDialogView::OnUpdateUiState(WORD action, WORD flags) {
  // The view keeps its own copy: its elements ask it while they paint.
  flags &= UISF_HIDEFOCUS | UISF_HIDEACCEL;
  const WORD before = uiState_;
  if (action == UIS_SET) uiState_ |= flags;
  if (action == UIS_CLEAR) uiState_ &= static_cast<WORD>(~flags);
  if (uiState_ == before) return;
  // Access-key underlines may have appeared or gone anywhere in the layer.
  if ((uiState_ ^ before) & UISF_HIDEACCEL)
    RedrawAll();
  else
    RedrawFocusRing(focused_);
}

void CBkDialogView::ShowFocusCues() {
  const HWND root = GetAncestor(GetHwnd(), GA_ROOT);
  if (root && (uiState_ & UISF_HIDEFOCUS))
    SendMessageW(root, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

RECT CBkDialogView::FocusRingArea(const CBkWindow& element) const {
  RECT area = element.GetRect();
  const auto* rich = dynamic_cast<const CBkRichText*>(&element);
  if (rich && element.GetHandle() == focused_ && focusedLink_ >= 0 &&
      static_cast<size_t>(focusedLink_) < rich->Links().size())
    area = rich->Links()[static_cast<size_t>(focusedLink_)].rect;
  if (const auto* tabs = dynamic_cast<const CBkTabCtrl*>(&element)) {
    RECT head = {};
    if (tabs->HeadRect(tabs->GetCurSel(), head)) area = head;
  }
  InflateRect(&area, kFocusRingGap, kFocusRingGap);
  return area;
}

void CBkDialogView::RedrawFocusRing(BkHandle handle) {
  const CBkWindow* element = LookupElement(handle);
  if (element && element->GetHostWindow() == GetHwnd()) RedrawRect(FocusRingArea(*element));
}

void CBkDialogView::PaintFocusRing(HDC dc) {
  const CBkWindow* element = LookupElement(focused_);
  if (!element || !element->IsVisible(true) || GetFocus() != GetHwnd()) return;
  if (uiState_ & UISF_HIDEFOCUS) return;
  const BkStyle& style = element->GetStyle();
  COLORREF dark = style.crfocus != kColorNotSet  ? style.crfocus
                  : style.crtext != kColorNotSet ? style.crtext
                                                 : RGB(0, 0, 0);
  COLORREF light = IsDarkColour(dark) ? RGB(255, 255, 255) : RGB(0, 0, 0);
  // In high contrast the ring is the text's colour on the window's.
  if (const HighContrastScheme& contrast = CurrentHighContrast(); contrast.on) {
    dark = contrast.Colour(style.hcText, SystemColourRole::WindowText);
    light = contrast.Colour(SystemColourRole::Window);
  }
  const int width = std::max(1, ScaleToDpi(1, dpi_));
  RECT outer = ScaleRectOut(FocusRingArea(*element), dpi_);
  FrameBand(dc, outer, width, dark);
  InflateRect(&outer, -width, -width);
  FrameBand(dc, outer, width, light);
}

void CBkDialogView::RememberPageFocus(int index) {
  if (index < 0 || index >= kMaxRememberedPages) return;
  const HWND focus = GetFocus();
  PageFocus where;
  if (focus == GetHwnd())
    where.element = focused_;
  else if (focus && IsChild(GetHwnd(), focus))
    where.native = focus;
  else
    return;
  if (pageFocus_.size() <= static_cast<size_t>(index)) pageFocus_.resize(index + 1);
  pageFocus_[index] = where;
}

void CBkDialogView::RestorePageFocus(int index) {
  const bool keepOnTabs = keepFocusOnTabs_;
  keepFocusOnTabs_ = false;
  CBkTabCtrl* tabs = FirstTabControl();
  if (!tabs || tabs->GetCurSel() != index) return;
  const BkHandle tabsHandle = tabs->GetHandle();
  // Only while the window is the active one: the focus is not taken back
  // from another program.
  const HWND root = GetAncestor(GetHwnd(), GA_ROOT);
  if (GetActiveWindow() != root) return;
  const HWND focus = GetFocus();
  if (keepOnTabs && focus == GetHwnd() && focused_ == tabsHandle) return;
  if (index >= 0 && static_cast<size_t>(index) < pageFocus_.size()) {
    const PageFocus where = pageFocus_[index];
    if (where.native && IsChild(GetHwnd(), where.native) && IsWindowVisible(where.native) &&
        IsWindowEnabled(where.native)) {
      SetFocus(where.native);
      return;
    }
    const CBkWindow* element = LookupElement(where.element);
    if (element && element->IsVisible(true) && !element->IsDisabled(true) && SetFocusedElement(where.element)) return;
  }
  // Nothing remembered: a focus that went with the old page goes to the heads.
  const CBkWindow* focusedElement = LookupElement(focused_);
  const bool lost = !focus || !IsWindowVisible(focus) || focus == root ||
                    (focus == GetHwnd() && (!focusedElement || !focusedElement->IsVisible(true)));
  if (lost) SetFocusedElement(tabsHandle);
}
