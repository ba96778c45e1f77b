// The main window in a test process against the shared demo site: a shown
// dialog, its busy state and its list's item count.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/entry/tavo_module.h"
#include "app/window/main_dialog.h"
#include "skin/resources/dpi_scale.h"
#include "tests/skin/host/host_test_windows.h"
#include "tests/skin/host/view_test_util.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

// The list's column title as the list holds it.
inline std::wstring ColumnTitle(HWND list, int column) {
  wchar_t buffer[64] = L"";
  LVCOLUMNW item = {};
  item.mask = LVCF_TEXT;
  item.pszText = buffer;
  item.cchTextMax = 64;
  SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

class MainDialogFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    // Every case starts from the skin library's start state.
    CtavoModule::LoadSkinResources();
    ASSERT_NE(0, SharedDemoSite().Port()) << "the demo site did not start";
    SharedDemoSite().ClearLog();
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
  }

  // A created, shown main window against the demo site; with a settings key
  // it remembers its query there.
  std::unique_ptr<CMainDlg> MakeDialog(const wchar_t* settingsKey = nullptr) {
    auto dialog = std::make_unique<CMainDlg>(nullptr, SharedDemoSite().HostPort().c_str(), settingsKey);
    EXPECT_NE(nullptr, dialog->Create(nullptr));
    ShowWindow(dialog->GetHwnd(), SW_SHOWNORMAL);
    UpdateWindow(dialog->GetHwnd());
    return dialog;
  }

  static int ItemCount(CMainDlg& dialog) {
    return static_cast<int>(SendMessageW(dialog.QueryPage().List().GetHwnd(), LVM_GETITEMCOUNT, 0, 0));
  }

  // Whether the element `id` (a check box) shows checked.
  static bool Checked(CMainDlg& dialog, int id) {
    const CBkWindow* box = dialog.GetView().FindElement(id);
    return box && (box->GetState() & StateChecked) != 0;
  }

  static bool Busy(CMainDlg& dialog) {
    const CBkWindow* busy = dialog.GetView().FindElement(CQueryPage::kBusyImage);
    return busy && busy->IsVisible(false);
  }

  // Runs one query from the search button's handler and waits until the
  // worker has ended and the busy image has gone; false when it did not. The
  // default wait outlasts the page client's own 30-second time-out.
  static bool Query(CMainDlg& dialog, const wchar_t* from, const wchar_t* to, DWORD ms = 60000) {
    CQueryPage& page = dialog.QueryPage();
    SetWindowTextW(page.FromEdit().GetHwnd(), from);
    SetWindowTextW(page.ToEdit().GetHwnd(), to);
    page.StartQuery();
    return PumpUntil([&] { return !page.QueryRunning() && !Busy(dialog); }, ms);
  }

  // ---- real input
  static POINT ScreenCentreOf(CMainDlg& dialog, int id) {
    const RECT rect = ScaleRectOut(dialog.GetView().FindElement(id)->GetRect(), dialog.GetDpi());
    POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(dialog.GetView().GetHwnd(), &centre);
    return centre;
  }

  static void ClickElement(CMainDlg& dialog, int id) {
    ASSERT_TRUE(BringToFront(dialog.GetHwnd()));
    const POINT at = ScreenCentreOf(dialog, id);
    SendClick(at.x, at.y);
  }

  // Types `text` into `edit` with real keyboard input.
  static void Type(HWND edit, const std::wstring& text) {
    SetForegroundWindow(GetAncestor(edit, GA_ROOT));
    SetFocus(edit);
    for (const wchar_t c : text) {
      INPUT keys[2] = {};
      for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wScan = c;
        key.ki.dwFlags = KEYEVENTF_UNICODE;
      }
      keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
      SendInput(2, keys, sizeof(INPUT));
    }
    PumpUntil([&] { return ReadWindowTextOf(edit) == text; }, 5000);
  }

  static std::wstring ReadWindowTextOf(HWND window) {
    wchar_t buffer[256] = L"";
    GetWindowTextW(window, buffer, 256);
    return buffer;
  }

  ScopedEnvironment deadUpdateServer_{L"TAVORA_UPDATE_HOST", L"127.0.0.1:1"};
  ScopedEnvironment fastRetries_{L"TAVORA_UPDATE_RETRY_MS", L"1"};
};
