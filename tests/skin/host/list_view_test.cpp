#include "skin/host/list_view.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/gdi_handles.h"
#include "skin/resources/style.h"
#include "tests/skin/host/host_test_windows.h"
#include "tests/skin/host/view_test_util.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/scratch_skin_folder.h"
#include "tests/support/test_support.h"

namespace {

constexpr UINT kListId = 2100;
constexpr int kListWidth = 680;
constexpr int kListHeight = 480;
constexpr int kRowCount = 20;
constexpr int kFilledRows = 10;
constexpr COLORREF kOdd = RGB(0xA9, 0xDA, 0xF1);
constexpr COLORREF kEven = RGB(0xE0, 0xED, 0xFD);
constexpr COLORREF kSelected = RGB(0xB7, 0xC4, 0xD4);
constexpr COLORREF kLine = RGB(0xCC, 0xCC, 0xCC);
constexpr int kColumnWidths[] = {50, 70, 70, 50, 50, 80, 80, 40, 40, 50, 40, 120, 80, 50};
constexpr int kTextIds[] = {20020, 20021, 20022, 20023, 20024, 20025, 20026,
                            20027, 20028, 20029, 20111, 20112, 20113, 20114};

struct RowRequest {
  int row;
  int hover;
  int selected;
};

// The owner window of the list, as the main dialog's view behaves towards it:
// reflects custom draw back to the list and fills the template per row.
class ListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadStrings(102));
    BkFontPool::SetDefaultFont(GetString(0), -12);
    const RECT frameRect = {0, 0, kListWidth + 20, kListHeight + 20};
    // The real cursor may still rest where an earlier test left it: keep it
    // off the list, so that no row starts out hovered.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    owner_.handler = [this](RecordingWindow& window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
      return OnOwnerMessage(window, message, wParam, lParam, result);
    };
    ASSERT_NE(owner_.Create(nullptr, &frameRect, L"owner", WS_POPUP | WS_CLIPCHILDREN), nullptr);
    list_ = list.Create(owner_.GetHwnd(), kListId);
    ASSERT_NE(list_, nullptr);
    ASSERT_TRUE(list.LoadTemplateResource(106));
    SendMessageW(list_, LVM_DELETECOLUMN, 0, 0);
    int index = 0;
    for (const int width : kColumnWidths) {
      LVCOLUMNW column = {};
      column.mask = LVCF_WIDTH | LVCF_TEXT;
      column.cx = width;
      column.pszText = const_cast<wchar_t*>(L"C");
      SendMessageW(list_, LVM_INSERTCOLUMNW, index++, reinterpret_cast<LPARAM>(&column));
    }
    MoveWindow(list_, 0, 0, kListWidth, kListHeight, TRUE);
    SendMessageW(list_, LVM_SETITEMCOUNT, kRowCount, 0);
    ASSERT_TRUE(BringToFront(owner_.GetHwnd()));
    Settle();
  }

  bool OnOwnerMessage(RecordingWindow& window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message != WM_NOTIFY) return false;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
      return ReflectNotification(window.GetHwnd(), message, wParam, lParam, result);
    }
    if (header->idFrom != kListId) return false;
    if (header->code == static_cast<UINT>(LVN_ITEMCHANGED)) {
      stateChanges.push_back(reinterpret_cast<NMLISTVIEW*>(lParam)->iItem);
      return false;
    }
    if (header->code == SKLN_GETROWDATA) {
      const auto& notify = *reinterpret_cast<RowDataNotify*>(lParam);
      requests.push_back({notify.row, notify.hover, notify.selected});
      FillRow(notify.row, notify.selected != 0);
    } else if (header->code == SKLN_ROWCLICK) {
      clicks.push_back(*reinterpret_cast<RowClickNotify*>(lParam));
      if (onClick) onClick();
    }
    result = 0;
    return true;
  }

  void FillRow(int row, bool selected) {
    const char* colour = selected ? "B7C4D4" : (row % 2 ? "A9DAF1" : "E0EDFD");
    list.SetElementAttribute(5, "crbg", colour);
    // Only the first cell carries text, so the others show the background.
    for (const int id : kTextIds) {
      list.SetElementText(id, row < kFilledRows && id == kTextIds[0] ? L"88:" + std::to_wstring(row) : L"");
    }
  }

  void Settle() {
    UpdateWindow(list_);
    PumpUntil([] { return false; }, 50);
  }

  std::unique_ptr<DibCanvas> Capture() { return CaptureWholeClient(list_); }

  RECT Row(int row) const {
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    return bounds;
  }

  int TopRow() const { return static_cast<int>(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0)); }
  int RowsPerPage() const { return static_cast<int>(SendMessageW(list_, LVM_GETCOUNTPERPAGE, 0, 0)); }
  int Selected() const {
    return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }

  // As the mouse does it: it moves onto the point before it presses.
  void Click(POINT point) {
    PostMessageW(list_, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
    PostMessageW(list_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    PostMessageW(list_, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    PumpUntil([] { return false; }, 50);
  }

  void RepaintAll() {
    requests.clear();
    InvalidateRect(list_, nullptr, TRUE);
    UpdateWindow(list_);
  }

  std::map<int, int> AsksPerRow() const {
    std::map<int, int> asks;
    for (const RowRequest& request : requests) ++asks[request.row];
    return asks;
  }

  RecordingWindow owner_;
  CBkListView list;
  HWND list_ = nullptr;
  std::vector<RowRequest> requests;
  std::vector<RowClickNotify> clicks;
  std::vector<int> stateChanges;  // rows of LVN_ITEMCHANGED
  std::function<void()> onClick;
};

int CountDarkPixels(const DibCanvas& canvas, const RECT& area) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += GetGValue(canvas.Pixel(x, y)) < 0x80;
  }
  return count;
}

