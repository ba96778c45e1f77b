#include "app/window/main_dialog.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "app/update/update_signature.h"
#include "app/window/query_status.h"
#include "skin/host/view_notifications.h"
#include "skin/tree/notifications.h"
#include "skin/tree/tab_control.h"

namespace {

// Centres `window` on the work area of the monitor it is on (the window has
// no owner to centre on).
void CenterOnWorkArea(HWND window) {
  RECT frame = {};
  if (!GetWindowRect(window, &frame)) return;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& work = monitor.rcWork;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int x = work.left + ((work.right - work.left) - width) / 2;
  const int y = work.top + ((work.bottom - work.top) - height) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CMainDlg::CMainDlg(const UpdatePublicKey* updateKey, const wchar_t* queryHost, const wchar_t* settingsKey,
                   std::function<void(HWND)> windowMade, const wchar_t* stationKey)
    : CBkDialogImpl(kMainLayer),
      stations_(std::make_unique<CStationCatalog>(queryHost, stationKey ? stationKey : L"")),
      queryPage(std::make_unique<CQueryPage>(*this, queryHost)),
      timetablePage_(std::make_unique<CTimetablePage>(*this, queryHost)),
      farePage_(std::make_unique<CFarePage>(*this, queryHost)),
      helpPage_(std::make_unique<CHelpPage>(*this, queryHost ? queryHost : L"", settingsKey ? settingsKey : L"")),
      // The window closes for an update only once its setup has started.
      updatePrompt_(std::make_unique<CUpdatePrompt>(
          updateKey ? *updateKey : ReleaseUpdateKey(), [this] { EndModal(0); },
          [this] { GetView().SetElementText(CQueryPage::kStatusText, TableString(status_text::kUpdateNotStarted)); })),
      windowMade_(std::move(windowMade)),
      settingsKey_(settingsKey ? settingsKey : L"") {}

CMainDlg::~CMainDlg() {
  // The window goes while the page and the icons it uses still exist.
  DestroyWindow();
  updatePrompt_.reset();
  helpPage_.reset();
  farePage_.reset();
  timetablePage_.reset();
  queryPage.reset();
  stations_.reset();
}

bool CMainDlg::ProcessFrameMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  bool handled = false;
  ProcessShapeMessage(hwnd, message, wParam, lParam);
  if (message == WM_NOTIFY && lParam && reinterpret_cast<const NMHDR*>(lParam)->idFrom == VIEW_ID)
    handled = OnHeaderNotify(hwnd, *reinterpret_cast<const NMHDR*>(lParam), result);
  if (!handled && queryPage) handled = queryPage->ProcessWindowMessage(hwnd, message, wParam, lParam, result);
  if (!handled && timetablePage_) handled = timetablePage_->ProcessWindowMessage(hwnd, message, wParam, lParam, result);
  if (!handled && farePage_) handled = farePage_->ProcessWindowMessage(hwnd, message, wParam, lParam, result);
  if (!handled && helpPage_) handled = helpPage_->ProcessWindowMessage(hwnd, message, wParam, lParam, result);
  // The children still exist while the frame hears of its end.
  if (message == WM_DESTROY) {
    SaveSettings(hwnd);
    stations_->Close();
  }
  // A drop-down stays under its box only while the window stays put, and
  // a press anywhere but in its box closes it.
  HWND pressed = nullptr;
  const bool press = message == WM_PARENTNOTIFY && (LOWORD(wParam) == WM_LBUTTONDOWN ||
                                                    LOWORD(wParam) == WM_RBUTTONDOWN || LOWORD(wParam) == WM_MBUTTONDOWN);
  if (press) {
    POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(hwnd, &at);
    pressed = WindowFromPoint(at);
  }
  if ((message == WM_MOVE || message == WM_SIZE) && !IsZoomed(hwnd) && !IsIconic(hwnd))
    GetWindowRect(hwnd, &normalRect_);
  if (press || message == WM_MOVE || message == WM_SIZE ||
      (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MOVE)) {
    if (queryPage) queryPage->CloseDropDowns(pressed);
    if (farePage_) farePage_->CloseDropDowns(pressed);
  }
  if (!handled && message == WM_INITDIALOG) {
    result = OnInitDialog(hwnd);
    handled = true;
  }
  return handled;
}

bool CMainDlg::OnHeaderNotify(HWND hwnd, const NMHDR& header, LRESULT& result) {
  if (header.code == SKN_TABSELCHANGE) {
    // Asked before the page changes; a page index that does not exist
    // changes nothing.
    const auto& change = reinterpret_cast<const TabSelChangeNotify&>(header);
    const auto* tabs = dynamic_cast<const CBkTabCtrl*>(GetView().FindElement(kTabControl));
    if (change.id == kTabControl && tabs && change.newSel >= 0 && static_cast<size_t>(change.newSel) < tabs->TabCount())
      OnTabChanged(change.newSel);
    result = 0;
    return true;
  }
  if (header.code != SKN_COMMAND) return false;
  const int item = reinterpret_cast<const CommandNotify&>(header).uItemID;
  if (item == kCloseRequest || item == ID_CLOSE) {
    EndModal(0);
  } else if (item == ID_MINIMIZE) {
    SendMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE | 2, 0);  // 0xF022, as the header button sends it
  } else {
    return false;
  }
  result = 1;
  return true;
}

