// The main window in a test process against the shared demo site: a shown
// dialog, its busy state and its list's item count.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

#include "app/main_dialog.h"
#include "app/tavo_module.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

class MainDialogFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CtavoModule::LoadSkinResources(); }

  void SetUp() override {
    ASSERT_NE(0, SharedDemoSite().Port()) << "the demo site did not start";
    SharedDemoSite().ClearLog();
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
  }

  // A created, shown main window against the demo site.
  std::unique_ptr<CMainDlg> MakeDialog() {
    auto dialog = std::make_unique<CMainDlg>(nullptr, SharedDemoSite().HostPort().c_str());
    EXPECT_NE(nullptr, dialog->Create(nullptr));
    ShowWindow(dialog->GetHwnd(), SW_SHOWNORMAL);
    UpdateWindow(dialog->GetHwnd());
    return dialog;
  }

  static int ItemCount(CMainDlg& dialog) {
    return static_cast<int>(SendMessageW(dialog.QueryPage().listView.GetHwnd(), LVM_GETITEMCOUNT, 0, 0));
  }

  static bool Busy(CMainDlg& dialog) {
    const CBkWindow* busy = dialog.GetView().FindElement(CQueryPage::kBusyImage);
    return busy && busy->IsVisible(false);
  }

  ScopedEnvironment deadUpdateServer_{L"TAVORA_UPDATE_HOST", L"127.0.0.1:1"};
  ScopedEnvironment fastRetries_{L"TAVORA_UPDATE_RETRY_MS", L"1"};
};