TEST_F(ListViewTest, IsAnOwnerDataReportListWithRowsOfTheTemplateHeight) {
  EXPECT_EQ(GetParent(list_), owner_.GetHwnd());
  EXPECT_EQ(GetDlgCtrlID(list_), static_cast<int>(kListId));
  // The control adds its scroll bars itself.
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(list_, GWL_STYLE)) & 0xFFFF0000u & ~(WS_HSCROLL | WS_VSCROLL),
            0x50010000u);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(list_, GWL_STYLE)) & 0xFFFFu, 0x1009u);
  EXPECT_TRUE(SendMessageW(list_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
  EXPECT_EQ(list.GetRowHeight(), 24);
  for (int row = 0; row < 3; ++row) {
    const RECT bounds = Row(row);
    EXPECT_EQ(bounds.bottom - bounds.top, 24) << row;
  }
  EXPECT_EQ(list.Create(owner_.GetHwnd(), kListId), list_);
}

TEST_F(ListViewTest, PaintsEveryVisibleRowInTheOwnersColoursWithTheBottomLine) {
  RepaintAll();
  const auto canvas = Capture();
  const int top = TopRow();
  const int visible = RowsPerPage();
  ASSERT_GE(visible, 10);
  for (int row = top; row < top + visible; ++row) {
    SCOPED_TRACE(row);
    const RECT bounds = Row(row);
    EXPECT_EQ(canvas->Pixel(300, bounds.top + 3), row % 2 ? kOdd : kEven);
    EXPECT_EQ(canvas->Pixel(600, bounds.top + 20), row % 2 ? kOdd : kEven);
    // The bottom line spans the row bitmap on the row's last pixel row.
    for (const int x : {0, 100, 400, 600}) EXPECT_EQ(canvas->Pixel(x, bounds.bottom - 1), kLine) << x;
    EXPECT_NE(canvas->Pixel(300, bounds.bottom - 2), kLine);
    // Filled rows carry their texts, blanked rows none.
    const RECT firstCell = {2, bounds.top, 50, bounds.bottom - 1};
    if (row < kFilledRows) {
      EXPECT_GT(CountDarkPixels(*canvas, firstCell), 5);
    } else {
      EXPECT_EQ(CountDarkPixels(*canvas, firstCell), 0);
    }
  }
}

TEST_F(ListViewTest, AsksTheOwnerOnlyForVisibleRowsOncePerPaint) {
  RepaintAll();
  const int top = TopRow();
  const int visible = RowsPerPage();
  ASSERT_LT(top + visible, kRowCount) << "the list must be scrollable for this case";
  const std::map<int, int> asks = AsksPerRow();
  for (int row = 0; row < kRowCount; ++row) {
    SCOPED_TRACE(row);
    const auto found = asks.find(row);
    const int count = found == asks.end() ? 0 : found->second;
    if (row >= top && row < top + visible) {
      EXPECT_EQ(count, 1);
    } else if (row > top + visible) {
      EXPECT_EQ(count, 0);
    }
  }
  for (const RowRequest& request : requests) {
    EXPECT_EQ(request.hover, 0);
    EXPECT_EQ(request.selected, 0);
  }
}

// Counts the WM_PAINTs a window receives, through a window subclass.
LRESULT CALLBACK CountPaints(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR count) {
  if (message == WM_PAINT) ++*reinterpret_cast<int*>(count);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

TEST_F(ListViewTest, RefreshRowsRepaintsEveryVisibleRowAndLeavesTheHeaderAlone) {
  const HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
  ASSERT_NE(nullptr, header);
  RECT headerRect = {};
  GetClientRect(header, &headerRect);
  ASSERT_GT(headerRect.bottom, 0);
  const auto before = CaptureWholeClient(header);
  int headerPaints = 0;
  ASSERT_TRUE(SetWindowSubclass(header, CountPaints, 1, reinterpret_cast<DWORD_PTR>(&headerPaints)));
  requests.clear();

  list.RefreshRows();

  // Every visible row was asked for and painted at once, the header not at all.
  const std::map<int, int> asks = AsksPerRow();
  for (int row = TopRow(); row < TopRow() + RowsPerPage() && row < kRowCount; ++row)
    EXPECT_EQ(1u, asks.count(row)) << row;
  EXPECT_EQ(0, headerPaints);
  RemoveWindowSubclass(header, CountPaints, 1);
  const auto after = CaptureWholeClient(header);
  int changed = 0;
  for (int y = 0; y < headerRect.bottom; ++y)
    for (int x = 0; x < headerRect.right; ++x) changed += before->Pixel(x, y) != after->Pixel(x, y);
  EXPECT_EQ(0, changed) << "the header keeps its titles";
  const auto rows = Capture();
  EXPECT_EQ(kEven, rows->Pixel(kListWidth / 2, Row(0).top + 2));
}

TEST_F(ListViewTest, ScrollingALongListAsksOnlyForTheRowsItExposes) {
  SendMessageW(list_, LVM_SETITEMCOUNT, 3000, 0);
  Settle();
  const int visible = RowsPerPage();
  ASSERT_GE(visible, 10);
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int rows;  // rows the step moves
  };
  const Case cases[] = {
      {"three rows down", LVM_SCROLL, 0, 3 * 24, 3},
      {"one row down", WM_VSCROLL, SB_LINEDOWN, 0, 1},
      {"a page down", WM_VSCROLL, SB_PAGEDOWN, 0, visible},
      {"three rows up", LVM_SCROLL, 0, -3 * 24, -3},
  };
  SendMessageW(list_, LVM_ENSUREVISIBLE, 100, FALSE);
  Settle();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int top = TopRow();
    requests.clear();
    SendMessageW(list_, c.message, c.wParam, c.lParam);
    UpdateWindow(list_);
    ASSERT_EQ(TopRow(), top + c.rows);
    // Rows that stay in view keep their pixels; the rows scrolled into view
    // are each asked for once (a partly shown row at the bottom may be too),
    // except the partly shown row of before the step, which the template
    // still holds when it was the last one painted.
    const int firstExposed = c.rows > 0 ? top + visible : top + c.rows;
    const int endExposed = c.rows > 0 ? top + c.rows + visible : top;
    const std::map<int, int> asks = AsksPerRow();
    for (int row = firstExposed; row < endExposed; ++row) {
      const auto found = asks.find(row);
      const int count = found == asks.end() ? 0 : found->second;
      if (row == top + visible) {
        EXPECT_LE(count, 1) << row;
      } else {
        EXPECT_EQ(count, 1) << row;
      }
    }
    for (const auto& [row, count] : asks) {
      const bool exposed = row >= firstExposed && row < endExposed;
      const bool partlyShown = row == top + c.rows + visible;
      EXPECT_TRUE(exposed || partlyShown) << "row " << row << " asked " << count << " times";
    }
  }
}

