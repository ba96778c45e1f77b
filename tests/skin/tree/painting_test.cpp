// Painting of elements and containers into DIB sections, with a real hidden
// window as the host: backgrounds, skins, text colours and the device
// context state around text painting.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "skin/resources/font_pool.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/style.h"
#include "tests/skin/tree/tree_test_util.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/scratch_skin_folder.h"
#include "tests/support/test_support.h"

namespace {

const COLORREF kCanvas = RGB(250, 250, 250);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);

class Painting : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, host_.hwnd());
    BkFontPool::SetDefaultFont(L"宋体", -12);
    ASSERT_TRUE(folder_.Write(960,
                              "<style>"
                              "<class name=\"hover\" crbg=\"FF0000\" crbghover=\"0000FF\"/>"
                              "<class name=\"skinned\" skin=\"solid\" crbg=\"FF0000\"/>"
                              "<class name=\"bordered\" skin=\"solid\" border=\"frame\"/>"
                              "<class name=\"missingskin\" skin=\"nosuchskin\" crbg=\"FF0000\"/>"
                              "<class name=\"missingborder\" skin=\"solid\" border=\"nosuchskin\"/>"
                              "<class name=\"stateful\" skin=\"btn\"/>"
                              "<class name=\"crhover\" crhover=\"0000FF\"/>"
                              "<class name=\"hoverfont\" hoverfont=\"0001\"/>"
                              "<class name=\"text\" crtext=\"FF0000\" crdisabled=\"00FF00\" font=\"0000\"/>"
                              "<class name=\"full\" font=\"0004\" crtext=\"FF0000\" crbg=\"0000FF\" skin=\"solid\""
                              " crhover=\"00FF00\" hoverfont=\"0001\" crdisabled=\"808080\"/>"
                              "</style>"));
    ASSERT_TRUE(folder_.Write(961,
                              "<skins>"
                              "<gradation name=\"solid\" from=\"00FF00\" to=\"00FF00\"/>"
                              "<gradation name=\"frame\" from=\"0000FF\" to=\"0000FF\"/>"
                              "<button name=\"btn\"/>"
                              "</skins>"));
    ASSERT_TRUE(LoadSkins(961));
    ASSERT_TRUE(LoadStyles(960));
  }

  template <typename T = CBkDialog>
  ElementPtr<T> Load(const std::string& xml) {
    return LoadElement<T>(xml, nullptr, host_.hwnd());
  }

  ScratchSkinFolder folder_{"tree-painting"};
  MessageCounterWindow host_;
};

TEST_F(Painting, BackgroundFromColoursAndSkins) {
  const struct {
    const char* xml;
    unsigned state;
    COLORREF expected;  // kCanvas: nothing painted
  } cases[] = {
      {"<dlg crbg=\"102030\"/>", 0, RGB(0x10, 0x20, 0x30)},
      {"<dlg crbg=\"102030\"/>", StateHover, RGB(0x10, 0x20, 0x30)},
      {"<dlg class=\"hover\"/>", 0, kRed},
      {"<dlg class=\"hover\"/>", StateHover, kBlue},
      {"<dlg class=\"hover\"/>", StatePushed, kRed},
      {"<dlg class=\"skinned\"/>", 0, kGreen},  // a skin replaces the colour
      {"<dlg class=\"bordered\"/>", 0, kBlue},  // the border is painted over the skin
      {"<dlg class=\"missingskin\"/>", 0, kCanvas},
      {"<dlg class=\"missingborder\"/>", 0, kGreen},
      {"<dlg/>", 0, kCanvas},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.xml << " state " << c.state);
    ElementPtr<CBkDialog> element = Load(std::string(c.xml).insert(4, " pos=\"10,10,50,50\""));
    PlaceElement(*element, 0, 0, 60, 60);
    ASSERT_TRUE(RectIs(element->GetRect(), 0, 0, 40, 40));
    PlaceElement(*element, 10, 10, 60, 60);  // the size from the offered box, the corner from the record
    element->ChangeState(c.state, 0);
    DibCanvas canvas(60, 60, kCanvas);
    EXPECT_TRUE(element->PaintInRegion(canvas.dc(), nullptr));
    const RECT& rect = element->GetRect();
    EXPECT_TRUE(canvas.AllPixels(rect, c.expected));
    EXPECT_EQ(0, canvas.CountOutside(rect, kCanvas));
  }
}

