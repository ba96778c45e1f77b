// "progress", "radio" and "icon": drawn into DIB sections and driven with
// the messages a host sends; radio groups report their redraw requests to a
// real host window.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "skin/resources/skin_pool.h"
#include "skin/resources/theme_api.h"
#include "skin/tree/element_factory.h"
#include "skin/tree/icon_control.h"
#include "skin/tree/progress_control.h"
#include "skin/tree/radio_control.h"
#include "tests/skin/tree/controls/controls_test_util.h"
#include "tests/skin/tree/controls/notify_recorder.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kBar = RGB(66, 97, 144);

int CountColour(const DibCanvas& canvas, const RECT& area, COLORREF colour) {
  int count = 0;
  for (COLORREF pixel : AreaPixels(canvas, area)) count += pixel == colour ? 1 : 0;
  return count;
}

// Text is smoothed: its pixels are told by their hue, not by exact colours.
bool IsDark(COLORREF c) { return GetRValue(c) < 60 && GetGValue(c) < 60 && GetBValue(c) < 60; }
bool IsLight(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200; }
bool IsGreenish(COLORREF c) { return GetGValue(c) > GetRValue(c) + 80 && GetGValue(c) > GetBValue(c) + 60; }
bool IsReddish(COLORREF c) { return GetRValue(c) > GetGValue(c) + 60 && GetRValue(c) > GetBValue(c) + 60; }

int Count(const DibCanvas& canvas, const RECT& area, bool (*test)(COLORREF)) {
  int count = 0;
  for (COLORREF pixel : AreaPixels(canvas, area)) count += test(pixel) ? 1 : 0;
  return count;
}

// A canvas prepared as a host prepares its picture: base font, transparent
// text background.
void PrepareCanvas(DibCanvas& canvas, const CBkWindow& element) {
  SelectObject(canvas.dc(), element.MeasuringFont());
  SetBkMode(canvas.dc(), TRANSPARENT);
}

// ---- "progress" ---------------------------------------------------------------------

TEST(Progress, BarIsTheValuesShareOfTheInnerWidth) {
  LoadProgramSkins();
  struct Case {
    const char* range;
    long barRight;  // inner area 2..102; -1: no bar
  };
  const Case cases[] = {
      {"min='0' max='200' value='50'", 27},    // a quarter
      {"min='0' max='200' value='200'", 102},  // all
      {"min='0' max='200' value='300'", 102},  // clamped
      {"min='10' max='0' value='5'", 52},      // swapped range
      {"min='7' max='7' value='7'", -1},       // empty range: 0
      {"min='0' max='4294967295' value='-1'", 102},  // unsigned 32-bit values
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.range);
    auto root = LayOut(std::string("<dlg><progress pos='0,0,104,20' ") + c.range + "/></dlg>", 104, 20);
    DibCanvas canvas(104, 20, kWhite);
    Paint(*root->ChildAt(0), canvas.dc());
    if (c.barRight < 0) {
      EXPECT_EQ(CountColour(canvas, RECT{0, 0, 104, 20}, kBar), 0);
      continue;
    }
    // Filled inside its grey outline, the rest of the inside stays white.
    EXPECT_EQ(canvas.Pixel(10, 10), kBar);
    EXPECT_EQ(canvas.Pixel(c.barRight - 2, 10), kBar);
    EXPECT_NE(canvas.Pixel(c.barRight - 1, 10), kBar);
    if (c.barRight < 100) {
      EXPECT_EQ(canvas.Pixel(c.barRight + 2, 10), kWhite);
    }
    EXPECT_EQ(CountColour(canvas, RECT{0, 0, 104, 20}, kBar), (c.barRight - 4) * 14);
    // The outline: grey 112.
    EXPECT_EQ(canvas.Pixel(50, 0), RGB(112, 112, 112));
  }
}

