// The 时刻表查询 page of the real main window against the demo site: a train
// over midnight and its day column, codes refused before a request and one
// the site does not know, a double-click in the ticket list that opens the
// train there, and switching tabs back and forth keeping both lists.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/core/timetable_page.h"
#include "app/core/travel_date.h"
#include "app/window/date_box.h"
#include "app/window/main_dialog.h"
#include "app/window/query_status.h"
#include "app/window/timetable_page.h"
#include "skin/resources/text_encoding.h"
#include "tests/app/window/main_dialog_fixture.h"
#include "tests/support/dib_canvas.h"

namespace {

class TimetableTest : public MainDialogFixture {
 protected:
  void TearDown() override { SendMouseButton(false); }

  static bool Idle(CMainDlg& dialog) {
    const CBkWindow* busy = dialog.GetView().FindElement(CTimetablePage::kBusyImage);
    return !dialog.TimetablePage().QueryRunning() && busy && !busy->IsVisible(false);
  }

  // Types `code` with real input and clicks the page's search button.
  static void AskFor(CMainDlg& dialog, const std::wstring& code) {
    const HWND edit = dialog.TimetablePage().CodeEdit().GetHwnd();
    SetWindowTextW(edit, L"");
    Type(edit, code);
    PumpUntil([] { return false; }, GetDoubleClickTime() + 50);
    ClickElement(dialog, CTimetablePage::kSearchButton);
    PumpUntil([&] { return dialog.TimetablePage().QueryRunning(); }, 1000);
    EXPECT_TRUE(PumpUntil([&] { return Idle(dialog); }, 30000)) << WideToUtf8(code);
  }

