// The main layer's tab row, header icon, radio groups and progress bar in a
// real dialog view under Xvfb: real mouse input through SendInput, pixels
// read back from the window, and the GDI object count over many repaints.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "skin/host/dialog_view.h"
#include "skin/resources/gdi_drawing.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/skin_resource.h"
#include "skin/tree/icon_control.h"
#include "skin/tree/notifications.h"
#include "skin/tree/radio_control.h"
#include "skin/tree/tab_control.h"
#include "tests/skin/host/host_test_windows.h"
#include "tests/skin/host/view_test_util.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/test_support.h"

namespace {

constexpr int kWidth = 680;
constexpr int kHeight = 430;
constexpr int kTabsId = 136;
// A point of each head that neither its icon (from x 10) nor its title
// (centred 25 below the middle) covers.
constexpr POINT kHeadProbe = {3, 35};

class TabViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The real cursor may rest where an earlier test left it: keep it off
    // the windows, so that nothing starts out hovered.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    ASSERT_TRUE(LoadProgramSkinResources());
    parent_.handler = [this](RecordingWindow&, UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
      if (message != WM_NOTIFY) return false;
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == SKN_TABSELCHANGE) {
        auto* question = reinterpret_cast<TabSelChangeNotify*>(lParam);
        if (question->newSel == refusedIndex_) question->cancel = 1;
        questions_.push_back(*question);
      }
      ReceivedCommand command;
      if (ReadCommand(lParam, command)) commands_.push_back(command);
      result = 0;
      return true;
    };
    const RECT frame = {100, 100, 100 + kWidth, 100 + kHeight};
    ASSERT_NE(nullptr, parent_.Create(nullptr, &frame, L"", WS_POPUP | WS_VISIBLE));
  }

  void TearDown() override { SendMouseButton(false); }

  void MakeView(const std::string& layer) {
    view_ = std::make_unique<CBkDialogView>();
    ASSERT_TRUE(view_->LoadLayer(layer));
    const RECT area = {0, 0, kWidth, kHeight};
    ASSERT_NE(nullptr, view_->Create(parent_.GetHwnd(), VIEW_ID, &area));
    ASSERT_TRUE(BringToFront(parent_.GetHwnd()));
  }

  void MakeMainView() {
    std::string layer;
    ASSERT_TRUE(LoadSkinResource(103, layer, L"xml"));
    MakeView(layer);
    tabs_ = dynamic_cast<CBkTabCtrl*>(view_->FindElement(kTabsId));
    ASSERT_NE(tabs_, nullptr);
  }

  std::unique_ptr<DibCanvas> Capture() {
    UpdateWindow(view_->GetHwnd());
    auto canvas = std::make_unique<DibCanvas>(kWidth, kHeight, RGB(1, 2, 3));
    EXPECT_TRUE(CaptureClient(view_->GetHwnd(), *canvas));
    return canvas;
  }

  RECT Head(int index) {
    RECT head = {};
    EXPECT_TRUE(tabs_->HeadRect(index, head));
    return head;
  }

  POINT ScreenPoint(int x, int y) {
    POINT at = {x, y};
    ClientToScreen(view_->GetHwnd(), &at);
    return at;
  }

  void ClickHead(int index) {
    const RECT head = Head(index);
    const POINT at = ScreenPoint((head.left + head.right) / 2, (head.top + head.bottom) / 2);
    SendClick(at.x, at.y);
  }

  // The probe pixel of a head drawn with "tabmain" state `state` over the
  // body's own colour `background`, as the view would show it.
  static COLORREF ExpectedProbe(COLORREF background, int state) {
    DibCanvas canvas(71, 71, background);
    if (state > 0) GetSkin("tabmain")->Draw(canvas.dc(), RECT{0, 0, 71, 71}, state);
    return canvas.Pixel(kHeadProbe.x, kHeadProbe.y);
  }

  COLORREF Probe(const DibCanvas& canvas, int index) {
    const RECT head = Head(index);
    return canvas.Pixel(head.left + kHeadProbe.x, head.top + kHeadProbe.y);
  }

  // The body's colour beside the head row, at the height of the probe.
  COLORREF BodyBeside(const DibCanvas& canvas) {
    const RECT head = Head(0);
    return canvas.Pixel(600, head.top + kHeadProbe.y);
  }

  // Head states as the pixels show them (0 normal, 1 hover, 2 selected; -1
  // for a pixel that fits none).
  std::vector<int> HeadStates() {
    auto canvas = Capture();
    const COLORREF body = BodyBeside(*canvas);
    std::vector<int> states;
    for (int index = 0; index < 4; ++index) {
      const COLORREF pixel = Probe(*canvas, index);
      int state = -1;
      for (int candidate = 0; candidate < 3; ++candidate) {
        if (pixel == ExpectedProbe(body, candidate)) state = candidate;
      }
      states.push_back(state);
    }
    return states;
  }

  RecordingWindow parent_;
  std::unique_ptr<CBkDialogView> view_;
  CBkTabCtrl* tabs_ = nullptr;
  std::vector<TabSelChangeNotify> questions_;
  std::vector<ReceivedCommand> commands_;
  int refusedIndex_ = -100;
};

