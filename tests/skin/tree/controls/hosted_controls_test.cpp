#include "skin/tree/hosted_controls.h"

#include <gtest/gtest.h>

#include "skin/tree/window_registry.h"
#include "tests/skin/tree/controls/controls_test_util.h"

namespace {

bool Visible(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

TEST(RealWnd, PlacingMovesTheNativeWindowAndNotifiesOnce) {
  LoadProgramSkins();
  HostWindow host(4321);
  ASSERT_NE(host.hwnd(), nullptr);
  HWND edit = host.AddChild(2220);
  ASSERT_NE(edit, nullptr);
  auto root = LayOut("<dlg><dlg pos='10,20,-10,-20'><realwnd id='2220' pos='5,6,-7,-8'/></dlg></dlg>", 300, 200,
                     host.hwnd());
  ASSERT_TRUE(root);
  auto* real = Find<CBkRealWnd>(*root, 2220);
  ASSERT_NE(real, nullptr);
  EXPECT_EQ(real->NativeWindow(), edit);
  // Inner dialog (10, 20)-(290, 180); the element (15, 26)-(283, 172).
  EXPECT_TRUE(RectIs(real->GetRect(), 15, 26, 283, 172));
  EXPECT_TRUE(RectIs(ChildRect(edit), 15, 26, 283, 172));
  ASSERT_EQ(host.notifications.size(), 1u);
  const RealWndResizedNotify& notify = host.notifications[0];
  EXPECT_EQ(notify.hdr.hwndFrom, host.hwnd());
  EXPECT_EQ(notify.hdr.idFrom, 4321u);
  EXPECT_EQ(notify.hdr.code, SKN_REALWNDRESIZED);
  EXPECT_EQ(notify.id, 2220);
  EXPECT_TRUE(RectIs(notify.rect, 15, 26, 283, 172));
  EXPECT_TRUE(Visible(edit));

  // The same layout again: nothing sent, the native window not touched.
  SetWindowPos(edit, nullptr, 1, 2, 3, 4, SWP_NOZORDER);
  PlaceElement(*root, 0, 0, 300, 200);
  EXPECT_EQ(host.notifications.size(), 1u);
  EXPECT_TRUE(RectIs(ChildRect(edit), 1, 2, 4, 6));

  // A bigger host: the element moves, and so does the window.
  PlaceElement(*root, 0, 0, 400, 250);
  ASSERT_EQ(host.notifications.size(), 2u);
  EXPECT_TRUE(RectIs(host.notifications[1].rect, 15, 26, 383, 222));
  EXPECT_TRUE(RectIs(ChildRect(edit), 15, 26, 383, 222));
}

TEST(RealWnd, ResizingTheHostWithoutChangingTheRectSendsNothing) {
  LoadProgramSkins();
  HostWindow host;
  HWND edit = host.AddChild(7, L"STATIC");
  auto root = LayOut("<dlg><realwnd id='7' pos='10,10,60,30'/></dlg>", 200, 100, host.hwnd());
  ASSERT_EQ(host.notifications.size(), 1u);
  EXPECT_TRUE(RectIs(ChildRect(edit), 10, 10, 60, 30));
  for (int width : {300, 120, 61}) PlaceElement(*root, 0, 0, width, 90);
  EXPECT_EQ(host.notifications.size(), 1u);
  // Placed elsewhere, it moves and notifies.
  PlaceElement(*root, 5, 5, 61, 90);
  ASSERT_EQ(host.notifications.size(), 2u);
  EXPECT_TRUE(RectIs(ChildRect(edit), 15, 15, 65, 35));
}

TEST(RealWnd, AnIdWithoutNativeWindowStillNotifies) {
  LoadProgramSkins();
  HostWindow host;
  auto root = LayOut("<dlg><realwnd id='99' pos='1,2,3,4'/><realwnd pos='0,0,5,5'/></dlg>", 50, 50, host.hwnd());
  ASSERT_EQ(host.notifications.size(), 2u);
  EXPECT_EQ(host.notifications[0].id, 99);
  EXPECT_EQ(host.notifications[1].id, 0);
  auto* real = Find<CBkRealWnd>(*root, 99);
  ASSERT_NE(real, nullptr);
  EXPECT_EQ(real->NativeWindow(), nullptr);
  real->SendElementMessage(WM_SHOWWINDOW, 0);
  real->SendElementMessage(WM_SHOWWINDOW, 1);
  EXPECT_TRUE(real->IsVisible(false));
  // No host at all: placed, nothing sent anywhere.
  auto alone = LayOut("<dlg><realwnd id='99' pos='1,2,3,4'/></dlg>", 50, 50);
  EXPECT_TRUE(RectIs(alone->ChildAt(0)->GetRect(), 1, 2, 3, 4));
}

TEST(RealWnd, ShowingFollowsTheElementAndItsAncestors) {
  LoadProgramSkins();
  HostWindow host;
  HWND edit = host.AddChild(2230);
  auto root = LayOut("<dlg><dlg id='1' pos='0,0,-0,-0' show='0'><realwnd id='2230' pos='0,0,-0,-0'/></dlg></dlg>",
                     100, 50, host.hwnd());
  auto* real = Find<CBkRealWnd>(*root, 2230);
  CBkWindow* dialog = root->FindElementById(1);
  ASSERT_TRUE(real && dialog);
  ASSERT_TRUE(Visible(edit));

  // Hiding the element hides the window.
  real->SendElementMessage(WM_SHOWWINDOW, 0);
  EXPECT_FALSE(real->IsVisible(false));
  EXPECT_FALSE(Visible(edit));
  // Shown while its dialog is hidden: the window stays hidden.
  real->SendElementMessage(WM_SHOWWINDOW, 1);
  EXPECT_TRUE(real->IsVisible(false));
  EXPECT_FALSE(Visible(edit));
  // Showing the dialog shows it; hiding the dialog hides it.
  dialog->SendElementMessage(WM_SHOWWINDOW, 1);
  EXPECT_TRUE(Visible(edit));
  dialog->SendElementMessage(WM_SHOWWINDOW, 0);
  EXPECT_FALSE(Visible(edit));
  EXPECT_TRUE(real->IsVisible(false));
  // Shown again only when every ancestor is visible.
  root->SendElementMessage(WM_SHOWWINDOW, 0);
  dialog->SendElementMessage(WM_SHOWWINDOW, 1);
  EXPECT_FALSE(Visible(edit));
  root->SendElementMessage(WM_SHOWWINDOW, 1);
  EXPECT_TRUE(Visible(edit));
  // A hidden element stays hidden whatever its ancestors do.
  real->SendElementMessage(WM_SHOWWINDOW, 0);
  root->SendElementMessage(WM_SHOWWINDOW, 1);
  EXPECT_FALSE(Visible(edit));
}

TEST(RealWnd, DestroyingTheTreeHidesButKeepsTheNativeWindow) {
  LoadProgramSkins();
  HostWindow host;
  HWND edit = host.AddChild(2240);
  {
    auto root = LayOut("<dlg><realwnd id='2240' pos='3,3,-3,-3'/></dlg>", 100, 50, host.hwnd());
    EXPECT_TRUE(Visible(edit));
  }
  EXPECT_TRUE(IsWindow(edit));
  EXPECT_FALSE(Visible(edit));
  // A realwnd paints nothing.
  auto root = LayOut("<dlg><realwnd id='2240' pos='0,0,-0,-0' crtext='000000'>WWW</realwnd></dlg>", 60, 20,
                     host.hwnd());
  DibCanvas canvas(60, 20, RGB(255, 255, 255));
  root->ChildAt(0)->SendElementMessage(WM_PAINT, reinterpret_cast<WPARAM>(canvas.dc()));
  EXPECT_EQ(canvas.CountOutside(RECT{0, 0, 0, 0}, RGB(255, 255, 255)), 0);
}

// What a handler run by the element's call-outs does to the tree.
enum class Destroys { Tree, NativeWindow };

TEST(RealWnd, HandlerOfTheNotificationMayDestroyTheTree) {
  LoadProgramSkins();
  const size_t baseline = BkWindowRegistry::Instance().Count();
  for (const Destroys what : {Destroys::Tree, Destroys::NativeWindow}) {
    HostWindow host;
    HWND edit = host.AddChild(2220);
    HWND second = host.AddChild(2230);
    ElementPtr<CBkDialog> root =
        LoadAs<CBkDialog>("<dlg pos='0,0,-0,-0'><dlg pos='0,0,-0,-0'><realwnd id='2220' pos='1,1,-1,-1'/>"
                          "<realwnd id='2230' pos='2,2,-2,-2'/></dlg><realwnd id='2230' pos='3,3,-3,-3'/></dlg>",
                          host.hwnd());
    ASSERT_TRUE(root);
    int calls = 0;
    host.onNotify = [&](const RealWndResizedNotify&) {
      ++calls;
      if (what == Destroys::Tree) {
        root.reset();
      } else {
        DestroyWindow(edit);
      }
    };
    PlaceElement(*root, 0, 0, 100, 50);
    if (what == Destroys::Tree) {
      // The first notification ended the tree: nothing after it ran.
      EXPECT_EQ(calls, 1);
      EXPECT_EQ(root, nullptr);
      EXPECT_EQ(BkWindowRegistry::Instance().Count(), baseline);
    } else {
      EXPECT_EQ(calls, 3);
      EXPECT_FALSE(IsWindow(edit));
      EXPECT_TRUE(RectIs(ChildRect(second), 3, 3, 97, 47));
    }
    host.onNotify = nullptr;
  }
  EXPECT_EQ(BkWindowRegistry::Instance().Count(), baseline);
}

TEST(RealWnd, NativeWindowHandlerOfTheMoveMayDestroyTheTree) {
  LoadProgramSkins();
  const size_t baseline = BkWindowRegistry::Instance().Count();
  HostWindow host;
  HWND child = host.AddChild(2220, L"TavoraTestChild");
  ASSERT_NE(child, nullptr);
  ElementPtr<CBkDialog> root = LoadAs<CBkDialog>(
      "<dlg pos='0,0,-0,-0'><realwnd id='2220' pos='1,1,-1,-1'/><realwnd id='2230' pos='1,1,-1,-1'/></dlg>", host.hwnd());
  int moves = 0;
  onChildMoved = [&](HWND) {
    ++moves;
    root.reset();
  };
  PlaceElement(*root, 0, 0, 100, 50);
  onChildMoved = nullptr;
  EXPECT_EQ(moves, 1);
  EXPECT_EQ(root, nullptr);
  // Destroyed before it could notify.
  EXPECT_TRUE(host.notifications.empty());
  EXPECT_EQ(BkWindowRegistry::Instance().Count(), baseline);
}

}  // namespace
