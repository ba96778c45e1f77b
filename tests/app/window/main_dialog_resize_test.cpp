// The main window resized by real input: its corner dragged, maximised and
// restored by the header's button and by a double-click on the header, its
// smallest size at two scales, and the ticket list's columns resized by their
// dividers, with the rows following.
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/core/result_columns.h"
#include "app/window/list_columns.h"
#include "skin/host/view_notifications.h"
#include "skin/resources/dpi_scale.h"
#include "skin/resources/skin_pool.h"
#include "skin/tree/basic_controls.h"
#include "tests/app/window/main_dialog_fixture.h"

namespace {

class MainDialogResize : public MainDialogFixture {
 protected:
  void TearDown() override { SendMouseButton(false); }

  static SIZE WindowSize(HWND window) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
  }

  // Presses at `from`, moves in steps to `to` and lets go, from another
  // thread while this one dispatches: the system routes each input as it
  // arrives, so the sizing loop must have taken the capture before the moves
  // leave the window.
  static void Drag(POINT from, POINT to) {
    SendMouseMove(from.x, from.y);
    PumpUntil([] { return false; }, 50);
    std::atomic<bool> done{false};
    std::thread input([&] {
      SendMouseButton(true);
      Sleep(150);
      for (int step = 1; step <= 4; ++step) {
        SendMouseMove(from.x + (to.x - from.x) * step / 4, from.y + (to.y - from.y) * step / 4);
        Sleep(50);
      }
      SendMouseButton(false);
      done = true;
    });
    PumpUntil([&] { return done.load(); }, 5000);
    input.join();
    PumpUntil([] { return false; }, 200);
  }

  static void DoubleClick(POINT at) {
    SendClick(at.x, at.y);
    SendClick(at.x, at.y);
  }

  static int RowsPerPage(CMainDlg& dialog) {
    return static_cast<int>(SendMessageW(dialog.QueryPage().List().GetHwnd(), LVM_GETCOUNTPERPAGE, 0, 0));
  }

  static RECT WorkArea(HWND window) {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcWork;
  }

  static bool ShowsSkin(CMainDlg& dialog, int id, const char* skin) {
    const auto* button = dynamic_cast<const CBkImageBtnWnd*>(dialog.GetView().FindElement(id));
    return button && button->Skin() && button->Skin() == GetSkin(skin);
  }
};

