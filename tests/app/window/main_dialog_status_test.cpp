// The real main window's status line for every way a query ends, and its watch
// against the demo site: marked rows, one notice a gain, failed rounds, stops.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <memory>
#include <set>
#include <string>

#include "app/core/page_text.h"
#include "app/core/ticket_watch.h"
#include "app/core/travel_date.h"
#include "app/window/date_box.h"
#include "app/window/main_dialog.h"
#include "app/window/query_status.h"
#include "skin/resources/bk_string.h"
#include "skin/resources/text_encoding.h"
#include "tests/app/window/main_dialog_fixture.h"
#include "tests/support/dib_canvas.h"

namespace {

TEST(StatusText, FormatReplacesNumberedMarkersOnly) {
  const struct {
    const wchar_t* pattern;
    const wchar_t* text;
  } cases[] = {{L"%1 → %2", L"A → B"}, {L"%2%1%2", L"BAB"}, {L"%3 %", L"%3 %"}, {L"100%", L"100%"}, {L"%%1", L"%A"}};
  for (const auto& c : cases) EXPECT_EQ(c.text, FormatText(c.pattern, {L"A", L"B"})) << WideToUtf8(c.pattern);
}

// Running out of memory is said as such, never as a page that could not be
// read; the rows an earlier answer left are named as for any failure.
TEST(StatusText, OutOfMemoryIsSaidAsSuch) {
  ASSERT_TRUE(LoadStrings(102));
  QueryResult result;
  result.outcome = QueryOutcome::OutOfMemory;
  EXPECT_EQ(TableString(status_text::kOutOfMemory), OutcomeStatus(result, L"10:00:00", L""));
  EXPECT_EQ(TableString(status_text::kOutOfMemory) + FormatText(TableString(status_text::kEarlierRows), {L"09:00:00"}),
            OutcomeStatus(result, L"10:00:00", L"09:00:00"));
  EXPECT_NE(TableString(status_text::kUnreadable), TableString(status_text::kOutOfMemory));
  EXPECT_FALSE(TableString(status_text::kOutOfMemory).empty());
}

// Each way a timetable query ends has its own words; a page that did not
// come says why, as for a ticket query.
TEST(StatusText, TimetableOutcomesSayWhatHappened) {
  ASSERT_TRUE(LoadStrings(102));
  const TravelDate today{2026, 12, 8};
  const struct {
    TimetableOutcome outcome;
    PageFailure failure;
    std::wstring status;
  } cases[] = {
      {TimetableOutcome::Stops, PageFailure::None, L"车次 Z21 · 2 个车站 · 12月9日 周三 · 10:00:00"},
      {TimetableOutcome::UnknownTrain, PageFailure::None, L"没有车次 Z21"},
      {TimetableOutcome::NoPage, PageFailure::NoConnection, TableString(status_text::kNoConnection)},
      {TimetableOutcome::NoPage, PageFailure::TimedOut, TableString(status_text::kTimedOut)},
      {TimetableOutcome::NoPage, PageFailure::BadAnswer, TableString(status_text::kUnreadable)},
      {TimetableOutcome::PageTooLarge, PageFailure::None, TableString(status_text::kUnreadable)},
      {TimetableOutcome::OutOfMemory, PageFailure::None, TableString(status_text::kOutOfMemory)},
  };
  for (const auto& c : cases) {
    TimetableResult result;
    result.outcome = c.outcome;
    result.failure = c.failure;
    result.query = TimetableQuery{L"Z21", L"2026-12-09"};
    if (c.outcome == TimetableOutcome::Stops) result.stops.resize(2);
    EXPECT_EQ(c.status, TimetableStatus(result, L"10:00:00", today)) << static_cast<int>(c.outcome);
  }
}

constexpr DWORD kIntervalMs = 600;

class StatusLineTest : public MainDialogFixture {
 protected:
  void TearDown() override { SendMouseButton(false); }

