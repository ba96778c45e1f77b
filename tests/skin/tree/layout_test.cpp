// Position expressions, placement inside dialogs, natural size from text,
// and layout with numbers from hostile documents.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "skin/resources/font_pool.h"
#include "skin/resources/style.h"
#include "skin/tree/position.h"
#include "tests/skin/tree/tree_test_util.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/scratch_skin_folder.h"

namespace {

struct ItemText {
  bool center;
  bool farEdge;
  int value;
};

TEST(PosExpression, ParsesItemsPrefixesAndCount) {
  const struct {
    const char* text;
    int count;
    ItemText items[4];
  } cases[] = {
      {"", 0, {}},
      {"10,20", 2, {{false, false, 10}, {false, false, 20}}},
      {"0,-0,|0,|-0", 4, {{false, false, 0}, {false, true, 0}, {true, false, 0}, {true, true, 0}}},
      {"|-90,0,|90,-0", 4, {{true, true, 90}, {false, false, 0}, {true, false, 90}, {false, true, 0}}},
      {"-54,6,-6,-6", 4, {{false, true, 54}, {false, false, 6}, {false, true, 6}, {false, true, 6}}},
      {"1", 1, {{false, false, 1}}},
      {"1,2,3", 3, {{false, false, 1}, {false, false, 2}, {false, false, 3}}},
      {"1,2,3,4,5", 4, {{false, false, 1}, {false, false, 2}, {false, false, 3}, {false, false, 4}}},
      {"1,2,3,4,|-x,,", 4, {{false, false, 1}, {false, false, 2}, {false, false, 3}, {false, false, 4}}},
      {"abc,def", 2, {{false, false, 0}, {false, false, 0}}},
      {"12px,7;", 2, {{false, false, 12}, {false, false, 7}}},
      {"|,-", 2, {{true, false, 0}, {false, true, 0}}},
      {"-|5,5", 2, {{false, true, 0}, {false, false, 5}}},  // "|" counts only in front
      {",", 2, {{false, false, 0}, {false, false, 0}}},
      {"99999999999,-99999999999", 2, {{false, false, INT_MAX}, {false, true, INT_MAX}}},
      {"|-2147483648,--2147483648", 2, {{true, true, INT_MAX}, {false, true, INT_MIN}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\"");
    const PosExpression expression = ParsePosExpression(c.text);
    EXPECT_EQ(c.count, expression.count);
    EXPECT_EQ(c.count == 2 || c.count == 4, expression.Usable());
    for (int i = 0; i < c.count && i < 4; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(c.items[i].center, expression.items[i].center);
      EXPECT_EQ(c.items[i].farEdge, expression.items[i].farEdge);
      EXPECT_EQ(c.items[i].value, expression.items[i].value);
    }
  }
}

TEST(PosExpression, ResolvesAgainstALengthWithSaturation) {
  const struct {
    ItemText item;
    int length;
    int expected;
  } cases[] = {
      {{false, false, 0}, 300, 0},
      {{false, true, 0}, 300, 300},  // "-0" is the far edge, "0" the near one
      {{true, false, 0}, 300, 150},
      {{true, false, 0}, 101, 50},
      {{true, false, 0}, -101, -50},  // truncated toward zero
      {{true, true, 90}, 539, 179},
      {{true, false, 90}, 539, 359},
      {{false, true, 54}, 115, 61},
      {{false, false, 7}, 10, 7},
      {{false, false, -7}, 10, -7},
      {{false, true, -5}, 10, 15},
      {{false, false, INT_MAX}, 300, INT_MAX},
      {{false, true, INT_MIN}, 100, INT_MAX},
      {{true, true, INT_MIN}, 100, INT_MAX},
      {{true, false, INT_MAX}, 100, INT_MAX},
      {{false, true, INT_MAX}, -100, INT_MIN},
      {{true, false, INT_MIN}, -3, INT_MIN},
      {{true, false, 0}, INT_MIN, INT_MIN / 2},
      {{false, true, 0}, INT_MIN, INT_MIN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << (c.item.center ? "|" : "") << (c.item.farEdge ? "-" : "") << c.item.value
                                      << " against " << c.length);
    PosItem item;
    item.center = c.item.center;
    item.farEdge = c.item.farEdge;
    item.value = c.item.value;
    EXPECT_EQ(c.expected, ResolvePosItem(item, c.length));
  }
}

TEST(PosExpression, SaturatingArithmetic) {
  const struct {
    int a, b, sum, difference;
  } cases[] = {
      {3, 4, 7, -1},
      {INT_MAX, 1, INT_MAX, INT_MAX - 1},
      {INT_MIN, -1, INT_MIN, INT_MIN + 1},
      {INT_MAX, INT_MIN, -1, INT_MAX},
      {INT_MIN, INT_MAX, -1, INT_MIN},
      {0, INT_MIN, INT_MIN, INT_MAX},
      {-1, INT_MIN, INT_MIN, INT_MAX},
      {-2, INT_MAX, INT_MAX - 2, INT_MIN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.a << ", " << c.b);
    EXPECT_EQ(c.sum, SaturatingAdd(c.a, c.b));
    EXPECT_EQ(c.difference, SaturatingSubtract(c.a, c.b));
  }
}

// The child of a dialog whose content box is (20, 10) to (320, 110), W 300, H 100.
struct PlacementCase {
  const char* child;
  RECT expected;
};

void CheckPlacements(const PlacementCase* cases, size_t count, int x, int y, int width, int height) {
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(cases[i].child);
    ElementPtr<CBkDialog> root = LoadElement(std::string("<dlg pos=\"0,0,-0,-0\">") + cases[i].child + "</dlg>");
    PlaceElement(*root, x, y, width, height);
    ASSERT_EQ(1u, root->ChildCount());
    const RECT& e = cases[i].expected;
    EXPECT_TRUE(RectIs(root->ChildAt(0)->GetRect(), e.left, e.top, e.right, e.bottom));
  }
}

TEST(DialogLayout, PlacesChildrenByTheirPos) {
  const PlacementCase cases[] = {
      {"<dlg pos=\"0,0,-0,-0\"/>", {20, 10, 320, 110}},
      {"<dlg pos=\"|-90,0,|90,-0\"/>", {80, 10, 260, 110}},  // 20 + 150 - 90 .. 20 + 150 + 90
      {"<dlg pos=\"-180,0,-0,-0\"/>", {140, 10, 320, 110}},  // 20 + 300 - 180
      {"<dlg pos=\"0,0,180,-0\"/>", {20, 10, 200, 110}},
      {"<dlg pos=\"0,0,-0,|0\"/>", {20, 10, 320, 60}},  // split at 10 + 100/2
      {"<dlg pos=\"0,|0,-0,-0\"/>", {20, 60, 320, 110}},
      {"<dlg pos=\"-54,6,-6,-6\"/>", {266, 16, 314, 104}},  // 20 + 246, 48 wide, 88 high
      {"<dlg pos=\"10,7,60,-7\"/>", {30, 17, 80, 103}},
      {"<dlg pos=\"0,4,-0,-1\"/>", {20, 14, 320, 109}},
      {"<dlg pos=\"0,-1,-0,-1\"/>", {20, 109, 320, 109}},  // zero high, on the last row
      {"<dlg pos=\"|0,|0,|0,|0\"/>", {170, 60, 170, 60}},
      {"<dlg pos=\"60,0,10,-0\"/>", {80, 10, 30, 110}},  // far before near: negative width, kept
      {"<dlg pos=\"1,2,3,4,5\"/>", {21, 12, 23, 14}},    // a fifth item is ignored
      {"<dlg pos=\"a,b,c,d\"/>", {20, 10, 20, 10}},
      {"<dlg pos=\"30,40,50\" width=\"15\" height=\"5\"/>", {20, 10, 35, 15}},  // three items: ignored
      {"<dlg pos=\"\" width=\"15\" height=\"5\"/>", {20, 10, 35, 15}},
      {"<dlg pos=\"40\" width=\"full\" height=\"full\"/>", {20, 10, 320, 110}},
      {"<dlg width=\"full\" height=\"25\"/>", {20, 10, 320, 35}},
      {"<dlg show=\"0\" pos=\"-180,0,-0,-0\"/>", {140, 10, 320, 110}},  // hidden children are placed too
  };
  CheckPlacements(cases, sizeof(cases) / sizeof(cases[0]), 20, 10, 300, 100);
}

TEST(DialogLayout, OddLengthCentreTruncates) {
  const PlacementCase cases[] = {
      {"<dlg pos=\"|0,|0,-0,-0\"/>", {50, 50, 101, 101}},  // 101 / 2 = 50
      {"<dlg pos=\"|-10,0,|10,-0\"/>", {40, 0, 60, 101}},
  };
  CheckPlacements(cases, sizeof(cases) / sizeof(cases[0]), 0, 0, 101, 101);
}

TEST(DialogLayout, FullWidthWithNegativeOfferStaysZeroWide) {
  ElementPtr<CBkDialog> dialog = LoadElement("<dlg width=\"full\" height=\"full\"/>");
  PlaceElement(*dialog, 10, 20, -50, -30);
  EXPECT_TRUE(RectIs(dialog->GetRect(), 10, 20, 10, 20));
  PlaceElement(*dialog, 10, 20, 50, 30);
  EXPECT_TRUE(RectIs(dialog->GetRect(), 10, 20, 60, 50));
}

class StyledLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.Write(911,
                              "<style>"
                              "<class name=\"margins\" x-margin=\"5\" y-margin=\"3\"/>"
                              "<class name=\"bold\" font=\"0004\"/>"
                              "<class name=\"huge\" x-margin=\"99999999999\" y-margin=\"-99999999999\"/>"
                              "</style>"));
    ASSERT_TRUE(LoadStyles(911));
  }
  ScratchSkinFolder folder_{"tree-layout"};
};

