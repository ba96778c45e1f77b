#include "skin/tree/menus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/resources/bk_string.h"
#include "skin/resources/style.h"
#include "skin/tree/element_factory.h"
#include "skin/tree/rich_text.h"
#include "tests/skin/tree/controls/controls_test_util.h"
#include "tests/skin/tree/controls/notify_host.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBorder = RGB(0x12, 0x34, 0x56);

// The selection button of every menu: an image button over the four-state
// test skin.
void UseButtonFragment(const wchar_t* fragment = L"<imgbtn skin='test4states'/>") {
  LoadProgramSkins();
  BkString::Instance().Set(CBkMenuCtrlT::kButtonStringId, fragment);
  BkStyle normal;
  normal.name = "menu_text_normal";
  BkStylePool::Instance().Styles()["menu_text_normal"] = normal;
  BkStyle floating;
  floating.name = "menu_text_float";
  BkStylePool::Instance().Styles()["menu_text_float"] = floating;
}

// `count` items, each with one rich text ("item N", or empty without `texts`).
std::string Items(int count, bool texts = true) {
  std::string items;
  for (int index = 0; index < count; ++index) {
    items += texts ? "<menu><richtext>item " + std::to_string(index) + "</richtext></menu>" : "<menu><richtext/></menu>";
  }
  return items;
}

// A dialog holding one menu container at (0, 0).
template <typename Menu>
Menu* MenuOf(const ElementPtr<CBkDialog>& root) {
  return dynamic_cast<Menu*>(root->ChildAt(0));
}

std::vector<int> Heights(const CBkMenuCtrlT& menu) {
  std::vector<int> heights;
  for (int index = 0; index < static_cast<int>(menu.ItemCount()); ++index) {
    const RECT& rect = menu.ItemAt(index)->GetRect();
    heights.push_back(rect.bottom - rect.top);
  }
  return heights;
}

LPARAM PointIn(const RECT& rect) { return MAKELPARAM(rect.left + 2, rect.top + 2); }

// ---- layout -----------------------------------------------------------------------

TEST(MenusEx, ActiveItemAndNeighboursAreMagnified) {
  UseButtonFragment();
  auto root = LayOut("<dlg><menusex pos='0,0,150,200'>" + Items(5) + "</menusex></dlg>", 300, 300);
  auto* menu = MenuOf<CBkMenuCtrlEx>(root);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->ItemCount(), 5u);
  struct Case {
    int item;
    std::vector<int> heights;
  };
  // The hover index starts at 0.
  EXPECT_EQ(Heights(*menu), (std::vector<int>{32, 26, 20, 20, 20}));
  for (const Case& c : {Case{4, {20, 20, 20, 26, 32}}, Case{2, {20, 26, 32, 26, 20}}, Case{0, {32, 26, 20, 20, 20}}}) {
    SCOPED_TRACE(c.item);
    menu->SendElementMessage(WM_MOUSEMOVE, 0, PointIn(menu->ItemAt(c.item)->GetRect()));
    EXPECT_EQ(menu->HoverIndex(), c.item);
    EXPECT_EQ(menu->ActiveIndex(), c.item);
    EXPECT_EQ(Heights(*menu), c.heights);
    // Stacked from the control's top without gaps.
    int y = 0;
    for (int index = 0; index < 5; ++index) {
      EXPECT_TRUE(RectIs(menu->ItemAt(index)->GetRect(), 0, y, 150, y + c.heights[static_cast<size_t>(index)]));
      y += c.heights[static_cast<size_t>(index)];
    }
    // Neighbours' texts take the float class, every other text the normal one.
    for (int index = 0; index < 5; ++index) {
      const bool neighbour = index == c.item - 1 || index == c.item + 1;
      const CBkWindow* text = menu->ItemAt(index)->ChildAt(0);
      ASSERT_NE(text, nullptr);
      EXPECT_EQ(text->GetStyle().name, neighbour ? "menu_text_float" : "menu_text_normal") << index;
    }
  }
}

