// The main window by keyboard alone, with real key input: the Tab walk, the
// focus ring's pixels, Space on a check box, page keys, access keys, the
// list's keys and the focus that comes back after a page change.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "app/core/ticket_csv.h"
#include "app/window/main_dialog.h"
#include "app/window/query_bar_boxes.h"
#include "app/window/query_status.h"
#include "skin/tree/tab_control.h"
#include "tests/app/window/main_dialog_fixture.h"

namespace {

class KeysTest : public MainDialogFixture {
 protected:
  void SetUp() override {
    MainDialogFixture::SetUp();
    // Windows' default, which Wine does not share: cues wait for the keyboard.
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cuesAlways_, 0);
    SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, nullptr, 0);
    dialog_ = MakeDialog();
    ASSERT_TRUE(BringToFront(dialog_->GetHwnd()));
  }

  void TearDown() override {
    SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(cuesAlways_)), 0);
  }

  CBkDialogView& View() { return dialog_->GetView(); }

  // The id of what has the focus: the focused element's while the view has
  // it, else the native window's control id.
  int FocusId() {
    const HWND focus = GetFocus();
    if (focus != View().GetHwnd()) return focus ? GetDlgCtrlID(focus) : 0;
    const CBkWindow* element = LookupElement(View().GetFocusedElement());
    return element ? element->GetElementId() : -1;
  }

  void Press(std::vector<int> keys) {
    std::vector<int> strokes = keys;
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) strokes.push_back(-*key);
    SendKeys(strokes);
    PumpUntil([] { return false; }, 60);
  }

  void FocusElement(int id) {
    ASSERT_TRUE(View().SetFocusedElement(View().FindElement(id)->GetHandle()));
    PumpUntil([] { return false; }, 30);
  }

  std::unique_ptr<CMainDlg> dialog_;
  BOOL cuesAlways_ = FALSE;
};

TEST_F(KeysTest, TabWalksEveryControlOfTheTicketPageInReadingOrderAndShiftTabBack) {
  // Reading order: the tab heads and the filter and watch bars beside them,
  // the query bar (stations, date and its calendar button, the kinds, 返程,
  // search), then the list; it wraps around.
  std::vector<int> order = {CMainDlg::kTabControl,         CQueryPage::kAvailableBox, CQueryPage::kDepartRangeLink,
                            CQueryPage::kWatchBox,          CQueryPage::kWatchEditId,  CQueryPage::kFromEditId,
                            CQueryPage::kToEditId,          CQueryPage::kDateEditId,   CQueryPage::kCalendarButton};
  for (int id = QueryBarBoxes::kAllKindsId; id <= QueryBarBoxes::kReturnTripId; ++id) order.push_back(id);
  order.push_back(CQueryPage::kSearchButton);
  order.push_back(CQueryPage::kListId);
  FocusElement(CMainDlg::kTabControl);
  for (size_t step = 1; step <= order.size(); ++step) {
    Press({VK_TAB});
    EXPECT_EQ(order[step % order.size()], FocusId()) << "Tab " << step;
  }
  for (size_t step = order.size(); step-- > 0;) {
    Press({VK_SHIFT, VK_TAB});
    EXPECT_EQ(order[step], FocusId()) << "Shift+Tab back to " << step;
  }
  // The search button hidden while focused (during its query): the walk
  // goes on from its place.
  FocusElement(CQueryPage::kSearchButton);
  View().SetElementVisible(CQueryPage::kSearchButton, false);
  Press({VK_TAB});
  EXPECT_EQ(CQueryPage::kListId, FocusId());
}

TEST_F(KeysTest, OnTheHelpPageEachLinkOfTheRichTextIsAStopOfItsOwn) {
  Press({VK_CONTROL, '4'});
  FocusElement(CMainDlg::kTabControl);
  const struct {
    int id;
    int link;
  } order[] = {{12000, 0}, {12000, 1}, {12020, -1}, {12021, -1}, {CMainDlg::kTabControl, -1}};
  for (const auto& stop : order) {
    Press({VK_TAB});
    EXPECT_EQ(stop.id, FocusId());
    EXPECT_EQ(stop.link, View().GetFocusedLink());
  }
}

