#include "skin/tree/check_controls.h"

#include <gtest/gtest.h>

#include "skin/resources/skin_pool.h"
#include "skin/resources/theme_api.h"
#include "skin/tree/basic_controls.h"
#include "tests/skin/tree/controls/controls_test_util.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255);

struct CheckState {
  const char* name;
  unsigned state;
};
const CheckState kCheckStates[] = {
    {"normal", 0},
    {"hover", StateHover},
    {"pushed", StateHover | StatePushed},
    {"checked", StateChecked},
    {"checked hover", StateChecked | StateHover},
    {"checked pushed", StateChecked | StateHover | StatePushed},
};

// ---- toggling ---------------------------------------------------------------------

TEST(CheckBoxes, ButtonReleaseTogglesWhereverTheMouseIs) {
  LoadProgramSkins();
  for (const char* tag : {"check", "checkex"}) {
    auto root = LayOut(std::string("<dlg><") + tag + " pos='0,0,50,16'>x</" + tag + "></dlg>", 100, 20);
    CBkWindow* box = root->ChildAt(0);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->GetState() & StateChecked, 0u) << tag;
    box->SendElementMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(box->GetState() & StateChecked, 0u) << tag << ": a press does not toggle";
    box->SendElementMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_NE(box->GetState() & StateChecked, 0u) << tag;
    box->SendElementMessage(WM_LBUTTONUP, 0, MAKELPARAM(900, 900));
    EXPECT_EQ(box->GetState() & StateChecked, 0u) << tag;
    // Other state flags stay as they are.
    box->ChangeState(StateHover | StateDisabled, 0);
    box->SendElementMessage(WM_LBUTTONUP);
    EXPECT_EQ(box->GetState(), unsigned{StateHover | StateDisabled | StateChecked}) << tag;
  }
}

TEST(CheckBoxes, CheckedAttributeTogglesLikeAClick) {
  LoadProgramSkins();
  auto root = LayOut("<dlg><checkex pos='0,0' checked='1'>a</checkex><checkex pos='0,0' checked='0'>b</checkex>"
                     "<checkex pos='0,0' checked='x'>c</checkex></dlg>",
                     100, 20);
  auto* first = dynamic_cast<CBkCheckBoxEx*>(root->ChildAt(0));
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first->GetState() & StateChecked, 0u);
  EXPECT_EQ(root->ChildAt(1)->GetState() & StateChecked, 0u);
  EXPECT_EQ(root->ChildAt(2)->GetState() & StateChecked, 0u);
  first->SetAttribute("checked", "1", false);
  EXPECT_EQ(first->GetState() & StateChecked, 0u);
  first->SetAttribute("checked", "0", false);
  EXPECT_EQ(first->GetState() & StateChecked, 0u);
  first->SetAttribute("checked", "7", false);
  EXPECT_NE(first->GetState() & StateChecked, 0u);
}

TEST(CheckBoxes, AttributesAndDefaults) {
  LoadProgramSkins();
  auto check = LoadAs<CBkCheckBox>("<check check='5' crtext='000000'/>");
  EXPECT_EQ(check->CheckValue(), 5);
  EXPECT_EQ(check->GetState() & StateChecked, 0u);
  EXPECT_EQ(check->SetAttribute("size", "4", false), kAttributeNotHandled);
  auto plain = LoadAs<CBkCheckBoxEx>("<checkex/>");
  EXPECT_EQ(plain->BoxSize(), 13);
  EXPECT_EQ(plain->Spacing(), 4);
  EXPECT_EQ(plain->Skin(), nullptr);
  auto set = LoadAs<CBkCheckBoxEx>("<checkex skin='checkbox_bg' size='16' spacing='10'/>");
  EXPECT_EQ(set->BoxSize(), 16);
  EXPECT_EQ(set->Spacing(), 10);
  EXPECT_EQ(set->Skin(), GetSkin("checkbox_bg"));
  EXPECT_EQ(set->SetAttribute("check", "1", false), kAttributeNotHandled);
}

// ---- natural size -----------------------------------------------------------------

