// The 票价查询 page of the real main window against the demo site: the
// column set, money, the cheapest fare of each class marked, "--" for a
// missing class and a fare that does not read, sorting by price, the kinds
// filter of the ticket page, the CSV read back and tabs that keep their rows.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/core/fare_page.h"
#include "app/window/fare_page.h"
#include "app/window/main_dialog.h"
#include "app/window/query_bar_boxes.h"
#include "skin/resources/text_encoding.h"
#include "tests/app/window/main_dialog_fixture.h"

namespace {

class FarePageTest : public MainDialogFixture {
 protected:
  void TearDown() override { SendMouseButton(false); }

  static void AskFor(CMainDlg& dialog, const wchar_t* from, const wchar_t* to) {
    CFarePage& page = dialog.FarePage();
    SetWindowTextW(page.FromEdit().GetHwnd(), from);
    SetWindowTextW(page.ToEdit().GetHwnd(), to);
    PumpUntil([] { return false; }, GetDoubleClickTime() + 50);
    ClickElement(dialog, CFarePage::kSearchButton);
    PumpUntil([&] { return page.QueryRunning(); }, 1000);
    EXPECT_TRUE(PumpUntil([&] { return !page.QueryRunning(); }, 30000));
    PumpUntil([] { return false; }, 100);
  }

  static std::vector<std::wstring> Titles(HWND list) {
    std::vector<std::wstring> titles;
    const int count = static_cast<int>(SendMessageW(ListView_GetHeader(list), HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) titles.push_back(ColumnTitle(list, i));
    return titles;
  }
};

TEST_F(FarePageTest, FaresByClassCheapestMarkedSortedAndExported) {
  auto dialog = MakeDialog();
  dialog->SelectTab(CMainDlg::kFareTab);
  CFarePage& page = dialog->FarePage();

  // 成都 → 重庆: no train with sleepers, so the classes none has are no
  // columns.
  AskFor(*dialog, L"成都", L"重庆");
  ASSERT_FALSE(page.Rows().empty());
  std::vector<std::wstring> expected = {L"车次", L"出发站", L"到达站", L"发时", L"到时", L"历时"};
  for (const int fareClass : FareClassesPresent(page.Rows()))
    expected.push_back(FareColumnTitle(kFareFirstClassColumn + fareClass));
  EXPECT_EQ(expected, Titles(page.List().GetHwnd()));
  EXPECT_EQ(std::find(expected.begin(), expected.end(), L"硬卧"), expected.end()) << "no sleeper on this line";

  // The site's 北京 → 上海 with three fares that do not read.
  AskFor(*dialog, L"fault-badfare", L"上海");
  ASSERT_GE(page.ShownRows().size(), 3u);
  const std::vector<std::wstring> first = FareRowTexts(page.ShownRows()[0]);
  EXPECT_EQ(L"--", first[kFareFirstClassColumn + kFareSecond]) << "\"abc\" is no amount";
  EXPECT_EQ(L"--", FareRowTexts(page.ShownRows()[1])[kFareFirstClassColumn + kFareFirst]);
  EXPECT_EQ(L"--", FareRowTexts(page.ShownRows()[2])[kFareFirstClassColumn + kFareFirst]);
  EXPECT_EQ(L'¥', first[kFareFirstClassColumn + kFareFirst][0])
      << WideToUtf8(first[kFareFirstClassColumn + kFareFirst]);

  // A click on 二等座's header sorts by the amount, cheapest first, the row
  // without one last; the cheapest are marked in the list's pixels.
  const std::vector<int>& columns = page.Columns();
  const int second = static_cast<int>(std::find(columns.begin(), columns.end(), kFareFirstClassColumn + kFareSecond) -
                                      columns.begin());
  ASSERT_LT(second, static_cast<int>(columns.size()));
  page.OnColumnClick(second);
  int previous = -1;
  for (size_t i = 0; i + 1 < page.ShownRows().size(); ++i) {
    const int amount = ParseFareTenths(page.ShownRows()[i].fares[kFareSecond]);
    if (amount < 0) continue;
    EXPECT_GE(amount, previous) << i;
    previous = amount;
  }
  EXPECT_EQ(-1, ParseFareTenths(page.ShownRows().back().fares[kFareSecond]));
  const int cheapest = page.Cheapest()[kFareSecond];
  ASSERT_EQ(cheapest, ParseFareTenths(page.ShownRows()[0].fares[kFareSecond]));
  auto canvas = CaptureWholeClient(page.List().GetHwnd());
  RECT cell = {LVIR_BOUNDS, second, 0, 0};
  SendMessageW(page.List().GetHwnd(), LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell));
  int marked = 0;
  for (int y = cell.top; y < cell.bottom; ++y)
    for (int x = cell.left; x < cell.right; ++x) {
      const COLORREF pixel = canvas->Pixel(x, y);
      marked += GetRValue(pixel) > 170 && GetGValue(pixel) < 120 && GetBValue(pixel) < 80;
    }
  EXPECT_GT(marked, 10);

  // The ticket page's kinds filter the fares too.
  dialog->SelectTab(CMainDlg::kTicketTab);
  ClickElement(*dialog, QueryBarBoxes::kFirstKindId + 1);  // 高铁 off
  ASSERT_TRUE(PumpUntil([&] { return !Checked(*dialog, QueryBarBoxes::kFirstKindId + 1); }, 3000));
  dialog->SelectTab(CMainDlg::kFareTab);
  for (const FareRow& row : page.ShownRows()) EXPECT_NE(L'G', row.trainCode[0]) << WideToUtf8(row.trainCode);
  EXPECT_LT(page.ShownRows().size(), page.Rows().size());

  // The CSV holds plain amounts, an empty field where there is none.
  const std::wstring path = MakeScratchFolder("fares") + L"\\fares.csv";
  ASSERT_TRUE(page.ExportRowsTo(path));
  const std::string csv = ReadFileBytes(path);
  EXPECT_NE(std::string::npos, csv.find("二等座")) << csv.substr(0, 200);
  EXPECT_EQ(std::string::npos, csv.find("¥"));
  // (Without G trains the seats are hard seats.)
  const int shownCheapest = page.Cheapest()[kFareHardSeat];
  ASSERT_GE(shownCheapest, 0);
  EXPECT_NE(std::string::npos, csv.find("," + WideToUtf8(PlainFare(shownCheapest)))) << csv.substr(0, 400);
}

}  // namespace