TEST_F(ListViewTest, ClickOnRowThreeReportsTheRowAndElementAndSelectsIt) {
  const RECT bounds = Row(3);
  Click({10, bounds.top + 12});
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].hdr.hwndFrom, list_);
  EXPECT_EQ(clicks[0].hdr.idFrom, kListId);
  EXPECT_EQ(clicks[0].row, 3);
  // The row's full-size link comes first in the template and takes the click.
  EXPECT_EQ(clicks[0].itemId, 5);
  EXPECT_EQ(Selected(), 3);
  EXPECT_EQ(GetFocus(), list_);

  // The selected row is asked for again with its flag and shows the owner's
  // colour.
  RepaintAll();
  bool askedSelected = false;
  for (const RowRequest& request : requests) askedSelected |= request.row == 3 && request.selected;
  EXPECT_TRUE(askedSelected);
  const auto canvas = Capture();
  EXPECT_EQ(canvas->Pixel(300, bounds.top + 3), kSelected);
  EXPECT_EQ(canvas->Pixel(300, Row(4).top + 3), kEven);
}

TEST_F(ListViewTest, PressBelowTheLastRowSelectsNothing) {
  SendMessageW(list_, LVM_SETITEMCOUNT, 3, 0);
  Settle();
  const POINT below = {100, Row(2).bottom + 40};
  Click(below);
  EXPECT_TRUE(clicks.empty());
  EXPECT_EQ(SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0), 0);
  EXPECT_TRUE(stateChanges.empty()) << "first changed row: " << stateChanges.front();

  Click({100, Row(1).top + 5});
  EXPECT_EQ(Selected(), 1);
  ASSERT_FALSE(stateChanges.empty());
  for (const int row : stateChanges) EXPECT_EQ(row, 1);
  stateChanges.clear();
  Click(below);
  EXPECT_TRUE(stateChanges.empty());
  EXPECT_EQ(SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0), 1);
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(clicks.size(), 1u);

  // Below the rows the list is white.
  const auto canvas = Capture();
  EXPECT_EQ(canvas->Pixel(100, below.y), RGB(255, 255, 255));
}