TEST(CheckBoxes, NaturalSizeAddsTheBoxToTheBaseSize) {
  LoadProgramSkins();
  // A four-item position of 40 x 10 is the base size: 57 x 13 for "check".
  auto sized = LayOut("<dlg><check pos='0,0,40,10'>x</check></dlg>", 100, 40);
  EXPECT_TRUE(RectIs(sized->ChildAt(0)->GetRect(), 0, 0, 57, 13));

  // Measured text: the same text in a "text" element gives the base size.
  auto text = LayOut("<dlg><text pos='0,0'>全选</text></dlg>", 200, 40);
  const RECT& measured = text->ChildAt(0)->GetRect();
  const LONG w = measured.right - measured.left;
  const LONG h = measured.bottom - measured.top;
  ASSERT_GT(w, 0);
  auto check = LayOut("<dlg><check pos='0,0'>全选</check></dlg>", 200, 40);
  EXPECT_TRUE(RectIs(check->ChildAt(0)->GetRect(), 0, 0, w + 17, std::max<LONG>(h, 13)));
  auto checkex = LayOut("<dlg><checkex pos='0,0' size='30' spacing='7'>全选</checkex></dlg>", 200, 40);
  EXPECT_TRUE(RectIs(checkex->ChildAt(0)->GetRect(), 0, 0, w + 37, std::max<LONG>(h, 30)));
  auto defaults = LayOut("<dlg><checkex pos='0,0'>全选</checkex></dlg>", 200, 40);
  EXPECT_TRUE(RectIs(defaults->ChildAt(0)->GetRect(), 0, 0, w + 17, std::max<LONG>(h, 13)));
  // No text: the box and the height of an empty line.
  auto emptyText = LayOut("<dlg><text pos='0,0'/></dlg>", 200, 40);
  auto empty = LayOut("<dlg><check pos='0,0'/></dlg>", 200, 40);
  EXPECT_EQ(emptyText->ChildAt(0)->GetRect().right, 0);
  EXPECT_TRUE(RectIs(empty->ChildAt(0)->GetRect(), 0, 0, 17,
                     std::max<LONG>(emptyText->ChildAt(0)->GetRect().bottom, 13)));
}

// ---- "checkex" painting -------------------------------------------------------------

TEST(CheckBoxEx, ProgramCheckSkinDrawsSixStates) {
  LoadProgramSkins();
  CBkSkinBase* skin = GetSkin("checkbox_bg");
  ASSERT_NE(skin, nullptr);
  auto root = LayOut("<dlg><checkex pos='0,0,60,-0' skin='checkbox_bg' size='16' spacing='10'/></dlg>", 100, 16);
  CBkWindow* box = root->ChildAt(0);
  std::vector<std::vector<COLORREF>> looks;
  for (const CheckState& state : kCheckStates) {
    SetState(*box, state.state);
    DibCanvas canvas(100, 16, kWhite);
    Paint(*box, canvas.dc());
    // The box is the skin drawn with the element's state flags.
    DibCanvas expected(100, 16, kWhite);
    skin->Draw(expected.dc(), RECT{0, 0, 16, 16}, static_cast<int>(state.state));
    EXPECT_EQ(AreaPixels(canvas, RECT{0, 0, 100, 16}), AreaPixels(expected, RECT{0, 0, 100, 16})) << state.name;
    EXPECT_GT(canvas.CountOutside(RECT{0, 0, 0, 0}, kWhite), 20) << state.name;
    looks.push_back(AreaPixels(canvas, RECT{0, 0, 16, 16}));
  }
  for (size_t a = 0; a < looks.size(); ++a)
    for (size_t b = a + 1; b < looks.size(); ++b)
      EXPECT_NE(looks[a], looks[b]) << kCheckStates[a].name << " / " << kCheckStates[b].name;
}