TEST(Progress, PaintStoresTheOrderedRangeAndTheClampedValue) {
  LoadProgramSkins();
  auto root = LayOut("<dlg><progress pos='0,0,50,10' min='10' max='0' value='300'/></dlg>", 50, 10);
  auto* progress = dynamic_cast<CBkProgress*>(root->ChildAt(0));
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(progress->Min(), 10u);
  EXPECT_EQ(progress->Max(), 0u);
  DibCanvas canvas(50, 10, kWhite);
  Paint(*progress, canvas.dc());
  EXPECT_EQ(progress->Min(), 0u);
  EXPECT_EQ(progress->Max(), 10u);
  EXPECT_EQ(progress->Value(), 10u);
}

TEST(Progress, PercentTextIsDrawnCentredOverTheWholeBar) {
  LoadProgramSkins();
  auto root = LayOut(
      "<dlg><progress pos='0,0,104,20' max='200' value='50' showpercent='1' crtext='000000'/>"
      "<progress pos='0,0,104,20' max='200' value='50' crtext='000000'/></dlg>",
      104, 20);
  DibCanvas withText(104, 20, kWhite);
  PrepareCanvas(withText, *root->ChildAt(0));
  Paint(*root->ChildAt(0), withText.dc());
  DibCanvas expected(104, 20, kWhite);
  PrepareCanvas(expected, *root->ChildAt(1));
  Paint(*root->ChildAt(1), expected.dc());
  RECT whole = {0, 0, 104, 20};
  SetTextColor(expected.dc(), kBlack);
  DrawTextW(expected.dc(), L"25%", -1, &whole, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  // The text stands beside the bar, inside the outline.
  const RECT beside = {30, 3, 101, 17};
  EXPECT_GT(static_cast<int>(AreaPixels(expected, beside).size()) - CountColour(expected, beside, kWhite), 10);
  EXPECT_EQ(AreaPixels(withText, whole), AreaPixels(expected, whole));
}

TEST(Progress, TextOverTheBarContrastsWithIt) {
  LoadProgramSkins();
  struct Case {
    const char* attributes;
    bool (*overBar)(COLORREF);
    bool (*notOverBar)(COLORREF);
  };
  const Case cases[] = {
      {"value='50'", IsLight, IsDark},                 // 50 percent: white without crbg
      {"value='50' crbg='00FF00'", IsGreenish, IsDark},  // 50 percent: crbg
      {"value='51'", IsDark, IsLight},                 // above 50: black
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attributes);
    auto root = LayOut(std::string("<dlg><progress pos='0,0,104,20' max='100' showpercent='1' crtext='FF0000' ") +
                           c.attributes + "/></dlg>",
                       104, 20);
    DibCanvas canvas(104, 20, kWhite);
    PrepareCanvas(canvas, *root->ChildAt(0));
    Paint(*root->ChildAt(0), canvas.dc());
    // The bar ends at 52 or 53; the text straddles the middle.
    const RECT bar = {3, 3, 51, 17};
    EXPECT_GT(Count(canvas, bar, c.overBar), 3);
    EXPECT_EQ(Count(canvas, bar, c.notOverBar), 0);
    EXPECT_EQ(Count(canvas, bar, IsReddish), 0) << "crtext only beside the bar";
    EXPECT_GT(Count(canvas, RECT{54, 3, 101, 17}, IsReddish), 3);
  }
}

TEST(Progress, SkinsDrawTheBackgroundAndTheBarCentredVertically) {
  LoadProgramSkins();
  // Background 48 x 24 (natural height 24), bar skin 20 x 10: the bar is
  // 2 in from the sides and (24 - 10) / 2 = 7 from top and bottom.
  auto root = LayOut("<dlg><progress pos='0,0,104,-0' bgskin='test48x24' posskin='test4states' max='4' "
                     "value='1'/><progress pos='0,30,104,40' bgskin='nosuch' posskin='nosuch' max='4' value='1'/>"
                     "</dlg>",
                     104, 60);
  CBkWindow* skinned = root->ChildAt(0);
  EXPECT_EQ(skinned->GetRect().bottom - skinned->GetRect().top, 24);
  DibCanvas canvas(104, 60, kWhite);
  Paint(*skinned, canvas.dc());
  EXPECT_EQ(canvas.Pixel(1, 12), kSkinColour);
  EXPECT_EQ(canvas.Pixel(2, 7), kStateColours[0]);
  EXPECT_EQ(canvas.Pixel(26, 16), kStateColours[0]);
  EXPECT_EQ(canvas.Pixel(27, 12), kSkinColour);
  EXPECT_EQ(canvas.Pixel(10, 6), kSkinColour);
  EXPECT_EQ(canvas.Pixel(10, 17), kSkinColour);
  // Skins the pool lacks: the built-in drawing.
  Paint(*root->ChildAt(1), canvas.dc());
  EXPECT_EQ(canvas.Pixel(10, 35), kBar);
}