TEST_F(ListViewTest, KeysMoveTheSelectionFromTheClickedRow) {
  Click({100, Row(2).top + 5});
  ASSERT_EQ(Selected(), 2);
  SendMessageW(list_, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(Selected(), 3);
  SendMessageW(list_, WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(Selected(), static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)) - 1);
  EXPECT_EQ(SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0), 1);
}

TEST_F(ListViewTest, TemplateHeightIsKeptWithinBounds) {
  struct Case {
    const char* height;
    int rowHeight;
  };
  const Case cases[] = {
      {"24", 24}, {"1", 1}, {"0", 1}, {"-7", 1}, {"512", 512}, {"513", 512}, {"99999999999", 512},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.height);
    const std::string xml = std::string("<listitem height=\"") + c.height +
                            "\"><dlg pos=\"0,0,-0,-0\"><text id=\"7\" "
                            "pos=\"0,0,-0,-0\"/></dlg></listitem>";
    ASSERT_TRUE(list.LoadTemplate(xml));
    EXPECT_TRUE(list.IsTemplateLoaded());
    EXPECT_EQ(list.GetRowHeight(), c.rowHeight);
    EXPECT_TRUE(list.SetElementText(7, L"x"));
    const RECT placed = list.Template().GetRect();
    EXPECT_EQ(placed.bottom - placed.top, c.rowHeight);
    RepaintAll();
  }
}

