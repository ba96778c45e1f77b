// The date box and the two filters of the real main window against the demo
// site: typed forms and their one shown form, the keys and the calendar, the
// refusal of days that cannot be asked for (nothing reaches the site), the
// date on the wire, the site's own message, and 只看有票 with the departure
// range.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/core/ticket_order.h"
#include "app/core/travel_date.h"
#include "app/window/date_box.h"
#include "app/window/main_dialog.h"
#include "app/window/query_settings.h"
#include "app/window/query_status.h"
#include "skin/resources/text_encoding.h"
#include "tests/app/window/main_dialog_fixture.h"
#include "tests/support/dib_canvas.h"

namespace {

// The screen point of `date`'s cell in a month calendar, found by asking
// the control what lies under points of a fine grid.
bool FindDayCell(HWND calendar, const TravelDate& date, POINT& screen) {
  RECT client = {};
  GetClientRect(calendar, &client);
  for (int y = 2; y < client.bottom; y += 3) {
    for (int x = 2; x < client.right; x += 3) {
      MCHITTESTINFO hit = {};
      hit.cbSize = MCHITTESTINFO_V1_SIZE;
      hit.pt = POINT{x, y};
      SendMessageW(calendar, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if ((hit.uHit & MCHT_CALENDARDATE) == MCHT_CALENDARDATE && hit.st.wYear == date.year &&
          hit.st.wMonth == date.month && hit.st.wDay == date.day) {
        screen = POINT{x + 3, y + 3};
        ClientToScreen(calendar, &screen);
        return true;
      }
    }
  }
  return false;
}

class DateBoxTest : public MainDialogFixture {
 protected:
  void TearDown() override { SendMouseButton(false); }

  static HWND DateEdit(CMainDlg& dialog) { return dialog.QueryPage().DateEdit().GetHwnd(); }

  // Replaces the date box's text with real typing and moves the focus on.
  static void TypeDate(CMainDlg& dialog, const std::wstring& text) {
    const HWND edit = DateEdit(dialog);
    SetWindowTextW(edit, L"");
    Type(edit, text);
    SetFocus(dialog.QueryPage().FromEdit().GetHwnd());
    PumpUntil([] { return false; }, 50);
  }

  // Clicks search with the real mouse and waits until nothing runs.
  static void Search(CMainDlg& dialog) {
    PumpUntil([] { return false; }, GetDoubleClickTime() + 50);
    ClickElement(dialog, CQueryPage::kSearchButton);
    PumpUntil([&] { return dialog.QueryPage().QueryRunning(); }, 1000);
    EXPECT_TRUE(PumpUntil([&] { return !dialog.QueryPage().QueryRunning() && !Busy(dialog); }, 30000));
  }

  // Red pixels (the refused date's frame) around the date box.
  static int RedFramePixels(CMainDlg& dialog) {
    auto canvas = CaptureWholeClient(dialog.GetView().GetHwnd());
    const RECT frame = ScaleRectOut(dialog.GetView().FindElement(CQueryPage::kDateFrame)->GetRect(), dialog.GetDpi());
    int red = 0;
    for (int y = frame.top; y < frame.bottom; ++y)
      for (int x = frame.left; x < frame.right; ++x) {
        const COLORREF pixel = canvas->Pixel(x, y);
        red += GetRValue(pixel) > 180 && GetGValue(pixel) < 110 && GetBValue(pixel) < 110;
      }
    return red;
  }
};

TEST_F(DateBoxTest, TypedFormsAreShownBackInOneForm) {
  auto dialog = MakeDialog();
  const TravelDate today = LocalToday();
  EXPECT_EQ(FormatTravelDate(today), ReadWindowTextOf(DateEdit(*dialog)));
  const TravelDate later = AddDays(today, 5);
  const TravelDate tomorrow = AddDays(today, 1);
  wchar_t compact[16], monthDay[16], slashed[16], day[8];
  swprintf(compact, 16, L"%04d%02d%02d", later.year, later.month, later.day);
  swprintf(monthDay, 16, L"%02d-%02d", later.month, later.day);
  swprintf(slashed, 16, L"%d/%d", later.month, later.day);
  swprintf(day, 8, L"%d", tomorrow.day);
  const struct {
    std::wstring typed;
    TravelDate shown;
  } cases[] = {
      {FormatTravelDate(later), later},
      {compact, later},
      {monthDay, later},
      {slashed, later},
      {day, tomorrow},  // a day of this month, or of the next once it has passed
  };
  for (const auto& c : cases) {
    TypeDate(*dialog, c.typed);
    EXPECT_EQ(FormatTravelDate(c.shown), ReadWindowTextOf(DateEdit(*dialog))) << WideToUtf8(c.typed);
  }
  // Text that is no date stays as typed until a search refuses it.
  TypeDate(*dialog, L"next friday");
  EXPECT_EQ(L"next friday", ReadWindowTextOf(DateEdit(*dialog)));
}

TEST_F(DateBoxTest, KeysStepDaysAndWeeksWithinTheSalePeriod) {
  auto dialog = MakeDialog();
  const TravelDate today = LocalToday();
  ASSERT_TRUE(BringToFront(dialog->GetHwnd()));
  SetFocus(DateEdit(*dialog));
  const struct {
    int key;
    int offset;  // days after today shown afterwards
  } steps[] = {{VK_UP, 1}, {VK_UP, 2}, {VK_PRIOR, 9}, {VK_DOWN, 8}, {VK_NEXT, 1}, {VK_NEXT, 0}, {VK_DOWN, 0}};
  for (const auto& step : steps) {
    SendKeys({step.key, -step.key});
    const std::wstring expected = FormatTravelDate(AddDays(today, step.offset));
    EXPECT_TRUE(PumpUntil([&] { return ReadWindowTextOf(DateEdit(*dialog)) == expected; }, 3000))
        << step.key << " → " << WideToUtf8(ReadWindowTextOf(DateEdit(*dialog)));
  }
  // The last day on sale is as far as Page Up goes.
  for (int i = 0; i < 10; ++i) SendKeys({VK_PRIOR, -VK_PRIOR});
  const std::wstring last = FormatTravelDate(AddDays(today, kPresaleDays));
  EXPECT_TRUE(PumpUntil([&] { return ReadWindowTextOf(DateEdit(*dialog)) == last; }, 3000));
}

TEST_F(DateBoxTest, RefusedDatesMarkTheBoxSayWhyAndSendNothing) {
  auto dialog = MakeDialog();
  const TravelDate today = LocalToday();
  SetWindowTextW(dialog->QueryPage().FromEdit().GetHwnd(), L"北京");
  SetWindowTextW(dialog->QueryPage().ToEdit().GetHwnd(), L"上海");
  const int unmarked = RedFramePixels(*dialog);
  const TravelDate yesterday = AddDays(today, -1);
  const struct {
    std::wstring typed;
    std::wstring status;
  } cases[] = {
      {FormatTravelDate(yesterday), FormatText(TableString(status_text::kDatePast), {FormatTravelDate(yesterday)})},
      {FormatTravelDate(AddDays(today, kPresaleDays + 1)),
       FormatText(TableString(status_text::kDateTooFar),
                  {std::to_wstring(kPresaleDays + 1), FormatTravelDate(AddDays(today, kPresaleDays))})},
      {L"2026-02-30", FormatText(TableString(status_text::kNotADate), {L"2026-02-30", FormatTravelDate(today)})},
  };
  for (const auto& c : cases) {
    SharedDemoSite().ClearLog();
    TypeDate(*dialog, c.typed);
    Search(*dialog);
    EXPECT_EQ(c.status, dialog->QueryPage().StatusText()) << WideToUtf8(c.typed);
    EXPECT_EQ("", SharedDemoSite().RequestLog()) << WideToUtf8(c.typed);
    EXPECT_TRUE(dialog->QueryPage().DateBox().IsInvalid());
    EXPECT_GT(RedFramePixels(*dialog), unmarked + 40) << WideToUtf8(c.typed);
  }
  // Typing clears the mark; a good date then goes out.
  SetFocus(DateEdit(*dialog));
  SendKeys({VK_BACK, -VK_BACK});
  EXPECT_TRUE(PumpUntil([&] { return !dialog->QueryPage().DateBox().IsInvalid(); }, 3000));
  EXPECT_LE(RedFramePixels(*dialog), unmarked + 5);
}

TEST_F(DateBoxTest, TheDateGoesOnTheWireAndTheStatusLineNamesTheDay) {
  auto dialog = MakeDialog();
  const TravelDate day = AddDays(LocalToday(), 3);
  SetWindowTextW(dialog->QueryPage().FromEdit().GetHwnd(), L"北京");
  SetWindowTextW(dialog->QueryPage().ToEdit().GetHwnd(), L"上海");
  TypeDate(*dialog, FormatTravelDate(day));
  Search(*dialog);
  const std::string wire = "&C=" + WideToUtf8(FormatTravelDate(day)) + "&D=1";
  EXPECT_NE(std::string::npos, SharedDemoSite().RequestLog().find(wire)) << SharedDemoSite().RequestLog();
  const std::wstring status = dialog->QueryPage().StatusText();
  EXPECT_EQ(0u, status.find(L"32 趟列车 · " + FormatTravelDay(day) + L" · ")) << WideToUtf8(status);
  EXPECT_EQ(32u, dialog->QueryPage().Rows().size());
}

// Within the program's presale period but past the site's: the site says
// why in a page without trains, and the status line shows its words.
TEST_F(DateBoxTest, ASitesMessageReachesTheStatusLine) {
  auto dialog = MakeDialog();
  ASSERT_TRUE(Query(*dialog, L"北京", L"上海"));
  const std::wstring day = FormatTravelDate(AddDays(LocalToday(), 45));
  TypeDate(*dialog, day);
  Search(*dialog);
  const std::wstring status = dialog->QueryPage().StatusText();
  EXPECT_NE(std::wstring::npos, status.find(day)) << WideToUtf8(status);
  EXPECT_NE(std::wstring::npos, status.find(L"预售期")) << WideToUtf8(status);
  EXPECT_EQ(32u, dialog->QueryPage().Rows().size()) << "the earlier rows stay";
}

TEST_F(DateBoxTest, TheCalendarPicksADayAndEscapeLeavesItAlone) {
  auto dialog = MakeDialog();
  const TravelDate today = LocalToday();
  CDateBox& box = dialog->QueryPage().DateBox();
  ClickElement(*dialog, CQueryPage::kCalendarButton);
  ASSERT_TRUE(PumpUntil([&] { return box.Calendar().IsShown(); }, 5000));
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == box.Calendar().CalendarWindow(); }, 3000));
  // A click on the day after tomorrow picks it.
  const TravelDate target = AddDays(today, 2);
  POINT day = {};
  ASSERT_TRUE(FindDayCell(box.Calendar().CalendarWindow(), target, day));
  SendClick(day.x, day.y);
  const std::wstring picked = FormatTravelDate(target);
  EXPECT_TRUE(PumpUntil([&] { return !box.Calendar().IsShown(); }, 3000));
  EXPECT_TRUE(PumpUntil([&] { return ReadWindowTextOf(DateEdit(*dialog)) == picked; }, 3000))
      << WideToUtf8(ReadWindowTextOf(DateEdit(*dialog)));
  EXPECT_EQ(DateEdit(*dialog), GetFocus());

  // Alt+Down opens it from the box; Escape closes it and keeps the day.
  SendKeys({VK_MENU, VK_DOWN, -VK_DOWN, -VK_MENU});
  ASSERT_TRUE(PumpUntil([&] { return box.Calendar().IsShown(); }, 5000));
  PumpUntil([&] { return GetFocus() == box.Calendar().CalendarWindow(); }, 3000);
  SendKeys({VK_RIGHT, -VK_RIGHT, VK_ESCAPE, -VK_ESCAPE});
  EXPECT_TRUE(PumpUntil([&] { return !box.Calendar().IsShown(); }, 3000));
  EXPECT_EQ(picked, ReadWindowTextOf(DateEdit(*dialog)));
}