  // A real click on element `id`, after the double-click time: two clicks
  // on one spot within it are a double-click.
  static void ClickAfterAPause(CMainDlg& dialog, int id) {
    PumpUntil([] { return false; }, GetDoubleClickTime() + 50);
    ClickElement(dialog, id);
  }

  static int Requests(const std::string& marker) {
    const std::string log = SharedDemoSite().RequestLog();
    int count = 0;
    for (size_t at = log.find(marker); at != std::string::npos; at = log.find(marker, at + 1)) ++count;
    return count;
  }
  // Types the stations, clicks search with the real mouse and waits for the
  // query's end; the status line then.
  static std::wstring QueryStatus(CMainDlg& dialog, const wchar_t* from, const wchar_t* to) {
    CQueryPage& page = dialog.QueryPage();
    SetWindowTextW(page.FromEdit().GetHwnd(), from);
    SetWindowTextW(page.ToEdit().GetHwnd(), to);
    const int before = page.QueriesStarted();
    ClickAfterAPause(dialog, CQueryPage::kSearchButton);
    EXPECT_TRUE(PumpUntil([&] { return page.QueriesStarted() > before; }, 5000))
        << WideToUtf8(from);
    EXPECT_TRUE(PumpUntil([&] { return !page.QueryRunning() && !Busy(dialog); }, 30000)) << WideToUtf8(from);
    return page.StatusText();
  }

  static std::wstring Text(int id, std::initializer_list<std::wstring> values = {}) {
    return FormatText(TableString(id), values);
  }

  // Answers that hang end after this; watch rounds follow at this pace.
  ScopedEnvironment shortDeadline_{L"TAVORA_HTTP_DEADLINE_MS", L"1500"};
  ScopedEnvironment interval_{L"TAVORA_WATCH_INTERVAL_MS", std::to_wstring(kIntervalMs)};
};

TEST_F(StatusLineTest, EachOutcomeSaysWhatHappenedAndWhoseRowsAreShown) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();

  // Before any rows: a failure names no earlier query.
  EXPECT_EQ(Text(status_text::kMissingStation), QueryStatus(*dialog, L"", L" "));
  EXPECT_EQ(Text(status_text::kUnreadable), QueryStatus(*dialog, L"fault-deep", L"上海"));

  const std::wstring trains = QueryStatus(*dialog, L"北京", L"上海");
  // The trains line names the day the seats are for, then the answer's time.
  const std::wstring prefix = Text(status_text::kTrains, {L"32", FormatTravelDay(LocalToday()) + L" · "});
  ASSERT_EQ(prefix, trains.substr(0, prefix.size())) << WideToUtf8(trains);
  const std::wstring answered = trains.substr(prefix.size());
  ASSERT_EQ(8u, answered.size());
  EXPECT_EQ(L':', answered[2]);

  const std::wstring earlier = Text(status_text::kEarlierRows, {answered});
  const struct {
    const wchar_t* from;
    std::wstring status;
  } failures[] = {
      {L"fault-wire-404", Text(status_text::kUnreadable) + earlier},
      {L"fault-wire-closemid", Text(status_text::kUnreadable) + earlier},
      {L"fault-noSibling", Text(status_text::kUnreadable) + earlier},
      {L"fault-rows-10001", Text(status_text::kUnreadable) + earlier},
      {L"fault-wire-hang", Text(status_text::kTimedOut) + earlier},
  };
  for (const auto& f : failures) {
    EXPECT_EQ(f.status, QueryStatus(*dialog, f.from, L"上海")) << WideToUtf8(f.from);
    EXPECT_EQ(32u, page.Rows().size()) << WideToUtf8(f.from);
  }
  // No trains is an answer: the list empties and says so.
  EXPECT_EQ(Text(status_text::kNoTrains, {L"fault-headerOnly", L"上海"}),
            QueryStatus(*dialog, L"fault-headerOnly", L"上海"));
  EXPECT_TRUE(page.Rows().empty());
}