TEST(Progress, HostileValuesEndQuietly) {
  LoadProgramSkins();
  for (const char* attributes : {"min='-2147483648' max='2147483647' value='99999999999' showpercent='-1'",
                                 "min='x' max='' value='-' showpercent='1'", "max='1' value='1' showpercent='1'"}) {
    for (const char* pos : {"0,0,104,20", "0,0,1,1", "0,0,3,3", "50,50,0,0", "-2147483648,0,2147483647,20"}) {
      SCOPED_TRACE(std::string(attributes) + " at " + pos);
      auto root = LayOut(std::string("<dlg><progress pos='") + pos + "' " + attributes + "/></dlg>", 104, 20);
      DibCanvas canvas(104, 20, kWhite);
      Paint(*root->ChildAt(0), canvas.dc());
      auto* progress = dynamic_cast<CBkProgress*>(root->ChildAt(0));
      ASSERT_NE(progress, nullptr);
      EXPECT_LE(progress->Min(), progress->Max());
      if (progress->Min() != progress->Max()) {
        EXPECT_LE(progress->Value(), progress->Max());
        EXPECT_GE(progress->Value(), progress->Min());
      }
    }
  }
}

// ---- "radio" ------------------------------------------------------------------------

struct RadioTree {
  ElementPtr<CBkDialog> root;
  std::vector<CBkRadioBox*> radios;
};

RadioTree MakeRadios(const std::string& children, HWND host) {
  RadioTree tree;
  tree.root = LayOut("<dlg>" + children + "</dlg>", 300, 100, host);
  for (size_t index = 0; index < tree.root->ChildCount(); ++index) {
    if (auto* radio = dynamic_cast<CBkRadioBox*>(tree.root->ChildAt(index))) tree.radios.push_back(radio);
  }
  return tree;
}

std::vector<bool> Checked(const RadioTree& tree) {
  std::vector<bool> checked;
  for (CBkRadioBox* radio : tree.radios) checked.push_back((radio->GetState() & StateChecked) != 0);
  return checked;
}

TEST(Radio, ClickChecksItAndUnchecksTheRestOfItsGroup) {
  LoadProgramSkins();
  NotifyRecorder host;
  RadioTree tree = MakeRadios(
      "<radio id='1' group='g' pos='0,0,50,16'/><radio id='2' group='g' pos='0,20,50,36'/>"
      "<radio id='3' group='g' pos='0,40,50,56'/><radio id='4' group='other' pos='0,60,50,76'/>",
      host.hwnd());
  ASSERT_EQ(tree.radios.size(), 4u);
  tree.radios[0]->ChangeState(StateChecked, 0);
  tree.radios[2]->ChangeState(StateChecked, 0);
  tree.radios[3]->ChangeState(StateChecked, 0);
  tree.radios[1]->SendElementMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 25));
  EXPECT_EQ(Checked(tree), (std::vector<bool>{false, true, false, true}));
  // One redraw request for each member that lost its check, for its rect.
  ASSERT_EQ(host.redraws.size(), 2u);
  EXPECT_EQ(host.redraws[0].hbkWnd, tree.radios[0]->GetHandle());
  EXPECT_EQ(host.redraws[0].hdr.idFrom, 1u);
  EXPECT_EQ(host.redraws[0].hdr.hwndFrom, nullptr);
  EXPECT_TRUE(RectIs(host.redraws[0].rect, 0, 0, 64, 16));  // the position's size plus the box
  EXPECT_EQ(host.redraws[1].hbkWnd, tree.radios[2]->GetHandle());
  EXPECT_TRUE(RectIs(host.redraws[1].rect, 0, 40, 64, 56));

  // Clicking the checked one again keeps it checked and asks for nothing.
  host.Clear();
  tree.radios[1]->SendElementMessage(WM_LBUTTONUP);
  EXPECT_EQ(Checked(tree), (std::vector<bool>{false, true, false, true}));
  EXPECT_TRUE(host.redraws.empty());
  // Checking by state operations does not clear the others.
  tree.radios[0]->ChangeState(StateChecked, 0);
  EXPECT_EQ(Checked(tree), (std::vector<bool>{true, true, false, true}));
  // Every click leaves exactly one member of the group checked.
  for (int round = 0; round < 6; ++round) {
    tree.radios[round % 3]->SendElementMessage(WM_LBUTTONUP);
    const std::vector<bool> checked = Checked(tree);
    EXPECT_EQ(std::count(checked.begin(), checked.begin() + 3, true), 1) << round;
    EXPECT_TRUE(checked[static_cast<size_t>(round % 3)]);
    EXPECT_TRUE(checked[3]);
  }
}

