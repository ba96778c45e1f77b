// The query bar's check boxes and the list's column headers in the real main
// window: the train-kind filter, "全选", the return trip, sorting and the seat
// colours, driven with real mouse input against the demo site.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/core/query_request.h"
#include "app/core/result_columns.h"
#include "app/core/result_page.h"
#include "app/core/ticket_order.h"
#include "app/core/travel_date.h"
#include "app/window/date_box.h"
#include "app/window/main_dialog.h"
#include "app/window/query_bar_boxes.h"
#include "skin/host/dialog_view.h"
#include "tests/app/window/main_dialog_fixture.h"
#include "tests/support/dib_canvas.h"

namespace {

// Pixels of a drawn green (the seat colour for tickets left) in `cell` of
// item `item`: green well above red and above blue, which no row background
// and no grey text has.
int GreenPixels(const DibCanvas& canvas, HWND list, int item, int left, int right) {
  RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
  SendMessageW(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&bounds));
  int green = 0;
  for (int y = bounds.top; y < bounds.bottom; ++y)
    for (int x = left; x < right; ++x) {
      const COLORREF pixel = canvas.Pixel(x, y);
      green += GetGValue(pixel) > GetBValue(pixel) + 10 && GetGValue(pixel) > GetRValue(pixel) + 40;
    }
  return green;
}

// Dark pixels (text of any colour) in the first cell of item `item`.
int TextPixels(const DibCanvas& canvas, HWND list, int item) {
  RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
  SendMessageW(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&bounds));
  int dark = 0;
  for (int y = bounds.top; y < bounds.bottom - 1; ++y)
    for (int x = 2; x < 48; ++x) dark += GetRValue(canvas.Pixel(x, y)) < 120;
  return dark;
}

bool AnyCodeOfKind(const std::vector<TicketRow>& rows, unsigned kind) {
  for (const TicketRow& row : rows)
    if (TrainKindOf(row.trainCode) == kind) return true;
  return false;
}

class QueryBarTest : public MainDialogFixture {
 protected:
  void TearDown() override { SendMouseButton(false); }

  // Queries 北京 to 上海 with real input and waits for its 32 trains.
  void QueryBeijingShanghai(CMainDlg& dialog) {
    CQueryPage& page = dialog.QueryPage();
    Type(page.FromEdit().GetHwnd(), L"北京");
    Type(page.ToEdit().GetHwnd(), L"上海");
    ClickElement(dialog, CQueryPage::kSearchButton);
    ASSERT_TRUE(PumpUntil([&] { return !page.Rows().empty() && !Busy(dialog); }, 20000));
  }

  // A real click near the left end of element `id`: away from the centre,
  // where ClickElement clicks, so that two clicks never make a double click.
  static void ClickElementAside(CMainDlg& dialog, int id) {
    const RECT rect = dialog.GetView().FindElement(id)->GetRect();
    POINT at = {rect.left + 4, (rect.top + rect.bottom) / 2};
    ClientToScreen(dialog.GetView().GetHwnd(), &at);
    ASSERT_TRUE(BringToFront(dialog.GetHwnd()));
    SendClick(at.x, at.y);
  }

  // A real click on column `column`'s header, `offset` pixels right of its
  // centre (two clicks at different places never make a double click).
  static void ClickColumnHeader(CMainDlg& dialog, int column, int offset) {
    const HWND list = dialog.QueryPage().List().GetHwnd();
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    RECT item = {};
    ASSERT_TRUE(SendMessageW(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&item)));
    POINT at = {(item.left + item.right) / 2 + offset, (item.top + item.bottom) / 2};
    ClientToScreen(header, &at);
    ASSERT_TRUE(BringToFront(dialog.GetHwnd()));
    SendClick(at.x, at.y);
  }

  static std::unique_ptr<DibCanvas> CaptureList(CMainDlg& dialog) {
    return CaptureWholeClient(dialog.QueryPage().List().GetHwnd());
  }
};

