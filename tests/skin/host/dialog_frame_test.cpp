// The skinned frame with the program's main layer: window shape and styles,
// the maximised size, the modal loop and its ways to end, and real input
// (keys, clicks, a header drag) reaching the owner as SKN_COMMAND.
#include "skin/host/dialog_frame.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/host/list_view.h"
#include "skin/resources/skin_resource.h"
#include "tests/skin/host/host_test_windows.h"
#include "tests/skin/host/view_test_util.h"
#include "tests/support/scratch_skin_folder.h"
#include "tests/support/test_support.h"

namespace {

constexpr unsigned kMainLayer = 103;
constexpr int kMainWidth = 680;
constexpr int kMainHeight = 430;
constexpr int kGaveUp = -99;
constexpr int kSearchButton = 10000;
constexpr UINT kGiveUpMs = 20000;

// A frame as the application derives one: the cut-corner shape mixed in;
// Cancel and the close button end the loop with 0, any other command with
// its item id.
class TestFrame : public CBkDialogImpl, public CWHRoundRectFrameHelper {
 public:
  explicit TestFrame(unsigned layer = kMainLayer) : CBkDialogImpl(layer) {}
  ~TestFrame() override { DestroyWindow(); }

  std::vector<ReceivedCommand> commands;
  std::vector<UINT> frameMessages;
  std::function<void(TestFrame&)> onInit;
  // Runs once, from inside the modal loop, after the frame is shown.
  std::function<void(TestFrame&)> script;

  // RunModal, ended with kGaveUp if nothing else ends it in time.
  int Run(HWND owner = nullptr) {
    running_ = this;
    const UINT_PTR timer = SetTimer(nullptr, 0, kGiveUpMs, GiveUp);
    const int result = RunModal(owner);
    KillTimer(nullptr, timer);
    running_ = nullptr;
    return result;
  }

  POINT ScreenCentreOf(int id) {
    const RECT rect = GetView().FindElement(id)->GetRect();
    POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(GetView().GetHwnd(), &centre);
    return centre;
  }

 protected:
  static void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) {
    if (running_) running_->EndModal(kGaveUp);
  }
  static inline TestFrame* running_ = nullptr;

  bool ProcessFrameMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) override {
    ProcessShapeMessage(hwnd, message, wParam, lParam);
    frameMessages.push_back(message);
    ReceivedCommand command;
    if (message == WM_NOTIFY && ReadCommand(lParam, command)) {
      commands.push_back(command);
      EndModal(command.item == IDCANCEL || command.item == ID_CLOSE ? 0 : command.item);
      return true;
    }
    if (message == WM_INITDIALOG) {
      if (onInit) onInit(*this);
      if (script) PostMessageW(hwnd, WM_APP, 0, 0);
      return true;
    }
    if (message == WM_APP && script) {
      const auto run = std::move(script);
      script = nullptr;
      run(*this);
      return true;
    }
    return false;
  }
};

// Brings the frame to the front and waits until it is shown.
void Front(TestFrame& frame) {
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(frame.GetHwnd()) != FALSE; }, 5000));
  ASSERT_TRUE(BringToFront(frame.GetHwnd()));
}

class DialogFrameTest : public ::testing::Test {
 protected:
  // Script: a real click on the centre of element `id`.
  static std::function<void(TestFrame&)> ClickOn(int id) {
    return [id](TestFrame& f) {
      Front(f);
      const POINT at = f.ScreenCentreOf(id);
      SendClick(at.x, at.y);
    };
  }

  void SetUp() override {
    ASSERT_TRUE(LoadProgramSkinResources());
  }

  void TearDown() override { SendMouseButton(false); }

  std::vector<int> Items(const TestFrame& frame) const {
    std::vector<int> items;
    for (const ReceivedCommand& command : frame.commands) items.push_back(command.item);
    return items;
  }
};