TEST(Radio, EmptyGroupNamesFormOneGroupAndHiddenMembersAreNotRedrawn) {
  LoadProgramSkins();
  NotifyRecorder host;
  RadioTree tree = MakeRadios("<radio pos='0,0,50,16'/><radio group='' pos='0,20,50,36' show='0'/>", host.hwnd());
  ASSERT_EQ(tree.radios.size(), 2u);
  tree.radios[1]->ChangeState(StateChecked, 0);
  tree.radios[0]->SendElementMessage(WM_LBUTTONUP);
  EXPECT_EQ(Checked(tree), (std::vector<bool>{true, false}));
  EXPECT_TRUE(host.redraws.empty()) << "a hidden element asks for no redraw";
}

DWORD WINAPI CountLockGroup(void*) {
  return static_cast<DWORD>(BkWindowRegistry::Instance().Members("lock").size());
}

TEST(Radio, RedrawRequestsAreSentWithTheRegistryFree) {
  LoadProgramSkins();
  NotifyRecorder host;
  RadioTree tree = MakeRadios("<radio group='lock' pos='0,0,50,16'/><radio group='lock' pos='0,20,50,36'/>",
                              host.hwnd());
  tree.radios[0]->ChangeState(StateChecked, 0);
  // While the host handles the request, another thread uses the registry. If
  // the lock were still held by this thread, that thread would wait for the
  // handler, which waits for it.
  DWORD waited = WAIT_FAILED;
  host.onRedraw = [&](const RedrawRectNotify&) {
    HANDLE thread = CreateThread(nullptr, 0, CountLockGroup, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    waited = WaitForSingleObject(thread, 20000);
    DWORD members = 0;
    GetExitCodeThread(thread, &members);
    EXPECT_EQ(members, 2u);
    CloseHandle(thread);
  };
  tree.radios[1]->SendElementMessage(WM_LBUTTONUP);
  ASSERT_EQ(host.redraws.size(), 1u);
  EXPECT_EQ(waited, WAIT_OBJECT_0);
}

TEST(Radio, GroupsFollowLoadingChangesAndDestruction) {
  LoadProgramSkins();
  BkWindowRegistry& registry = BkWindowRegistry::Instance();
  BkHandle gone = 0;
  {
    RadioTree tree = MakeRadios("<radio group='life'/><radio group='life'/>", nullptr);
    gone = tree.radios[0]->GetHandle();
    EXPECT_EQ(registry.Members("life").size(), 2u);
    EXPECT_EQ(tree.radios[0]->Group(), "life");
    // A group given after loading moves the box.
    tree.radios[1]->SetAttribute("group", "moved", false);
    EXPECT_EQ(registry.Members("life"), std::vector<BkHandle>{gone});
    EXPECT_EQ(registry.Members("moved"), std::vector<BkHandle>{tree.radios[1]->GetHandle()});
    tree.radios[0]->ChangeState(StateChecked, 0);
    tree.radios[1]->SendElementMessage(WM_LBUTTONUP);
    EXPECT_EQ(Checked(tree), (std::vector<bool>{true, true}));
  }
  EXPECT_TRUE(registry.Members("life").empty());
  EXPECT_TRUE(registry.Members("moved").empty());
  // A box made in code and never loaded is in no group; destroying it is quiet.
  CBkRadioBox loose;
  loose.SendElementMessage(WM_LBUTTONUP);
  EXPECT_NE(loose.GetState() & StateChecked, 0u);
  EXPECT_EQ(LookupElement(gone), nullptr);
}

TEST(Radio, AttributesNaturalSizeAndText) {
  LoadProgramSkins();
  auto radio = LoadAs<CBkRadioBox>("<radio check='5' group='x'/>");
  EXPECT_EQ(radio->CheckValue(), 5);
  EXPECT_EQ(radio->GetState() & StateChecked, 0u);
  EXPECT_TRUE(radio->LooksDifferentByState());
  EXPECT_STREQ(CreateChildByName("radio")->GetTag(), "radio");

  auto text = LayOut("<dlg><text pos='0,0'>全选</text></dlg>", 200, 40);
  const RECT& measured = text->ChildAt(0)->GetRect();
  auto sized = LayOut("<dlg><radio pos='0,0'>全选</radio><radio pos='0,0,40,5'/></dlg>", 200, 40);
  EXPECT_TRUE(RectIs(sized->ChildAt(0)->GetRect(), 0, 0, measured.right + 14, std::max<LONG>(measured.bottom, 12)));
  EXPECT_TRUE(RectIs(sized->ChildAt(1)->GetRect(), 0, 0, 54, 12));

  // The text: 14 to the right, single line and vertically centred.
  auto root = LayOut(
      "<dlg><radio pos='0,0,80,20' crtext='000000'>全选</radio>"
      "<text pos='14,0,94,20' class='test_vcenter' crtext='000000'>全选</text></dlg>",
      120, 20);
  DibCanvas drawn(120, 20, kWhite);
  Paint(*root->ChildAt(0), drawn.dc());
  DibCanvas expected(120, 20, kWhite);
  Paint(*root->ChildAt(1), expected.dc());
  EXPECT_GT(expected.CountOutside(RECT{0, 0, 0, 0}, kWhite), 20);
  EXPECT_EQ(AreaPixels(drawn, RECT{12, 0, 120, 20}), AreaPixels(expected, RECT{12, 0, 120, 20}));
  const unsigned mode = root->ChildAt(0)->GetStyle().textmode;
  EXPECT_EQ(mode & DT_BOTTOM, 0u);
  EXPECT_EQ(mode & (DT_VCENTER | DT_SINGLELINE), unsigned{DT_VCENTER | DT_SINGLELINE});
}

struct RadioLook {
  unsigned state;
  UINT classic;
  int themed;
};
const RadioLook kRadioLooks[] = {
    {0, 0, 1},
    {StateHover, DFCS_HOT, 2},
    {StateHover | StatePushed, DFCS_HOT | DFCS_PUSHED, 3},
    {StateDisabled, DFCS_INACTIVE, 4},
    {StateChecked, DFCS_CHECKED, 5},
    {StateChecked | StateHover, DFCS_CHECKED | DFCS_HOT, 6},
    {StateChecked | StateHover | StatePushed, DFCS_CHECKED | DFCS_HOT | DFCS_PUSHED, 7},
    {StateChecked | StateDisabled, DFCS_CHECKED | DFCS_INACTIVE, 8},
};

TEST(Radio, WithoutVisualStylesDrawsTheClassicRadioCentredVertically) {
  // As on a system without the theme library, whatever this process has loaded.
  ThemeApi::BindTo(nullptr);
  ASSERT_FALSE(ThemeApi::Get().LibraryPresent());
  LoadProgramSkins();
  auto root = LayOut("<dlg><radio pos='0,0,30,-0'/></dlg>", 40, 20);
  auto* radio = dynamic_cast<CBkRadioBox*>(root->ChildAt(0));
  ASSERT_NE(radio, nullptr);
  std::vector<std::vector<COLORREF>> looks;
  for (const RadioLook& look : kRadioLooks) {
    SetState(*radio, look.state);
    DibCanvas canvas(40, 20, kWhite);
    Paint(*radio, canvas.dc());
    EXPECT_EQ(radio->Theme(), nullptr);
    DibCanvas expected(40, 20, kWhite);
    RECT box = {0, 4, 12, 16};
    DrawFrameControl(expected.dc(), &box, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_TRANSPARENT | look.classic);
    EXPECT_EQ(AreaPixels(canvas, RECT{0, 0, 40, 20}), AreaPixels(expected, RECT{0, 0, 40, 20})) << look.state;
    EXPECT_GT(canvas.CountOutside(RECT{0, 0, 0, 0}, kWhite), 10) << look.state;
    EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 40, 4}, kWhite));
    looks.push_back(AreaPixels(canvas, RECT{0, 4, 12, 16}));
  }
  EXPECT_NE(looks[0], looks[4]);
}

