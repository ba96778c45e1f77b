#include "app/window/row_menu.h"

#include <algorithm>
#include <string>
#include <utility>

#include "skin/host/accessible_view.h"
#include "skin/resources/dpi_scale.h"
#include "skin/resources/skin_resource.h"

CRowMenu::~CRowMenu() { DestroyWindow(); }

bool CRowMenu::Show(HWND owner, POINT screen, std::function<void(int)> chosen) {
  Close();
  if (!view_.IsLayerLoaded()) {
    const bool loaded = LoadFolderFirst([this] {
      std::string bytes;
      return LoadSkinResource(layer_, bytes, L"xml") && view_.LoadLayer(bytes);
    });
    if (!loaded) return false;
  }
  // The menu shows at its owner's scale.
  view_.SetDpi(DpiOfWindow(owner));
  const int width = ScaleToDpi(view_.GetLayerWidth(), view_.GetDpi());
  const int height = ScaleToDpi(view_.GetLayerHeight(), view_.GetDpi());
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromPoint(screen, MONITOR_DEFAULTTONEAREST), &monitor)) {
    screen.x = std::max(monitor.rcWork.left, std::min(screen.x, monitor.rcWork.right - width));
    screen.y = std::max(monitor.rcWork.top, std::min(screen.y, monitor.rcWork.bottom - height));
  }
  const RECT frame = {screen.x, screen.y, screen.x + width, screen.y + height};
  if (!GetHwnd() && !Create(owner, &frame, nullptr, WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST)) return false;
  SetWindowPos(GetHwnd(), HWND_TOPMOST, frame.left, frame.top, width, height, SWP_NOACTIVATE);
  if (!view_.GetHwnd()) {
    const RECT area = {0, 0, width, height};
    if (!view_.Create(GetHwnd(), VIEW_ID, &area)) return false;
  } else {
    SetWindowPos(view_.GetHwnd(), nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  chosen_ = std::move(chosen);
  ShowWindow(GetHwnd(), SW_SHOW);
  SetForegroundWindow(GetHwnd());
  SetFocus(GetHwnd());
  return true;
}

void CRowMenu::Close() {
  chosen_ = nullptr;
  if (IsShown()) ShowWindow(GetHwnd(), SW_HIDE);
}

bool CRowMenu::IsShown() const { return GetHwnd() && IsWindowVisible(GetHwnd()); }

bool CRowMenu::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (message) {
    case WM_LBUTTONUP: {
      // Posted by the "menus" element with the clicked item's index.
      auto chosen = std::move(chosen_);
      Close();
      const int index = static_cast<int>(wParam);
      if (chosen && index >= 0) chosen(index);
      return true;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) Close();
      return false;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) Close();
      return true;
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

WindowClassInfo& CRowMenu::GetWindowClassInfo() const {
  static WindowClassInfo info = [] {
    WindowClassInfo menu;
    menu.className = L"TavoraRowMenu";
    menu.classStyle = CS_DROPSHADOW;
    menu.cursor = IDC_ARROW;
    menu.background = COLOR_WINDOW + 1;
    return menu;
  }();
  return info;
}