TEST_F(StyledLayout, MarginsShrinkTheContentBox) {
  ElementPtr<CBkDialog> root =
      LayOut("<dlg class=\"margins\" pos=\"0,0,-0,-0\"><dlg pos=\"0,0,-0,-0\"/><dlg pos=\"-10,|0\"/></dlg>", 100, 50);
  EXPECT_TRUE(RectIs(root->GetRect(), 0, 0, 100, 50));
  EXPECT_TRUE(RectIs(root->ContentBox(), 5, 3, 95, 47));
  EXPECT_TRUE(RectIs(root->TextRect(), 5, 3, 95, 47));
  EXPECT_TRUE(RectIs(root->ChildAt(0)->GetRect(), 5, 3, 95, 47));
  // content box 90 x 44: x = 5 + 90 - 10, y = 3 + 44 / 2
  EXPECT_EQ(85, root->ChildAt(1)->GetRect().left);
  EXPECT_EQ(25, root->ChildAt(1)->GetRect().top);
}

// Width and height of `text` drawn single-line with `font`.
SIZE TextExtent(const std::wstring& text, HFONT font) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  RECT rect = {0, 0, 300, 100};
  DrawTextW(dc, text.c_str(), -1, &rect, DT_SINGLELINE | DT_CALCRECT);
  SelectObject(dc, old);
  DeleteDC(dc);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