TEST_F(ListViewTest, TemplatesWithoutHeightOrOfAnotherKindLoadNoElements) {
  EXPECT_TRUE(list.LoadTemplate("<listitem><text id=\"7\" pos=\"0,0,-0,-0\"/></listitem>"));
  EXPECT_TRUE(list.IsTemplateLoaded());
  EXPECT_FALSE(list.SetElementText(7, L"x"));
  EXPECT_FALSE(list.SetElementAttribute(7, "crbg", "FF0000"));

  EXPECT_FALSE(list.LoadTemplate("<dialog height=\"24\"><text id=\"7\"/></dialog>"));
  EXPECT_FALSE(list.IsTemplateLoaded());
  EXPECT_FALSE(list.SetElementText(7, L"x"));
  EXPECT_FALSE(list.LoadTemplate("<listitem height=\"24\"><text id=\"7\"></listitem>"));
  EXPECT_FALSE(list.IsTemplateLoaded());
  EXPECT_FALSE(list.LoadTemplateResource(999));
  RepaintAll();
}

TEST_F(ListViewTest, ListNarrowerThanItsScrollBarPaintsNoRows) {
  for (const int width : {GetSystemMetrics(SM_CXVSCROLL), 3, 0}) {
    SCOPED_TRACE(width);
    MoveWindow(list_, 0, 0, width, kListHeight, TRUE);
    RepaintAll();
    EXPECT_TRUE(requests.empty());
  }
  MoveWindow(list_, 0, 0, kListWidth, kListHeight, TRUE);
  RepaintAll();
  EXPECT_FALSE(requests.empty());
}

TEST_F(ListViewTest, OwnerMayDestroyTheListOrReplaceTheTemplateWhileHandlingAClick) {
  onClick = [this] {
    ASSERT_TRUE(
        list.LoadTemplate("<listitem height=\"24\"><dlg pos=\"0,0,-0,-0\"><link id=\"9\" "
                          "pos=\"0,0,-0,-0\"/></dlg></listitem>"));
  };
  Click({10, Row(2).top + 5});
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].itemId, 5);
  onClick = nullptr;
  RepaintAll();
  Click({10, Row(4).top + 5});
  ASSERT_EQ(clicks.size(), 2u);
  EXPECT_EQ(clicks[1].row, 4);
  EXPECT_EQ(clicks[1].itemId, 9);

  onClick = [this] { list.DestroyWindow(); };
  Click({10, Row(1).top + 5});
  EXPECT_EQ(clicks.size(), 3u);
  EXPECT_FALSE(::IsWindow(list_));
  EXPECT_FALSE(list.IsWindow());
}

TEST_F(ListViewTest, MovingFromRowToRowRedrawsBothAndAsksWithTheHoverFlag) {
  PostMessageW(list_, WM_MOUSEMOVE, 0, MAKELPARAM(300, Row(3).top + 5));
  PumpUntil([] { return false; }, 30);
  EXPECT_EQ(list.GetHoverRow(), 3);
  RepaintAll();
  requests.clear();
  PostMessageW(list_, WM_MOUSEMOVE, 0, MAKELPARAM(300, Row(4).top + 5));
  PumpUntil([] { return false; }, 30);
  UpdateWindow(list_);
  EXPECT_EQ(list.GetHoverRow(), 4);
  const std::map<int, int> asks = AsksPerRow();
  EXPECT_GE(asks.count(3), 1u);
  EXPECT_GE(asks.count(4), 1u);
  bool hoverFlag = false;
  for (const RowRequest& request : requests) {
    if (request.row == 4) hoverFlag |= request.hover != 0;
    if (request.row == 3) {
      EXPECT_EQ(request.hover, 0);
    }
  }
  EXPECT_TRUE(hoverFlag);
}