BOOL CMainDlg::OnInitDialog(HWND hwnd) {
  CenterOnWorkArea(hwnd);
  SetIcons(hwnd);
  if (queryPage) queryPage->SetUpQueryPage();
  if (timetablePage_) timetablePage_->SetUp();
  if (farePage_) farePage_->SetUp();
  if (helpPage_) helpPage_->SetUp();
  stations_->Start(LocalToday());
  if (updatePrompt_) updatePrompt_->Start(hwnd);
  RestoreSettings(hwnd);
  if (windowMade_) windowMade_(hwnd);
  return TRUE;
}

void CMainDlg::SetIcons(HWND hwnd) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  bigIcon_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
  smallIcon_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
  SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void CMainDlg::PlaceModalWindow(HWND hwnd, HWND owner) {
  if (!placedFromSettings_) {
    CBkDialogImpl::PlaceModalWindow(hwnd, owner);
    // The place it is shown at is the one a window left alone keeps.
    RECT frame = {};
    if (settingsRestored_ && GetWindowRect(hwnd, &frame)) restored_.position = POINT{frame.left, frame.top};
  }
  // Shown maximised over the normal place and size just set, which a
  // restore returns to.
  if (startMaximized_) ShowWindow(hwnd, SW_SHOWMAXIMIZED);
}

void CMainDlg::RestoreSettings(HWND hwnd) {
  if (settingsKey_.empty() || !queryPage) return;
  restored_ = LoadQuerySettings(settingsKey_);
  queryPage->ApplySettings(restored_);
  // The frame takes its size only after set-up: the place is checked for
  // the size it will have. A remembered size is never below the layer's nor
  // larger than the work area of the monitor it goes on.
  const SIZE minimum = MinimumClientSize();
  SIZE size = minimum;
  if (restored_.hasSize) {
    size = restored_.size;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    const RECT wanted = {restored_.position.x, restored_.position.y, restored_.position.x + size.cx,
                         restored_.position.y + size.cy};
    if (GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &monitor)) {
      size.cx = std::min<LONG>(size.cx, monitor.rcWork.right - monitor.rcWork.left);
      size.cy = std::min<LONG>(size.cy, monitor.rcWork.bottom - monitor.rcWork.top);
    }
    size.cx = std::max(size.cx, minimum.cx);
    size.cy = std::max(size.cy, minimum.cy);
  }
  if (size.cx > 0 && size.cy > 0) ResizeClient(size.cx, size.cy, false);
  RECT frame = {};
  if (!GetWindowRect(hwnd, &frame)) return;
  POINT at = {frame.left, frame.top};
  if (restored_.hasPosition) {
    at = PlaceOnAMonitor(restored_.position, SIZE{frame.right - frame.left, frame.bottom - frame.top});
    placedFromSettings_ = SetWindowPos(hwnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    CenterOnWorkArea(hwnd);
    if (GetWindowRect(hwnd, &frame)) at = POINT{frame.left, frame.top};
  }
  // Where and how large the window starts counts as unchanged: a window
  // that stays so writes nothing.
  restored_.hasPosition = true;
  restored_.position = at;
  restored_.hasSize = true;
  restored_.size = SIZE{frame.right - frame.left, frame.bottom - frame.top};
  restored_.columnWidths = queryPage->CurrentSettings().columnWidths;
  startMaximized_ = restored_.maximized;
  settingsRestored_ = true;
}