TEST_F(KeysTest, TheFocusRingIsDrawnAroundTheFocusedElementOnlyAndOnlyAfterAKey) {
  const auto ringArea = [&](int id) {
    RECT area = View().FindElement(id)->GetRect();
    InflateRect(&area, 2, 2);
    return ScaleRectOut(area, dialog_->GetDpi());
  };
  const auto outside = [](const RECT& r, int x, int y) {
    return x < r.left || x >= r.right || y < r.top || y >= r.bottom;
  };
  // Pressed with the mouse: focused, but no ring until a key is used.
  ClickElement(*dialog_, QueryBarBoxes::kReturnTripId);
  ASSERT_TRUE(PumpUntil([&] { return FocusId() == QueryBarBoxes::kReturnTripId; }, 3000));
  ClickElement(*dialog_, QueryBarBoxes::kReturnTripId);  // back to unchecked
  SetCursorPos(0, 0);
  PumpUntil([] { return false; }, 200);
  const auto plain = CaptureWholeClient(View().GetHwnd());
  Press({VK_TAB});
  ASSERT_EQ(CQueryPage::kSearchButton, FocusId());
  const auto ringed = CaptureWholeClient(View().GetHwnd());
  ASSERT_TRUE(plain && ringed);

  const RECT ring = ringArea(CQueryPage::kSearchButton);
  int changedOnRing = 0, changedElsewhere = 0;
  for (int y = 0; y < plain->height(); ++y)
    for (int x = 0; x < plain->width(); ++x) {
      if (plain->Pixel(x, y) == ringed->Pixel(x, y)) continue;
      if (outside(ring, x, y))
        ++changedElsewhere;
      else
        ++changedOnRing;
    }
  const int perimeter = 2 * (ring.right - ring.left + ring.bottom - ring.top);
  EXPECT_GE(changedOnRing, perimeter * 3 / 4) << "the ring is missing";
  EXPECT_EQ(0, changedElsewhere) << "pixels changed away from the focused button";
  // Both lines of the ring: a dark outer and a light inner one.
  const COLORREF corner = ringed->Pixel(ring.left + 3, ring.top);
  const COLORREF inner = ringed->Pixel(ring.left + 3, ring.top + 1);
  EXPECT_LT(GetRValue(corner) + GetGValue(corner) + GetBValue(corner), 200);
  EXPECT_GT(GetRValue(inner) + GetGValue(inner) + GetBValue(inner), 600);
}

TEST_F(KeysTest, SpaceTogglesACheckBoxAsAClickDoesAndEnterPressesTheFocusedButton) {
  // 全选 clears or sets every kind: the program reacts to the key as to a click.
  FocusElement(QueryBarBoxes::kAllKindsId);
  ASSERT_TRUE(Checked(*dialog_, QueryBarBoxes::kFirstKindId));
  Press({VK_SPACE});
  EXPECT_FALSE(Checked(*dialog_, QueryBarBoxes::kAllKindsId));
  EXPECT_FALSE(Checked(*dialog_, QueryBarBoxes::kFirstKindId));
  Press({VK_SPACE});
  EXPECT_TRUE(Checked(*dialog_, QueryBarBoxes::kFirstKindId));

  FocusElement(CQueryPage::kCalendarButton);
  Press({VK_RETURN});
  EXPECT_TRUE(PumpUntil([&] { return dialog_->QueryPage().DateBox().Calendar().IsShown(); }, 3000));
  Press({VK_ESCAPE});
  // The closed pop-up gives the focus back to the button.
  EXPECT_TRUE(PumpUntil([&] { return FocusId() == CQueryPage::kCalendarButton; }, 3000));
}