TEST_F(TabViewTest, MainLayerShowsFourHeadsWithIconsAndTitlesTheFirstSelected) {
  MakeMainView();
  ASSERT_EQ(tabs_->TabCount(), 4u);
  EXPECT_EQ(tabs_->GetCurSel(), 0);
  EXPECT_EQ(tabs_->GetTab(0)->Title(), L"余票查询");
  const RECT area = tabs_->GetRect();
  const long lefts[] = {1, 77, 153, 229};
  for (int index = 0; index < 4; ++index) {
    const RECT head = Head(index);
    EXPECT_EQ(head.left - area.left, lefts[index]) << index;
    EXPECT_EQ(head.right - head.left, 71);
    EXPECT_EQ(head.bottom - head.top, 71);
  }
  // The three distinct probe colours, so that the states below mean something.
  auto canvas = Capture();
  const COLORREF body = BodyBeside(*canvas);
  EXPECT_NE(ExpectedProbe(body, 0), ExpectedProbe(body, 1));
  EXPECT_NE(ExpectedProbe(body, 0), ExpectedProbe(body, 2));
  EXPECT_NE(ExpectedProbe(body, 1), ExpectedProbe(body, 2));
  EXPECT_EQ(HeadStates(), (std::vector<int>{2, 0, 0, 0}));

  // Each head shows its own icon of the strip, drawn at (10, 1) over it.
  CBkSkinBase* icons = GetSkin("logomodule");
  CBkSkinBase* heads = GetSkin("tabmain");
  ASSERT_NE(icons, nullptr);
  std::vector<std::vector<COLORREF>> iconPixels;
  for (int index = 0; index < 4; ++index) {
    const RECT head = Head(index);
    DibCanvas expected(100, 80, body);
    heads->Draw(expected.dc(), RECT{0, 0, 71, 71}, index == 0 ? 2 : 0);
    icons->Draw(expected.dc(), RECT{10, 1, 81, 72}, index);
    std::vector<COLORREF> drawn, wanted;
    for (int y = 28; y < 44; ++y) {
      for (int x = 36; x < 52; ++x) {
        drawn.push_back(canvas->Pixel(head.left + x, head.top + y));
        wanted.push_back(expected.Pixel(x, y));
      }
    }
    EXPECT_EQ(drawn, wanted) << index;
    iconPixels.push_back(drawn);
    // The title: dark (crtext 000000) text in the lower part of the head.
    int dark = 0;
    for (int y = head.top + 50; y < head.bottom; ++y) {
      for (int x = head.left; x < head.right; ++x) dark += GetRValue(canvas->Pixel(x, y)) < 80 ? 1 : 0;
    }
    EXPECT_GT(dark, 8) << index;
  }
  EXPECT_NE(iconPixels[0], iconPixels[1]);
  EXPECT_NE(iconPixels[1], iconPixels[2]);
}