TEST(CheckBoxEx, TextStartsAfterBoxAndSpacingVerticallyCentred) {
  LoadProgramSkins();
  // 16 tall, box 13, spacing 10: the text is drawn as a text element 23 to
  // the right would draw it, vertically centred.
  auto root = LayOut(
      "<dlg><checkex pos='4,2,80,18' spacing='10' crtext='000000'>全选</checkex>"
      "<text pos='27,2,103,18' class='test_vcenter' crtext='000000'>全选</text></dlg>",
      100, 20);
  CBkWindow* box = root->ChildAt(0);
  CBkWindow* text = root->ChildAt(1);
  EXPECT_TRUE(RectIs(box->GetRect(), 4, 2, 103, 18));  // 76 + 13 + 10 wide
  DibCanvas drawn(120, 20, kWhite);
  Paint(*box, drawn.dc());
  DibCanvas expected(120, 20, kWhite);
  Paint(*text, expected.dc());
  EXPECT_GT(expected.CountOutside(RECT{0, 0, 0, 0}, kWhite), 20);
  EXPECT_EQ(AreaPixels(drawn, RECT{0, 0, 120, 20}), AreaPixels(expected, RECT{0, 0, 120, 20}));
  // Without a box skin nothing is drawn in the box's place.
  EXPECT_TRUE(drawn.AllPixels(RECT{0, 0, 27, 20}, kWhite));
  // The element keeps its rectangle.
  EXPECT_TRUE(RectIs(box->GetRect(), 4, 2, 103, 18));
}

TEST(CheckBoxes, TextModeEndsVerticallyCentredAfterTheFirstPaint) {
  LoadProgramSkins();
  for (const char* tag : {"check", "checkex"}) {
    for (const char* cls : {"", "dlgtitle", "dt_8034"}) {
      auto root =
          LayOut(std::string("<dlg><") + tag + " pos='0,0,60,16' class='" + cls + "'>a</" + tag + "></dlg>", 60, 16);
      CBkWindow* box = root->ChildAt(0);
      const unsigned before = box->GetStyle().textmode;
      DibCanvas canvas(60, 16, kWhite);
      Paint(*box, canvas.dc());
      const unsigned after = box->GetStyle().textmode;
      EXPECT_EQ(after, (before & ~unsigned{DT_BOTTOM}) | DT_VCENTER) << tag << " " << cls;
      EXPECT_EQ(after & DT_BOTTOM, 0u);
      EXPECT_NE(after & DT_VCENTER, 0u);
    }
  }
}

// ---- "check" painting -------------------------------------------------------------

// The state flags and their classic frame-control flags.
struct ClassicRow {
  unsigned state;
  UINT flags;
};
const ClassicRow kClassicRows[] = {
    {0, 0},
    {StateHover, DFCS_HOT},
    {StateHover | StatePushed, DFCS_HOT | DFCS_PUSHED},
    {StateDisabled, DFCS_INACTIVE},
    {StateChecked, DFCS_CHECKED},
    {StateChecked | StateHover, DFCS_CHECKED | DFCS_HOT},
    {StateChecked | StateHover | StatePushed, DFCS_CHECKED | DFCS_HOT | DFCS_PUSHED},
    {StateChecked | StateDisabled, DFCS_CHECKED | DFCS_INACTIVE},
};

TEST(CheckBox, WithoutVisualStylesDrawsTheClassicFrameControl) {
  // As on a system without the theme library, whatever this process has loaded.
  ThemeApi::BindTo(nullptr);
  ASSERT_FALSE(ThemeApi::Get().LibraryPresent());
  LoadProgramSkins();
  auto root = LayOut("<dlg><check pos='0,0,30,-0'/></dlg>", 40, 13);
  auto* check = dynamic_cast<CBkCheckBox*>(root->ChildAt(0));
  ASSERT_NE(check, nullptr);
  std::vector<COLORREF> unchecked, checked;
  for (const ClassicRow& row : kClassicRows) {
    SetState(*check, row.state);
    DibCanvas canvas(40, 13, kWhite);
    Paint(*check, canvas.dc());
    EXPECT_EQ(check->Theme(), nullptr);
    DibCanvas expected(40, 13, kWhite);
    RECT box = {0, 0, 13, 13};
    DrawFrameControl(expected.dc(), &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_TRANSPARENT | row.flags);
    EXPECT_EQ(AreaPixels(canvas, RECT{0, 0, 40, 13}), AreaPixels(expected, RECT{0, 0, 40, 13})) << row.state;
    EXPECT_GT(canvas.CountOutside(RECT{0, 0, 0, 0}, kWhite), 10) << row.state;
    EXPECT_TRUE(canvas.AllPixels(RECT{13, 0, 40, 13}, kWhite));
    if (row.state == 0) unchecked = AreaPixels(canvas, RECT{0, 0, 13, 13});
    if (row.state == StateChecked) checked = AreaPixels(canvas, RECT{0, 0, 13, 13});
  }
  EXPECT_NE(unchecked, checked);
}