TEST_F(MainDialogResize, CornerDragGrowsTheWindowAndItsLayoutButNeverBelowTheLayer) {
  auto dialog = MakeDialog();
  const HWND window = dialog->GetHwnd();
  ASSERT_TRUE(BringToFront(window));
  SetWindowPos(window, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  const int rowsBefore = RowsPerPage(*dialog);
  const RECT searchBefore = dialog->GetView().FindElement(CQueryPage::kSearchButton)->GetRect();
  RECT frame = {};
  GetWindowRect(window, &frame);
  Drag(POINT{frame.right - 2, frame.bottom - 2}, POINT{frame.right + 198, frame.bottom + 148});
  EXPECT_EQ(880, WindowSize(window).cx);
  EXPECT_EQ(580, WindowSize(window).cy);
  EXPECT_GT(RowsPerPage(*dialog), rowsBefore + 4);

  // Elements and native windows sit at their `pos` rectangles of 880 x 580:
  // the close button 39 from the right, the footer at the bottom, the list
  // 10 in from each side and down to the footer, the search button beside
  // the right edge.
  const struct {
    int id;
    RECT expected;  // -1: not checked
  } places[] = {
      {ID_CLOSE, {841, 0, 880, -1}},
      {ID_MAXIMIZE, {813, 0, 842, -1}},
  };
  for (const auto& place : places) {
    const CBkWindow* element = dialog->GetView().FindElement(place.id);
    ASSERT_NE(nullptr, element) << place.id;
    const RECT& rect = element->GetRect();
    const LONG got[] = {rect.left, rect.top, rect.right, rect.bottom};
    const LONG want[] = {place.expected.left, place.expected.top, place.expected.right, place.expected.bottom};
    for (int i = 0; i < 4; ++i) {
      if (want[i] >= 0) {
        EXPECT_NEAR(want[i], got[i], 1) << place.id << " side " << i;
      }
    }
  }
  RECT list = {};
  GetWindowRect(dialog->QueryPage().List().GetHwnd(), &list);
  MapWindowPoints(nullptr, dialog->GetView().GetHwnd(), reinterpret_cast<POINT*>(&list), 2);
  EXPECT_EQ(13, list.left);  // the body's margin, then the query bar's
  EXPECT_EQ(880 - 13, list.right);
  EXPECT_EQ(580 - 23, list.bottom);
  const RECT footer = dialog->GetView().Section(2)->GetRect();
  EXPECT_EQ(580 - 23, footer.top);
  EXPECT_EQ(580, footer.bottom);
  // The query bar keeps its place.
  const CBkWindow* search = dialog->GetView().FindElement(CQueryPage::kSearchButton);
  EXPECT_EQ(searchBefore.top, search->GetRect().top);
  EXPECT_EQ(searchBefore.right + 200, search->GetRect().right);

  // Dragged far inwards, the window stops at the layer's size.
  GetWindowRect(window, &frame);
  Drag(POINT{frame.right - 2, frame.bottom - 2}, POINT{frame.right - 500, frame.bottom - 400});
  EXPECT_EQ(680, WindowSize(window).cx);
  EXPECT_EQ(430, WindowSize(window).cy);
}

TEST_F(MainDialogResize, ButtonAndHeaderDoubleClickMaximiseAndRestore) {
  auto dialog = MakeDialog();
  const HWND window = dialog->GetHwnd();
  ASSERT_TRUE(BringToFront(window));
  SetWindowPos(window, nullptr, 60, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT normal = {};
  GetWindowRect(window, &normal);
  const RECT work = WorkArea(window);
  const struct {
    const char* how;
    std::function<void()> act;
  } ways[] = {
      {"button", [&] { ClickElement(*dialog, ID_MAXIMIZE); }},
      {"header", [&] { DoubleClick(ScreenCentreOf(*dialog, ID_TITLE)); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.how);
    EXPECT_TRUE(ShowsSkin(*dialog, ID_MAXIMIZE, kMaximizeSkin));
    way.act();
    ASSERT_TRUE(PumpUntil([&] { return IsZoomed(window) != FALSE; }, 3000));
    RECT frame = {};
    GetWindowRect(window, &frame);
    EXPECT_NEAR(work.left, frame.left, 1);
    EXPECT_NEAR(work.right, frame.right, 1);
    EXPECT_NEAR(work.bottom, frame.bottom, 1);
    EXPECT_TRUE(ShowsSkin(*dialog, ID_MAXIMIZE, kRestoreSkin));
    // A maximised window cannot be resized from its edges.
    EXPECT_EQ(HTCLIENT, dialog->EdgeAt(POINT{frame.right - 2, frame.bottom - 2}));
    way.act();
    ASSERT_TRUE(PumpUntil([&] { return !IsZoomed(window); }, 3000));
    GetWindowRect(window, &frame);
    EXPECT_TRUE(EqualRect(&frame, &normal));
  }
}

TEST_F(MainDialogResize, SmallestSizeIsTheLayersAtTheWindowsScale) {
  auto dialog = MakeDialog();
  const struct {
    int dpi;
    LONG width, height;
  } scales[] = {{144, 1020, 645}, {96, 680, 430}};
  for (const auto& scale : scales) {
    RECT suggested = {0, 0, scale.width, scale.height};
    SendMessageW(dialog->GetHwnd(), kDpiChangedMessage, MAKEWPARAM(scale.dpi, scale.dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    MINMAXINFO info = {};
    SendMessageW(dialog->GetHwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(scale.width, info.ptMinTrackSize.x) << scale.dpi;
    EXPECT_EQ(scale.height, info.ptMinTrackSize.y) << scale.dpi;
    // The edge is a few pixels deep at the scale.
    RECT frame = {};
    GetWindowRect(dialog->GetHwnd(), &frame);
    const int edge = ScaleToDpi(kResizeEdge, scale.dpi);
    EXPECT_EQ(HTRIGHT, dialog->EdgeAt(POINT{frame.right - edge, frame.top + 100}));
    EXPECT_EQ(HTCLIENT, dialog->EdgeAt(POINT{frame.right - edge - 1, frame.top + 100}));
  }
}

TEST_F(MainDialogResize, DividerDragMovesTheRowsCellsAndDoubleClickFitsTheTexts) {
  auto dialog = MakeDialog();
  ASSERT_TRUE(Query(*dialog, L"北京", L"上海"));
  ASSERT_TRUE(BringToFront(dialog->GetHwnd()));
  const HWND list = dialog->QueryPage().List().GetHwnd();
  const HWND header = ListView_GetHeader(list);
  // The divider after `column`, on the header's screen rectangle.
  const auto dividerAt = [&](int column) {
    RECT bar = {};
    GetWindowRect(header, &bar);
    int right = 0;
    for (int i = 0; i <= column; ++i) right += ListView_GetColumnWidth(list, i);
    return POINT{bar.left + right - 1, (bar.top + bar.bottom) / 2};
  };
  // Column 1 (出发站) dragged 40 pixels wider: its cell and the next follow.
  const int before = ListView_GetColumnWidth(list, 1);
  const POINT divider = dividerAt(1);
  Drag(divider, POINT{divider.x + 40, divider.y});
  EXPECT_EQ(before + 40, ListView_GetColumnWidth(list, 1));
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  const CBkListView& rows = dialog->QueryPage().List();
  const int left = ListView_GetColumnWidth(list, 0);
  EXPECT_EQ(left + before + 40, rows.FindTemplateElement(kRowCellIds[1])->GetRect().right);
  EXPECT_EQ(left + before + 40, rows.FindTemplateElement(kRowCellIds[2])->GetRect().left);

  // A double-click on the divider fits the column to its widest station and
  // its title; every cell's text fits in it.
  DoubleClick(dividerAt(1));
  ASSERT_TRUE(PumpUntil([&] { return ListView_GetColumnWidth(list, 1) != before + 40; }, 3000));
  const int fitted = ListView_GetColumnWidth(list, 1);
  std::vector<std::wstring> texts;
  for (const TicketRow& row : dialog->QueryPage().ShownRows()) texts.push_back(RowTexts(row)[1]);
  EXPECT_LT(WidestText(list, texts), fitted);
  EXPECT_LT(WidestText(list, {ColumnTitle(list, 1)}), fitted);
  EXPECT_LT(fitted, before + 40);
}

}  // namespace
