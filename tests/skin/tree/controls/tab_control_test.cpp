// The tab control and its pages, driven with the messages a host sends: head
// geometry, page layout, loading rules, selection through the owner, mouse
// hover, hit testing, painting order and states, and hostile attributes.
#include "skin/tree/tab_control.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "skin/resources/gdi_drawing.h"
#include "skin/resources/skin_pool.h"
#include "skin/tree/element_factory.h"
#include "skin/tree/hosted_controls.h"
#include "tests/skin/tree/controls/controls_test_util.h"
#include "tests/skin/tree/controls/notify_recorder.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kHeadColours[3] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200)};
const COLORREF kFrameColour = RGB(90, 90, 0);

// A skin that fills its rectangle with colours[state] (when there is one) and
// records every draw: rectangle and state, in order.
class DrawLogSkin : public CBkSkinBase {
 public:
  DrawLogSkin(SIZE natural, std::vector<COLORREF> colours) : natural_(natural), colours_(std::move(colours)) {}
  void Draw(HDC dc, RECT rect, int state) override {
    draws.push_back({rect, state});
    if (state >= 0 && static_cast<size_t>(state) < colours_.size()) FillSolidRect(dc, rect, colours_[state]);
  }
  SIZE GetNaturalSize() const override { return natural_; }
  bool IsStateless() const override { return false; }

  struct Entry {
    RECT rect;
    int state;
  };
  std::vector<Entry> draws;

 private:
  SIZE natural_;
  std::vector<COLORREF> colours_;
};

DrawLogSkin* AddLogSkin(const char* name, SIZE natural, std::vector<COLORREF> colours) {
  auto skin = std::make_unique<DrawLogSkin>(natural, std::move(colours));
  DrawLogSkin* raw = skin.get();
  BkSkinPool::Instance().Skins()[name] = std::move(skin);
  return raw;
}

// Test skins: heads 30 x 20 (one colour per state), icons 10 x 10, a
// splitter 2 x 8, a frame.
void LoadTabSkins() {
  LoadProgramSkins();
  AddLogSkin("tab_head", SIZE{30, 20}, {kHeadColours[0], kHeadColours[1], kHeadColours[2]});
  AddLogSkin("tab_icons", SIZE{10, 10}, {});
  AddLogSkin("tab_split", SIZE{2, 8}, {});
  AddLogSkin("tab_frame", SIZE{0, 0}, {kFrameColour});
}

DrawLogSkin* LogSkin(const char* name) { return dynamic_cast<DrawLogSkin*>(GetSkin(name)); }

// A dialog holding one tab control (id 5) laid out in width x height.
struct TabTree {
  ElementPtr<CBkDialog> root;
  CBkTabCtrl* tabs = nullptr;
};

TabTree MakeTabs(const std::string& tabctrl, int width = 300, int height = 200, HWND host = nullptr) {
  TabTree tree;
  tree.root = LayOut("<dlg>" + tabctrl + "</dlg>", width, height, host);
  if (tree.root) tree.tabs = dynamic_cast<CBkTabCtrl*>(tree.root->ChildAt(0));
  return tree;
}

const char kFourTabs[] =
    "<tabctrl id='5' pos='10,4,-0,-0' tabwidth='71' tabheight='71' tabspacing='5' tabpos='1' framepos='7'>"
    "<tab title='a'/><tab title='b'/><tab title='c'/><tab title='d'/></tabctrl>";

std::vector<int> ShownPages(const CBkTabCtrl& tabs) {
  std::vector<int> shown;
  for (size_t index = 0; index < tabs.TabCount(); ++index) {
    if (tabs.GetTab(static_cast<int>(index))->IsVisible(false)) shown.push_back(static_cast<int>(index));
  }
  return shown;
}

// ---- geometry ---------------------------------------------------------------------