TEST_F(QueryBarTest, KindBoxesFilterTheRowsAtOnceAndAllFollowsThem) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  const int highSpeed = QueryBarBoxes::kFirstKindId + 1;  // 高铁
  for (int id = QueryBarBoxes::kAllKindsId; id <= QueryBarBoxes::kReturnTripId; ++id)
    ASSERT_NE(nullptr, dialog->GetView().FindElement(id)) << id;
  ASSERT_NO_FATAL_FAILURE(QueryBeijingShanghai(*dialog));
  ASSERT_EQ(32u, page.ShownRows().size());
  ASSERT_TRUE(AnyCodeOfKind(page.Rows(), kKindHighSpeed));
  const std::string log = SharedDemoSite().RequestLog();

  // Clearing 高铁 hides every G train and clears 全选; the count follows but
  // never drops below the twenty positions.
  ClickElement(*dialog, highSpeed);
  ASSERT_TRUE(PumpUntil([&] { return page.ShownRows().size() < 32; }, 5000));
  EXPECT_FALSE(Checked(*dialog, highSpeed));
  EXPECT_FALSE(Checked(*dialog, QueryBarBoxes::kAllKindsId));
  EXPECT_FALSE(AnyCodeOfKind(page.ShownRows(), kKindHighSpeed));
  EXPECT_EQ(FilterRows(page.Rows(), kAllTrainKinds & ~kKindHighSpeed).size(), page.ShownRows().size());
  EXPECT_EQ(ListItemCount(page.ShownRows().size()), ItemCount(*dialog));
  const size_t shown = page.ShownRows().size();
  ASSERT_GT(shown, 0u);
  ASSERT_LT(shown, 19u);
  {
    const auto canvas = CaptureList(*dialog);
    const HWND list = page.List().GetHwnd();
    EXPECT_GT(TextPixels(*canvas, list, 0), 10) << "the first shown train is drawn";
    EXPECT_EQ(0, TextPixels(*canvas, list, static_cast<int>(shown))) << "the position after the last is blank";
  }

  // Checking it again checks 全选 again, since all eight are checked.
  ClickElementAside(*dialog, highSpeed);
  ASSERT_TRUE(PumpUntil([&] { return page.ShownRows().size() == 32; }, 5000));
  EXPECT_TRUE(Checked(*dialog, QueryBarBoxes::kAllKindsId));
  EXPECT_EQ(32, ItemCount(*dialog));

  // 全选 clears all eight, then checks them all.
  ClickElement(*dialog, QueryBarBoxes::kAllKindsId);
  ASSERT_TRUE(PumpUntil([&] { return page.ShownRows().empty(); }, 5000));
  for (int i = 0; i < kTrainKindCount; ++i) EXPECT_FALSE(Checked(*dialog, QueryBarBoxes::kFirstKindId + i)) << i;
  EXPECT_EQ(CQueryPage::kMinimumListRows, ItemCount(*dialog));
  EXPECT_EQ(0, TextPixels(*CaptureList(*dialog), page.List().GetHwnd(), 0));
  ClickElementAside(*dialog, QueryBarBoxes::kAllKindsId);
  ASSERT_TRUE(PumpUntil([&] { return page.ShownRows().size() == 32; }, 5000));
  for (int i = 0; i < kTrainKindCount; ++i) EXPECT_TRUE(Checked(*dialog, QueryBarBoxes::kFirstKindId + i)) << i;

  // None of it asked the site again.
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(log, SharedDemoSite().RequestLog());
  EXPECT_FALSE(page.QueryRunning());
}