TEST_F(StatusLineTest, RunningQueryNamesItsStationsTheReturnTripSwapped) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  SetWindowTextW(page.FromEdit().GetHwnd(), L"上海");
  SetWindowTextW(page.ToEdit().GetHwnd(), L"fault-slow-1500");
  ClickElement(*dialog, QueryBarBoxes::kReturnTripId);
  ASSERT_TRUE(PumpUntil([&] { return Checked(*dialog, QueryBarBoxes::kReturnTripId); }, 5000));
  ClickElement(*dialog, CQueryPage::kSearchButton);
  ASSERT_TRUE(PumpUntil([&] { return Busy(*dialog); }, 5000));
  EXPECT_EQ(Text(status_text::kRunning, {L"fault-slow-1500", L"上海"}), page.StatusText());

  // Dark text on the light footer, as the window paints it.
  const HWND view = dialog->GetView().GetHwnd();
  UpdateWindow(view);
  DibCanvas canvas(680, 430);
  ASSERT_TRUE(CaptureClient(view, canvas));
  const RECT area = dialog->GetView().FindElement(CQueryPage::kStatusText)->GetRect();
  int dark = 0, light = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF pixel = canvas.Pixel(x, y);
      (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 3 * 90 ? dark : light) += 1;
    }
  EXPECT_GT(dark, 50);
  EXPECT_GT(light, dark);
  ASSERT_TRUE(PumpUntil([&] { return !Busy(*dialog); }, 15000));
}

TEST_F(StatusLineTest, ASiteThatRefusesIsNoConnection) {
  auto dialog = std::make_unique<CMainDlg>(nullptr, L"127.0.0.1:1");
  ASSERT_NE(nullptr, dialog->Create(nullptr));
  ShowWindow(dialog->GetHwnd(), SW_SHOWNORMAL);
  EXPECT_EQ(Text(status_text::kNoConnection), QueryStatus(*dialog, L"北京", L"上海"));
}

TEST_F(StatusLineTest, ChangedRowsAreMarkedAndAGainRaisesOneNotice) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  ASSERT_TRUE(Query(*dialog, L"北京", L"上海"));
  ASSERT_EQ(32u, page.Rows().size());

  // The churning answer: every third train sells a count in each class it
  // sells, one more with each request.
  SetWindowTextW(page.FromEdit().GetHwnd(), L"fault-churn");
  ClickAfterAPause(*dialog, CQueryPage::kWatchBox);
  ASSERT_TRUE(PumpUntil([&] { return Requests("fault-churn") == 1 && !page.QueryRunning(); }, 20000));
  std::set<std::wstring> everyThird;
  for (size_t i = 2; i < page.Rows().size(); i += 3) everyThird.insert(page.Rows()[i].trainCode);
  EXPECT_EQ(everyThird, page.ChangedTrains());

  // One notice, naming one of those trains (TicketsGained's own cases say
  // which classes count).
  ASSERT_EQ(1u, page.Notices().size());
  const std::wstring notice = page.Notices()[0];
  EXPECT_EQ(1u, everyThird.count(notice.substr(0, notice.find(L' ')))) << WideToUtf8(notice);

  // The marked rows are painted in their own colour, the others not.
  const HWND list = page.List().GetHwnd();
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

  // The next round asks for the watch's stations whatever is typed now; it
  // changes the same trains again but gains nothing.
  SetWindowTextW(page.FromEdit().GetHwnd(), L"南京");
  ASSERT_TRUE(PumpUntil([&] { return Requests("fault-churn") == 2 && !page.QueryRunning(); }, 20000));
  EXPECT_EQ(everyThird, page.ChangedTrains());
  EXPECT_EQ(1u, page.Notices().size());

  // A click on the notice brings the minimised window back.
  ShowWindow(dialog->GetHwnd(), SW_MINIMIZE);
  SendMessageW(dialog->GetHwnd(), CQueryPage::kTrayMessage, 1, NIN_BALLOONUSERCLICK);
  EXPECT_FALSE(IsIconic(dialog->GetHwnd()));

  // A query of the user's ends the watch: no round after it (the pause
  // before the click may hold one more tick, whose round then ends as a
  // plain query).
  // A round in flight hides the search button: the click waits for it.
  for (int attempt = 0; attempt < 3 && page.Watching(); ++attempt) {
    ASSERT_TRUE(PumpUntil([&] { return !page.QueryRunning(); }, 20000));
    ClickElement(*dialog, CQueryPage::kSearchButton);
    PumpUntil([&] { return !page.Watching(); }, 2000);
  }
  ASSERT_FALSE(page.Watching());
  EXPECT_TRUE(page.ChangedTrains().empty());
  ASSERT_TRUE(PumpUntil([&] { return !page.QueryRunning(); }, 20000));
  const int stopped = Requests("fault-churn");
  EXPECT_LE(stopped, 3);
  PumpUntil([] { return false; }, 3 * kIntervalMs);
  EXPECT_EQ(stopped, Requests("fault-churn"));
}

