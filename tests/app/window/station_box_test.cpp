// The station boxes of the real main window with real keys and mouse: the
// completion drop-down, what it takes and keeps, where the focus stays, the
// status line's hint for a name the list lacks (sent as typed all the same),
// and the daily refresh of the list from the demo site.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/core/query_request.h"
#include "app/net/station_source.h"
#include "app/window/main_dialog.h"
#include "skin/resources/dpi_scale.h"
#include "skin/resources/text_encoding.h"
#include "tests/app/window/main_dialog_fixture.h"
#include "tests/support/dib_canvas.h"

namespace {

class StationBoxTest : public MainDialogFixture {
 protected:
  void TearDown() override { SendMouseButton(false); }

  // Types `text` into the page's 出发站 box with real keys, from empty.
  static CStationBox& TypeFrom(CMainDlg& dialog, const std::wstring& text) {
    CStationBox& box = dialog.QueryPage().FromBox();
    SetWindowTextW(box.GetHwnd(), L"");
    Type(box.GetHwnd(), text);
    PumpUntil([] { return false; }, 50);
    return box;
  }

  static void Keys(std::vector<int> strokes) {
    SendKeys(strokes);
    PumpUntil([] { return false; }, 80);
  }
};

TEST_F(StationBoxTest, TypingOpensTheListUnderTheBoxWhichKeepsTheFocus) {
  auto dialog = MakeDialog();
  CStationBox& box = TypeFrom(*dialog, L"bj");
  ASSERT_TRUE(box.DropDown().IsShown());
  ASSERT_GE(box.Shown().size(), 3u);
  EXPECT_EQ(L"北京", box.Shown()[0]);
  EXPECT_EQ(0, box.DropDown().Highlighted());
  EXPECT_EQ(box.GetHwnd(), GetFocus());
  EXPECT_EQ(dialog->GetHwnd(), GetForegroundWindow());
  RECT edit = {};
  RECT list = {};
  GetWindowRect(box.GetHwnd(), &edit);
  GetWindowRect(box.DropDown().GetHwnd(), &list);
  EXPECT_EQ(edit.left, list.left);
  EXPECT_EQ(edit.bottom, list.top);

  // Typing on narrows the list.
  const size_t before = box.Shown().size();
  SendUnicodeText(L"n");
  PumpUntil([&] { return ReadWindowTextOf(box.GetHwnd()) == L"bjn"; }, 2000);
  EXPECT_LT(box.Shown().size(), before);
  EXPECT_EQ(L"北京南", box.Shown()[0]);
}

TEST_F(StationBoxTest, KeysMoveTakeAndCloseAsTheyShould) {
  auto dialog = MakeDialog();
  const struct {
    const wchar_t* typed;
    std::vector<int> keys;
    const wchar_t* text;  // null: the third station shown
    bool focusStays;
  } cases[] = {
      {L"bj", {VK_DOWN, -VK_DOWN, VK_DOWN, -VK_DOWN, VK_RETURN, -VK_RETURN}, nullptr, true},
      {L"bj", {VK_DOWN, -VK_DOWN, VK_DOWN, -VK_DOWN, VK_DOWN, -VK_DOWN, VK_UP, -VK_UP, VK_RETURN, -VK_RETURN},
       nullptr, true},
      {L"sh", {VK_ESCAPE, -VK_ESCAPE}, L"sh", true},
      {L"shhq", {VK_TAB, -VK_TAB}, L"上海虹桥", false},
      {L"虹桥", {VK_RETURN, -VK_RETURN}, L"上海虹桥", true},
  };
  for (const auto& c : cases) {
    CStationBox& box = TypeFrom(*dialog, c.typed);
    ASSERT_TRUE(box.DropDown().IsShown()) << WideToUtf8(c.typed);
    const std::vector<std::wstring> shown = box.Shown();
    Keys(c.keys);
    EXPECT_EQ(c.text ? std::wstring(c.text) : shown.at(2), ReadWindowTextOf(box.GetHwnd())) << WideToUtf8(c.typed);
    EXPECT_FALSE(box.DropDown().IsShown()) << WideToUtf8(c.typed);
    EXPECT_EQ(c.focusStays, GetFocus() == box.GetHwnd()) << WideToUtf8(c.typed);
  }
}

TEST_F(StationBoxTest, AClickTakesTheItemAndTheHighlightIsDrawn) {
  auto dialog = MakeDialog();
  CStationBox& box = TypeFrom(*dialog, L"bj");
  ASSERT_TRUE(box.DropDown().IsShown());
  const HWND view = box.DropDown().GetView().GetHwnd();
  const int row = ScaleToDpi(CStationDropDown::kItemHeight, dialog->GetDpi());
  // The highlighted row is drawn in the selection's blue, the others white.
  const auto highlighted = [&](int index) {
    auto canvas = CaptureWholeClient(view);
    const COLORREF pixel = canvas->Pixel(canvas->width() - 4, 1 + row * index + row / 2);
    return GetBValue(pixel) > GetRValue(pixel) + 20;
  };
  EXPECT_TRUE(highlighted(0));
  EXPECT_FALSE(highlighted(1));
  Keys({VK_DOWN, -VK_DOWN});
  EXPECT_FALSE(highlighted(0));
  EXPECT_TRUE(highlighted(1));

  RECT list = {};
  GetWindowRect(view, &list);
  SendClick(list.left + 30, list.top + 1 + row + row / 2);
  EXPECT_TRUE(PumpUntil([&] { return !box.DropDown().IsShown(); }, 2000));
  EXPECT_EQ(L"北京南", ReadWindowTextOf(box.GetHwnd()));
  EXPECT_EQ(box.GetHwnd(), GetFocus());
}

TEST_F(StationBoxTest, LosingTheFocusOrMovingTheWindowClosesTheList) {
  auto dialog = MakeDialog();
  CStationBox& box = TypeFrom(*dialog, L"bj");
  ASSERT_TRUE(box.DropDown().IsShown());
  SetFocus(dialog->QueryPage().ToEdit().GetHwnd());
  EXPECT_TRUE(PumpUntil([&] { return !box.DropDown().IsShown(); }, 1000));
  EXPECT_EQ(L"bj", ReadWindowTextOf(box.GetHwnd()));

  TypeFrom(*dialog, L"bj");
  ASSERT_TRUE(box.DropDown().IsShown());
  RECT frame = {};
  GetWindowRect(dialog->GetHwnd(), &frame);
  SetWindowPos(dialog->GetHwnd(), nullptr, frame.left + 20, frame.top + 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_TRUE(PumpUntil([&] { return !box.DropDown().IsShown(); }, 1000));
}

TEST_F(StationBoxTest, SearchNamesAnUnknownStationButAsksForItAsTyped) {
  auto dialog = MakeDialog();
  const struct {
    const wchar_t* typed;
    const wchar_t* asked;  // what reaches the site and the box shows after
    const wchar_t* hint;   // in the status line; null: no hint
  } cases[] = {
      {L"北京站 ", L"北京", nullptr},
      {L"北京西客", L"北京西客", L"未知车站 北京西客？ 您是否要找：北京西"},
      {L"火星", L"火星", L"未知车站 火星？"},
  };
  for (const auto& c : cases) {
    SharedDemoSite().ClearLog();
    SetWindowTextW(dialog->QueryPage().FromEdit().GetHwnd(), c.typed);
    SetWindowTextW(dialog->QueryPage().ToEdit().GetHwnd(), L"上海");
    dialog->QueryPage().StartQuery();
    ASSERT_TRUE(PumpUntil([&] { return !dialog->QueryPage().QueryRunning() && !Busy(*dialog); }, 30000));
    // The stations' part of the request, whatever the day.
    const std::string path = BuildQueryPath(c.asked, L"上海", L"2026-01-01");
    const std::string stations = path.substr(0, path.find("&C="));
    EXPECT_NE(std::string::npos, SharedDemoSite().RequestLog().find(stations)) << WideToUtf8(c.typed);
    EXPECT_EQ(c.asked, ReadWindowTextOf(dialog->QueryPage().FromEdit().GetHwnd()).substr(0, wcslen(c.asked)));
    const std::wstring status = dialog->QueryPage().StatusText();
    if (c.hint) {
      EXPECT_NE(std::wstring::npos, status.find(c.hint)) << WideToUtf8(status);
    } else {
      EXPECT_EQ(std::wstring::npos, status.find(L"未知车站")) << WideToUtf8(status);
    }
  }
}

// The list kept under a key of the test's own, refreshed from the demo site.
class StationCatalogTest : public MainDialogFixture {
 protected:
  static constexpr wchar_t kKey[] = L"Software\\TavoraTests\\Stations";
  void SetUp() override {
    MainDialogFixture::SetUp();
    RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
  }
  void TearDown() override { RegDeleteKeyW(HKEY_CURRENT_USER, kKey); }

  static bool RefreshWith(const std::string& path, const TravelDate& today, StationList& list) {
    CStationCatalog catalog(SharedDemoSite().HostPort().c_str(), kKey, path);
    catalog.Start(today);
    if (!PumpUntil([&] { return !catalog.Refreshing(); }, 30000)) return false;
    list = catalog.List();
    return true;
  }
};

TEST_F(StationCatalogTest, AsksTheSiteOnceADayAndKeepsOnlyAWholeList) {
  const TravelDate today = LocalToday();
  const size_t builtIn = EmbeddedStationList().Size();
  ASSERT_GT(builtIn, 500u);
  StationList list;
  // A damaged list is not taken, but the site was asked for today.
  ASSERT_TRUE(RefreshWith("/stations.txt?v=fault-damaged", today, list));
  EXPECT_EQ(builtIn, list.Size());
  EXPECT_FALSE(StationRefreshDue(kKey, today));
  EXPECT_FALSE(ReadStoredStations(kKey).hasList);

  // Not again on the same day; on the next, the whole list is kept.
  SharedDemoSite().ClearLog();
  ASSERT_TRUE(RefreshWith(kStationListPath, today, list));
  EXPECT_EQ(std::string::npos, SharedDemoSite().RequestLog().find("/stations.txt"));
  const TravelDate tomorrow = AddDays(today, 1);
  ASSERT_TRUE(RefreshWith(kStationListPath, tomorrow, list));
  EXPECT_NE(std::string::npos, SharedDemoSite().RequestLog().find("/stations.txt"));
  EXPECT_TRUE(ReadStoredStations(kKey).hasList);
  EXPECT_EQ(FormatTravelDate(tomorrow), ReadStoredStations(kKey).fetchedDay);
  EXPECT_EQ(builtIn, list.Size());
}

}  // namespace
