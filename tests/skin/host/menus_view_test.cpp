// Menus and rich text hosted in a real dialog view: real mouse input moves
// the menu's selection and posts the clicked item's index to the view's
// parent; a click on a rich-text link arrives there as SKN_COMMAND.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "skin/host/dialog_view.h"
#include "skin/resources/bk_string.h"
#include "skin/resources/gdi_drawing.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/style.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/menus.h"
#include "skin/tree/rich_text.h"
#include "tests/skin/host/host_test_windows.h"
#include "tests/skin/host/view_test_util.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/test_support.h"

namespace {

constexpr int kWidth = 260;
constexpr int kHeight = 160;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kSelection = RGB(0xC0, 0xE0, 0xFF);
constexpr COLORREF kButton = RGB(0x20, 0xA0, 0x40);
constexpr COLORREF kLinkBlue = RGB(0, 0, 230);
constexpr COLORREF kLinkRed = RGB(230, 0, 0);

// A skin that fills its rectangle with one colour, whatever the state.
class SolidSkin : public CBkSkinBase {
 public:
  explicit SolidSkin(COLORREF colour) : colour_(colour) {}
  void Draw(HDC dc, RECT rect, int) override { FillSolidRect(dc, rect, colour_); }

 private:
  COLORREF colour_;
};

// Body only: a menu of three 30-pixel items at the top-left corner and a rich
// text with one link beside it.
const char kLayer[] =
    "<layer width='260' height='160'><body crbg='FFFFFF'>"
    "<menus pos='0,0,120,90' itemheight='30' selskin='menu_sel' crborder='000080'>"
    "<menu><richtext>one</richtext></menu><menu><richtext>two</richtext></menu>"
    "<menu><richtext>three</richtext></menu></menus>"
    "<richtext pos='130,10,-0,-0' linkclass='menu_test_link'>see <a id='42'>this link</a></richtext>"
    "</body></layer>";

class MenusViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The real cursor may rest where an earlier test left it: off the windows.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    ASSERT_TRUE(LoadProgramSkinResources());
    auto& skins = BkSkinPool::Instance().Skins();
    skins["menu_sel"] = std::make_unique<SolidSkin>(kSelection);
    skins["menu_btn"] = std::make_unique<SolidSkin>(kButton);
    BkString::Instance().Set(CBkMenuCtrlT::kButtonStringId, L"<imgbtn skin='menu_btn'/>");
    BkStyle link;
    link.crtext = kLinkBlue;
    link.crhover = kLinkRed;
    BkStylePool::Instance().Styles()["menu_test_link"] = link;

    parent_.handler = [this](RecordingWindow&, UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
      ReceivedCommand command;
      if (message == WM_NOTIFY && ReadCommand(lParam, command)) {
        commands_.push_back(command);
        result = 0;
        return true;
      }
      return false;
    };
    const RECT frame = {100, 100, 100 + kWidth, 100 + kHeight};
    ASSERT_NE(nullptr, parent_.Create(nullptr, &frame, L"", WS_POPUP | WS_VISIBLE));
    view_ = std::make_unique<CBkDialogView>();
    ASSERT_TRUE(view_->LoadLayer(kLayer));
    const RECT area = {0, 0, kWidth, kHeight};
    ASSERT_NE(nullptr, view_->Create(parent_.GetHwnd(), VIEW_ID, &area));
    ASSERT_TRUE(BringToFront(parent_.GetHwnd()));
    UpdateWindow(view_->GetHwnd());
  }

  CBkMenuCtrl* Menu() { return dynamic_cast<CBkMenuCtrl*>(view_->Section(1)->ChildAt(0)); }
  CBkRichText* Text() { return dynamic_cast<CBkRichText*>(view_->Section(1)->ChildAt(1)); }

  POINT OnScreen(int x, int y) {
    POINT point = {x, y};
    ClientToScreen(view_->GetHwnd(), &point);
    return point;
  }

  void MoveMouse(int x, int y) {
    const POINT point = OnScreen(x, y);
    SendMouseMove(point.x, point.y);
  }

  void Click() {
    SendMouseButton(true);
    SendMouseButton(false);
  }

  bool Capture(DibCanvas& canvas) {
    UpdateWindow(view_->GetHwnd());
    return CaptureClient(view_->GetHwnd(), canvas);
  }

  std::vector<WPARAM> PostedReleases() const {
    std::vector<WPARAM> releases;
    for (const RecordedMessage& message : parent_.Received(WM_LBUTTONUP)) releases.push_back(message.wParam);
    return releases;
  }

  RecordingWindow parent_;
  std::unique_ptr<CBkDialogView> view_;
  std::vector<ReceivedCommand> commands_;
};

