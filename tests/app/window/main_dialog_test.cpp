// The main window in this process, against the demo site: its set-up, the
// search button with real input, the busy state, the list fill, the header
// buttons and the ways it ends, and closing it during a query.
#include "app/core/travel_date.h"
#include "app/window/date_box.h"
#include "app/window/main_dialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/query_request.h"
#include "app/core/result_page.h"
#include "app/entry/tavo_module.h"
#include "skin/host/view_notifications.h"
#include "skin/resources/bk_string.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/basic_controls.h"
#include "tests/app/window/main_dialog_fixture.h"
#include "tests/skin/host/host_test_windows.h"
#include "tests/skin/host/view_test_util.h"
#include "tests/support/demo_site.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/scratch_skin_folder.h"
#include "tests/support/test_support.h"

namespace {

constexpr int kGaveUp = -99;

// The rows of the list's background colours, as the template paints them.
constexpr COLORREF kEven = RGB(0xE0, 0xED, 0xFD);
constexpr COLORREF kOdd = RGB(0xA9, 0xDA, 0xF1);

// ---- the list fill's small rules -------------------------------------------------

TEST(ListFill, ItemCountIsEveryRowAndAtLeastTwenty) {
  const std::pair<size_t, int> cases[] = {{0, 20}, {1, 20}, {19, 20}, {20, 20}, {21, 21}, {32, 32}, {3000, 3000}};
  for (const auto& [rows, items] : cases) EXPECT_EQ(items, ListItemCount(rows)) << rows;
}

TEST(ListFill, RowColoursAlternateAndSelectionWins) {
  struct Case {
    int index;
    bool selected;
    const char* colour;
  };
  const Case cases[] = {{0, false, "E0EDFD"}, {3, false, "A9DAF1"}, {4, false, "E0EDFD"},
                        {3, true, "B7C4D4"},  {4, true, "B7C4D4"},  {-1, false, "A9DAF1"}};
  for (const Case& c : cases) EXPECT_STREQ(c.colour, RowColour(c.index, c.selected)) << c.index;
}

TEST(ListFill, FourteenTextsWithOriginAndTerminalJoined) {
  TicketRow row;
  for (int i = 0; i < TicketRow::kFieldCount; ++i) row.Field(i) = L"f" + std::to_wstring(i);
  row.originStation = L"A";
  row.terminalStation = L"B";
  const std::vector<std::wstring> texts = RowTexts(row);
  ASSERT_EQ(14u, texts.size());
  EXPECT_EQ(row.trainCode, texts[0]);
  EXPECT_EQ(row.standing, texts[10]);
  EXPECT_EQ(L"A - B", texts[11]);
  EXPECT_EQ(row.travelTime, texts[12]);
  EXPECT_EQ(row.trainType, texts[13]);
  row.originStation.clear();
  row.terminalStation.clear();
  EXPECT_EQ(L" - ", RowTexts(row)[11]);
}

// ---- the main window -------------------------------------------------------------

// The first element below `root` whose text is `text`, or null.
const CBkWindow* FindByText(const CBkWindow& root, const std::wstring& text) {
  if (root.GetText() == text) return &root;
  const auto* panel = dynamic_cast<const CBkPanel*>(&root);
  for (size_t i = 0; panel && i < panel->ChildCount(); ++i)
    if (const CBkWindow* found = FindByText(*panel->ChildAt(i), text)) return found;
  return nullptr;
}

class MainDialogTest : public MainDialogFixture {
 protected:
  void TearDown() override { SendMouseButton(false); }
};

TEST_F(MainDialogTest, SetUpMakesTheListColumnsEditsAndIcons) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  const HWND view = dialog->GetView().GetHwnd();

  const HWND list = page.List().GetHwnd();
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(view, GetParent(list));
  EXPECT_EQ(CQueryPage::kListId, GetDlgCtrlID(list));
  EXPECT_TRUE(page.List().IsTemplateLoaded());
  EXPECT_EQ(20, ItemCount(*dialog));
  const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  ASSERT_EQ(14, static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)));
  for (int i = 0; i < 14; ++i) {
    wchar_t title[64] = L"";
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = title;
    column.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column))) << i;
    EXPECT_EQ(std::wstring(GetString(31 + i)), title) << i;
    EXPECT_EQ(_wtoi(GetString(51 + i)), column.cx) << i;
  }

  // The date box shows today, and says so in grey once emptied.
  const std::wstring today = FormatTravelDate(LocalToday());
  const struct {
    const CEditImpl* edit;
    int id;
    std::wstring hint;
    std::wstring text;
  } edits[] = {{&page.FromEdit(), 2220, L"北京", L""},
               {&page.ToEdit(), 2230, L"上海", L""},
               {&page.DateEdit(), 2240, today, today}};
  for (const auto& e : edits) {
    ASSERT_NE(nullptr, e.edit->GetHwnd()) << e.id;
    EXPECT_EQ(view, GetParent(e.edit->GetHwnd()));
    EXPECT_EQ(e.id, GetDlgCtrlID(e.edit->GetHwnd()));
    EXPECT_EQ(e.hint, e.edit->GetHintText());
    EXPECT_EQ(e.text, ReadWindowTextOf(e.edit->GetHwnd()));
    // Placed by its "realwnd" element inside the query bar.
    RECT placed = {};
    GetWindowRect(e.edit->GetHwnd(), &placed);
    EXPECT_GT(placed.right - placed.left, 50) << e.id;
  }
  EXPECT_NE(0, SendMessageW(dialog->GetHwnd(), WM_GETICON, ICON_BIG, 0));
  EXPECT_NE(0, SendMessageW(dialog->GetHwnd(), WM_GETICON, ICON_SMALL, 0));
  EXPECT_TRUE(dialog->GetView().FindElement(CQueryPage::kSearchButton)->IsVisible(false));
  EXPECT_FALSE(Busy(*dialog));
}