TEST(TabCtrl, HeadsStepByTheAttributeSizeAndSkipHiddenTabs) {
  LoadTabSkins();
  struct Case {
    const char* name;
    std::string xml;
    std::vector<long> lefts;  // head left edges relative to the control, -1: none
    std::vector<long> tops;
  };
  const Case cases[] = {
      {"top row", kFourTabs, {1, 77, 153, 229}, {0, 0, 0, 0}},
      {"hidden tab takes no slot",
       "<tabctrl pos='10,4,-0,-0' tabwidth='71' tabheight='71' tabspacing='5' tabpos='1'>"
       "<tab/><tab hide='1'/><tab/><tab/></tabctrl>",
       {1, 77, 77, 153},
       {0, 0, 0, 0}},
      {"left column",
       "<tabctrl pos='10,4,-0,-0' tabalign='left' tabwidth='40' tabheight='20' tabspacing='2' tabpos='3'>"
       "<tab/><tab/><tab/></tabctrl>",
       {0, 0, 0},
       {3, 25, 47}},
      {"skin size, step from the attributes (0 here)",
       "<tabctrl pos='10,4,-0,-0' tabskin='tab_head' tabspacing='4'><tab/><tab/></tabctrl>",
       {0, 4},
       {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TabTree tree = MakeTabs(c.xml);
    ASSERT_NE(tree.tabs, nullptr);
    const RECT& area = tree.tabs->GetRect();
    EXPECT_TRUE(RectIs(area, 10, 4, 300, 200));
    ASSERT_EQ(tree.tabs->TabCount(), c.lefts.size());
    for (size_t index = 0; index < c.lefts.size(); ++index) {
      RECT head;
      ASSERT_TRUE(tree.tabs->HeadRect(static_cast<int>(index), head));
      EXPECT_EQ(head.left - area.left, c.lefts[index]) << index;
      EXPECT_EQ(head.top - area.top, c.tops[index]) << index;
    }
    RECT none;
    EXPECT_FALSE(tree.tabs->HeadRect(-1, none));
    EXPECT_FALSE(tree.tabs->HeadRect(static_cast<int>(c.lefts.size()), none));
  }
  // Head size: the skin's, each side replaced by a non-zero attribute.
  TabTree sized = MakeTabs("<tabctrl pos='0,0,-0,-0' tabskin='tab_head' tabheight='33'><tab/></tabctrl>");
  RECT head;
  ASSERT_TRUE(sized.tabs->HeadRect(0, head));
  EXPECT_TRUE(RectIs(head, 0, 0, 30, 33));
}

TEST(TabCtrl, PagesFillTheAreaBelowTheHeadsMovedByFramePos) {
  LoadTabSkins();
  struct Case {
    const char* framepos;
    const char* extra;
    RECT page;  // in the 300 x 200 dialog, control at (10, 4)
  };
  const Case cases[] = {
      {"7", "", {10, 75, 300, 200}},          // one item: no offset
      {"1,2,3", "", {10, 75, 300, 200}},      // three items: none either
      {"3,4", "", {13, 79, 300, 200}},        // x and y offsets
      {"-3,-4", "", {7, 71, 300, 200}},       // minus flags
      {"|3,4,9,9", "", {13, 79, 300, 200}},   // four items: the first two count
      {"", "class='test_margins'", {15, 81, 295, 194}},  // margins 5, 6
      {"2,0", "tabalign='left'", {10 + 71 + 2, 4, 300, 200}},
  };
  BkStyle margins;
  margins.xMargin = 5;
  margins.yMargin = 6;
  BkStylePool::Instance().Styles()["test_margins"] = margins;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.framepos) + " " + c.extra);
    TabTree tree = MakeTabs(std::string("<tabctrl pos='10,4,-0,-0' tabwidth='71' tabheight='71' framepos='") +
                            c.framepos + "' " + c.extra + "><tab/><tab/></tabctrl>");
    ASSERT_NE(tree.tabs, nullptr);
    const RECT page = tree.tabs->PageRect(true);
    EXPECT_TRUE(RectIs(page, c.page.left, c.page.top, c.page.right, c.page.bottom));
    // Every page, shown or not, is placed over the page area.
    for (int index = 0; index < 2; ++index) {
      EXPECT_TRUE(RectIs(tree.tabs->GetTab(index)->GetRect(), c.page.left, c.page.top, c.page.right, c.page.bottom))
          << index;
    }
  }
}