TEST_F(MenusViewTest, HoverMovesTheSelectionAndAClickPostsTheItemIndex) {
  CBkMenuCtrl* menu = Menu();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->ItemCount(), 3u);
  DibCanvas before(kWidth, kHeight);
  ASSERT_TRUE(Capture(before));
  // Item 0 starts hovered and active: selection and button there.
  EXPECT_EQ(before.Pixel(70, 15), kSelection);
  EXPECT_EQ(before.Pixel(105, 15), kButton);
  EXPECT_EQ(before.Pixel(70, 75), kWhite);
  EXPECT_EQ(before.Pixel(0, 0), RGB(0, 0, 0x80));

  MoveMouse(70, 75);
  ASSERT_TRUE(PumpUntil([&] { return Menu()->HoverIndex() == 2; }, 5000));
  EXPECT_EQ(Menu()->ActiveIndex(), 2);
  DibCanvas after(kWidth, kHeight);
  ASSERT_TRUE(Capture(after));
  EXPECT_EQ(after.Pixel(70, 75), kSelection);
  EXPECT_EQ(after.Pixel(105, 75), kButton);
  EXPECT_EQ(after.Pixel(70, 15), kWhite);
  EXPECT_EQ(after.Pixel(105, 15), kWhite);

  Click();
  ASSERT_TRUE(PumpUntil([&] { return !PostedReleases().empty(); }, 5000));
  EXPECT_EQ(PostedReleases(), std::vector<WPARAM>{2});
  EXPECT_EQ(parent_.Received(WM_LBUTTONUP)[0].lParam, 0);
  // The menu's press is no element command.
  EXPECT_TRUE(commands_.empty());

  // Back up to item 1, then a click there.
  MoveMouse(70, 45);
  ASSERT_TRUE(PumpUntil([&] { return Menu()->ActiveIndex() == 1; }, 5000));
  Click();
  ASSERT_TRUE(PumpUntil([&] { return PostedReleases().size() == 2; }, 5000));
  EXPECT_EQ(PostedReleases(), (std::vector<WPARAM>{2, 1}));
}

TEST_F(MenusViewTest, LinkHoverRepaintsInTheHoverColourAndAClickReachesTheParent) {
  CBkRichText* text = Text();
  ASSERT_NE(text, nullptr);
  ASSERT_TRUE(text->LinksLaidOut());
  ASSERT_EQ(text->Links().size(), 1u);
  const RECT link = text->Links()[0].rect;
  auto countColour = [&](const DibCanvas& canvas, COLORREF colour) {
    int count = 0;
    for (int y = link.top; y < link.bottom; ++y) {
      for (int x = link.left; x < link.right; ++x) count += canvas.Pixel(x, y) == colour;
    }
    return count;
  };
  DibCanvas before(kWidth, kHeight);
  ASSERT_TRUE(Capture(before));
  EXPECT_GT(countColour(before, kLinkBlue), 0);
  EXPECT_EQ(countColour(before, kLinkRed), 0);

  MoveMouse((link.left + link.right) / 2, (link.top + link.bottom) / 2);
  ASSERT_TRUE(PumpUntil([&] { return Text()->HoveredLink() == 0; }, 5000));
  DibCanvas hovered(kWidth, kHeight);
  ASSERT_TRUE(Capture(hovered));
  EXPECT_GT(countColour(hovered, kLinkRed), 0);
  EXPECT_EQ(countColour(hovered, kLinkBlue), 0);

  Click();
  ASSERT_TRUE(PumpUntil([&] { return !commands_.empty(); }, 5000));
  ASSERT_EQ(commands_.size(), 1u);
  EXPECT_EQ(commands_[0].item, 42);
  EXPECT_EQ(commands_[0].itemClass, "richtext");
  EXPECT_EQ(commands_[0].from, VIEW_ID);
}

TEST(MenusViewGdi, RepaintsOfEveryNewControlKeepGdiObjectsFlat) {
  ASSERT_TRUE(LoadProgramSkinResources());
  BkString::Instance().Set(CBkMenuCtrlT::kButtonStringId, L"<imgbtn skin='closebtn'/>");
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::string layer =
      "<layer width='300' height='200'><body crbg='FFFFFF'>"
      "<menusex pos='0,0,120,150' selskin='edit_bg' crborder='000080'>"
      "<menu iconskin='checkbox_bg' hasicon='1'><richtext><b>one</b> <a id='1'>a</a></richtext></menu>"
      "<menu><richtext><c color='FF0000'>two</c></richtext></menu><menu/></menusex>"
      "<richtext pos='130,0,-0,60' linkclass='blue_linkimage'><i>x</i><br/>see <a id='2'>y</a></richtext>"
      "<imglisth pos='130,70,-0,90' imagecount='2' skinlist='skin0=closebtn,skin1=minbtn' sublist='sub1=2'/>"
      "<iconfrommodule pos='130,100,162,132' srcfile='" +
      WideToUtf8(self) + "'/></body></layer>";
  RecordingWindow parent;
  const RECT frame = {100, 100, 400, 300};
  ASSERT_NE(nullptr, parent.Create(nullptr, &frame, L"", WS_POPUP | WS_VISIBLE));
  CBkDialogView view;
  ASSERT_TRUE(view.LoadLayer(layer));
  const RECT area = {0, 0, 300, 200};
  ASSERT_NE(nullptr, view.Create(parent.GetHwnd(), VIEW_ID, &area));
  auto repaint = [&view] {
    view.RedrawAll();
    UpdateWindow(view.GetHwnd());
  };
  repaint();
  DibCanvas canvas(300, 200);
  ASSERT_TRUE(CaptureClient(view.GetHwnd(), canvas));
  EXPECT_FALSE(canvas.AllPixels(RECT{130, 100, 162, 132}, kWhite)) << "the file icon is drawn";
  const int before = CountLiveGdiObjects();
  for (int i = 0; i < 1000; ++i) repaint();
  EXPECT_EQ(CountLiveGdiObjects(), before);
}

}  // namespace