TEST(Radio, WithVisualStylesDrawsTheThemedRadioPart) {
  HMODULE library = LoadLibraryW(L"uxtheme.dll");
  ASSERT_NE(library, nullptr);
  LoadProgramSkins();
  ASSERT_TRUE(ThemeApi::Get().LibraryPresent());
  HTHEME reference = ThemeApi::Get().OpenThemeData(nullptr, L"BUTTON");
  if (!reference) GTEST_SKIP() << "no visual style is active";
  {
    auto root = LayOut("<dlg><radio pos='0,0,30,-0'/></dlg>", 40, 20);
    auto* radio = dynamic_cast<CBkRadioBox*>(root->ChildAt(0));
    ASSERT_NE(radio, nullptr);
    EXPECT_EQ(radio->Theme(), nullptr);
    for (const RadioLook& look : kRadioLooks) {
      SetState(*radio, look.state);
      DibCanvas canvas(40, 20, kWhite);
      Paint(*radio, canvas.dc());
      ASSERT_NE(radio->Theme(), nullptr);
      DibCanvas expected(40, 20, kWhite);
      RECT box = {0, 4, 12, 16};
      ThemeApi::Get().DrawThemeBackground(reference, expected.dc(), kThemePartRadioButton, look.themed, &box, nullptr);
      EXPECT_EQ(AreaPixels(canvas, RECT{0, 0, 40, 20}), AreaPixels(expected, RECT{0, 0, 40, 20})) << look.state;
    }
  }
  ThemeApi::Get().CloseThemeData(reference);
  FreeLibrary(library);
}