TEST_F(QueryBarTest, FilteringAScrolledLongListAwayAndBackShowsItFromTheTop) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  const HWND list = page.List().GetHwnd();
  Type(page.FromEdit().GetHwnd(), L"fault-rows-300");
  Type(page.ToEdit().GetHwnd(), L"上海");
  ClickElement(*dialog, CQueryPage::kSearchButton);
  ASSERT_TRUE(PumpUntil([&] { return page.Rows().size() == 300 && !Busy(*dialog); }, 20000));
  SendMessageW(list, LVM_ENSUREVISIBLE, 299, FALSE);
  UpdateWindow(list);
  ASSERT_GT(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 200);

  // Every kind cleared: twenty blank positions, shown from the top.
  ClickElement(*dialog, QueryBarBoxes::kAllKindsId);
  ASSERT_TRUE(PumpUntil([&] { return page.ShownRows().empty(); }, 5000));
  EXPECT_EQ(CQueryPage::kMinimumListRows, ItemCount(*dialog));
  EXPECT_EQ(0, SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  {
    const auto canvas = CaptureList(*dialog);
    for (int item = 0; item < 5; ++item) EXPECT_EQ(0, TextPixels(*canvas, list, item)) << item;
  }

  // Every kind back: all 300 trains, the first ones in view and drawn.
  ClickElementAside(*dialog, QueryBarBoxes::kAllKindsId);
  ASSERT_TRUE(PumpUntil([&] { return page.ShownRows().size() == 300; }, 5000));
  EXPECT_EQ(300, ItemCount(*dialog));
  EXPECT_EQ(0, SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  const auto canvas = CaptureList(*dialog);
  for (int item = 0; item < 5; ++item) EXPECT_GT(TextPixels(*canvas, list, item), 10) << item;
  const CBkWindow* code = page.List().FindTemplateElement(20020);
  ASSERT_NE(nullptr, code);
  EXPECT_FALSE(code->GetText().empty());
}

TEST_F(QueryBarTest, HeaderClicksSortAndReverseAndSeatCellsShowTheirAvailability) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  const HWND list = page.List().GetHwnd();
  ASSERT_NO_FATAL_FAILURE(QueryBeijingShanghai(*dialog));
  const std::wstring departTitle = ColumnTitle(list, kColumnDepart);
  const std::wstring seatTitle = ColumnTitle(list, kColumnFirstSeat);

  // Departure: ascending, then descending; the title carries the direction.
  ClickColumnHeader(*dialog, kColumnDepart, 0);
  ASSERT_TRUE(PumpUntil([&] { return page.SortColumn() == kColumnDepart; }, 5000));
  EXPECT_EQ(L"\u25B2" + departTitle, ColumnTitle(list, kColumnDepart));
  ASSERT_EQ(32u, page.ShownRows().size());
  for (size_t i = 1; i < page.ShownRows().size(); ++i)
    EXPECT_LE(ParseMinutes(page.ShownRows()[i - 1].departTime), ParseMinutes(page.ShownRows()[i].departTime)) << i;
  const int earliest = ParseMinutes(page.ShownRows().front().departTime);

  ClickColumnHeader(*dialog, kColumnDepart, 8);
  ASSERT_TRUE(PumpUntil([&] { return page.SortDescending(); }, 5000));
  EXPECT_EQ(L"\u25BC" + departTitle, ColumnTitle(list, kColumnDepart));
  EXPECT_EQ(earliest, ParseMinutes(page.ShownRows().back().departTime));
  for (size_t i = 1; i < page.ShownRows().size(); ++i)
    EXPECT_GE(ParseMinutes(page.ShownRows()[i - 1].departTime), ParseMinutes(page.ShownRows()[i].departTime)) << i;

  // The first seat column: most tickets first; the old title loses its mark.
  ClickColumnHeader(*dialog, kColumnFirstSeat, 0);
  ASSERT_TRUE(PumpUntil([&] { return page.SortColumn() == kColumnFirstSeat; }, 5000));
  EXPECT_EQ(departTitle, ColumnTitle(list, kColumnDepart));
  EXPECT_EQ(L"\u25BC" + seatTitle, ColumnTitle(list, kColumnFirstSeat));
  const std::vector<TicketRow>& shown = page.ShownRows();
  for (size_t i = 1; i < shown.size(); ++i)
    EXPECT_GE(SeatRank(shown[i - 1].seatHardOrSecond), SeatRank(shown[i].seatHardOrSecond)) << i;
  ASSERT_EQ(L"有", shown.front().seatHardOrSecond);

  // Seat cells with tickets are green, the others are not; the first cell is
  // a train code, never green.
  const auto captured = CaptureList(*dialog);
  const DibCanvas& canvas = *captured;
  EXPECT_GT(GreenPixels(canvas, list, 0, 292, 368), 10) << "有 in the first row";
  EXPECT_EQ(0, GreenPixels(canvas, list, 0, 2, 48));
  // Every seat cell in view: green exactly where tickets are left. The seats
  // change with the day, but the sleeper columns of the high-speed trains
  // ("--") always hold cells without tickets.
  const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  const int perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
  int withTickets = 0, without = 0;
  for (int column = kColumnFirstSeat; column <= kColumnLastSeat; ++column) {
    RECT cell = {};
    ASSERT_TRUE(SendMessageW(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&cell)));
    for (int item = 0; item < perPage && item < static_cast<int>(shown.size()); ++item) {
      const std::wstring text = RowTexts(shown[static_cast<size_t>(item)])[static_cast<size_t>(column)];
      const int green = GreenPixels(canvas, list, item, cell.left + 2, cell.right - 2);
      if (HasTickets(text)) {
        EXPECT_GT(green, 5) << "row " << item << " column " << column << " " << text;
        ++withTickets;
      } else {
        EXPECT_EQ(0, green) << "row " << item << " column " << column << " " << text;
        ++without;
      }
    }
  }
  EXPECT_GT(withTickets, 0);
  EXPECT_GT(without, 0);

  // New rows keep the chosen order.
  ClickElement(*dialog, CQueryPage::kSearchButton);
  ASSERT_TRUE(PumpUntil([&] { return !page.QueryRunning() && !Busy(*dialog); }, 20000));
  PumpUntil([] { return false; }, 100);
  EXPECT_EQ(kColumnFirstSeat, page.SortColumn());
  EXPECT_EQ(L"有", page.ShownRows().front().seatHardOrSecond);
}