TEST_F(TabViewTest, ClickingHeadsSwitchesPagesAfterAskingTheOwner) {
  MakeMainView();
  ClickHead(2);
  ASSERT_TRUE(PumpUntil([&] { return tabs_->GetCurSel() == 2; }, 5000));
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0].hdr.code, SKN_TABSELCHANGE);
  EXPECT_EQ(questions_[0].hdr.hwndFrom, view_->GetHwnd());
  EXPECT_EQ(questions_[0].hdr.idFrom, VIEW_ID);
  EXPECT_EQ(questions_[0].id, kTabsId);
  EXPECT_EQ(questions_[0].newSel, 2);
  EXPECT_EQ(questions_[0].oldSel, 0);
  EXPECT_FALSE(tabs_->GetTab(0)->IsVisible(false));
  EXPECT_TRUE(tabs_->GetTab(2)->IsVisible(false));
  // The mouse still rests on the selected head: no hover anywhere.
  EXPECT_EQ(HeadStates(), (std::vector<int>{0, 0, 2, 0}));

  // Hover over another head, then away from the row.
  const RECT third = Head(3);
  POINT at = ScreenPoint(third.left + 30, third.top + 30);
  SendMouseMove(at.x, at.y);
  ASSERT_TRUE(PumpUntil([&] { return tabs_->GetHoverIndex() == 3; }, 5000));
  EXPECT_EQ(HeadStates(), (std::vector<int>{0, 0, 2, 1}));
  at = ScreenPoint(600, 300);
  SendMouseMove(at.x, at.y);
  ASSERT_TRUE(PumpUntil([&] { return tabs_->GetHoverIndex() == -1; }, 5000));
  EXPECT_EQ(HeadStates(), (std::vector<int>{0, 0, 2, 0}));

  // The owner refuses page 1: nothing changes.
  refusedIndex_ = 1;
  ClickHead(1);
  ASSERT_TRUE(PumpUntil([&] { return questions_.size() == 2; }, 5000));
  EXPECT_EQ(tabs_->GetCurSel(), 2);
  EXPECT_EQ(HeadStates(), (std::vector<int>{0, 1, 2, 0}));

  // And back to the first page.
  ClickHead(0);
  ASSERT_TRUE(PumpUntil([&] { return tabs_->GetCurSel() == 0; }, 5000));
  EXPECT_EQ(HeadStates(), (std::vector<int>{2, 0, 0, 0}));
  EXPECT_TRUE(tabs_->GetTab(0)->IsVisible(false));
  EXPECT_FALSE(tabs_->GetTab(2)->IsVisible(false));
  // Each click is also a click on an element with an id.
  for (const ReceivedCommand& command : commands_) {
    EXPECT_EQ(command.item, kTabsId);
    EXPECT_EQ(command.itemClass, "tabctrl");
  }
  EXPECT_EQ(commands_.size(), 3u);
}

TEST_F(TabViewTest, HeaderShowsTheProgramIcon) {
  MakeMainView();
  auto* headerFile = dynamic_cast<CBkPanel*>(view_->Section(0)->ChildAt(0));
  ASSERT_NE(headerFile, nullptr);
  auto* icon = dynamic_cast<CBkIconWnd*>(headerFile->ChildAt(0));
  ASSERT_NE(icon, nullptr);
  ASSERT_NE(icon->Icon(), nullptr);
  const RECT rect = icon->GetRect();
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.top, 6);
  EXPECT_EQ(rect.right - rect.left, 16);
  EXPECT_EQ(rect.bottom - rect.top, 16);
  auto shown = Capture();
  // The same header without the icon, and that picture with the icon drawn
  // over it by hand.
  icon->SendElementMessage(WM_SHOWWINDOW, FALSE);
  view_->RedrawAll();
  auto without = Capture();
  DibCanvas expected(kWidth, kHeight);
  BitBlt(expected.dc(), 0, 0, kWidth, kHeight, without->dc(), 0, 0, SRCCOPY);
  DrawIconEx(expected.dc(), rect.left, rect.top, icon->Icon(), 16, 16, 0, nullptr, DI_NORMAL);
  int differs = 0;
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) {
      EXPECT_EQ(shown->Pixel(x, y), expected.Pixel(x, y)) << x << "," << y;
      differs += shown->Pixel(x, y) != without->Pixel(x, y) ? 1 : 0;
    }
  }
  EXPECT_GT(differs, 40) << "the icon shows against the header";
}

const char kRadioLayer[] =
    "<layer width='240' height='160'>"
    "<body crbg='FFFFFF'>"
    "<radio id='1' group='a' pos='10,10,100,30'>one</radio>"
    "<radio id='2' group='a' pos='10,40,100,60'>two</radio>"
    "<radio id='3' group='a' pos='10,70,100,90'>three</radio>"
    "<radio id='4' group='b' pos='120,10,200,30'>other</radio>"
    "</body></layer>";

