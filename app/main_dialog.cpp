#include "app/main_dialog.h"

#include "app/tavo_module.h"
#include "app/update_signature.h"
#include "skin/host/view_notifications.h"

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

CMainDlg::CMainDlg(const UpdatePublicKey* updateKey, const wchar_t* queryHost)
    : CBkDialogImpl(kMainLayer),
      queryPage(std::make_unique<CQueryPage>(*this, updateKey ? *updateKey : ReleaseUpdateKey(), queryHost)) {}

CMainDlg::~CMainDlg() {
  // The window goes while the page and the icons it uses still exist.
  DestroyWindow();
  queryPage.reset();
}

bool CMainDlg::ProcessFrameMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  bool handled = false;
  ProcessShapeMessage(hwnd, message, wParam, lParam);
  if (message == WM_NOTIFY && lParam && reinterpret_cast<const NMHDR*>(lParam)->idFrom == VIEW_ID)
    handled = OnHeaderNotify(hwnd, *reinterpret_cast<const NMHDR*>(lParam), result);
  if (!handled && queryPage) handled = queryPage->ProcessWindowMessage(hwnd, message, wParam, lParam, result);
  if (!handled && message == WM_INITDIALOG) {
    result = OnInitDialog(hwnd);
    handled = true;
  }
  return handled;
}

bool CMainDlg::OnHeaderNotify(HWND hwnd, const NMHDR& header, LRESULT& result) {
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
  PublishMainWindow(hwnd);
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