TEST_F(MainDialogTest, SearchWithUntouchedEditsSendsNothingAndEndsBusyAtOnce) {
  auto dialog = MakeDialog();
  ClickElement(*dialog, CQueryPage::kSearchButton);
  ASSERT_TRUE(PumpUntil([&] { return dialog->QueryPage().QueriesStarted() > 0; }, 5000));
  ASSERT_TRUE(PumpUntil([&] { return !dialog->QueryPage().QueryRunning() && !Busy(*dialog); }, 10000));
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ("", SharedDemoSite().RequestLog());
  EXPECT_EQ(20, ItemCount(*dialog));
  EXPECT_TRUE(dialog->GetView().FindElement(CQueryPage::kSearchButton)->IsVisible(false));
}

TEST_F(MainDialogTest, TypedStationsAndAClickShowEveryTrainInTheList) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  Type(page.FromEdit().GetHwnd(), L"北京");
  Type(page.ToEdit().GetHwnd(), L"上海");
  ClickElement(*dialog, CQueryPage::kSearchButton);
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(*dialog) > 20; }, 20000));
  PumpUntil([&] { return !Busy(*dialog); }, 5000);
  EXPECT_EQ("GET " + BuildQueryPath(L"北京", L"上海", FormatTravelDate(LocalToday())) + " HTTP/1.1\n",
            SharedDemoSite().RequestLog());
  EXPECT_EQ(32, ItemCount(*dialog));
  ASSERT_EQ(32u, page.Rows().size());
  EXPECT_FALSE(Busy(*dialog));

  // The rows paint in alternating colours with the train code at the left.
  const HWND list = page.List().GetHwnd();
  UpdateWindow(list);
  RECT client = {};
  GetClientRect(list, &client);
  DibCanvas canvas(client.right, client.bottom, RGB(1, 2, 3));
  ASSERT_TRUE(CaptureClient(list, canvas));
  RECT row0 = {LVIR_BOUNDS, 0, 0, 0}, row1 = {LVIR_BOUNDS, 0, 0, 0};
  SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row0));
  SendMessageW(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row1));
  EXPECT_EQ(kEven, canvas.Pixel(400, row0.top + 2));
  EXPECT_EQ(kOdd, canvas.Pixel(400, row1.top + 2));
  int dark = 0;
  for (int y = row0.top; y < row0.bottom; ++y)
    for (int x = 2; x < 50; ++x) dark += GetRValue(canvas.Pixel(x, y)) < 100;
  EXPECT_GT(dark, 10) << "no train code drawn in the first cell";

  // The last train is reachable: scrolled to the end, the last row on the
  // screen is the last train, painted with its own train code.
  const std::wstring lastCode = page.ShownRows().back().trainCode;
  ASSERT_NE(lastCode, page.ShownRows()[30].trainCode);
  SendMessageW(list, LVM_ENSUREVISIBLE, 31, FALSE);
  InvalidateRect(list, nullptr, FALSE);
  UpdateWindow(list);
  const int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  EXPECT_EQ(31, top + static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0)) - 1);
  const CBkWindow* code = page.List().FindTemplateElement(20020);
  ASSERT_NE(nullptr, code);
  EXPECT_EQ(lastCode, code->GetText());  // the template holds the row painted last
}