TEST_F(TabViewTest, RealClicksKeepRadioGroupsExclusive) {
  MakeView(kRadioLayer);
  const int ids[] = {1, 2, 3, 4};
  const auto boxPixels = [&](const DibCanvas& canvas, int id) {
    const RECT rect = view_->FindElement(id)->GetRect();
    std::vector<COLORREF> pixels;
    for (int y = rect.top + 4; y < rect.top + 16; ++y)
      for (int x = rect.left; x < rect.left + 12; ++x) pixels.push_back(canvas.Pixel(x, y));
    return pixels;
  };
  const auto checked = [&] {
    std::vector<bool> out;
    for (int id : ids) out.push_back((view_->FindElement(id)->GetState() & StateChecked) != 0);
    return out;
  };
  std::vector<COLORREF> uncheckedLook;
  {
    auto canvas = Capture();
    uncheckedLook = boxPixels(*canvas, 1);
    EXPECT_EQ(boxPixels(*canvas, 2), uncheckedLook);
  }
  const int order[] = {1, 4, 3, 2, 2, 1};
  std::vector<bool> model(4, false);
  for (int id : order) {
    SCOPED_TRACE(id);
    const RECT rect = view_->FindElement(id)->GetRect();
    const POINT at = ScreenPoint(rect.left + 5, (rect.top + rect.bottom) / 2);
    SendClick(at.x, at.y);
    ASSERT_TRUE(PumpUntil([&] { return (view_->FindElement(id)->GetState() & StateChecked) != 0; }, 5000));
    PumpUntil([] { return false; }, 30);
    if (id != 4) model.assign({false, false, false, model[3]});
    model[static_cast<size_t>(id - 1)] = true;
    const std::vector<bool> now = checked();
    EXPECT_EQ(now, model);
    // What the window shows follows the states: the checked box of the
    // group looks different from the unchecked ones, which look alike.
    auto canvas = Capture();
    for (int other : {1, 2, 3}) {
      if (now[static_cast<size_t>(other - 1)]) {
        EXPECT_NE(boxPixels(*canvas, other), uncheckedLook) << other;
      } else {
        EXPECT_EQ(boxPixels(*canvas, other), uncheckedLook) << other;
      }
    }
  }
  EXPECT_EQ(checked(), (std::vector<bool>{true, false, false, true}));
}

const char kBusyLayer[] =
    "<layer width='680' height='430'>"
    "<header height='29'><icon src='101' pos='10,6'/><icon src='32512' oem='1' pos='40,6'/></header>"
    "<body crbg='FBFCFD'>"
    "<tabctrl id='136' tabwidth='71' tabheight='71' crtext='000000' tabskin='tabmain' iconskin='logomodule' "
    "tabspacing='5' tabpos='1' framepos='7' pos='0,4,-0,-1' icon-x='10' icon-y='1' text-x='0' text-y='25'>"
    "<tab title='余票查询'><progress pos='10,10,200,30' max='100' value='37' showpercent='1'/>"
    "<radio group='r' pos='10,40,100,60'>a</radio><radio group='r' pos='10,70,100,90'>b</radio></tab>"
    "<tab title='时刻表查询'/><tab title='票价查询'/><tab title='帮 助'/>"
    "</tabctrl></body></layer>";

TEST_F(TabViewTest, RepaintsReleaseWhatTheyCreate) {
  MakeView(kBusyLayer);
  tabs_ = dynamic_cast<CBkTabCtrl*>(view_->FindElement(kTabsId));
  ASSERT_NE(tabs_, nullptr);
  const auto repaint = [&](int round) {
    // Hover moves between the heads, and the whole view is painted again.
    const RECT head = Head(1 + round % 3);
    SendMessageW(view_->GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(head.left + 5, head.top + 5));
    view_->RedrawAll();
    UpdateWindow(view_->GetHwnd());
  };
  repaint(0);
  repaint(1);
  const int before = CountLiveGdiObjects();
  for (int round = 0; round < 1000; ++round) repaint(round);
  EXPECT_EQ(before, CountLiveGdiObjects());
  // Something was painted: the progress bar's colour is on the screen.
  auto canvas = Capture();
  int bar = 0;
  for (int x = 0; x < kWidth; ++x)
    for (int y = 100; y < 160; ++y) bar += canvas->Pixel(x, y) == RGB(66, 97, 144) ? 1 : 0;
  EXPECT_GT(bar, 100);
}

}  // namespace