TEST_F(Painting, SkinIsLookedUpAtEveryPaint) {
  ElementPtr<CBkDialog> element = Load("<dlg class=\"skinned\" width=\"20\" height=\"20\"/>");
  PlaceElement(*element, 0, 0, 20, 20);
  DibCanvas canvas(20, 20, kCanvas);
  element->PaintInRegion(canvas.dc(), nullptr);
  EXPECT_EQ(kGreen, canvas.Pixel(10, 10));
  ASSERT_TRUE(folder_.Write(962, "<skins><gradation name=\"solid\" from=\"FF00FF\" to=\"FF00FF\"/></skins>"));
  ASSERT_TRUE(LoadSkins(962));
  element->PaintInRegion(canvas.dc(), nullptr);
  EXPECT_EQ(RGB(255, 0, 255), canvas.Pixel(10, 10));
  ASSERT_TRUE(folder_.Write(963, "<skins/>"));
  ASSERT_TRUE(LoadSkins(963));
  canvas.Fill(kCanvas);
  element->PaintInRegion(canvas.dc(), nullptr);
  EXPECT_EQ(kCanvas, canvas.Pixel(10, 10));
}

TEST_F(Painting, LooksDifferentByState) {
  const struct {
    const char* xml;
    bool different;
  } cases[] = {
      {"<dlg/>", false},
      {"<dlg crbg=\"FF0000\" crtext=\"00FF00\"/>", false},
      {"<dlg class=\"skinned\"/>", false},  // a skin that draws no states
      {"<dlg class=\"hover\"/>", true},
      {"<dlg class=\"crhover\"/>", true},
      {"<dlg class=\"hoverfont\"/>", true},
      {"<dlg class=\"stateful\"/>", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    EXPECT_EQ(c.different, Load(c.xml)->LooksDifferentByState());
  }
}

// A dialog (0, 0)-(100, 100) on white with a red child at the top left, a blue
// one over its lower right corner, and hidden green ones.
const char kLayered[] =
    "<dlg pos=\"0,0,-0,-0\" crbg=\"FFFFFF\">"
    "<dlg pos=\"0,0,60,60\" crbg=\"FF0000\"/>"
    "<dlg pos=\"40,40,-0,-0\" crbg=\"0000FF\"/>"
    "<dlg pos=\"0,0,-0,-0\" crbg=\"00FF00\" show=\"0\"/>"
    "<dlg pos=\"0,0,-0,-0\" show=\"0\"><dlg pos=\"0,0,-0,-0\" crbg=\"00FF00\"/></dlg>"
    "</dlg>";

int CountColour(const DibCanvas& canvas, COLORREF colour) {
  int count = 0;
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) count += canvas.Pixel(x, y) == colour;
  return count;
}

TEST_F(Painting, LaterSiblingsPaintOverEarlierOnesAndHiddenOnesNot) {
  ElementPtr<CBkDialog> root = Load(kLayered);
  PlaceElement(*root, 0, 0, 100, 100);
  DibCanvas canvas(100, 100, RGB(0, 0, 0));
  EXPECT_TRUE(root->PaintInRegion(canvas.dc(), nullptr));
  EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 60, 40}, kRed));
  EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 40, 60}, kRed));
  EXPECT_TRUE(canvas.AllPixels(RECT{40, 40, 100, 100}, kBlue));
  EXPECT_TRUE(canvas.AllPixels(RECT{0, 60, 40, 100}, RGB(255, 255, 255)));
  EXPECT_TRUE(canvas.AllPixels(RECT{60, 0, 100, 40}, RGB(255, 255, 255)));
  EXPECT_EQ(0, CountColour(canvas, kGreen));
}