// The station labels of the query bar are dark text on the light body, as a
// real window paints them.
TEST_F(MainDialogTest, StationLabelsAreDarkOnTheLightBody) {
  auto dialog = MakeDialog();
  const HWND view = dialog->GetView().GetHwnd();
  UpdateWindow(view);
  DibCanvas canvas(680, 430);
  ASSERT_TRUE(CaptureClient(view, canvas));
  for (const wchar_t* label : {L"出发站(&F)", L"到达站(&T)", L"发车时间(&D)"}) {
    SCOPED_TRACE(WideToUtf8(label));
    const CBkWindow* element = FindByText(*dialog->GetView().Section(1), label);
    ASSERT_NE(nullptr, element);
    const RECT area = element->GetRect();
    int dark = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) {
        const COLORREF pixel = canvas.Pixel(x, y);
        dark += GetRValue(pixel) < 100 && GetGValue(pixel) < 100 && GetBValue(pixel) < 100;
      }
    EXPECT_GT(dark, 20);
  }
}

TEST_F(MainDialogTest, BusyImageAnimatesDuringASlowAnswerAndTheButtonReturns) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  SetWindowTextW(page.FromEdit().GetHwnd(), L"fault-slow-1500");
  SetWindowTextW(page.ToEdit().GetHwnd(), L"上海");
  ClickElement(*dialog, CQueryPage::kSearchButton);
  ASSERT_TRUE(PumpUntil([&] { return Busy(*dialog); }, 5000));
  EXPECT_FALSE(dialog->GetView().FindElement(CQueryPage::kSearchButton)->IsVisible(false));

  // Frames of the busy image differ from one timer tick to the next.
  const RECT busy = dialog->GetView().FindElement(CQueryPage::kBusyImage)->GetRect();
  const HWND view = dialog->GetView().GetHwnd();
  std::vector<std::vector<COLORREF>> frames;
  for (int i = 0; i < 4; ++i) {
    PumpUntil([] { return false; }, 130);
    UpdateWindow(view);
    DibCanvas canvas(680, 430);
    ASSERT_TRUE(CaptureClient(view, canvas));
    std::vector<COLORREF> pixels;
    for (int y = busy.top; y < busy.bottom; ++y)
      for (int x = busy.left; x < busy.right; ++x) pixels.push_back(canvas.Pixel(x, y));
    frames.push_back(pixels);
  }
  int changes = 0;
  for (size_t i = 1; i < frames.size(); ++i) changes += frames[i] != frames[i - 1];
  EXPECT_GE(changes, 2);
  // A second start while busy starts nothing.
  page.StartQuery();

  ASSERT_TRUE(PumpUntil([&] { return !Busy(*dialog); }, 15000));
  EXPECT_TRUE(dialog->GetView().FindElement(CQueryPage::kSearchButton)->IsVisible(false));
  EXPECT_EQ(32u, page.Rows().size());
  const std::string log = SharedDemoSite().RequestLog();
  EXPECT_EQ(1, std::count(log.begin(), log.end(), '\n')) << log;
}

// The busy image's frame, as its "sub" attribute holds it.
int BusyFrame(CMainDlg& dialog) {
  const auto* busy = dynamic_cast<const CBkImageWnd*>(dialog.GetView().FindElement(CQueryPage::kBusyImage));
  return busy ? busy->Sub() : -1;
}

// Only the busy timer moves the busy image, and each window counts its own
// frames: a window made later starts at the first frame, whatever an earlier
// one showed.
TEST_F(MainDialogTest, OnlyTheBusyTimerAdvancesTheBusyImageOfItsOwnWindow) {
  const struct {
    UINT_PTR timer;
    int ticks;
    int frame;  // after the ticks
  } cases[] = {
      {CQueryPage::kQueryTimer, 1, 0}, {CQueryPage::kQueryTimer, 4, 3}, {CQueryPage::kQueryTimer, 13, 0},
      {4242, 5, 0},                    {CQueryPage::kWatchTimer + 1, 5, 0},
  };
  for (const auto& c : cases) {
    auto dialog = MakeDialog();
    for (int i = 0; i < c.ticks; ++i) SendMessageW(dialog->GetHwnd(), WM_TIMER, c.timer, 0);
    EXPECT_EQ(c.frame, BusyFrame(*dialog)) << c.timer << " x" << c.ticks;
  }
}

// Runs the dialog modally; `script` runs once from inside the loop. A loop
// that nothing ends is ended with kGaveUp after 20 seconds.
std::function<void()> g_script;
CMainDlg* g_running = nullptr;

void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (!g_script) return;
  auto run = std::move(g_script);
  g_script = nullptr;
  run();
}

void CALLBACK GiveUp(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (g_running) g_running->EndModal(kGaveUp);
}

int RunModalWith(CMainDlg& dialog, std::function<void()> script) {
  g_script = std::move(script);
  g_running = &dialog;
  const UINT_PTR start = SetTimer(nullptr, 0, 300, RunScript);
  const UINT_PTR giveUp = SetTimer(nullptr, 0, 20000, GiveUp);
  const int result = dialog.RunModal(nullptr, nullptr);
  KillTimer(nullptr, start);
  KillTimer(nullptr, giveUp);
  g_running = nullptr;
  g_script = nullptr;
  return result;
}