// A remembered day comes back while it may still be asked for; one that has
// passed gives way to today. The filters come back as they were.
TEST_F(DateBoxTest, TheRememberedDateOnlyWhileItIsOnSale) {
  const wchar_t kKey[] = L"Software\\Tavora\\DateTest";
  const TravelDate today = LocalToday();
  const struct {
    std::wstring stored;
    TravelDate shown;
  } cases[] = {{FormatTravelDate(AddDays(today, 4)), AddDays(today, 4)},
               {FormatTravelDate(AddDays(today, -2)), today},
               {L"2026-13-01", today}};
  for (const auto& c : cases) {
    RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
    QuerySettings stored;
    stored.date = c.stored;
    stored.availableOnly = true;
    stored.departRange = DepartRange::Evening;
    ASSERT_TRUE(SaveQuerySettings(kKey, QuerySettings(), stored));
    auto dialog = MakeDialog(kKey);
    EXPECT_EQ(FormatTravelDate(c.shown), ReadWindowTextOf(DateEdit(*dialog))) << WideToUtf8(c.stored);
    EXPECT_TRUE(dialog->QueryPage().AvailableOnly());
    EXPECT_EQ(DepartRange::Evening, dialog->QueryPage().DepartFilter());
  }
  RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
}

// 只看有票 and the departure range filter the rows at once, without a new
// request, and the status line counts what is shown of what was found.
TEST_F(DateBoxTest, TheFiltersNarrowTheRowsWithoutAskingAgain) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  ASSERT_TRUE(Query(*dialog, L"北京", L"上海"));
  const size_t found = page.Rows().size();
  ASSERT_EQ(32u, found);
  SharedDemoSite().ClearLog();

  ClickElement(*dialog, CQueryPage::kAvailableBox);
  ASSERT_TRUE(PumpUntil([&] { return page.AvailableOnly(); }, 3000));

  // The range menu under its link: the third item is 06:00–12:00.
  ClickElement(*dialog, CQueryPage::kDepartRangeLink);
  ASSERT_TRUE(PumpUntil([&] { return page.DepartMenu().IsShown(); }, 3000));
  RECT menu = {};
  GetWindowRect(page.DepartMenu().GetHwnd(), &menu);
  const int item = ScaleToDpi(24, dialog->GetDpi());
  SendClick(menu.left + item, menu.top + item * 2 + item / 2);
  ASSERT_TRUE(PumpUntil([&] { return page.DepartFilter() == DepartRange::Morning; }, 3000));
  // Counted here from the cells themselves: a seat with tickets, a morning
  // departure.
  size_t shown = 0;
  for (const TicketRow& row : page.Rows()) {
    const int minutes = ParseMinutes(row.departTime);
    shown += minutes >= 6 * 60 && minutes < 12 * 60 &&
             std::any_of(&row.seatHardOrSecond, &row.standing + 1, [](const std::wstring& seat) {
               return seat == L"有" || (!seat.empty() && seat[0] >= L'1' && seat[0] <= L'9');
             });
  }
  ASSERT_GT(shown, 0u);
  EXPECT_EQ(shown, page.ShownRows().size());
  const std::wstring status = page.StatusText();
  EXPECT_EQ(0u, status.find(std::to_wstring(shown) + L" / 32 趟列车 · ")) << WideToUtf8(status);
  EXPECT_EQ("", SharedDemoSite().RequestLog());
}

}  // namespace