TEST_F(Painting, RegionsSkipElementsOutsideThem) {
  ElementPtr<CBkDialog> root = Load(kLayered);
  PlaceElement(*root, 0, 0, 100, 100);
  DibCanvas canvas(100, 100, RGB(0, 0, 0));

  HRGN away = CreateRectRgn(200, 200, 300, 300);
  EXPECT_FALSE(root->PaintInRegion(canvas.dc(), away));
  EXPECT_EQ(100 * 100, CountColour(canvas, RGB(0, 0, 0)));
  DeleteObject(away);

  // meets the dialog and the blue child, not the red one
  HRGN corner = CreateRectRgn(70, 70, 100, 100);
  EXPECT_FALSE(root->ChildAt(0)->PaintInRegion(canvas.dc(), corner));
  EXPECT_EQ(100 * 100, CountColour(canvas, RGB(0, 0, 0)));
  EXPECT_TRUE(root->PaintInRegion(canvas.dc(), corner));
  EXPECT_EQ(0, CountColour(canvas, kRed));
  EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 40, 40}, RGB(255, 255, 255)));
  EXPECT_TRUE(canvas.AllPixels(RECT{40, 40, 100, 100}, kBlue));
  DeleteObject(corner);
}

// Pixels of `canvas` inside `rect` for which `match` holds.
int CountWhere(const DibCanvas& canvas, const RECT& rect, const std::function<bool(COLORREF)>& match) {
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x) count += match(canvas.Pixel(x, y));
  return count;
}

bool Reddish(COLORREF c) { return GetRValue(c) > 160 && GetGValue(c) < 120 && GetBValue(c) < 120; }
bool Greenish(COLORREF c) { return GetGValue(c) > 160 && GetRValue(c) < 120 && GetBValue(c) < 120; }

TEST_F(Painting, TextIsDrawnInItsColourInsideItsRect) {
  for (const char* text : {"Tavora 2012", "余票查询", "出发站 Beijing"}) {
    SCOPED_TRACE(text);
    std::unique_ptr<RecordingElement> element =
        LoadLeaf(std::string("<e class=\"text\" pos=\"10,5,190,35\">") + text + "</e>");
    element->SetHostWindow(host_.hwnd());
    PlaceElement(*element, 10, 5, 200, 40);
    ASSERT_TRUE(RectIs(element->GetRect(), 10, 5, 190, 35));
    DibCanvas canvas(200, 40, RGB(255, 255, 255));
    EXPECT_TRUE(element->PaintInRegion(canvas.dc(), nullptr));
    EXPECT_GT(CountWhere(canvas, element->GetRect(), Reddish), 15);
    EXPECT_EQ(0, canvas.CountOutside(element->GetRect(), RGB(255, 255, 255)));
  }
}

TEST_F(Painting, DisabledAncestorPaintsTextInTheDisabledColour) {
  for (const bool disabled : {false, true}) {
    SCOPED_TRACE(disabled ? "disabled" : "enabled");
    // root > middle > leaf: the root's state reaches its grandchild
    ElementPtr<TestDialog> root = Load<TestDialog>("<dlg pos=\"0,0,-0,-0\"/>");
    TestDialog* middle = root->Adopt(std::make_unique<TestDialog>());
    ASSERT_NE(kAttributeNotHandled, middle->SetAttribute("pos", "0,0,-0,-0", true));
    RecordingElement* leaf = middle->Adopt(LoadLeaf("<e class=\"text\" pos=\"0,0,-0,-0\">Tavora 余票</e>"));
    PlaceElement(*root, 0, 0, 150, 30);
    if (disabled) root->ChangeState(StateDisabled, 0);
    EXPECT_EQ(disabled, leaf->IsDisabled(true));
    EXPECT_FALSE(leaf->IsDisabled(false));
    DibCanvas canvas(150, 30, RGB(255, 255, 255));
    EXPECT_TRUE(root->PaintInRegion(canvas.dc(), nullptr));
    const RECT all = {0, 0, 150, 30};
    EXPECT_EQ(disabled, CountWhere(canvas, all, Greenish) > 15);
    EXPECT_EQ(!disabled, CountWhere(canvas, all, Reddish) > 15);
    EXPECT_EQ(0, CountWhere(canvas, all, disabled ? Reddish : Greenish));
  }
}

struct DcState {
  HGDIOBJ font;
  COLORREF text;
  int bkMode;
  COLORREF bk;
};

DcState ReadDc(HDC dc) {
  return DcState{GetCurrentObject(dc, OBJ_FONT), GetTextColor(dc), GetBkMode(dc), GetBkColor(dc)};
}