TEST_F(QueryBarTest, ReturnTripAsksForTheReverseDirection) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  EXPECT_FALSE(Checked(*dialog, QueryBarBoxes::kReturnTripId)) << "unchecked at start";
  ClickElement(*dialog, QueryBarBoxes::kReturnTripId);
  ASSERT_TRUE(PumpUntil([&] { return Checked(*dialog, QueryBarBoxes::kReturnTripId); }, 5000));
  EXPECT_TRUE(SharedDemoSite().RequestLog().empty()) << "checking the box asks nothing";

  ASSERT_NO_FATAL_FAILURE(QueryBeijingShanghai(*dialog));
  EXPECT_EQ("GET " + BuildQueryPath(L"上海", L"北京", FormatTravelDate(LocalToday())) + " HTTP/1.1\n",
            SharedDemoSite().RequestLog());
  ASSERT_FALSE(page.Rows().empty());
  for (const TicketRow& row : page.Rows()) {
    EXPECT_EQ(L"上海", row.fromStation);
    EXPECT_EQ(L"北京", row.toStation);
  }
}

// ---- binding the boxes of other layers -------------------------------------------

TEST(QueryBarBoxes, BoxesAreFoundByTextAnywhereAndMissingOnesCountAsChecked) {
  const struct {
    const char* name;
    const char* body;
    unsigned kinds;  // CheckedKinds after binding
    bool returnTrip;
    std::vector<int> bound;
  } cases[] = {
      {"no boxes", "<text>全选</text>", kAllTrainKinds, false, {}},
      {"nested, unchecked 动车 and a checked 返程",
       "<dlg pos=\"0,0,-0,-0\"><dlg pos=\"0,0,-0,-0\"><checkex "
       "checked=\"1\">全选</checkex>"
       "<checkex>动车</checkex></dlg></dlg><checkex checked=\"1\">返程</checkex>",
       kAllTrainKinds & ~kKindMultipleUnit,
       true,
       {QueryBarBoxes::kAllKindsId, QueryBarBoxes::kFirstKindId + 2, QueryBarBoxes::kReturnTripId}},
      {"a box with its own id is left alone, a second 高铁 is not bound",
       "<checkex id=\"7\">城际</checkex><checkex "
       "checked=\"1\">高铁</checkex><checkex>高铁</checkex>",
       kAllTrainKinds,
       false,
       {QueryBarBoxes::kFirstKindId + 1}},
      {"other elements with the texts are not boxes",
       "<text>临客</text><imgbtn>快速</imgbtn>",
       kAllTrainKinds,
       false,
       {}},
  };
  for (const auto& c : cases) {
    const std::string layer = std::string(
                                  "<layer width=\"400\" height=\"200\"><body width=\"full\" "
                                  "height=\"full\">") +
                              c.body + "</body></layer>";
    CBkDialogView view;
    ASSERT_TRUE(view.LoadLayer(layer)) << c.name;
    QueryBarBoxes boxes;
    boxes.Bind(view);
    std::vector<int> bound;
    for (int id = QueryBarBoxes::kAllKindsId; id <= QueryBarBoxes::kReturnTripId; ++id)
      if (boxes.IsBound(id)) bound.push_back(id);
    EXPECT_EQ(c.bound, bound) << c.name;
    EXPECT_EQ(c.kinds, boxes.CheckedKinds(view)) << c.name;
    EXPECT_EQ(c.returnTrip, boxes.ReturnTripChecked(view)) << c.name;
    EXPECT_FALSE(boxes.OnBoxClicked(view, QueryBarBoxes::kReturnTripId)) << c.name;
    EXPECT_FALSE(boxes.OnBoxClicked(view, 7)) << c.name;
  }
}

}  // namespace
