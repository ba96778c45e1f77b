#include "app/window/calendar_popup.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

namespace {

SYSTEMTIME ToSystemTime(const TravelDate& date) {
  SYSTEMTIME time = {};
  time.wYear = static_cast<WORD>(date.year);
  time.wMonth = static_cast<WORD>(date.month);
  time.wDay = static_cast<WORD>(date.day);
  time.wDayOfWeek = static_cast<WORD>(WeekdayOf(date));
  return time;
}

TravelDate FromSystemTime(const SYSTEMTIME& time) { return TravelDate{time.wYear, time.wMonth, time.wDay}; }

// The month calendar's class, registered once per process.
bool CalendarClassReady() {
  static const bool ready = [] {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_DATE_CLASSES};
    return InitCommonControlsEx(&controls) != FALSE;
  }();
  return ready;
}

}  // namespace

CCalendarPopup::CCalendarPopup() : grid_(*this) {}

CCalendarPopup::~CCalendarPopup() { DestroyWindow(); }

CCalendarPopup::CGrid::~CGrid() { DestroyWindow(); }

bool CCalendarPopup::Show(HWND owner, POINT screen, const TravelDate& selected, const TravelDate& first,
                          const TravelDate& last, std::function<void(const TravelDate&)> picked) {
  Close();
  if (!CalendarClassReady()) return false;
  if (!GetHwnd()) {
    const RECT none = {0, 0, 0, 0};
    if (!Create(owner, &none, nullptr, WS_POPUP | WS_BORDER, WS_EX_TOOLWINDOW | WS_EX_TOPMOST)) return false;
  }
  if (!grid_.GetHwnd()) {
    const RECT none = {0, 0, 0, 0};
    if (!grid_.Create(GetHwnd(), &none, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 1)) return false;
  }
  const HWND grid = grid_.GetHwnd();
  SYSTEMTIME range[2] = {ToSystemTime(first), ToSystemTime(last)};
  SendMessageW(grid, MCM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
  SYSTEMTIME chosen = ToSystemTime(selected);
  SendMessageW(grid, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&chosen));

  RECT size = {};
  SendMessageW(grid, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&size));
  const int width = std::max<int>(size.right - size.left, 1);
  const int height = std::max<int>(size.bottom - size.top, 1);
  SetWindowPos(grid, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT frame = {0, 0, width, height};
  AdjustWindowRectEx(&frame, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  const int frameWidth = frame.right - frame.left;
  const int frameHeight = frame.bottom - frame.top;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromPoint(screen, MONITOR_DEFAULTTONEAREST), &monitor)) {
    screen.x = std::max(monitor.rcWork.left, std::min(screen.x, monitor.rcWork.right - frameWidth));
    screen.y = std::max(monitor.rcWork.top, std::min(screen.y, monitor.rcWork.bottom - frameHeight));
  }
  SetWindowPos(GetHwnd(), HWND_TOPMOST, screen.x, screen.y, frameWidth, frameHeight, SWP_NOACTIVATE);
  picked_ = std::move(picked);
  ShowWindow(GetHwnd(), SW_SHOW);
  SetForegroundWindow(GetHwnd());
  SetFocus(grid);
  return true;
}

void CCalendarPopup::Close() {
  picked_ = nullptr;
  if (IsShown()) ShowWindow(GetHwnd(), SW_HIDE);
}

bool CCalendarPopup::IsShown() const { return GetHwnd() && IsWindowVisible(GetHwnd()); }

HWND CCalendarPopup::CalendarWindow() const { return grid_.GetHwnd(); }

void CCalendarPopup::Pick() {
  SYSTEMTIME chosen = {};
  const bool read =
      grid_.GetHwnd() && SendMessageW(grid_.GetHwnd(), MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&chosen));
  auto picked = std::move(picked_);
  Close();
  if (read && picked) picked(FromSystemTime(chosen));
}

bool CCalendarPopup::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (message) {
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      // A day clicked (or Enter in the control): MCN_SELECT; moving through
      // the months only changes the selection.
      if (header && header->hwndFrom == grid_.GetHwnd() && header->code == MCN_SELECT) Pick();
      return true;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) Close();
      return false;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) Close();
      return true;
    default:
      return false;
  }
}

WindowClassInfo& CCalendarPopup::GetWindowClassInfo() const {
  static WindowClassInfo info = [] {
    WindowClassInfo popup;
    popup.className = L"TavoraCalendar";
    popup.classStyle = CS_DROPSHADOW;
    popup.background = COLOR_WINDOW + 1;
    return popup;
  }();
  return info;
}

bool CCalendarPopup::CGrid::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  result = 0;
  if (message != WM_KEYDOWN) return false;
  if (wParam == VK_ESCAPE) {
    popup_.Close();
    return true;
  }
  if (wParam == VK_RETURN) {
    popup_.Pick();
    return true;
  }
  return false;
}

WindowClassInfo& CCalendarPopup::CGrid::GetWindowClassInfo() const {
  static WindowClassInfo info = [] {
    WindowClassInfo grid;
    grid.className = L"TavoraMonthCalendar";
    grid.superclassName = MONTHCAL_CLASSW;
    return grid;
  }();
  return info;
}