TEST_F(StyledLayout, TwoItemPosTakesTheTextSizePlusMargins) {
  const struct {
    const char* root;
    const char* leaf;
    unsigned font;
    int xMargin, yMargin;
  } cases[] = {
      {"<dlg pos=\"0,0,-0,-0\"/>", "<e pos=\"-67,0\" class=\"margins\">Tavora 余票</e>", 0, 5, 3},
      {"<dlg pos=\"0,0,-0,-0\"/>", "<e pos=\"-67,0\">Tavora 余票</e>", 0, 0, 0},
      // no font of its own: the nearest ancestor's
      {"<dlg pos=\"0,0,-0,-0\" class=\"bold\"/>", "<e pos=\"-67,0\">Tavora 余票</e>", 4, 0, 0},
      {"<dlg pos=\"0,0,-0,-0\" class=\"bold\"/>", "<e pos=\"-67,0\" font=\"0000\">Tavora 余票</e>", 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.root) + c.leaf);
    ElementPtr<TestDialog> root = LoadElement<TestDialog>(c.root);
    CBkWindow* leaf = root->Adopt(LoadLeaf(c.leaf));
    EXPECT_EQ(BkFontPool::GetFont(c.font), leaf->MeasuringFont());
    PlaceElement(*root, 0, 0, 300, 100);
    const SIZE text = TextExtent(L"Tavora 余票", BkFontPool::GetFont(c.font));
    ASSERT_GT(text.cx, 0);
    // the left edge 67 left of the far edge, the size the text's plus the margins
    EXPECT_TRUE(RectIs(leaf->GetRect(), 233, 0, 233 + text.cx + 2 * c.xMargin, text.cy + 2 * c.yMargin));
  }
}

TEST_F(StyledLayout, MeasuringLeavesTheFontFreeToDelete) {
  ElementPtr<TestDialog> root = LoadElement<TestDialog>("<dlg pos=\"0,0,-0,-0\" class=\"bold\"/>");
  root->Adopt(LoadLeaf("<e pos=\"-67,0\">Tavora</e>"));
  PlaceElement(*root, 0, 0, 300, 100);
  const HFONT bold = BkFontPool::GetFont(4);
  root.reset();
  BkFontPool::Reset();
  EXPECT_EQ(0u, GetObjectType(bold)) << "a font still selected for measuring outlives the pool";
}

