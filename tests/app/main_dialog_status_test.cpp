// The footer's status line of the real main window: what it says while a
// query runs and after each way a query can end against the demo site, and
// that it is dark text on the light footer.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "app/main_dialog.h"
#include "app/query_status.h"
#include "skin/resources/text_encoding.h"
#include "tests/app/main_dialog_fixture.h"
#include "tests/support/dib_canvas.h"

namespace {

TEST(StatusText, FormatReplacesNumberedMarkersOnly) {
  const struct {
    const wchar_t* pattern;
    const wchar_t* text;
  } cases[] = {{L"%1 → %2", L"A → B"}, {L"%2%1%2", L"BAB"}, {L"%3 %", L"%3 %"}, {L"100%", L"100%"}, {L"%%1", L"%A"}};
  for (const auto& c : cases) EXPECT_EQ(c.text, FormatText(c.pattern, {L"A", L"B"})) << WideToUtf8(c.pattern);
}

class StatusLineTest : public MainDialogFixture {
 protected:
  // Types the stations, clicks search with the real mouse and waits for the
  // query's end; the status line then.
  static std::wstring QueryStatus(CMainDlg& dialog, const wchar_t* from, const wchar_t* to) {
    CQueryPage& page = dialog.QueryPage();
    SetWindowTextW(page.fromEdit.GetHwnd(), from);
    SetWindowTextW(page.toEdit.GetHwnd(), to);
    const DWORD before = page.workerThread ? GetThreadId(page.workerThread.get()) : 0;
    // Two clicks on one spot within the double-click time are a double-click.
    PumpUntil([] { return false; }, GetDoubleClickTime() + 50);
    ClickElement(dialog, CQueryPage::kSearchButton);
    EXPECT_TRUE(PumpUntil([&] { return page.workerThread && GetThreadId(page.workerThread.get()) != before; }, 5000))
        << WideToUtf8(from);
    EXPECT_TRUE(PumpUntil([&] { return !page.QueryRunning() && !Busy(dialog); }, 30000)) << WideToUtf8(from);
    return page.StatusText();
  }

  static std::wstring Text(int id, std::initializer_list<std::wstring> values = {}) {
    return FormatText(StatusString(id), values);
  }

  // Answers that hang end after this.
  ScopedEnvironment shortDeadline_{L"TAVORA_HTTP_DEADLINE_MS", L"1500"};
};

TEST_F(StatusLineTest, EachOutcomeSaysWhatHappenedAndWhoseRowsAreShown) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  EXPECT_EQ(L"", page.StatusText());

  // Before any rows: a failure names no earlier query.
  EXPECT_EQ(Text(status_text::kMissingStation), QueryStatus(*dialog, L"", L" "));
  EXPECT_EQ(Text(status_text::kUnreadable), QueryStatus(*dialog, L"fault-deep", L"上海"));

  const std::wstring trains = QueryStatus(*dialog, L"北京", L"上海");
  const std::wstring prefix = Text(status_text::kTrains, {L"32", L""});
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
  SetWindowTextW(page.fromEdit.GetHwnd(), L"上海");
  SetWindowTextW(page.toEdit.GetHwnd(), L"fault-slow-1500");
  ClickElement(*dialog, QueryBarBoxes::kReturnTripId);
  ASSERT_TRUE(PumpUntil([&] { return page.queryBarBoxes.ReturnTripChecked(dialog->GetView()); }, 5000));
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
      const int sum = GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel);
      dark += sum < 3 * 90;
      light += sum > 3 * 200;
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

}  // namespace