TEST_F(DialogFrameTest, Create_GivesTheMainLayerItsStylesSizeAndShape) {
  TestFrame frame;
  ASSERT_NE(nullptr, frame.Create(nullptr));
  const HWND hwnd = frame.GetHwnd();
  EXPECT_EQ(0x800F0000u, static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & 0x800F0000u);
  EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(std::wstring(L"Tavora"), WindowText(hwnd));

  RECT window = {};
  RECT client = {};
  GetWindowRect(hwnd, &window);
  GetClientRect(hwnd, &client);
  EXPECT_EQ(kMainWidth, window.right - window.left);
  EXPECT_EQ(kMainHeight, window.bottom - window.top);
  EXPECT_EQ(kMainWidth, client.right);
  EXPECT_EQ(kMainHeight, client.bottom);
  RECT view = {};
  GetClientRect(frame.GetView().GetHwnd(), &view);
  EXPECT_TRUE(EqualRect(&client, &view));

  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(ERROR, GetWindowRgn(hwnd, shape));
  struct Probe {
    POINT at;
    bool inside;
  };
  for (const Probe& p : {Probe{{0, 0}, false}, Probe{{1, 0}, false}, Probe{{0, 1}, false}, Probe{{679, 429}, false},
                         Probe{{678, 429}, false}, Probe{{679, 0}, false}, Probe{{2, 0}, true}, Probe{{1, 1}, true},
                         Probe{{0, 2}, true}, Probe{{677, 429}, true}, Probe{{340, 200}, true}}) {
    EXPECT_EQ(p.inside, PtInRegion(shape, p.at.x, p.at.y) != FALSE) << p.at.x << "," << p.at.y;
  }
  GdiObject<HRGN> expected = CreateCutCornerRegion({0, 0, kMainWidth, kMainHeight});
  EXPECT_TRUE(EqualRgn(shape, expected.get()));
  DeleteObject(shape);
}

TEST_F(DialogFrameTest, Shape_IsKeptForTheSameSizeAndWhenMinimised) {
  TestFrame frame;
  ASSERT_NE(nullptr, frame.Create(nullptr));
  const HWND hwnd = frame.GetHwnd();
  // A marker region: rebuilding the shape would replace it.
  SetWindowRgn(hwnd, CreateRectRgn(0, 0, 5, 5), FALSE);
  SendMessageW(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(kMainWidth, kMainHeight));
  SendMessageW(hwnd, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0));
  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(ERROR, GetWindowRgn(hwnd, shape));
  RECT box = {};
  GetRgnBox(shape, &box);
  const RECT marker = {0, 0, 5, 5};
  EXPECT_TRUE(EqualRect(&box, &marker));

  // Another size, the layer's being the smallest: a new shape. Maximised, none.
  frame.ResizeClient(800, 500, true);
  ASSERT_NE(ERROR, GetWindowRgn(hwnd, shape));
  GdiObject<HRGN> expected = CreateCutCornerRegion({0, 0, 800, 500});
  EXPECT_TRUE(EqualRgn(shape, expected.get()));
  ShowWindow(hwnd, SW_SHOWMAXIMIZED);
  EXPECT_EQ(ERROR, GetWindowRgn(hwnd, shape));
  DeleteObject(shape);
}

TEST_F(DialogFrameTest, MaximisedSize_CoversTheWorkAreaWithOnePixelMore) {
  TestFrame frame;
  ASSERT_NE(nullptr, frame.Create(nullptr));
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(frame.GetHwnd(), MONITOR_DEFAULTTONEAREST), &monitor));
  MINMAXINFO info = {};
  SendMessageW(frame.GetHwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  const RECT& work = monitor.rcWork;
  EXPECT_EQ(work.left - monitor.rcMonitor.left - 1, info.ptMaxPosition.x);
  EXPECT_EQ(work.top - monitor.rcMonitor.top - 1, info.ptMaxPosition.y);
  EXPECT_EQ(work.right - work.left + 2, info.ptMaxSize.x);
  EXPECT_EQ(work.bottom - work.top + 2, info.ptMaxSize.y);
  EXPECT_EQ(info.ptMaxSize.x, info.ptMaxTrackSize.x);
  EXPECT_EQ(info.ptMaxSize.y, info.ptMaxTrackSize.y);
}