TEST_F(ListViewTest, HoverLookShowsOnlyOnTheHoverRow) {
  ScratchSkinFolder folder("list-hover");
  ASSERT_TRUE(folder.Write(970, "<style><class name=\"cell\" crbg=\"00FF00\" crbghover=\"FF0000\"/></style>"));
  ASSERT_TRUE(LoadStyles(970));
  ASSERT_TRUE(
      list.LoadTemplate("<listitem height=\"24\"><dlg pos=\"0,0,-0,-0\">"
                        "<text id=\"8\" class=\"cell\" pos=\"300,0,400,-0\"/></dlg></listitem>"));
  PostMessageW(list_, WM_MOUSEMOVE, 0, MAKELPARAM(350, Row(3).top + 5));
  PumpUntil([] { return false; }, 30);
  RepaintAll();
  const auto canvas = Capture();
  for (int row = 0; row < 8; ++row) {
    SCOPED_TRACE(row);
    const RECT bounds = Row(row);
    EXPECT_EQ(canvas->Pixel(350, bounds.top + 12), row == 3 ? RGB(255, 0, 0) : RGB(0, 255, 0));
  }

  // Leaving the list takes the hover look away.
  SendMessageW(list_, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(list.GetHoverRow(), -1);
  RepaintAll();
  EXPECT_EQ(Capture()->Pixel(350, Row(3).top + 12), RGB(0, 255, 0));
}

// Every object made while painting rows is deleted: with the process's GDI
// handles used up but for a margin, a few hundred row paints must leave the
// margin as it was.
TEST_F(ListViewTest, PaintingRowsLeavesNoGdiObjectBehind) {
  RepaintAll();  // fonts and brushes the pools keep are made here
  constexpr int kMargin = 150;
  std::vector<GdiObject<HRGN>> filler;
  filler.reserve(70000);
  for (;;) {
    HRGN region = CreateRectRgn(0, 0, 1, 1);
    if (!region) break;
    filler.emplace_back(region);
    if (filler.size() >= 70000) break;
  }
  ASSERT_GT(filler.size(), static_cast<size_t>(kMargin));
  filler.resize(filler.size() - kMargin);

  int rowPaints = 0;
  for (int round = 0; round < 12; ++round) {
    RepaintAll();
    rowPaints += static_cast<int>(requests.size());
  }
  int freeAfter = 0;
  std::vector<GdiObject<HRGN>> probe;
  for (; freeAfter < kMargin; ++freeAfter) {
    HRGN region = CreateRectRgn(0, 0, 1, 1);
    if (!region) break;
    probe.emplace_back(region);
  }
  probe.clear();
  filler.clear();
  EXPECT_GT(rowPaints, kMargin);
  EXPECT_GE(freeAfter, kMargin - 10);
}

// Ten thousand row paints and a thousand hover, press and click cycles over
// the rows leave the process with the GDI objects it had after the first ones.
TEST_F(ListViewTest, RowsKeepTheObjectCountFlatOverLongUse) {
  const auto clickRow = [this](int row) {
    const size_t before = clicks.size();
    const RECT bounds = Row(row);
    PostMessageW(list_, WM_MOUSEMOVE, 0, MAKELPARAM(300, bounds.top + 12));
    PostMessageW(list_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, bounds.top + 12));
    PostMessageW(list_, WM_LBUTTONUP, 0, MAKELPARAM(300, bounds.top + 12));
    return PumpUntil([&] { return clicks.size() > before; }, 5000);
  };
  for (int round = 0; round < 5; ++round) {
    RepaintAll();
    ASSERT_TRUE(clickRow(round));
  }
  clicks.clear();
  const int before = CountLiveGdiObjects();

  int rowPaints = 0;
  while (rowPaints < 10000) {
    RepaintAll();
    ASSERT_FALSE(requests.empty());
    rowPaints += static_cast<int>(requests.size());
  }
  EXPECT_EQ(before, CountLiveGdiObjects());
  for (int cycle = 0; cycle < 1000; ++cycle) ASSERT_TRUE(clickRow(cycle % 7)) << cycle;
  SendMessageW(list_, WM_MOUSELEAVE, 0, 0);
  UpdateWindow(list_);
  EXPECT_EQ(before, CountLiveGdiObjects());
  EXPECT_EQ(clicks.size(), 1000u);
  EXPECT_EQ(clicks.back().row, 999 % 7);
  EXPECT_EQ(Selected(), 999 % 7);
}

}  // namespace