// ---- loading ----------------------------------------------------------------------

TEST(TabCtrl, LoadingMakesPagesFromTabElementsAndShowsTheSelectedOne) {
  LoadTabSkins();
  struct Case {
    const char* name;
    const char* xml;
    size_t pages;
    int cursel;
  };
  const Case cases[] = {
      {"first page", "<tabctrl><tab/><tab/><tab/></tabctrl>", 3, 0},
      {"other tags are no pages", "<tabctrl><text/><tab/><dlg/><tab/><tabx/></tabctrl>", 2, 0},
      {"first hidden: the first shown head", "<tabctrl><tab hide='1'/><tab/><tab/></tabctrl>", 3, 1},
      {"cursel kept", "<tabctrl cursel='2'><tab/><tab/><tab/></tabctrl>", 3, 2},
      {"cursel on a hidden tab", "<tabctrl cursel='2'><tab/><tab/><tab hide='1'/></tabctrl>", 3, 0},
      {"cursel past the end", "<tabctrl cursel='9'><tab/><tab/></tabctrl>", 2, 0},
      {"cursel negative", "<tabctrl cursel='-4'><tab hide='1'/><tab/></tabctrl>", 2, 1},
      {"all hidden", "<tabctrl cursel='1'><tab hide='1'/><tab hide='1'/></tabctrl>", 2, 1},
      {"no pages", "<tabctrl cursel='3'/>", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TabTree tree = MakeTabs(c.xml);
    ASSERT_NE(tree.tabs, nullptr);
    EXPECT_EQ(tree.tabs->TabCount(), c.pages);
    EXPECT_EQ(tree.tabs->GetCurSel(), c.cursel);
    if (c.pages == 0) {
      EXPECT_TRUE(ShownPages(*tree.tabs).empty());
      EXPECT_EQ(tree.tabs->GetTab(0), nullptr);
      continue;
    }
    EXPECT_EQ(ShownPages(*tree.tabs), std::vector<int>{c.cursel});
    for (size_t index = 0; index < c.pages; ++index) {
      CBkTab* page = tree.tabs->GetTab(static_cast<int>(index));
      EXPECT_EQ(page->GetParent(), tree.tabs->GetHandle());
      EXPECT_EQ(page->GetPos().count, 4);
    }
  }
}

TEST(TabCtrl, AttributesAndTheirFailures) {
  LoadTabSkins();
  TabTree tree = MakeTabs("<tabctrl tabalign='left'><tab title='余票查询' hide='1' width='full'/></tabctrl>");
  CBkTabCtrl& tabs = *tree.tabs;
  EXPECT_EQ(tabs.GetAlignment(), CBkTabCtrl::AlignLeft);
  EXPECT_EQ(tabs.GetTab(0)->Title(), L"余票查询");
  EXPECT_TRUE(tabs.GetTab(0)->IsHeadHidden());
  EXPECT_EQ(tabs.SetAttribute("tabalign", "Top", false), kAttributeNotHandled);
  EXPECT_EQ(tabs.GetAlignment(), CBkTabCtrl::AlignLeft);
  EXPECT_NE(tabs.SetAttribute("tabalign", "top", false), kAttributeNotHandled);
  EXPECT_EQ(tabs.GetAlignment(), CBkTabCtrl::AlignTop);
  for (const char* name : {"tabwidth", "tabheight", "tabpos", "tabspacing", "tabskin", "frameskin", "border",
                           "iconskin", "splitterskin", "icon-x", "icon-y", "text-x", "text-y", "framepos"}) {
    EXPECT_NE(tabs.SetAttribute(name, "1", false), kAttributeNotHandled) << name;
  }
  EXPECT_EQ(tabs.SetAttribute("title", "x", false), kAttributeNotHandled);
  EXPECT_EQ(tabs.GetTab(0)->SetAttribute("tabwidth", "1", false), kAttributeNotHandled);
  EXPECT_STREQ(CreateChildByName("tabctrl")->GetTag(), "tabctrl");
  EXPECT_EQ(CreateChildByName("tab"), nullptr);  // pages exist only inside a tab control
}

// ---- selection --------------------------------------------------------------------

TEST(TabCtrl, SelectTabAsksTheOwnerFirst) {
  LoadTabSkins();
  NotifyRecorder host(1234);
  ASSERT_NE(host.hwnd(), nullptr);
  TabTree tree = MakeTabs(kFourTabs, 400, 200, host.hwnd());
  CBkTabCtrl& tabs = *tree.tabs;
  struct Step {
    int index;
    bool refuse;
    bool answer;
    int selected;
  };
  const Step steps[] = {
      {2, false, true, 2},   // another page
      {2, false, true, 2},   // the selected one: asked, nothing changes
      {1, true, false, 2},   // refused
      {7, false, false, 2},  // outside the list: asked, then false
      {-1, false, false, 2},
      {0, false, true, 0},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.index);
    host.Clear();
    const int old = tabs.GetCurSel();
    host.onTabQuestion = [&](TabSelChangeNotify& question) { question.cancel = step.refuse ? 1 : 0; };
    EXPECT_EQ(tabs.SelectTab(step.index), step.answer);
    ASSERT_EQ(host.tabQuestions.size(), 1u);
    const TabSelChangeNotify& question = host.tabQuestions[0];
    EXPECT_EQ(question.hdr.hwndFrom, host.hwnd());
    EXPECT_EQ(question.hdr.idFrom, 1234u);
    EXPECT_EQ(question.hdr.code, SKN_TABSELCHANGE);
    EXPECT_EQ(question.id, 5);
    EXPECT_EQ(question.newSel, step.index);
    EXPECT_EQ(question.oldSel, old);
    EXPECT_EQ(tabs.GetCurSel(), step.selected);
    EXPECT_EQ(ShownPages(tabs), std::vector<int>{step.selected});
    const bool changed = step.selected != old;
    // A change redraws both heads and the page area; anything else nothing.
    ASSERT_EQ(host.redraws.size(), changed ? 3u : 0u);
    if (changed) {
      RECT oldHead, newHead;
      tabs.HeadRect(old, oldHead);
      tabs.HeadRect(step.index, newHead);
      EXPECT_TRUE(RectIs(host.redraws[0].rect, oldHead.left, oldHead.top, oldHead.right, oldHead.bottom));
      EXPECT_TRUE(RectIs(host.redraws[1].rect, newHead.left, newHead.top, newHead.right, newHead.bottom));
      const RECT page = tabs.PageRect(false);
      EXPECT_TRUE(RectIs(host.redraws[2].rect, page.left, page.top, page.right, page.bottom));
      EXPECT_EQ(host.redraws[2].hbkWnd, tabs.GetHandle());
      EXPECT_EQ(host.redraws[2].hdr.idFrom, 5u);
    }
  }
}