// Only a layer with resize="1" gives sizing edges (the view lets them through
// to the frame) and a smallest size; another keeps its size.
TEST_F(DialogFrameTest, SizingEdges_OnlyForResizableLayers) {
  const struct {
    unsigned layer;
    bool resizable;
  } cases[] = {{kMainLayer, true}, {107, false}};
  for (const auto& c : cases) {
    TestFrame frame(c.layer);
    ASSERT_NE(nullptr, frame.Create(nullptr));
    SetWindowPos(frame.GetHwnd(), nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    RECT window = {};
    GetWindowRect(frame.GetHwnd(), &window);
    const struct {
      POINT at;
      LRESULT edge;
    } points[] = {
        {{window.left + 1, window.top + 60}, HTLEFT},       {{window.right - 1, window.top + 60}, HTRIGHT},
        {{window.left + 60, window.bottom - 1}, HTBOTTOM},  {{window.right - 1, window.bottom - 1}, HTBOTTOMRIGHT},
        {{window.left + 2, window.top + 1}, HTTOPLEFT},     {{window.left + 12, window.bottom - 1}, HTBOTTOMLEFT},
        {{window.left + 60, window.top + 60}, HTCLIENT},
    };
    for (const auto& point : points) {
      const LRESULT expected = c.resizable ? point.edge : HTCLIENT;
      EXPECT_EQ(expected, frame.EdgeAt(point.at)) << c.layer << " " << point.at.x << "," << point.at.y;
      // The view answers for the frame's client area: through to the frame
      // on an edge.
      const LRESULT view = SendMessageW(frame.GetView().GetHwnd(), WM_NCHITTEST, 0, MAKELPARAM(point.at.x, point.at.y));
      EXPECT_EQ(expected == HTCLIENT ? HTCLIENT : HTTRANSPARENT, view);
    }
    MINMAXINFO info = {};
    SendMessageW(frame.GetHwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    if (c.resizable) {
      EXPECT_EQ(kMainWidth, info.ptMinTrackSize.x);
      EXPECT_EQ(kMainHeight, info.ptMinTrackSize.y);
    }
  }
}

TEST_F(DialogFrameTest, RunModal_EndsWithTheOwnersAnswerToKeysAndClose) {
  struct Case {
    const char* name;
    unsigned layer;
    std::function<void(TestFrame&)> script;
    int result;
    std::vector<int> items;
  };
  const Case cases[] = {
      {"Escape",
       kMainLayer,
       [](TestFrame& f) {
         Front(f);
         SendKeys({VK_ESCAPE, -VK_ESCAPE});
       },
       0,
       {IDCANCEL}},
      {"Ctrl+Return sends nothing, Return sends OK",
       kMainLayer,
       [](TestFrame& f) {
         Front(f);
         SendKeys({VK_CONTROL, VK_RETURN, -VK_RETURN, -VK_CONTROL, VK_RETURN, -VK_RETURN});
       },
       IDOK,
       {IDOK}},
      {"WM_CLOSE", kMainLayer, [](TestFrame& f) { PostMessageW(f.GetHwnd(), WM_CLOSE, 0, 0); }, 0, {IDCANCEL}},
      // The buttons lie over the title text and the search button's
      // background: the click reaches what is drawn on top.
      {"close button", kMainLayer, ClickOn(ID_CLOSE), 0, {ID_CLOSE}},
      {"minimise button", kMainLayer, ClickOn(ID_MINIMIZE), ID_MINIMIZE, {ID_MINIMIZE}},
      {"search button", kMainLayer, ClickOn(10000), 10000, {10000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestFrame frame(c.layer);
    frame.script = c.script;
    EXPECT_EQ(c.result, frame.Run());
    EXPECT_EQ(c.items, Items(frame));
    for (const ReceivedCommand& command : frame.commands) EXPECT_EQ(VIEW_ID, command.from);
    EXPECT_FALSE(frame.IsWindow());
  }
}

TEST_F(DialogFrameTest, HeaderButtonClick_ArrivesFromTheViewWithTheElementsTag) {
  TestFrame frame(kMainLayer);
  frame.script = ClickOn(ID_MINIMIZE);
  EXPECT_EQ(ID_MINIMIZE, frame.Run());
  ASSERT_EQ(1u, frame.commands.size());
  EXPECT_EQ(VIEW_ID, frame.commands[0].from);
  EXPECT_EQ("imgbtn", frame.commands[0].itemClass);
}

TEST_F(DialogFrameTest, HeaderDrag_MovesTheWindow) {
  TestFrame frame;
  RECT before = {};
  RECT after = {};
  frame.script = [&](TestFrame& f) {
    Front(f);
    GetWindowRect(f.GetHwnd(), &before);
    const POINT start = {before.left + 200, before.top + 12};
    SendMouseMove(start.x, start.y);
    SendMouseButton(true);
    for (int step = 1; step <= 4; ++step) SendMouseMove(start.x + 10 * step, start.y + 7 * step);
    SendMouseButton(false);
    PumpUntil(
        [&] {
          GetWindowRect(f.GetHwnd(), &after);
          return after.left != before.left;
        },
        5000);
    f.EndModal(0);
  };
  EXPECT_EQ(0, frame.Run());
  EXPECT_EQ(before.left + 40, after.left);
  EXPECT_EQ(before.top + 28, after.top);
  EXPECT_TRUE(frame.commands.empty());
}

TEST_F(DialogFrameTest, RunModal_DisablesTheOwnerWhileRunning) {
  RecordingWindow owner;
  const RECT area = {0, 0, 100, 100};
  ASSERT_NE(nullptr, owner.Create(nullptr, &area, L"", WS_POPUP | WS_VISIBLE));
  TestFrame frame;
  bool ownerEnabledWhileRunning = true;
  frame.script = [&](TestFrame& f) {
    ownerEnabledWhileRunning = IsWindowEnabled(owner.GetHwnd()) != FALSE;
    f.EndModal(3);
  };
  EXPECT_EQ(3, frame.Run(owner.GetHwnd()));
  EXPECT_FALSE(ownerEnabledWhileRunning);
  EXPECT_TRUE(IsWindowEnabled(owner.GetHwnd()));
}

TEST_F(DialogFrameTest, RunModal_WithoutLayerAnswersZeroAndReenablesTheOwner) {
  RecordingWindow owner;
  const RECT area = {0, 0, 100, 100};
  ASSERT_NE(nullptr, owner.Create(nullptr, &area, L"", WS_POPUP | WS_VISIBLE));
  for (unsigned layer : {0u, 9999u, 104u}) {
    SCOPED_TRACE(layer);
    TestFrame frame(layer);
    EXPECT_EQ(nullptr, frame.Create(nullptr));
    EXPECT_EQ(0, frame.Run(owner.GetHwnd()));
    EXPECT_FALSE(frame.ModalWindowMade());
    EXPECT_TRUE(IsWindowEnabled(owner.GetHwnd()));
  }
  TestFrame shown;
  shown.script = [](TestFrame& f) { f.EndModal(0); };
  EXPECT_EQ(0, shown.Run(owner.GetHwnd()));
  EXPECT_TRUE(shown.ModalWindowMade());
}

// A main layer or list-item template in the skin folder that is cut short,
// is not of its kind, or includes documents past the bounds of one load
// gives way to the embedded document.
TEST_F(DialogFrameTest, BrokenFolderCopiesOfTheLayerAndTheListItemGiveWayToTheEmbeddedOnes) {
  ScratchSkinFolder folder("frame-fallback");
  std::string layer, item;
  ASSERT_TRUE(LoadModuleResource(kMainLayer, layer, L"xml") && LoadModuleResource(106, item, L"xml"));
  ASSERT_TRUE(folder.WriteIncludeFan(900, 7, 20, 32 * 1024));
  const std::string fan = "<dlgfile pos=\"0,0,-0,-0\" src=\"900\"/>";
  const struct {
    const char* name;
    std::string layer;
    std::string item;
  } cases[] = {
      {"cut short", layer.substr(0, layer.size() / 2), item.substr(0, item.size() / 2)},
      {"another kind", "<dlg/>", "<layer/>"},
      {"including past the bounds", "<layer title=\"fan\"><body>" + fan + "</body></layer>",
       "<listitem height=\"20\">" + fan + "</listitem>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(folder.Write(kMainLayer, c.layer) && folder.Write(106, c.item));
    TestFrame frame;
    ASSERT_TRUE(frame.LoadLayerResource());
    EXPECT_EQ(L"Tavora", frame.GetView().GetTitle());
    EXPECT_NE(nullptr, frame.GetView().FindElement(kSearchButton));
    CBkListView list;
    ASSERT_TRUE(list.LoadTemplateResource(106));
    EXPECT_NE(nullptr, list.Template().FindElementById(20020));
  }
}

TEST_F(DialogFrameTest, EndModal_BeforeTheLoopDispatchesNothing) {
  TestFrame frame;
  frame.onInit = [](TestFrame& f) {
    PostMessageW(f.GetHwnd(), WM_APP + 1, 0, 0);
    f.EndModal(7);
  };
  EXPECT_EQ(7, frame.Run());
  for (UINT message : frame.frameMessages) EXPECT_NE(static_cast<UINT>(WM_APP + 1), message);
}

TEST_F(DialogFrameTest, EndModal_AlsoWakesLoopsThatReadOnlyTheFramesMessages) {
  TestFrame frame;
  bool frameWoken = false;
  frame.script = [&](TestFrame& f) {
    f.EndModal(4);
    MSG message = {};
    frameWoken = PeekMessageW(&message, f.GetHwnd(), WM_NULL, WM_NULL, PM_NOREMOVE) != FALSE;
  };
  EXPECT_EQ(4, frame.Run());
  EXPECT_TRUE(frameWoken);
}

TEST_F(DialogFrameTest, QuitMessage_EndsTheLoopAndStaysQueued) {
  TestFrame frame;
  frame.script = [](TestFrame&) { PostQuitMessage(5); };
  EXPECT_EQ(0, frame.Run());
  EXPECT_FALSE(frame.IsWindow());
  MSG message = {};
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(5u, message.wParam);
}

TEST_F(DialogFrameTest, CreatingShapingAndDestroyingReleaseTheirGdiObjects) {
  const auto cycle = [] {
    TestFrame frame;
    ASSERT_NE(nullptr, frame.Create(nullptr));
    ShowWindow(frame.GetHwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(frame.GetHwnd());
    for (int size = 0; size < 5; ++size) frame.ResizeClient(600 + size, 400 + size, true);
    UpdateWindow(frame.GetHwnd());
  };
  cycle();
  const int before = CountLiveGdiObjects();
  for (int round = 0; round < 5; ++round) cycle();
  EXPECT_EQ(before, CountLiveGdiObjects());
}

// Windows of this thread, child windows included (tooltips, list, edits): the
// USER objects a frame makes.
BOOL CALLBACK CountWindow(HWND, LPARAM counter) {
  ++*reinterpret_cast<int*>(counter);
  return TRUE;
}

BOOL CALLBACK CountWindowAndChildren(HWND hwnd, LPARAM counter) {
  CountWindow(hwnd, counter);
  EnumChildWindows(hwnd, CountWindow, counter);
  return TRUE;
}

int CountThreadWindows() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindowAndChildren, reinterpret_cast<LPARAM>(&count));
  return count;
}

// Ten thousand full repaints of the main layer through real WM_PAINTs and a
// thousand hover, press and click cycles on its search button leave the
// process with the GDI objects and windows it had after the first ones.
TEST_F(DialogFrameTest, MainLayerKeepsItsObjectsFlatOverLongUse) {
  TestFrame frame;
  ASSERT_NE(nullptr, frame.Create(nullptr));
  ShowWindow(frame.GetHwnd(), SW_SHOWNOACTIVATE);
  CBkDialogView& view = frame.GetView();
  const HWND viewWindow = view.GetHwnd();
  const CBkWindow* search = view.FindElement(kSearchButton);
  ASSERT_NE(nullptr, search);
  const RECT rect = search->GetRect();
  const LPARAM onSearch = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  const LPARAM offSearch = MAKELPARAM(rect.left - 40, rect.bottom + 40);

  const auto repaint = [&] {
    view.RedrawAll();
    UpdateWindow(viewWindow);
  };
  const auto hoverPressClick = [&] {
    SendMessageW(viewWindow, WM_MOUSEMOVE, 0, onSearch);
    SendMessageW(viewWindow, WM_LBUTTONDOWN, MK_LBUTTON, onSearch);
    UpdateWindow(viewWindow);
    SendMessageW(viewWindow, WM_LBUTTONUP, 0, onSearch);
    SendMessageW(viewWindow, WM_MOUSEMOVE, 0, offSearch);
    UpdateWindow(viewWindow);
  };
  for (int i = 0; i < 20; ++i) {
    repaint();
    hoverPressClick();
  }
  frame.commands.clear();
  const int gdiBefore = CountLiveGdiObjects();
  const int windowsBefore = CountThreadWindows();

  for (int i = 0; i < 10000; ++i) repaint();
  EXPECT_EQ(gdiBefore, CountLiveGdiObjects());
  for (int i = 0; i < 1000; ++i) hoverPressClick();
  EXPECT_EQ(gdiBefore, CountLiveGdiObjects());
  EXPECT_EQ(windowsBefore, CountThreadWindows());
  // Every cycle was a real click on the button, not something ignored.
  ASSERT_EQ(1000u, frame.commands.size());
  EXPECT_EQ(kSearchButton, frame.commands.back().item);
  EXPECT_EQ(0u, view.GetPushedElement());
}

}  // namespace
