// Watching in the real main window against the demo site: the watch box,
// clicked with the real mouse, queries again each interval; rows whose seats
// changed are painted marked; a train that gains tickets raises one notice;
// a failed round shows in the status line and the watch goes on; a manual
// query, the box and the window's end stop it at once.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "app/main_dialog.h"
#include "app/query_status.h"
#include "app/ticket_order.h"
#include "skin/resources/text_encoding.h"
#include "tests/app/main_dialog_fixture.h"
#include "tests/support/dib_canvas.h"

namespace {

constexpr DWORD kIntervalMs = 600;

class WatchTest : public MainDialogFixture {
 protected:
  void TearDown() override { SendMouseButton(false); }

  // Requests the demo site logged whose line holds `marker`.
  static int Requests(const std::string& marker) {
    const std::string log = SharedDemoSite().RequestLog();
    int count = 0;
    for (size_t at = log.find(marker); at != std::string::npos; at = log.find(marker, at + 1)) ++count;
    return count;
  }

  // Clicks the watch box with the real mouse, after the double-click time.
  static void ClickWatchBox(CMainDlg& dialog) {
    PumpUntil([] { return false; }, GetDoubleClickTime() + 50);
    ClickElement(dialog, CQueryPage::kWatchBox);
  }

  ScopedEnvironment interval_{L"TAVORA_WATCH_INTERVAL_MS", std::to_wstring(kIntervalMs)};
};

TEST_F(WatchTest, ChangedRowsAreMarkedAndAGainRaisesOneNotice) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  SetWindowTextW(page.fromEdit.GetHwnd(), L"北京");
  SetWindowTextW(page.toEdit.GetHwnd(), L"上海");
  page.StartQuery();
  ASSERT_TRUE(PumpUntil([&] { return page.Rows().size() == 32 && !page.QueryRunning(); }, 20000));
  const std::vector<TicketRow> before = page.Rows();

  // The churning answer: every third train sells a count in each class it
  // sells, one more with each request.
  SetWindowTextW(page.fromEdit.GetHwnd(), L"fault-churn");
  ClickWatchBox(*dialog);
  ASSERT_TRUE(PumpUntil([&] { return page.Watching(); }, 5000));
  ASSERT_TRUE(PumpUntil([&] { return Requests("fault-churn") == 1 && !page.QueryRunning(); }, 20000));
  std::set<std::wstring> everyThird;
  for (size_t i = 2; i < page.Rows().size(); i += 3) everyThird.insert(page.Rows()[i].trainCode);
  EXPECT_EQ(everyThird, page.ChangedTrains());

  // One notice, naming a train that had a class without tickets.
  ASSERT_EQ(1u, page.Notices().size());
  bool named = false;
  for (const TicketRow& row : before)
    named |= everyThird.count(row.trainCode) && page.Notices()[0].rfind(row.trainCode + L" ", 0) == 0 &&
             !(HasTickets(row.seatHardOrSecond) && HasTickets(row.seatSoftOrFirst) && HasTickets(row.standing));
  EXPECT_TRUE(named) << WideToUtf8(page.Notices()[0]);

  // The marked rows are painted in their own colour, the others not.
  const HWND list = page.listView.GetHwnd();
  UpdateWindow(list);
  auto canvas = CaptureWholeClient(list);
  ASSERT_NE(nullptr, canvas);
  const COLORREF marked = RGB(0xFF, 0xE7, 0xA0);
  for (int item = 0; item < 6; ++item) {
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&bounds));
    const bool isMarked = everyThird.count(page.ShownRows()[static_cast<size_t>(item)].trainCode) != 0;
    EXPECT_EQ(isMarked, canvas->Pixel(420, bounds.top + 3) == marked) << item;
  }

  // The next round changes the same trains again but gains nothing.
  ASSERT_TRUE(PumpUntil([&] { return Requests("fault-churn") == 2 && !page.QueryRunning(); }, 20000));
  EXPECT_EQ(everyThird, page.ChangedTrains());
  EXPECT_EQ(1u, page.Notices().size());

  // A click on the notice brings the minimised window back.
  ShowWindow(dialog->GetHwnd(), SW_MINIMIZE);
  SendMessageW(dialog->GetHwnd(), CQueryPage::kTrayMessage, 1, NIN_BALLOONUSERCLICK);
  EXPECT_FALSE(IsIconic(dialog->GetHwnd()));

  // A query of the user's ends the watch: no round after it.
  PumpUntil([] { return false; }, GetDoubleClickTime() + 50);
  ClickElement(*dialog, CQueryPage::kSearchButton);
  ASSERT_TRUE(PumpUntil([&] { return !page.Watching(); }, 5000));
  EXPECT_TRUE(page.ChangedTrains().empty());
  PumpUntil([] { return false; }, 3 * kIntervalMs);
  EXPECT_EQ(3, Requests("fault-churn"));
}

TEST_F(WatchTest, AFailedRoundShowsAndTheWatchGoesOnUntilTheBoxOrTheWindowEndsIt) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  SetWindowTextW(page.fromEdit.GetHwnd(), L"fault-wire-404");
  SetWindowTextW(page.toEdit.GetHwnd(), L"上海");
  ClickWatchBox(*dialog);
  ASSERT_TRUE(PumpUntil([&] { return Requests("fault-wire-404") >= 2 && !page.QueryRunning(); }, 20000));
  EXPECT_TRUE(page.Watching());
  const std::wstring unreadable = StatusString(status_text::kUnreadable);
  EXPECT_EQ(unreadable, page.StatusText().substr(0, unreadable.size()));
  EXPECT_NE(std::wstring::npos, page.StatusText().find(L"60"));

  ClickWatchBox(*dialog);
  ASSERT_TRUE(PumpUntil([&] { return !page.Watching(); }, 5000));
  PumpUntil([&] { return !page.QueryRunning(); }, 5000);
  const int stopped = Requests("fault-wire-404");
  PumpUntil([] { return false; }, 3 * kIntervalMs);
  EXPECT_EQ(stopped, Requests("fault-wire-404"));

  // Watching again, then the window goes: at once, and no round follows.
  ClickWatchBox(*dialog);
  ASSERT_TRUE(PumpUntil([&] { return page.Watching(); }, 5000));
  const DWORD start = GetTickCount();
  dialog.reset();
  EXPECT_LT(GetTickCount() - start, 2000u);
  const int closed = Requests("fault-wire-404");
  PumpUntil([] { return false; }, 3 * kIntervalMs);
  EXPECT_EQ(closed, Requests("fault-wire-404"));
}

TEST_F(WatchTest, IntervalIsKeptWithinItsBounds) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  EXPECT_EQ(L"60", ReadWindowTextOf(page.watchEdit.GetHwnd()));
  const struct {
    const wchar_t* typed;
    const wchar_t* kept;
  } cases[] = {{L"5", L"30"}, {L"", L"60"}, {L"45", L"45"}, {L"99999", L"86400"}, {L"0", L"30"}};
  for (const auto& c : cases) {
    SetWindowTextW(page.watchEdit.GetHwnd(), c.typed);
    page.StartWatch();
    EXPECT_EQ(c.kept, ReadWindowTextOf(page.watchEdit.GetHwnd())) << WideToUtf8(c.typed);
    page.StopWatch();
    PumpUntil([&] { return !page.QueryRunning(); }, 5000);
  }
}

}  // namespace