TEST(TabCtrl, OwnerDestroyingTheTreeWhileAskedEndsTheSelection) {
  LoadTabSkins();
  NotifyRecorder host;
  TabTree tree = MakeTabs(kFourTabs, 400, 200, host.hwnd());
  const BkHandle tabs = tree.tabs->GetHandle();
  host.onTabQuestion = [&](TabSelChangeNotify&) { tree.root.reset(); };
  EXPECT_FALSE(tree.tabs->SelectTab(1));
  EXPECT_EQ(LookupElement(tabs), nullptr);
}

TEST(TabCtrl, ClicksSelectOtherHeadsOnly) {
  LoadTabSkins();
  NotifyRecorder host;
  TabTree tree = MakeTabs(
      "<tabctrl pos='0,0,-0,-0' tabwidth='20' tabheight='10' tabspacing='2'><tab/><tab hide='1'/><tab/></tabctrl>",
      200, 100, host.hwnd());
  CBkTabCtrl& tabs = *tree.tabs;
  struct Click {
    int x, y;
    bool asked;
    int selected;
  };
  const Click clicks[] = {
      {5, 5, false, 0},    // the selected head
      {21, 5, false, 0},   // the gap between heads
      {25, 5, true, 2},    // the third tab (the second takes no slot)
      {25, 50, false, 2},  // the page area
      {5, 9, true, 0},
  };
  for (const Click& click : clicks) {
    host.Clear();
    tabs.SendElementMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(click.x, click.y));
    EXPECT_EQ(host.tabQuestions.size(), click.asked ? 1u : 0u) << click.x << "," << click.y;
    EXPECT_EQ(tabs.GetCurSel(), click.selected) << click.x << "," << click.y;
  }
}