TEST_F(KeysTest, PageKeysAndAccessKeysMoveAndTheFocusComesBackToThePage) {
  const auto* tabs = dynamic_cast<const CBkTabCtrl*>(View().FindElement(CMainDlg::kTabControl));
  ASSERT_NE(nullptr, tabs);
  Press({VK_MENU, 'T'});
  ASSERT_EQ(CQueryPage::kToEditId, FocusId());
  Press({VK_MENU, 'D'});
  EXPECT_EQ(CQueryPage::kDateEditId, FocusId());
  Press({VK_MENU, 'F'});
  EXPECT_EQ(CQueryPage::kFromEditId, FocusId());
  const struct {
    std::vector<int> keys;
    int page;
  } steps[] = {{{VK_CONTROL, VK_TAB}, 1},
               {{VK_CONTROL, VK_SHIFT, VK_TAB}, 0},
               {{VK_CONTROL, '4'}, 3},
               {{VK_CONTROL, VK_SHIFT, VK_TAB}, 2},
               {{VK_CONTROL, '2'}, 1}};
  for (const auto& step : steps) {
    Press(step.keys);
    EXPECT_EQ(step.page, tabs->GetCurSel());
  }
  // The owner heard: the ticket page's bar is hidden, the train box answers Alt+N.
  EXPECT_FALSE(View().FindElement(CQueryPage::kQueryBar)->IsVisible(true));
  Press({VK_MENU, 'N'});
  EXPECT_EQ(2260, FocusId());
  Press({VK_CONTROL, '1'});
  EXPECT_TRUE(PumpUntil([&] { return FocusId() == CQueryPage::kFromEditId; }, 3000)) << FocusId();
  Press({VK_CONTROL, '2'});
  EXPECT_TRUE(PumpUntil([&] { return FocusId() == 2260; }, 3000)) << FocusId();
}

TEST_F(KeysTest, ListKeysMoveExtendAndSelectAllAndTheMenuKeyOpensTheRowMenuBelowTheRow) {
  CQueryPage& page = dialog_->QueryPage();
  ASSERT_TRUE(Query(*dialog_, L"北京", L"上海"));
  ASSERT_EQ(32u, page.ShownRows().size());
  const HWND list = page.List().GetHwnd();
  ASSERT_TRUE(BringToFront(dialog_->GetHwnd()));
  SetFocus(list);
  const auto selected = [&] {
    std::vector<int> rows;
    for (int row = -1; (row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0;)
      rows.push_back(row);
    return rows;
  };
  const auto top = [&] { return static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)); };
  Press({VK_DOWN});
  EXPECT_EQ(std::vector<int>{0}, selected());
  Press({VK_END});
  EXPECT_EQ(std::vector<int>{31}, selected());
  EXPECT_GT(top(), 0) << "the last row was not scrolled into view";
  Press({VK_HOME});
  EXPECT_EQ(0, top());
  Press({VK_NEXT});
  EXPECT_GT(selected().at(0), 3);
  Press({VK_HOME});
  for (int i = 0; i < 3; ++i) Press({VK_DOWN});
  Press({VK_SHIFT, VK_DOWN});
  EXPECT_EQ((std::vector<int>{3, 4}), selected());

  // Copy takes both rows in list order.
  if (OpenClipboard(nullptr)) EmptyClipboard(), CloseClipboard();
  Press({VK_CONTROL, 'C'});
  std::vector<std::wstring> titles;
  for (int i = 0; i < 14; ++i) titles.push_back(TableString(31 + i));
  std::wstring copied;
  if (OpenClipboard(nullptr)) {
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (const auto* chars = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr) copied = chars;
    if (data) GlobalUnlock(data);
    CloseClipboard();
  }
  EXPECT_EQ(RowsAsTabText(titles, {page.ShownRows()[3], page.ShownRows()[4]}), copied);

  // The context-menu key: the row menu just below the focused row.
  Press({VK_APPS});
  ASSERT_TRUE(PumpUntil([&] { return page.RowMenu().IsShown(); }, 5000));
  RECT row = {LVIR_BOUNDS, 0, 0, 0};
  SendMessageW(list, LVM_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&row));
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&row), 2);
  RECT menu = {};
  GetWindowRect(GetAncestor(page.RowMenu().GetView().GetHwnd(), GA_ROOT), &menu);
  EXPECT_NEAR(row.bottom, menu.top, 2);
  EXPECT_GE(menu.left, row.left);
  Press({VK_ESCAPE});
  ASSERT_TRUE(PumpUntil([&] { return !page.RowMenu().IsShown(); }, 5000));
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == list; }, 3000));

  Press({VK_CONTROL, 'A'});
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(selected().size()));
}

}  // namespace