TEST(MenusEx, FirstLayoutNoticesTheHeightOfTheMiddleItemsLayout) {
  UseButtonFragment();
  NotifyHost host(77);
  auto root = LayOut("<dlg><menusex pos='5,6,150,200'>" + Items(5) + "</menusex></dlg>", 300, 300, host.host());
  auto* menu = MenuOf<CBkMenuCtrlEx>(root);
  ASSERT_EQ(host.heightNotices.size(), 1u);
  const RealWndResizedNotify& notice = host.heightNotices[0];
  EXPECT_EQ(notice.hdr.hwndFrom, host.host());
  EXPECT_EQ(notice.hdr.idFrom, 77u);
  EXPECT_EQ(notice.hdr.code, SKN_REALWNDRESIZED);
  EXPECT_EQ(notice.id, 1000);
  // Middle item 2 active: 20 + 26 + 32 + 26 + 20.
  EXPECT_TRUE(RectIs(notice.rect, 5, 6, 150, 6 + 124));
  // The items themselves are laid out for the hover index.
  EXPECT_EQ(Heights(*menu), (std::vector<int>{32, 26, 20, 20, 20}));
}

TEST(MenusEx, HeightsReadsUpToThreePartsAndKeepsTheRest) {
  UseButtonFragment();
  struct Case {
    const char* heights;
    int normal;
    int floating;
    int active;
  };
  for (const Case& c : {Case{"24,30", 24, 30, 32}, Case{"10,11,12", 10, 11, 12}, Case{"7", 7, 26, 32},
                        Case{"", 20, 26, 32}, Case{"1,,3", 1, 26, 32}}) {
    SCOPED_TRACE(c.heights);
    auto menu = LoadAs<CBkMenuCtrlEx>(std::string("<menusex heights='") + c.heights + "'/>");
    EXPECT_EQ(menu->NormalHeight(), c.normal);
    EXPECT_EQ(menu->FloatHeight(), c.floating);
    EXPECT_EQ(menu->ActiveHeight(), c.active);
  }
}

TEST(Menus, ItemsShareOneHeightAndTheButtonFollowsTheActiveItem) {
  UseButtonFragment();
  auto root = LayOut("<dlg><menus pos='0,0,120,100' itemheight='25'>" + Items(3) + "</menus></dlg>", 300, 300);
  auto* menu = MenuOf<CBkMenuCtrl>(root);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->ItemHeight(), 25);
  EXPECT_EQ(Heights(*menu), (std::vector<int>{25, 25, 25}));
  CBkImageBtnWnd* button = menu->SelectionButton();
  ASSERT_NE(button, nullptr);
  // Width 30 at the right edge, (25 - 20) / 2 below the item's top, the item's height.
  EXPECT_TRUE(RectIs(button->GetRect(), 90, 2, 120, 27));
  EXPECT_EQ(button->GetElementId(), 1);
  menu->SendElementMessage(WM_MOUSEMOVE, 0, MAKELPARAM(10, 60));
  EXPECT_EQ(menu->ActiveIndex(), 2);
  EXPECT_TRUE(RectIs(button->GetRect(), 90, 52, 120, 77));
  EXPECT_EQ(button->GetElementId(), 3);
  // The texts fill their items.
  EXPECT_TRUE(RectIs(menu->ItemAt(1)->ChildAt(0)->GetRect(), 0, 25, 120, 50));
}

TEST(Menus, OnlyMenuItemsAndRichTextsAreMade) {
  UseButtonFragment();
  auto root = LayOut("<dlg><menus pos='0,0,100,100'><text/><menu><richtext id='5'>a</richtext><text id='6'/>"
                     "<button/><richtext id='7'/></menu><dlg/><menu/></menus></dlg>",
                     300, 300);
  auto* menu = MenuOf<CBkMenuCtrl>(root);
  ASSERT_EQ(menu->ItemCount(), 2u);
  ASSERT_EQ(menu->ItemAt(0)->ChildCount(), 2u);
  EXPECT_NE(dynamic_cast<CBkRichText*>(menu->ItemAt(0)->ChildAt(1)), nullptr);
  EXPECT_EQ(menu->ItemAt(1)->ChildCount(), 0u);
  // Finding by id reaches the items' texts.
  EXPECT_EQ(root->FindElementById(7), menu->ItemAt(0)->ChildAt(1));
  EXPECT_EQ(root->FindElementById(6), nullptr);
  EXPECT_EQ(menu->ItemAt(-1), nullptr);
  EXPECT_EQ(menu->ItemAt(2), nullptr);
}