TEST(TabCtrl, HoverFollowsTheMouseOverHeadsThatAreNotSelected) {
  LoadTabSkins();
  NotifyRecorder host;
  TabTree tree = MakeTabs("<tabctrl pos='0,0,-0,-0' tabwidth='20' tabheight='10'><tab/><tab/><tab/></tabctrl>", 200,
                          100, host.hwnd());
  CBkTabCtrl& tabs = *tree.tabs;
  const auto move = [&](int x, int y) { tabs.SendElementMessage(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); };
  const auto lefts = [&] {
    std::vector<long> out;
    for (const RedrawRectNotify& redraw : host.redraws) out.push_back(redraw.rect.left);
    return out;
  };
  move(5, 5);  // the selected head
  EXPECT_EQ(tabs.GetHoverIndex(), -1);
  EXPECT_TRUE(host.redraws.empty());
  move(25, 5);
  EXPECT_EQ(tabs.GetHoverIndex(), 1);
  EXPECT_EQ(lefts(), (std::vector<long>{20}));
  move(26, 6);  // every move inside a head redraws it
  EXPECT_EQ(lefts(), (std::vector<long>{20, 20}));
  host.Clear();
  move(45, 5);
  EXPECT_EQ(tabs.GetHoverIndex(), 2);
  EXPECT_EQ(lefts(), (std::vector<long>{40, 20}));
  host.Clear();
  move(100, 50);
  EXPECT_EQ(tabs.GetHoverIndex(), -1);
  EXPECT_EQ(lefts(), (std::vector<long>{40}));
  move(45, 5);
  host.Clear();
  tabs.SendElementMessage(WM_MOUSELEAVE);
  EXPECT_EQ(tabs.GetHoverIndex(), -1);
  EXPECT_EQ(lefts(), (std::vector<long>{40}));
  tabs.SendElementMessage(WM_MOUSELEAVE);
  EXPECT_EQ(lefts(), (std::vector<long>{40}));
}

// ---- hit testing, search, hosted windows --------------------------------------------

TEST(TabCtrl, HitTestGivesHeadsToTheControlAndThePageAreaToTheSelectedPage) {
  LoadTabSkins();
  TabTree tree = MakeTabs(
      "<tabctrl pos='0,0,100,100' tabwidth='20' tabheight='10'>"
      "<tab><text id='11' pos='0,0,10,10'/></tab><tab><text id='12' pos='0,0,10,10'/></tab></tabctrl>",
      200, 200);
  CBkTabCtrl& tabs = *tree.tabs;
  EXPECT_EQ(tabs.HitTest(150, 5, 0), 0u);
  EXPECT_EQ(tabs.HitTest(5, 5, 0), tabs.GetHandle());
  EXPECT_EQ(tabs.HitTest(90, 5, 0), tabs.GetHandle());  // beside the heads
  EXPECT_EQ(tabs.HitTest(5, 15, 0), tabs.FindElementById(11)->GetHandle());
  EXPECT_EQ(tabs.HitTest(50, 50, 0), tabs.GetTab(0)->GetHandle());
  ASSERT_TRUE(tabs.SelectTab(1));
  EXPECT_EQ(tabs.HitTest(5, 15, 0), tabs.FindElementById(12)->GetHandle());
}