// ---- "icon" -------------------------------------------------------------------------

SIZE IconSize(HICON icon) {
  ICONINFO info = {};
  if (!icon || !GetIconInfo(icon, &info)) return SIZE{0, 0};
  BITMAP bitmap = {};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return SIZE{bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
}

TEST(Icon, LoadsTheProgramIconAtItsSizeAndDrawsItScaled) {
  LoadProgramSkins();
  auto root = LayOut("<dlg><icon src='101' pos='10,6'/><icon src='101' size='32' pos='0,0,20,20'/></dlg>", 60, 40);
  auto* small = dynamic_cast<CBkIconWnd*>(root->ChildAt(0));
  auto* large = dynamic_cast<CBkIconWnd*>(root->ChildAt(1));
  ASSERT_NE(small, nullptr);
  ASSERT_NE(large, nullptr);
  EXPECT_TRUE(RectIs(small->GetRect(), 10, 6, 26, 22));  // natural size: size x size
  const SIZE smallSize = IconSize(small->Icon());
  EXPECT_EQ(smallSize.cx, 16);
  EXPECT_EQ(smallSize.cy, 16);
  EXPECT_EQ(IconSize(large->Icon()).cx, 32);

  DibCanvas canvas(60, 40, kWhite);
  Paint(*small, canvas.dc());
  DibCanvas expected(60, 40, kWhite);
  DrawIconEx(expected.dc(), 10, 6, small->Icon(), 16, 16, 0, nullptr, DI_NORMAL);
  EXPECT_GT(expected.CountOutside(RECT{0, 0, 0, 0}, kWhite), 20);
  EXPECT_EQ(AreaPixels(canvas, RECT{0, 0, 60, 40}), AreaPixels(expected, RECT{0, 0, 60, 40}));
  EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 10, 40}, kWhite));

  // Scaled to the rectangle: the 32-pixel icon into 20 x 20.
  DibCanvas scaled(60, 40, kWhite);
  Paint(*large, scaled.dc());
  DibCanvas scaledExpected(60, 40, kWhite);
  DrawIconEx(scaledExpected.dc(), 0, 0, large->Icon(), 20, 20, 0, nullptr, DI_NORMAL);
  EXPECT_EQ(AreaPixels(scaled, RECT{0, 0, 60, 40}), AreaPixels(scaledExpected, RECT{0, 0, 60, 40}));
  EXPECT_TRUE(scaled.AllPixels(RECT{20, 0, 60, 40}, kWhite));
}