TEST(Menus, IconSquareAndTextsBesideIt) {
  UseButtonFragment();
  auto root = LayOut("<dlg><menus pos='0,0,100,60' itemheight='20'>"
                     "<menu iconskin='test48x24' hasicon='1' margin='3'><richtext>a</richtext></menu>"
                     "<menu iconskin='test48x24' margin-x='2' margin-y='5'><richtext/></menu>"
                     "</menus></dlg>",
                     300, 300);
  auto* menu = MenuOf<CBkMenuCtrl>(root);
  CBkMenu* first = menu->ItemAt(0);
  CBkMenu* second = menu->ItemAt(1);
  EXPECT_EQ(first->MarginX(), 3);
  EXPECT_EQ(first->MarginY(), 3);
  EXPECT_TRUE(first->HasIcon());
  EXPECT_EQ(second->MarginX(), 2);
  EXPECT_EQ(second->MarginY(), 5);
  // With hasicon the text starts right of the square (its side is the height).
  EXPECT_TRUE(RectIs(first->ChildAt(0)->GetRect(), 20, 0, 100, 20));
  EXPECT_TRUE(RectIs(second->ChildAt(0)->GetRect(), 0, 20, 100, 40));

  DibCanvas canvas(100, 60, kWhite);
  Paint(*first, canvas.dc());
  Paint(*second, canvas.dc());
  EXPECT_TRUE(canvas.AllPixels(RECT{3, 3, 17, 17}, kSkinColour));
  EXPECT_EQ(canvas.Pixel(2, 10), kWhite);
  EXPECT_EQ(canvas.Pixel(17, 10), kWhite);
  EXPECT_TRUE(canvas.AllPixels(RECT{2, 25, 18, 35}, kSkinColour));
  EXPECT_EQ(canvas.Pixel(10, 24), kWhite);
  EXPECT_EQ(canvas.Pixel(10, 35), kWhite);
}

// ---- painting -------------------------------------------------------------------

TEST(Menus, PaintsWhiteSelectionBorderAndButton) {
  UseButtonFragment();
  auto root = LayOut("<dlg><menus pos='0,0,100,70' itemheight='20' selskin='test48x24' crborder='123456'>" + Items(3, false) +
                         "</menus></dlg>",
                     100, 70);
  auto* menu = MenuOf<CBkMenuCtrl>(root);
  EXPECT_EQ(menu->BorderColour(), RGB(0x12, 0x34, 0x56));
  menu->SendElementMessage(WM_MOUSEMOVE, 0, MAKELPARAM(10, 30));
  ASSERT_EQ(menu->HoverIndex(), 1);
  DibCanvas canvas(100, 70, RGB(1, 2, 3));
  ASSERT_TRUE(Paint(*menu, canvas.dc()));
  // Border outside, white frame inside it.
  for (const POINT at : {POINT{0, 0}, POINT{99, 69}, POINT{50, 0}, POINT{0, 35}}) {
    EXPECT_EQ(canvas.Pixel(at.x, at.y), kBorder) << at.x << "," << at.y;
  }
  for (const POINT at : {POINT{1, 1}, POINT{98, 68}, POINT{50, 1}, POINT{1, 35}}) {
    EXPECT_EQ(canvas.Pixel(at.x, at.y), kWhite) << at.x << "," << at.y;
  }
  // The selection skin over the hovered item (20..40), left of the button.
  EXPECT_TRUE(canvas.AllPixels(RECT{2, 20, 60, 40}, kSkinColour));
  // The button in state 0 at the active item's right edge.
  EXPECT_TRUE(canvas.AllPixels(RECT{72, 22, 98, 40}, kStateColours[0]));
  // White where no item is hovered.
  EXPECT_EQ(canvas.Pixel(50, 10), kWhite);
  EXPECT_EQ(canvas.Pixel(50, 50), kWhite);
  EXPECT_EQ(canvas.Pixel(50, 65), kWhite);
}