// However long a watch runs and however the site names its trains, what it
// keeps is bounded: a train whose 100,001-character code gains tickets each
// round leaves the newest notices only, each naming it in a few characters.
TEST_F(StatusLineTest, AWatchKeepsTheNewestNoticesEachNamingItsTrainShortly) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  SetWindowTextW(page.FromEdit().GetHwnd(), L"fault-flip-100000");
  SetWindowTextW(page.ToEdit().GetHwnd(), L"上海");
  ClickAfterAPause(*dialog, CQueryPage::kWatchBox);
  // The first round compares with nothing; each later one gains a class.
  const int rounds = static_cast<int>(kMaxWatchNotices) + 2;
  ASSERT_TRUE(PumpUntil([&] { return Requests("fault-flip-") >= rounds && !page.QueryRunning(); }, 90000));
  const std::wstring code = L"G" + std::wstring(100000, L'7');
  EXPECT_EQ(std::set<std::wstring>{code}, page.ChangedTrains());
  ASSERT_EQ(kMaxWatchNotices, page.Notices().size());
  for (const std::wstring& notice : page.Notices())
    EXPECT_EQ(0u, notice.find(ShortenText(code, kMaxNoticeCodeChars) + L" ")) << notice.size();
}

TEST_F(StatusLineTest, AFailedRoundShowsAndTheWatchGoesOnUntilTheBoxOrTheWindowEndsIt) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  SetWindowTextW(page.FromEdit().GetHwnd(), L"fault-wire-404");
  SetWindowTextW(page.ToEdit().GetHwnd(), L"上海");
  SetWindowTextW(page.WatchEdit().GetHwnd(), L"5");  // kept within 30..86400
  ClickAfterAPause(*dialog, CQueryPage::kWatchBox);
  ASSERT_TRUE(PumpUntil([&] { return Requests("fault-wire-404") >= 2 && !page.QueryRunning(); }, 20000));
  EXPECT_TRUE(page.Watching());
  EXPECT_EQ(0u, page.StatusText().find(TableString(status_text::kUnreadable)));
  EXPECT_EQ(L"30", ReadWindowTextOf(page.WatchEdit().GetHwnd()));
  EXPECT_NE(std::wstring::npos, page.StatusText().find(L"30"));

  ClickAfterAPause(*dialog, CQueryPage::kWatchBox);
  ASSERT_TRUE(PumpUntil([&] { return !page.Watching(); }, 5000));
  PumpUntil([&] { return !page.QueryRunning(); }, 5000);
  const int stopped = Requests("fault-wire-404");
  PumpUntil([] { return false; }, 3 * kIntervalMs);
  EXPECT_EQ(stopped, Requests("fault-wire-404"));

  // Watching again, then the window goes: at once, and no round follows.
  ClickAfterAPause(*dialog, CQueryPage::kWatchBox);
  ASSERT_TRUE(PumpUntil([&] { return page.Watching(); }, 5000));
  const DWORD start = GetTickCount();
  dialog.reset();
  EXPECT_LT(GetTickCount() - start, 2000u);
  const int closed = Requests("fault-wire-404");
  PumpUntil([] { return false; }, 3 * kIntervalMs);
  EXPECT_EQ(closed, Requests("fault-wire-404"));
}

}  // namespace