TEST(Icon, ANewSourceIsLoadedAtTheNextPaintAndTheOldIconDestroyed) {
  LoadProgramSkins();
  auto root = LayOut("<dlg><icon src='101' pos='0,0'/></dlg>", 40, 40);
  auto* icon = dynamic_cast<CBkIconWnd*>(root->ChildAt(0));
  ASSERT_NE(icon, nullptr);
  const HICON first = icon->Icon();
  ASSERT_NE(first, nullptr);
  icon->SetAttribute("src", "128", false);
  EXPECT_EQ(icon->Icon(), first);  // lazily
  DibCanvas canvas(40, 40, kWhite);
  Paint(*icon, canvas.dc());
  EXPECT_NE(icon->Icon(), nullptr);
  EXPECT_NE(icon->Icon(), first);
  ICONINFO info = {};
  EXPECT_FALSE(GetIconInfo(first, &info)) << "the replaced icon is destroyed";
  const HICON second = icon->Icon();
  root.reset();
  EXPECT_FALSE(GetIconInfo(second, &info)) << "the element destroys its icon";
}

TEST(Icon, SystemIconsAndSourcesThatDoNotLoad) {
  LoadProgramSkins();
  struct Case {
    const char* attributes;
    bool loads;
    LONG natural;
  };
  const Case cases[] = {
      {"src='32512' oem='1'", true, 16},  // IDI_APPLICATION
      {"src='32516' oem='1' size='20'", true, 20},
      {"src='999'", false, 16},
      {"src='0'", false, 16},
      {"src='-1'", false, 16},
      {"src='70000'", false, 16},
      {"src='70000' oem='1'", false, 16},
      {"", false, 16},
      {"src='101' size='-5'", true, 0},
      {"src='101' size='0'", true, 0},
      {"src='101' size='2147483647'", true, 2147483647},  // loaded at 256, too large to draw
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attributes);
    auto root = LayOut(std::string("<dlg><icon pos='0,0' ") + c.attributes + "/></dlg>", 40, 40);
    auto* icon = dynamic_cast<CBkIconWnd*>(root->ChildAt(0));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Icon() != nullptr, c.loads);
    const RECT& area = icon->GetRect();
    EXPECT_EQ(area.right - area.left, c.natural);
    if (c.loads) {
      EXPECT_LE(IconSize(icon->Icon()).cx, CBkIconWnd::kMaxLoadSize);
    }
    DibCanvas canvas(40, 40, kWhite);
    Paint(*icon, canvas.dc());
    if (!c.loads || c.natural == 0 || c.natural > CBkIconWnd::kMaxDrawSize) {
      EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 40, 40}, kWhite));
    } else {
      EXPECT_GT(canvas.CountOutside(RECT{0, 0, 0, 0}, kWhite), 10);
    }
  }
}

}  // namespace