  static std::vector<std::wstring> Column(CTimetablePage& page, int column) {
    std::vector<std::wstring> texts;
    for (const auto& row : page.StopTexts()) texts.push_back(row[static_cast<size_t>(column)]);
    return texts;
  }
};

TEST_F(TimetableTest, AnOvernightTrainCountsItsDays) {
  auto dialog = MakeDialog();
  dialog->SelectTab(CMainDlg::kTimetableTab);
  ASSERT_EQ(CMainDlg::kTimetableTab, dialog->CurrentTab());
  ASSERT_TRUE(IsWindowVisible(dialog->TimetablePage().CodeEdit().GetHwnd()));
  EXPECT_FALSE(IsWindowVisible(dialog->QueryPage().FromEdit().GetHwnd()));

  AskFor(*dialog, L" z21 ");
  CTimetablePage& page = dialog->TimetablePage();
  const std::string wire = "/train.aspx?T=Z21&D=1&C=" + WideToUtf8(FormatTravelDate(LocalToday()));
  EXPECT_NE(std::string::npos, SharedDemoSite().RequestLog().find(wire)) << SharedDemoSite().RequestLog();
  ASSERT_GE(page.Stops().size(), 2u);
  EXPECT_EQ(L"北京", page.Stops().front().station);
  EXPECT_EQ(L"上海", page.Stops().back().station);
  const std::vector<std::wstring> days = Column(page, kStopDay);
  EXPECT_EQ(L"当日", days.front());
  EXPECT_EQ(L"次日", days.back()) << "Z21 leaves in the evening and arrives the next morning";
  EXPECT_EQ(L"--", Column(page, kStopArrive).front());
  EXPECT_EQ(L"--", Column(page, kStopDepart).back());
  EXPECT_EQ(L"Z21", ReadWindowTextOf(page.CodeEdit().GetHwnd()));
  const std::wstring status = page.Status();
  EXPECT_EQ(0u,
            status.find(FormatText(TableString(timetable_text::kStops),
                                   {L"Z21", std::to_wstring(page.Stops().size()), FormatTravelDay(LocalToday()), L""})))
      << WideToUtf8(status);
  EXPECT_EQ(status, dialog->QueryPage().StatusText()) << "the footer shows the page's line";
  EXPECT_EQ(ListItemCount(page.Stops().size()),
            static_cast<int>(SendMessageW(page.List().GetHwnd(), LVM_GETITEMCOUNT, 0, 0)));
}

TEST_F(TimetableTest, CodesAreCheckedBeforeAskingAndUnknownTrainsNamed) {
  auto dialog = MakeDialog();
  dialog->SelectTab(CMainDlg::kTimetableTab);
  CTimetablePage& page = dialog->TimetablePage();
  const struct {
    const wchar_t* typed;
    std::wstring status;
    bool asked;
  } cases[] = {
      {L"G9999", FormatText(TableString(timetable_text::kUnknownTrain), {L"G9999"}), true},
      {L"G-1", TableString(timetable_text::kBadCode), false},
      {L"G123456789", TableString(timetable_text::kBadCode), false},
      {L"  ", TableString(timetable_text::kMissingCode), false},
  };
  for (const auto& c : cases) {
    SharedDemoSite().ClearLog();
    AskFor(*dialog, c.typed);
    EXPECT_EQ(c.status, page.Status()) << WideToUtf8(c.typed);
    EXPECT_EQ(c.asked, SharedDemoSite().RequestLog().find("/train.aspx") != std::string::npos) << WideToUtf8(c.typed);
  }
}

TEST_F(TimetableTest, ADoubleClickOpensTheTrainAndBothListsStayAsTheyWere) {
  auto dialog = MakeDialog();
  CQueryPage& tickets = dialog->QueryPage();
  const TravelDate day = AddDays(LocalToday(), 2);
  SetWindowTextW(tickets.DateEdit().GetHwnd(), FormatTravelDate(day).c_str());
  ASSERT_TRUE(Query(*dialog, L"北京", L"上海"));
  const HWND list = tickets.List().GetHwnd();
  SendMessageW(list, LVM_ENSUREVISIBLE, 10, FALSE);
  PumpUntil([] { return false; }, 100);
  const int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  ASSERT_GT(top, 0);

  // A real double-click on the list's top row.
  RECT row = {LVIR_BOUNDS, 0, 0, 0};
  SendMessageW(list, LVM_GETITEMRECT, top, reinterpret_cast<LPARAM>(&row));
  POINT at = {row.left + 20, (row.top + row.bottom) / 2};
  ClientToScreen(list, &at);
  ASSERT_TRUE(BringToFront(dialog->GetHwnd()));
  SendClick(at.x, at.y);
  SendClick(at.x, at.y);
  ASSERT_TRUE(PumpUntil([&] { return dialog->CurrentTab() == CMainDlg::kTimetableTab; }, 5000));
  CTimetablePage& page = dialog->TimetablePage();
  ASSERT_TRUE(PumpUntil([&] { return Idle(*dialog) && !page.Stops().empty(); }, 30000));
  const TicketRow& train = tickets.ShownRows()[static_cast<size_t>(top)];
  EXPECT_EQ(train.trainCode, ReadWindowTextOf(page.CodeEdit().GetHwnd()));
  EXPECT_EQ(FormatTravelDate(day), ReadWindowTextOf(page.DateBox().GetHwnd()));
  const std::string wire = "T=" + WideToUtf8(train.trainCode) + "&D=1&C=" + WideToUtf8(FormatTravelDate(day));
  EXPECT_NE(std::string::npos, SharedDemoSite().RequestLog().find(wire));

  // The trip's two stations are marked, in the list's pixels too.
  std::vector<size_t> marked;
  for (size_t i = 0; i < page.Stops().size(); ++i)
    if (page.IsMarked(i)) marked.push_back(i);
  ASSERT_EQ(2u, marked.size());
  EXPECT_EQ(L"北京", page.Stops()[marked[0]].station);
  EXPECT_EQ(L"上海", page.Stops()[marked[1]].station);
  const HWND stops = page.List().GetHwnd();
  auto canvas = CaptureWholeClient(stops);
  RECT first = {LVIR_BOUNDS, 0, 0, 0};
  SendMessageW(stops, LVM_GETITEMRECT, marked[0], reinterpret_cast<LPARAM>(&first));
  const COLORREF mark = RGB(0xFF, 0xE2, 0xB8);
  int markPixels = 0;
  for (int x = first.left; x < first.right; ++x) markPixels += canvas->Pixel(x, (first.top + first.bottom) / 2) == mark;
  EXPECT_GT(markPixels, 20);

  // Back and forth: each list keeps its rows and where it was scrolled to.
  dialog->SelectTab(CMainDlg::kTicketTab);
  EXPECT_TRUE(IsWindowVisible(list));
  EXPECT_FALSE(IsWindowVisible(stops));
  EXPECT_EQ(32u, tickets.Rows().size());
  EXPECT_EQ(top, static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)));
  EXPECT_EQ(0u, tickets.StatusText().find(L"32 趟列车")) << WideToUtf8(tickets.StatusText());
  const size_t stopCount = page.Stops().size();
  dialog->SelectTab(CMainDlg::kTimetableTab);
  EXPECT_TRUE(IsWindowVisible(stops));
  EXPECT_EQ(stopCount, page.Stops().size());
  EXPECT_EQ(page.Status(), tickets.StatusText());
}

}  // namespace