TEST(TabCtrl, FindElementByIdSearchesPagesInOrder) {
  LoadTabSkins();
  TabTree tree = MakeTabs(
      "<tabctrl><tab id='30'><text id='31'/><text id='40'/></tab><tab id='40'/><tab><text id='31'/>"
      "<text id='33'/></tab></tabctrl>");
  CBkTabCtrl& tabs = *tree.tabs;
  EXPECT_EQ(tabs.FindElementById(30), tabs.GetTab(0));
  EXPECT_EQ(tabs.FindElementById(31), tabs.GetTab(0)->ChildAt(0));
  // A page's own id comes before the later pages, its descendants before them too.
  EXPECT_EQ(tabs.FindElementById(40), tabs.GetTab(0)->ChildAt(1));
  EXPECT_EQ(tabs.FindElementById(33), tabs.GetTab(2)->ChildAt(1));
  EXPECT_EQ(tabs.FindElementById(99), nullptr);
  // From the dialog above, through the tab control.
  EXPECT_EQ(tree.root->FindElementById(33), tabs.GetTab(2)->ChildAt(1));
}

TEST(TabCtrl, OnlyTheSelectedPageShowsItsNativeWindows) {
  LoadTabSkins();
  HostWindow host;
  const HWND first = host.AddChild(71);
  const HWND second = host.AddChild(72);
  TabTree tree = MakeTabs(
      "<tabctrl pos='0,0,-0,-0' tabwidth='20' tabheight='10'>"
      "<tab><realwnd id='71' pos='0,0,10,10'/></tab><tab><realwnd id='72' pos='0,0,10,10'/></tab></tabctrl>",
      200, 100, host.hwnd());
  CBkTabCtrl& tabs = *tree.tabs;
  tree.root->ShowHostedWindows(true);
  EXPECT_NE(GetWindowLongW(first, GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_EQ(GetWindowLongW(second, GWL_STYLE) & WS_VISIBLE, 0);
  ASSERT_TRUE(tabs.SelectTab(1));
  EXPECT_EQ(GetWindowLongW(first, GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_NE(GetWindowLongW(second, GWL_STYLE) & WS_VISIBLE, 0);
  // Hiding the control hides the selected page's windows; showing brings them back.
  tabs.SendElementMessage(WM_SHOWWINDOW, FALSE);
  EXPECT_EQ(GetWindowLongW(second, GWL_STYLE) & WS_VISIBLE, 0);
  tabs.SendElementMessage(WM_SHOWWINDOW, TRUE);
  EXPECT_NE(GetWindowLongW(second, GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_EQ(GetWindowLongW(first, GWL_STYLE) & WS_VISIBLE, 0);
  tree.root->ShowHostedWindows(false);
  EXPECT_EQ(GetWindowLongW(second, GWL_STYLE) & WS_VISIBLE, 0);
}

// ---- painting -----------------------------------------------------------------------

TEST(TabCtrl, PaintsHeadsIconsSplittersAndTheSelectedHeadLast) {
  LoadTabSkins();
  DrawLogSkin* heads = LogSkin("tab_head");
  DrawLogSkin* icons = LogSkin("tab_icons");
  DrawLogSkin* splitter = LogSkin("tab_split");
  DrawLogSkin* frame = LogSkin("tab_frame");
  TabTree tree = MakeTabs(
      "<tabctrl pos='0,0,-0,-0' tabskin='tab_head' iconskin='tab_icons' splitterskin='tab_split' "
      "frameskin='tab_frame' tabwidth='30' tabspacing='6' icon-x='3' icon-y='4' cursel='1'>"
      "<tab/><tab/><tab hide='1'/><tab/></tabctrl>",
      200, 100);
  CBkTabCtrl& tabs = *tree.tabs;
  tabs.SendElementMessage(WM_MOUSEMOVE, 0, MAKELPARAM(75, 5));  // hover over the fourth tab (slot 2)
  ASSERT_EQ(tabs.GetHoverIndex(), 3);
  for (DrawLogSkin* skin : {heads, icons, splitter, frame}) skin->draws.clear();
  DibCanvas canvas(200, 100, kWhite);
  Paint(tabs, canvas.dc());

  ASSERT_EQ(frame->draws.size(), 1u);
  EXPECT_TRUE(RectIs(frame->draws[0].rect, 0, 20, 200, 100));
  // Heads: tab 0 normal, tab 3 hovered, then the selected tab 1 in state 2.
  ASSERT_EQ(heads->draws.size(), 3u);
  EXPECT_EQ(heads->draws[0].state, 0);
  EXPECT_TRUE(RectIs(heads->draws[0].rect, 0, 0, 30, 20));
  EXPECT_EQ(heads->draws[1].state, 1);
  EXPECT_TRUE(RectIs(heads->draws[1].rect, 72, 0, 102, 20));
  EXPECT_EQ(heads->draws[2].state, 2);
  EXPECT_TRUE(RectIs(heads->draws[2].rect, 36, 0, 66, 20));
  // Icons by tab index, moved by icon-x and icon-y.
  ASSERT_EQ(icons->draws.size(), 3u);
  EXPECT_EQ(icons->draws[0].state, 0);
  EXPECT_EQ(icons->draws[1].state, 3);
  EXPECT_EQ(icons->draws[2].state, 1);
  EXPECT_TRUE(RectIs(icons->draws[2].rect, 39, 4, 69, 24));
  // Splitters after every shown head but the last, centred in the gap.
  ASSERT_EQ(splitter->draws.size(), 2u);
  EXPECT_TRUE(RectIs(splitter->draws[0].rect, 32, 0, 34, 20));
  EXPECT_TRUE(RectIs(splitter->draws[1].rect, 68, 0, 70, 20));
  EXPECT_EQ(splitter->draws[0].state, -1);
  // The pixels: the colour of each head's state.
  EXPECT_EQ(canvas.Pixel(20, 18), kHeadColours[0]);
  EXPECT_EQ(canvas.Pixel(56, 18), kHeadColours[2]);
  EXPECT_EQ(canvas.Pixel(92, 18), kHeadColours[1]);
  EXPECT_EQ(canvas.Pixel(150, 50), kFrameColour);
}

TEST(TabCtrl, TitlesAreCentredInTheHeadMovedByTextOffsetsSelectedInHoverColour) {
  LoadTabSkins();
  const COLORREF kText = RGB(0, 0, 0);
  const COLORREF kHover = RGB(255, 0, 0);
  BkStyle style;
  style.crtext = kText;
  style.crhover = kHover;
  BkStylePool::Instance().Styles()["test_tab_titles"] = style;
  TabTree tree = MakeTabs(
      "<tabctrl pos='0,0,-0,-0' tabwidth='60' tabheight='30' text-x='5' text-y='7' class='test_tab_titles'>"
      "<tab title='ab'/><tab title='ab'/></tabctrl>",
      200, 100);
  const HFONT font = tree.tabs->MeasuringFont();
  DibCanvas canvas(200, 100, kWhite);
  SelectObject(canvas.dc(), font);
  Paint(*tree.tabs, canvas.dc());
  // The same title drawn by hand into the moved head rectangles.
  DibCanvas expected(200, 100, kWhite);
  SetBkMode(expected.dc(), TRANSPARENT);
  SelectObject(expected.dc(), font);
  for (int index : {0, 1}) {
    SetTextColor(expected.dc(), index == 0 ? kHover : kText);
    RECT title = {index * 60 + 5, 7, index * 60 + 65, 37};
    DrawTextW(expected.dc(), L"ab", 2, &title, 0x88A5);
  }
  EXPECT_GT(expected.CountOutside(RECT{0, 0, 0, 0}, kWhite), 10);
  EXPECT_EQ(AreaPixels(canvas, RECT{0, 0, 200, 40}), AreaPixels(expected, RECT{0, 0, 200, 40}));
}

TEST(TabCtrl, OnlyTheSelectedPagePaints) {
  LoadTabSkins();
  TabTree tree = MakeTabs(
      "<tabctrl pos='0,0,-0,-0' tabwidth='20' tabheight='10'>"
      "<tab crbg='FF0000'/><tab crbg='00FF00'/></tabctrl>",
      100, 50);
  DibCanvas canvas(100, 50, kWhite);
  Paint(*tree.tabs, canvas.dc());
  EXPECT_TRUE(canvas.AllPixels(RECT{0, 10, 100, 50}, RGB(255, 0, 0)));
  ASSERT_TRUE(tree.tabs->SelectTab(1));
  Paint(*tree.tabs, canvas.dc());
  EXPECT_TRUE(canvas.AllPixels(RECT{0, 10, 100, 50}, RGB(0, 255, 0)));
}

// ---- hostile documents ------------------------------------------------------------

TEST(TabCtrl, HostileAttributesEndQuietly) {
  LoadTabSkins();
  const char* documents[] = {
      "<tabctrl tabwidth='2147483647' tabspacing='2147483647' tabpos='2147483647' cursel='2147483647'>"
      "<tab/><tab/><tab/></tabctrl>",
      "<tabctrl tabwidth='-2147483648' tabheight='-2147483648' tabspacing='-9' tabpos='-2147483648' "
      "framepos='-2147483648,-2147483648' cursel='-2147483648'><tab/><tab/></tabctrl>",
      "<tabctrl tabalign='left' tabheight='99999999' tabspacing='99999999' icon-x='2147483647' "
      "text-y='-2147483648'><tab/><tab/><tab/></tabctrl>",
      "<tabctrl tabskin='nosuch' iconskin='nosuch' splitterskin='nosuch' frameskin='' border='x'><tab/></tabctrl>",
      "<tabctrl cursel='5'/>",
      "<tabctrl framepos=',,,,,,,'><tab hide='-1'/></tabctrl>",
  };
  for (const char* xml : documents) {
    SCOPED_TRACE(xml);
    NotifyRecorder host;
    TabTree tree = MakeTabs(xml, 300, 200, host.hwnd());
    ASSERT_NE(tree.tabs, nullptr);
    CBkTabCtrl& tabs = *tree.tabs;
    EXPECT_TRUE(tabs.TabCount() == 0 || tabs.GetTab(tabs.GetCurSel()) != nullptr);
    DibCanvas canvas(300, 200, kWhite);
    Paint(tabs, canvas.dc());
    for (int x : {0, 1, 150, 299}) {
      for (int y : {0, 1, 100, 199}) {
        tabs.SendElementMessage(WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        tabs.SendElementMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(x, y));
        tabs.HitTest(x, y, 0);
      }
    }
    tabs.SendElementMessage(WM_MOUSELEAVE);
    tabs.SetCursor();
    EXPECT_FALSE(tabs.SelectTab(-1));
    EXPECT_FALSE(tabs.SelectTab(1000));
    Paint(tabs, canvas.dc());
  }
}

TEST(TabCtrl, DestroyingTheControlReleasesEveryPage) {
  LoadTabSkins();
  const size_t before = BkWindowRegistry::Instance().Count();
  {
    TabTree tree = MakeTabs(kFourTabs);
    EXPECT_EQ(BkWindowRegistry::Instance().Count(), before + 6);  // dialog, control, four pages
    tree.tabs->SendElementMessage(WM_DESTROY);
    EXPECT_EQ(tree.tabs->TabCount(), 0u);
    EXPECT_EQ(BkWindowRegistry::Instance().Count(), before + 2);
  }
  EXPECT_EQ(BkWindowRegistry::Instance().Count(), before);
}

}  // namespace