TEST(Menus, WithoutBorderColourOrButtonStringTheMenuStillWorks) {
  for (const wchar_t* fragment : {L"", L"not <xml", L"<imgbtn"}) {
    UseButtonFragment(fragment);
    NotifyHost host;
    auto root = LayOut("<dlg><menus pos='0,0,100,70'>" + Items(3, false) + "</menus></dlg>", 100, 70, host.host());
    auto* menu = MenuOf<CBkMenuCtrl>(root);
    EXPECT_EQ(menu->SelectionButton(), nullptr);
    DibCanvas canvas(100, 70, RGB(1, 2, 3));
    Paint(*menu, canvas.dc());
    EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 100, 70}, kWhite));
    menu->SendElementMessage(WM_MOUSEMOVE, 0, MAKELPARAM(10, 45));
    EXPECT_EQ(menu->ActiveIndex(), 2);
    menu->SendElementMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 45));
    EXPECT_EQ(host.TakePostedReleases(), std::vector<WPARAM>{2});
  }
}

// ---- mouse --------------------------------------------------------------------------

TEST(Menus, HitTestOutsideOnButtonInHoveredItemAndElsewhere) {
  UseButtonFragment();
  auto root = LayOut("<dlg><menus pos='10,10,110,80' itemheight='20'>" + Items(3) + "</menus></dlg>", 200, 200);
  auto* menu = MenuOf<CBkMenuCtrl>(root);
  ASSERT_EQ(menu->HoverIndex(), 0);
  struct Case {
    POINT at;
    BkHandle expected;
  };
  const Case cases[] = {
      {{5, 5}, 0},
      {{110, 15}, 0},
      {{50, 80}, 0},
      {{100, 20}, menu->SelectionButton()->GetHandle()},
      {{20, 20}, menu->ItemAt(0)->GetHandle()},
      {{20, 40}, menu->GetHandle()},
      {{20, 75}, menu->GetHandle()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(menu->HitTest(c.at.x, c.at.y, 0), c.expected) << c.at.x << "," << c.at.y;
  }
  // The dialog around it answers itself beside the menu, not the menu.
  EXPECT_EQ(root->HitTest(150, 150, 0), root->GetHandle());
}

TEST(Menus, MouseMoveRedrawsTheControlOnlyWhenTheActiveItemChanges) {
  UseButtonFragment();
  NotifyHost host;
  auto root = LayOut("<dlg><menusex pos='0,0,100,100'>" + Items(5) + "</menusex></dlg>", 200, 200, host.host());
  auto* menu = MenuOf<CBkMenuCtrlEx>(root);
  menu->SendElementMessage(WM_MOUSEMOVE, 0, MAKELPARAM(10, 5));
  EXPECT_TRUE(host.redraws.empty()) << "item 0 is active already";
  menu->SendElementMessage(WM_MOUSEMOVE, 0, MAKELPARAM(10, 40));
  EXPECT_EQ(menu->ActiveIndex(), 1);
  ASSERT_EQ(host.redraws.size(), 1u);
  // Items reach below the control: the redraw covers the taller layout (124).
  EXPECT_TRUE(RectIs(host.redraws[0].rect, 0, 0, 100, 124));
  EXPECT_EQ(host.redraws[0].hbkWnd, menu->GetHandle());
  menu->SendElementMessage(WM_MOUSEMOVE, 0, MAKELPARAM(10, 150));
  EXPECT_EQ(menu->HoverIndex(), -1);
  EXPECT_EQ(menu->ActiveIndex(), 1);
  EXPECT_EQ(host.redraws.size(), 1u);
}

TEST(Menus, PressPostsTheItemIndexToTheHostsParent) {
  UseButtonFragment();
  NotifyHost host;
  auto root = LayOut("<dlg><menus pos='0,0,100,100' itemheight='20'>" + Items(3) + "</menus></dlg>", 200, 200,
                     host.host());
  auto* menu = MenuOf<CBkMenuCtrl>(root);
  menu->SendElementMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 45));
  EXPECT_EQ(menu->HoverIndex(), 2);
  EXPECT_EQ(menu->ActiveIndex(), -1);
  // A press on an item itself is passed on to the menu.
  menu->ItemAt(1)->SendElementMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 25));
  // Below the items, inside the control: no item.
  menu->SendElementMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 90));
  EXPECT_EQ(host.TakePostedReleases(), (std::vector<WPARAM>{2, 1, static_cast<WPARAM>(-1)}));
  // With hover -1 the hit test and paint index nothing.
  EXPECT_EQ(menu->HitTest(10, 90, 0), menu->GetHandle());
  DibCanvas canvas(200, 200, kWhite);
  EXPECT_TRUE(Paint(*menu, canvas.dc()));
}