TEST_F(MainDialogTest, EscapeCloseButtonAndSystemCloseEndWithZero) {
  const struct {
    const char* name;
    std::function<void(CMainDlg&)> action;
  } cases[] = {
      {"escape", [](CMainDlg& d) { PostMessageW(d.GetHwnd(), WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"close button", [](CMainDlg& d) {
         BringToFront(d.GetHwnd());
         const POINT at = ScreenCentreOf(d, ID_CLOSE);
         SendClick(at.x, at.y);
       }},
      {"system close", [](CMainDlg& d) { PostMessageW(d.GetHwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& c : cases) {
    CMainDlg dialog(nullptr, SharedDemoSite().HostPort().c_str());
    EXPECT_EQ(0, RunModalWith(dialog, [&] { c.action(dialog); })) << c.name;
  }
}

TEST_F(MainDialogTest, EnterStartsNoQueryAndMinimiseMinimises) {
  CMainDlg dialog(nullptr, SharedDemoSite().HostPort().c_str());
  bool minimised = false;
  const int result = RunModalWith(dialog, [&] {
    SetWindowTextW(dialog.QueryPage().FromEdit().GetHwnd(), L"北京");
    SetWindowTextW(dialog.QueryPage().ToEdit().GetHwnd(), L"上海");
    SendMessageW(dialog.GetHwnd(), WM_KEYDOWN, VK_RETURN, 0);
    BringToFront(dialog.GetHwnd());
    const POINT at = ScreenCentreOf(dialog, ID_MINIMIZE);
    SendClick(at.x, at.y);
    PumpUntil([&] { return IsIconic(dialog.GetHwnd()) != FALSE; }, 5000);
    minimised = IsIconic(dialog.GetHwnd()) != FALSE;
    dialog.EndModal(7);
  });
  EXPECT_EQ(7, result);
  EXPECT_TRUE(minimised);
  EXPECT_EQ("", SharedDemoSite().RequestLog());
}

// Closing during a query that takes three seconds: the window goes at once,
// the worker finishes later on its own share of the session and posts to
// nobody.
TEST_F(MainDialogTest, ClosingDuringAQueryReturnsAtOnceAndLeavesTheWorkerSafe) {
  DWORD closed = 0;
  DWORD returned = 0;
  {
    CMainDlg dialog(nullptr, SharedDemoSite().HostPort().c_str());
    const int result = RunModalWith(dialog, [&] {
      SetWindowTextW(dialog.QueryPage().FromEdit().GetHwnd(), L"fault-slow-3000");
      SetWindowTextW(dialog.QueryPage().ToEdit().GetHwnd(), L"上海");
      dialog.QueryPage().StartQuery();
      PumpUntil([] { return !SharedDemoSite().RequestLog().empty(); }, 5000);
      closed = GetTickCount();
      PostMessageW(dialog.GetHwnd(), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(0, result);
  }
  returned = GetTickCount();
  EXPECT_LT(returned - closed, 2000u);
  // The answer arrives after the window is gone; nothing breaks meanwhile.
  PumpUntil([] { return false; }, 4000);
  EXPECT_NE(std::string::npos, SharedDemoSite().RequestLog().find("fault-slow-3000"));
}

// A skin folder's string table without the program's entries: the columns
// and hints stay empty, and the window still works.
// Entries are never removed from the table, so the case needs a process of
// its own (ctest runs every case alone) in which the suite's set-up has not
// loaded the program's table.
TEST(MainDialogStrings, StringTableWithoutTheEntriesLeavesColumnsAndHintsEmpty) {
  if (GetString(31)) GTEST_SKIP() << "this process already holds the program's string table";
  ScopedEnvironment deadUpdateServer(L"TAVORA_UPDATE_HOST", L"127.0.0.1:1");
  ScratchSkinFolder folder("main-dialog-strings");
  ASSERT_TRUE(folder.Write(102, "<string><s id=\"5\">x</s></string>"));
  CtavoModule::LoadSkinResources();
  ASSERT_EQ(nullptr, GetString(31));
  auto dialog = std::make_unique<CMainDlg>(nullptr, SharedDemoSite().HostPort().c_str());
  ASSERT_NE(nullptr, dialog->Create(nullptr));
  CQueryPage& page = dialog->QueryPage();
  const HWND list = page.List().GetHwnd();
  ASSERT_NE(nullptr, list);
  const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  EXPECT_EQ(14, static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)));
  wchar_t title[16] = L"?";
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = title;
  column.cchTextMax = 16;
  ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, 3, reinterpret_cast<LPARAM>(&column)));
  EXPECT_EQ(std::wstring(), title);
  EXPECT_EQ(0, column.cx);
  EXPECT_EQ(std::wstring(), page.FromEdit().GetHintText());
  EXPECT_EQ(20, static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)));
}

}  // namespace