TEST_F(StyledLayout, PosSetAtRunTimeMovesADialogChildAtOnce) {
  ElementPtr<CBkDialog> root =
      LayOut("<dlg pos=\"0,0,-0,-0\"><dlg pos=\"0,0,10,10\"><dlg pos=\"2,2,-2,-2\"/></dlg></dlg>", 200, 100);
  CBkWindow* child = root->ChildAt(0);
  ASSERT_TRUE(RectIs(child->GetRect(), 0, 0, 10, 10));
  EXPECT_NE(kAttributeNotHandled, child->SetAttribute("pos", "-50,|-20,-10,|20", false));
  EXPECT_TRUE(RectIs(child->GetRect(), 150, 30, 190, 70));
  // its own subtree follows
  EXPECT_TRUE(RectIs(AsPanel(child)->ChildAt(0)->GetRect(), 152, 32, 188, 68));

  // a root has no dialog to place it: the expression is only stored
  EXPECT_NE(kAttributeNotHandled, root->SetAttribute("pos", "5,5,10,10", false));
  EXPECT_TRUE(RectIs(root->GetRect(), 0, 0, 200, 100));
  EXPECT_EQ(4, root->GetPos().count);
}

TEST_F(StyledLayout, HostileNumbersSaturate) {
  // content box (10, 10) to (110, 110), W = H = 100
  ElementPtr<CBkDialog> root = LoadElement(
      "<dlg pos=\"0,0,-0,-0\">"
      "<dlg pos=\"99999999999,0,-0,-0\"/>"
      "<dlg pos=\"0,0,99999999999,-99999999999\"/>"
      "<dlg pos=\"-99999999999,|-2147483648\"/>"
      "<dlg pos=\"|--2147483648,0,-0,-0\"/>"
      "</dlg>");
  PlaceElement(*root, 10, 10, 100, 100);
  ASSERT_EQ(4u, root->ChildCount());
  // x = 10 + INT_MAX saturates; width 100 - INT_MAX; right = INT_MAX + 100 - INT_MAX
  EXPECT_TRUE(RectIs(root->ChildAt(0)->GetRect(), INT_MAX, 10, 100, 110));
  // width INT_MAX: right = 10 + INT_MAX saturates; height 100 - INT_MAX: bottom 10 + 100 - INT_MAX
  EXPECT_TRUE(RectIs(root->ChildAt(1)->GetRect(), 10, 10, INT_MAX, 110 - INT_MAX));
  // x = 10 + 100 - INT_MAX, y = 10 + 50 - INT_MAX
  EXPECT_EQ(110 - INT_MAX, root->ChildAt(2)->GetRect().left);
  EXPECT_EQ(60 - INT_MAX, root->ChildAt(2)->GetRect().top);
  // first item 50 - INT_MIN saturates at INT_MAX, as does x
  EXPECT_TRUE(RectIs(root->ChildAt(3)->GetRect(), INT_MAX, 10, 100, 110));

  // none of them covers (50, 50): the dialog answers itself
  EXPECT_EQ(root->GetHandle(), root->HitTest(50, 50, 0));
  DibCanvas canvas(120, 120, RGB(1, 2, 3));
  EXPECT_TRUE(root->PaintInRegion(canvas.dc(), nullptr));
  EXPECT_EQ(RGB(1, 2, 3), canvas.Pixel(60, 60));
}

TEST_F(StyledLayout, HugeMarginsSaturateTheContentBox) {
  ElementPtr<CBkDialog> root = LayOut("<dlg class=\"huge\" pos=\"0,0,-0,-0\"><dlg pos=\"0,0,-0,-0\"/></dlg>", 100, 100);
  // left 0 + INT_MAX, top 0 + INT_MIN, right 100 - INT_MAX, bottom 100 - INT_MIN (saturated)
  EXPECT_TRUE(RectIs(root->ContentBox(), INT_MAX, INT_MIN, 100 - INT_MAX, INT_MAX));
  EXPECT_EQ(INT_MAX, root->ChildAt(0)->GetRect().left);
  EXPECT_EQ(INT_MIN, root->ChildAt(0)->GetRect().top);

  std::unique_ptr<RecordingElement> leaf = LoadLeaf("<e class=\"huge\">wide margins</e>");
  EXPECT_EQ(0, leaf->GetRect().left);
  PlaceElement(*leaf, 5, 5, 100, 100);
  EXPECT_EQ(5, leaf->GetRect().left);
  DibCanvas canvas(100, 100);
  EXPECT_TRUE(root->PaintInRegion(canvas.dc(), nullptr));
  EXPECT_TRUE(leaf->PaintInRegion(canvas.dc(), nullptr));
  EXPECT_EQ(root->GetHandle(), root->HitTest(50, 50, 0));
}

}  // namespace
