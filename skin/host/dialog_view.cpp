#include "skin/host/dialog_view.h"

#include <commctrl.h>
#include <shellapi.h>
#include <tinyxml.h>
#include <windowsx.h>

#include <cstdio>
#include <utility>

#include "skin/resources/dpi_scale.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/skin_xml.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/host_notify.h"
#include "skin/tree/load_budget.h"
#include "skin/tree/notifications.h"

namespace {

enum SectionIndex { kHeader = 0, kBody = 1, kFooter = 2 };

constexpr UINT kLastRelayedMouseMessage = 0x20D;  // WM_MOUSEHWHEEL
constexpr WPARAM kDragCommand = 0xF012;           // SC_MOVE | HTCAPTION
constexpr LONG kMaximizedOrMinimized = WS_MAXIMIZE | WS_MINIMIZE;

int IntAttribute(const TiXmlElement* element, const char* name) {
  const char* value = element->Attribute(name);
  return value ? ParseDecimal(value) : 0;
}

bool IsClickable(const CBkWindow& element) {
  return element.HasTag("button") || element.HasTag("imgbtn") || element.HasTag("link");
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
  return true;
}

HWND CBkDialogView::Create(HWND parent, UINT id, const RECT* rect) {
  const RECT empty = {0, 0, 0, 0};
  const HWND hwnd = CWindowImplBase::Create(parent, rect ? rect : &empty, nullptr, kStyle, 0, id);
  if (!hwnd) return nullptr;
  SetHostDpi(hwnd, dpi_);
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
  element->SetText(text);
  RedrawElement(element, true);
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
  const DpiTransform scale(dc, dpi_);
  for (SectionSlot& slot : sections_) {
    if (slot.present) slot.dialog.PaintInRegion(dc, region);
  }
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
  // The element's handler may have changed the tree.
  const CBkWindow* element = LookupElement(pushed);
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
    case WM_DESTROY:
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
    case WM_COMMAND:
    case WM_VSCROLL:
    case WM_HSCROLL: {
      const HWND parent = GetParent(hwnd);
      result = parent ? SendMessageW(parent, message, wParam, lParam) : 0;
      return true;
    }
    default:
      return ReflectNotification(hwnd, message, wParam, lParam, result);
  }
}