void CMainDlg::SaveSettings(HWND hwnd) {
  if (!settingsRestored_ || !queryPage) return;
  settingsRestored_ = false;
  QuerySettings now = queryPage->CurrentSettings();
  now.hasPosition = true;
  now.position = restored_.position;
  now.hasSize = restored_.hasSize;
  now.size = restored_.size;
  now.maximized = restored_.maximized;
  if (normalRect_.right > normalRect_.left && normalRect_.bottom > normalRect_.top) {
    now.position = POINT{normalRect_.left, normalRect_.top};
    now.size = SIZE{normalRect_.right - normalRect_.left, normalRect_.bottom - normalRect_.top};
    now.hasSize = true;
  }
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof(placement);
  now.maximized = IsZoomed(hwnd) || (IsIconic(hwnd) && GetWindowPlacement(hwnd, &placement) &&
                                     (placement.flags & WPF_RESTORETOMAXIMIZED));
  RECT frame = {};
  // A window as it is shown: its own rectangle.
  if (!IsIconic(hwnd) && !IsZoomed(hwnd) && GetWindowRect(hwnd, &frame)) {
    now.position = POINT{frame.left, frame.top};
    now.size = SIZE{frame.right - frame.left, frame.bottom - frame.top};
    now.hasSize = true;
  }
  SaveQuerySettings(settingsKey_, restored_, now);
}

void CMainDlg::OnTabChanged(int index) {
  currentTab_ = index;
  // A page without a status of its own leaves the footer empty.
  if (index == kHelpTab) GetView().SetElementText(CQueryPage::kStatusText, L"");
  // The page going first: the footer ends with the shown page's status.
  if (queryPage && index != kTicketTab) queryPage->SetActive(false);
  if (timetablePage_) timetablePage_->SetActive(index == kTimetableTab);
  if (farePage_) farePage_->SetActive(index == kFareTab);
  if (queryPage && index == kTicketTab) queryPage->SetActive(true);
}

void CMainDlg::SelectTab(int index) {
  auto* tabs = dynamic_cast<CBkTabCtrl*>(GetView().FindElement(kTabControl));
  if (tabs) tabs->SelectTab(index);
}

void CMainDlg::ShowTimetable(const std::wstring& code, const TravelDate& date, const std::wstring& from,
                             const std::wstring& to) {
  SelectTab(kTimetableTab);
  if (timetablePage_) timetablePage_->ShowTrain(code, date, from, to);
}

void CMainDlg::ResetSettings() {
  if (!settingsKey_.empty()) RegDeleteKeyW(HKEY_CURRENT_USER, settingsKey_.c_str());
  if (queryPage) queryPage->ApplySettings(QuerySettings());
  if (IsZoomed(GetHwnd())) ShowWindow(GetHwnd(), SW_RESTORE);
  const SIZE minimum = MinimumClientSize();
  if (minimum.cx > 0 && minimum.cy > 0) ResizeClient(minimum.cx, minimum.cy, true);
  CenterOnWorkArea(GetHwnd());
  // What the window shows now is what an empty store means: closing it
  // unchanged writes nothing.
  restored_ = QuerySettings();
  RECT frame = {};
  if (GetWindowRect(GetHwnd(), &frame)) {
    restored_.hasPosition = true;
    restored_.position = POINT{frame.left, frame.top};
    restored_.hasSize = true;
    restored_.size = SIZE{frame.right - frame.left, frame.bottom - frame.top};
  }
  placedFromSettings_ = false;
  startMaximized_ = false;
}