TEST_F(Painting, TextPaintPreparesAndRestoresTheDeviceContext) {
  const DcState original = {GetStockObject(ANSI_FIXED_FONT), RGB(1, 2, 3), OPAQUE, RGB(4, 5, 6)};
  const struct {
    const char* xml;
    unsigned state;
    bool disabledParent;
    DcState during;
  } cases[] = {
      {"<e/>", 0, false, original},
      {"<e class=\"full\"/>", 0, false, {BkFontPool::GetFont(4), kRed, TRANSPARENT, kBlue}},
      {"<e class=\"full\"/>", StateHover, false, {BkFontPool::GetFont(1), kGreen, TRANSPARENT, kBlue}},
      {"<e class=\"full\"/>", StateDisabled, false, {BkFontPool::GetFont(4), RGB(128, 128, 128), TRANSPARENT, kBlue}},
      {"<e class=\"full\"/>", StateHover, true, {BkFontPool::GetFont(4), RGB(128, 128, 128), TRANSPARENT, kBlue}},
      {"<e crtext=\"00FF00\"/>", 0, false, {original.font, kGreen, OPAQUE, original.bk}},
      {"<e crbg=\"00FF00\" font=\"0004\"/>", 0, false, {BkFontPool::GetFont(4), original.text, OPAQUE, kGreen}},
      {"<e class=\"crhover\"/>", StateHover, false, {original.font, kBlue, OPAQUE, original.bk}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.xml << " state " << c.state << (c.disabledParent ? " below disabled" : ""));
    ElementPtr<TestDialog> parent = Load<TestDialog>("<dlg/>");
    RecordingElement* element = parent->Adopt(LoadLeaf(c.xml));
    if (c.disabledParent) parent->ChangeState(StateDisabled, 0);
    element->ChangeState(c.state, 0);

    DibCanvas canvas(10, 10);
    HDC dc = canvas.dc();
    SelectObject(dc, original.font);
    SetTextColor(dc, original.text);
    SetBkMode(dc, original.bkMode);
    SetBkColor(dc, original.bk);

    element->BeginTextPaint(dc);
    const DcState during = ReadDc(dc);
    EXPECT_EQ(c.during.font, during.font);
    EXPECT_EQ(c.during.text, during.text);
    EXPECT_EQ(c.during.bkMode, during.bkMode);
    EXPECT_EQ(c.during.bk, during.bk);
    element->EndTextPaint(dc);
    const DcState after = ReadDc(dc);
    EXPECT_EQ(original.font, after.font);
    EXPECT_EQ(original.text, after.text);
    EXPECT_EQ(original.bkMode, after.bkMode);
    EXPECT_EQ(original.bk, after.bk);
  }
}

TEST_F(Painting, ContainerPaintLeavesTheDeviceContextAsItWas) {
  ElementPtr<TestDialog> root =
      Load<TestDialog>("<dlg class=\"full\" pos=\"0,0,-0,-0\"><dlg class=\"full\" pos=\"0,0,-0,-0\"/></dlg>");
  root->Adopt(LoadLeaf("<e class=\"text\" pos=\"0,0,-0,-0\">Tavora</e>"));
  PlaceElement(*root, 0, 0, 80, 20);
  DibCanvas canvas(80, 20);
  HDC dc = canvas.dc();
  SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
  SetTextColor(dc, RGB(1, 2, 3));
  SetBkColor(dc, RGB(4, 5, 6));
  SetBkMode(dc, OPAQUE);
  const DcState before = ReadDc(dc);
  HGDIOBJ brush = GetCurrentObject(dc, OBJ_BRUSH);
  HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
  HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  EXPECT_TRUE(root->PaintInRegion(dc, nullptr));
  const DcState after = ReadDc(dc);
  EXPECT_EQ(before.font, after.font);
  EXPECT_EQ(before.text, after.text);
  EXPECT_EQ(before.bkMode, after.bkMode);
  EXPECT_EQ(before.bk, after.bk);
  EXPECT_EQ(brush, GetCurrentObject(dc, OBJ_BRUSH));
  EXPECT_EQ(pen, GetCurrentObject(dc, OBJ_PEN));
  EXPECT_EQ(bitmap, GetCurrentObject(dc, OBJ_BITMAP));
}

}  // namespace