TEST(CheckBox, WithVisualStylesDrawsTheThemedCheckBoxPart) {
  HMODULE library = LoadLibraryW(L"uxtheme.dll");
  ASSERT_NE(library, nullptr);
  LoadProgramSkins();
  ASSERT_TRUE(ThemeApi::Get().LibraryPresent());
  HTHEME reference = ThemeApi::Get().OpenThemeData(nullptr, L"BUTTON");
  if (!reference) GTEST_SKIP() << "no visual style is active";
  struct Row {
    unsigned state;
    int themeState;
  };
  const Row rows[] = {
      {0, 1}, {StateHover, 2}, {StateHover | StatePushed, 3}, {StateDisabled, 4},
      {StateChecked, 5}, {StateChecked | StateHover, 6}, {StateChecked | StateHover | StatePushed, 7},
      {StateChecked | StateDisabled, 8},
  };
  HTHEME held = nullptr;
  {
    auto root = LayOut("<dlg><check pos='0,0,30,-0'/></dlg>", 40, 13);
    auto* check = dynamic_cast<CBkCheckBox*>(root->ChildAt(0));
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->Theme(), nullptr);  // opened on the first paint
    std::vector<std::vector<COLORREF>> looks;
    for (const Row& row : rows) {
      SetState(*check, row.state);
      DibCanvas canvas(40, 13, kWhite);
      Paint(*check, canvas.dc());
      ASSERT_NE(check->Theme(), nullptr);
      if (!held) held = check->Theme();
      EXPECT_EQ(check->Theme(), held) << "opened once and kept";
      DibCanvas expected(40, 13, kWhite);
      RECT box = {0, 0, 13, 13};
      ThemeApi::Get().DrawThemeBackground(reference, expected.dc(), kThemePartCheckBox, row.themeState, &box, nullptr);
      EXPECT_EQ(AreaPixels(canvas, RECT{0, 0, 40, 13}), AreaPixels(expected, RECT{0, 0, 40, 13})) << row.state;
      EXPECT_GT(canvas.CountOutside(RECT{0, 0, 0, 0}, kWhite), 10) << row.state;
      looks.push_back(AreaPixels(canvas, RECT{0, 0, 13, 13}));
    }
    EXPECT_NE(looks[0], looks[4]);
  }
  ThemeApi::Get().CloseThemeData(reference);
  FreeLibrary(library);
}

TEST(CheckBox, TextIsDrawnSeventeenToTheRight) {
  LoadProgramSkins();
  auto root = LayOut(
      "<dlg><check pos='0,0,80,16' crtext='000000'>全选</check>"
      "<text pos='17,0,97,16' class='test_vcenter' crtext='000000'>全选</text></dlg>",
      120, 16);
  DibCanvas drawn(120, 16, kWhite);
  Paint(*root->ChildAt(0), drawn.dc());
  DibCanvas expected(120, 16, kWhite);
  Paint(*root->ChildAt(1), expected.dc());
  EXPECT_GT(expected.CountOutside(RECT{0, 0, 0, 0}, kWhite), 20);
  EXPECT_EQ(AreaPixels(drawn, RECT{13, 0, 120, 16}), AreaPixels(expected, RECT{13, 0, 120, 16}));
}

}  // namespace