TEST(Menus, HostileValuesAndEmptyMenusEndQuietly) {
  UseButtonFragment();
  NotifyHost host;
  const char* documents[] = {
      "<menus pos='0,0,100,100'/>",
      "<menusex pos='0,0,100,100'/>",
      "<menus pos='0,0,100,100' itemheight='-50'><menu/><menu/></menus>",
      "<menus pos='0,0,100,100' itemheight='2147483647'><menu/><menu/><menu/></menus>",
      "<menusex pos='0,0,100,100' heights='-1,-2147483648,2147483647'><menu/><menu/><menu/></menusex>",
      "<menusex pos='0,0,-0,-0' heights='5,5,5'><menu hasicon='1' margin='-2147483648'><richtext/></menu></menusex>",
      "<menus pos='0,0,0,0' selskin='missing' crborder='zz'><menu iconskin='missing'/></menus>",
  };
  for (const char* document : documents) {
    SCOPED_TRACE(document);
    auto root = LayOut(std::string("<dlg>") + document + "</dlg>", 200, 200, host.host());
    auto* menu = dynamic_cast<CBkMenuCtrlT*>(root->ChildAt(0));
    ASSERT_NE(menu, nullptr);
    for (size_t index = 0; index < menu->ItemCount(); ++index) {
      const RECT& rect = menu->ItemAt(static_cast<int>(index))->GetRect();
      EXPECT_GE(rect.bottom, rect.top);
      EXPECT_LE(rect.bottom - rect.top, CBkMenuCtrlT::kMaxItemHeight);
    }
    for (const POINT at : {POINT{5, 5}, POINT{50, 99}, POINT{-5, -5}, POINT{500, 500}}) {
      menu->SendElementMessage(WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
      menu->HitTest(at.x, at.y, 0);
      menu->SendElementMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    }
    DibCanvas canvas(200, 200, kWhite);
    Paint(*menu, canvas.dc());
    host.TakePostedReleases();
  }
}

TEST(Menus, HeightNoticeHandlerThatDestroysTheTreeEndsTheLayoutQuietly) {
  UseButtonFragment();
  NotifyHost host;
  auto root = LoadElement<CBkDialog>("<dlg><menus pos='0,0,100,100'>" + Items(3) + "</menus></dlg>", nullptr,
                                     host.host());
  root->SetAttribute("pos", "0,0,-0,-0", true);
  const size_t before = BkWindowRegistry::Instance().Count();
  host.onHeightNotice = [&root] { root.reset(); };
  CBkDialog* raw = root.get();
  PlaceElement(*raw, 0, 0, 200, 200);
  EXPECT_EQ(root, nullptr);
  EXPECT_EQ(host.heightNotices.size(), 1u) << "the second layout is not reached";
  // Dialog, menu, button, three items and their texts are gone.
  EXPECT_EQ(BkWindowRegistry::Instance().Count(), before - 9);
}

TEST(Menus, FactoryMakesBothContainersButNoBareItems) {
  std::unique_ptr<CBkWindow> menus = CreateChildByName("menus");
  EXPECT_NE(dynamic_cast<CBkMenuCtrl*>(menus.get()), nullptr);
  std::unique_ptr<CBkWindow> menusEx = CreateChildByName("menusex");
  EXPECT_NE(dynamic_cast<CBkMenuCtrlEx*>(menusEx.get()), nullptr);
  EXPECT_TRUE(menus->IsContainer());
  EXPECT_EQ(CreateChildByName("menu"), nullptr);
  EXPECT_EQ(CreateChildByName("Menus"), nullptr);
}

}  // namespace
