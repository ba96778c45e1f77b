#include "app/window/station_drop_down.h"

#include <algorithm>
#include <utility>

#include "skin/host/accessible_view.h"
#include "skin/resources/dpi_scale.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/menus.h"

namespace {

// Markup-safe text: station lists hold only CJK names and a-z pinyin, but a
// layer is no place to trust that.
std::string MarkupText(const std::string& text) {
  std::string safe;
  for (const char c : text) {
    switch (c) {
      case '<': safe += "&lt;"; break;
      case '>': safe += "&gt;"; break;
      case '&': safe += "&amp;"; break;
      default: safe += c;
    }
  }
  return safe;
}

}  // namespace

std::string StationDropDownLayer(int width, const std::vector<std::wstring>& names,
                                 const std::vector<std::string>& pinyin) {
  const size_t count = std::min(names.size(), pinyin.size());
  const int height = static_cast<int>(count) * CStationDropDown::kItemHeight + 2;
  std::string layer = "<layer title=\"\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
                      "\"><body class=\"rowmenu\" width=\"full\" height=\"full\"><menus id=\"" +
                      std::to_string(CStationDropDown::kMenuId) +
                      "\" pos=\"0,0,-0,-0\" selskin=\"rowmenu_sel\" itemheight=\"" +
                      std::to_string(CStationDropDown::kItemHeight) + "\" crborder=\"8DA2BA\">";
  for (size_t index = 0; index < count; ++index) {
    // The pinyin in grey after an ideographic space (markup keeps no run of
    // ASCII blanks).
    layer += "<menu><richtext class=\"dropdown_text\">" + MarkupText(WideToUtf8(names[index])) +
             "\u3000<c color=\"8A8A8A\">" + MarkupText(pinyin[index]) + "</c></richtext></menu>";
  }
  return layer + "</menus></body></layer>";
}

CStationDropDown::~CStationDropDown() { DestroyWindow(); }

bool CStationDropDown::Show(HWND box, const std::vector<std::wstring>& names, const std::vector<std::string>& pinyin,
                            std::function<void(int)> chosen) {
  count_ = std::min(names.size(), pinyin.size());
  RECT under = {};
  if (count_ == 0 || !box || !GetWindowRect(box, &under)) {
    Close();
    return false;
  }
  const int dpi = DpiOfWindow(box);
  const int width = std::max(UnscaleFromDpi(under.right - under.left, dpi), kMinWidth);
  view_.SetDpi(dpi);
  if (!view_.LoadLayer(StationDropDownLayer(width, names, pinyin))) {
    Close();
    return false;
  }
  const int pixelsWide = ScaleToDpi(view_.GetLayerWidth(), dpi);
  const int pixelsHigh = ScaleToDpi(view_.GetLayerHeight(), dpi);
  POINT at = {under.left, under.bottom};
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    // Above the box when there is no room below it.
    if (at.y + pixelsHigh > work.bottom && under.top - pixelsHigh >= work.top) at.y = under.top - pixelsHigh;
    at.x = std::max(work.left, std::min(at.x, work.right - pixelsWide));
  }
  const RECT frame = {at.x, at.y, at.x + pixelsWide, at.y + pixelsHigh};
  if (!GetHwnd() && !Create(GetAncestor(box, GA_ROOT), &frame, nullptr, WS_POPUP,
                            WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE)) {
    return false;
  }
  if (!view_.GetHwnd()) {
    const RECT area = {0, 0, pixelsWide, pixelsHigh};
    if (!view_.Create(GetHwnd(), VIEW_ID, &area)) return false;
  } else {
    SetWindowPos(view_.GetHwnd(), nullptr, 0, 0, pixelsWide, pixelsHigh, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(GetHwnd(), HWND_TOP, frame.left, frame.top, pixelsWide, pixelsHigh, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  chosen_ = std::move(chosen);
  Highlight(0);
  return true;
}

void CStationDropDown::Close() {
  chosen_ = nullptr;
  if (IsShown()) ShowWindow(GetHwnd(), SW_HIDE);
}

bool CStationDropDown::IsShown() const { return GetHwnd() && IsWindowVisible(GetHwnd()); }

int CStationDropDown::Highlighted() const {
  const auto* menu = dynamic_cast<const CBkMenuCtrlT*>(view_.FindElement(kMenuId));
  return menu && IsShown() ? menu->HoverIndex() : -1;
}

void CStationDropDown::Highlight(int index) {
  auto* menu = dynamic_cast<CBkMenuCtrlT*>(view_.FindElement(kMenuId));
  if (!menu || count_ == 0) return;
  menu->SetHoverIndex(std::clamp(index, 0, static_cast<int>(count_) - 1));
}

bool CStationDropDown::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_MOUSEACTIVATE:
      // The box keeps the focus and its window stays active.
      result = MA_NOACTIVATE;
      return true;
    case WM_LBUTTONUP: {
      // Posted by the "menus" element with the clicked item's index.
      auto chosen = std::move(chosen_);
      Close();
      const int index = static_cast<int>(wParam);
      if (chosen && index >= 0 && static_cast<size_t>(index) < count_) chosen(index);
      result = 0;
      return true;
    }
    case WM_WINDOWPOSCHANGED: {
      // Shown or hidden: assistive technology hears the menu open or close.
      const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (position && (position->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)))
        AnnounceMenuPopup(view_, (position->flags & SWP_SHOWWINDOW) != 0);
      return false;
    }
    default:
      return false;
  }
}

WindowClassInfo& CStationDropDown::GetWindowClassInfo() const {
  static WindowClassInfo info = [] {
    WindowClassInfo dropDown;
    dropDown.className = L"TavoraStationDropDown";
    dropDown.classStyle = CS_DROPSHADOW;
    dropDown.cursor = IDC_ARROW;
    dropDown.background = COLOR_WINDOW + 1;
    return dropDown;
  }();
  return info;
}
