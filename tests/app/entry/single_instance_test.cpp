// The single-instance guard against the real named mapping, and bringing a
// real window forward.
#include "app/entry/single_instance.h"
#include "app/platform/bring_forward.h"

#include <gtest/gtest.h>

#include "app/entry/tavo_module.h"
#include "tests/support/test_support.h"

namespace {

// A real window, minimised, as a running instance's main window would be.
class MinimisedWindow {
 public:
  MinimisedWindow() : window_(true) {
    ShowWindow(window_.hwnd(), SW_SHOWMINNOACTIVE);
    PumpUntil([this] { return IsIconic(window_.hwnd()) != FALSE; }, 5000);
    window_.Reset();
  }
  MessageCounterWindow& counter() { return window_; }
  HWND hwnd() const { return window_.hwnd(); }

 private:
  MessageCounterWindow window_;
};

}  // namespace

TEST(SingleInstance, FirstHolderRunsAndLaterHoldersAreTurnedAway) {
  CInstanceMapping first;
  ASSERT_TRUE(CheckSingleInstance(first));
  ASSERT_TRUE(first.IsOpen());
  EXPECT_TRUE(CheckSingleInstance(first));  // asking again in the same process

  CInstanceMapping second;
  EXPECT_FALSE(CheckSingleInstance(second));
  EXPECT_FALSE(second.IsOpen());  // the later instance keeps nothing open
  EXPECT_FALSE(CheckSingleInstance(second));
}

TEST(SingleInstance, GuardLastsExactlyAsLongAsTheFirstHolder) {
  {
    CInstanceMapping first;
    ASSERT_TRUE(CheckSingleInstance(first));
    CInstanceMapping second;
    EXPECT_FALSE(CheckSingleInstance(second));
  }
  CInstanceMapping afterwards;
  EXPECT_TRUE(CheckSingleInstance(afterwards));
}

TEST(SingleInstance, FreshBlockReadsZeroAndKeepsThePublishedHandle) {
  CInstanceMapping first;
  ASSERT_TRUE(CheckSingleInstance(first));
  EXPECT_EQ(nullptr, first.ReadWindow());
  MessageCounterWindow window;
  ASSERT_TRUE(window.hwnd());
  ASSERT_TRUE(first.WriteWindow(window.hwnd()));
  EXPECT_EQ(window.hwnd(), first.ReadWindow());

  // Another view of the same block sees the 4 bytes too.
  CInstanceMapping other;
  bool existed = false;
  ASSERT_TRUE(other.Open(kInstanceMappingName, existed));
  EXPECT_TRUE(existed);
  EXPECT_EQ(window.hwnd(), other.ReadWindow());
  EXPECT_EQ(4u, other.size);
  EXPECT_EQ(static_cast<DWORD>(FILE_MAP_ALL_ACCESS), other.access);
}

TEST(SingleInstance, ClosedBlockNeitherReadsNorWrites) {
  CInstanceMapping closed;
  EXPECT_EQ(nullptr, closed.ReadWindow());
  EXPECT_FALSE(closed.WriteWindow(reinterpret_cast<HWND>(0x1234)));
  closed.Close();  // closing twice is harmless
  EXPECT_FALSE(closed.IsOpen());
}

TEST(SingleInstance, LaterInstanceRestoresTheMinimisedWindow) {
  MinimisedWindow running;
  ASSERT_TRUE(IsIconic(running.hwnd()));
  CInstanceMapping first;
  ASSERT_TRUE(CheckSingleInstance(first));
  ASSERT_TRUE(first.WriteWindow(running.hwnd()));

  CInstanceMapping second;
  EXPECT_FALSE(CheckSingleInstance(second));
  EXPECT_FALSE(IsIconic(running.hwnd()));
  EXPECT_TRUE(IsWindowVisible(running.hwnd()));
  EXPECT_GE(running.counter().Count(WM_SYSCOMMAND), 1);
}

TEST(SingleInstance, ZeroOrStaleHandleIsLeftAlone) {
  CInstanceMapping first;
  ASSERT_TRUE(CheckSingleInstance(first));
  // Zero: the first instance has no main window yet.
  CInstanceMapping second;
  EXPECT_FALSE(CheckSingleInstance(second));

  // A window that is gone, and a value that never was a window.
  HWND gone = nullptr;
  {
    MessageCounterWindow window;
    gone = window.hwnd();
  }
  ASSERT_FALSE(IsWindow(gone));
  ASSERT_TRUE(first.WriteWindow(gone));
  EXPECT_FALSE(CheckSingleInstance(second));
  ASSERT_TRUE(first.WriteWindow(reinterpret_cast<HWND>(0xFFFFFFF0u)));
  EXPECT_FALSE(CheckSingleInstance(second));
  BringWindowForward(nullptr);
}

TEST(SingleInstance, ModulePublishesItsMainWindowThroughTheGuard) {
  CtavoModule module;
  ASSERT_EQ(S_OK, module.Init(nullptr, GetModuleHandleW(nullptr)));
  MessageCounterWindow window;
  EXPECT_FALSE(module.PublishMainWindow(window.hwnd()));  // no guard taken yet
  ASSERT_TRUE(module.CheckSingleInstance());
  EXPECT_TRUE(module.PublishMainWindow(window.hwnd()));
  EXPECT_EQ(window.hwnd(), module.instanceMapping.ReadWindow());

  CtavoModule later;
  EXPECT_FALSE(later.CheckSingleInstance());
  EXPECT_FALSE(later.instanceMapping.IsOpen());
}
