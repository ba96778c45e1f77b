#include "skin/resources/image_skins.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "skin/resources/image_pool.h"
#include "tests/skin/resources/skin_test_util.h"

namespace {

// ---- "imglst" -------------------------------------------------------------------

TEST(ImageListSkin, WithoutSubwidth_State0DrawsNothingAndMinusOneTheWholeBitmap) {
  auto skin = MakeSkin<CBkImageSkin>("<imglst src='201'/>");
  ASSERT_TRUE(skin);
  ASSERT_NE(skin->Picture().bitmap, nullptr);
  DibCanvas canvas(60, 20, kBackground);
  skin->Draw(canvas.dc(), Area(5, 3, 50, 10), 0);
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 0, 0), kBackground), 0);

  skin->Draw(canvas.dc(), Area(5, 3, 50, 10), -1);
  EXPECT_TRUE(BmpCopied(canvas, 5, 3, 40, 6, kBmpStrip, 0, 0));
  EXPECT_EQ(canvas.CountOutside(Area(5, 3, 40, 6), kBackground), 0);  // never stretched to the rectangle
}

TEST(ImageListSkin, Subwidth10State2DrawsSourceColumns20To29) {
  auto skin = MakeSkin<CBkImageSkin>("<imglst src='201' subwidth='10'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(40, 20, kBackground);
  skin->Draw(canvas.dc(), Area(7, 4, 30, 12), 2);
  EXPECT_TRUE(BmpCopied(canvas, 7, 4, 10, 6, kBmpStrip, 20, 0));
  EXPECT_EQ(canvas.CountOutside(Area(7, 4, 10, 6), kBackground), 0);
}

TEST(ImageListSkin, FrameIndexPicksEachFrameOfAFourFrameStrip) {
  auto skin = MakeSkin<CBkImageSkin>("<imglst src='201' subwidth='10'/>");
  ASSERT_TRUE(skin);
  for (int frame = 0; frame < 4; ++frame) {
    DibCanvas canvas(20, 10, kBackground);
    skin->Draw(canvas.dc(), Area(0, 0, 20, 10), frame);
    EXPECT_TRUE(BmpCopied(canvas, 0, 0, 10, 6, kBmpStrip, frame * 10, 0)) << "frame " << frame;
  }
  DibCanvas past(20, 10, kBackground);
  skin->Draw(past.dc(), Area(0, 0, 20, 10), 4);  // past the strip
  EXPECT_EQ(past.CountOutside(Area(0, 0, 0, 0), kBackground), 0);
}

TEST(ImageListSkin, NaturalSizeAndStatelessFollowTheFrameWidth) {
  auto strip = MakeSkin<CBkImageSkin>("<imglst src='201' subwidth='10'/>");
  auto whole = MakeSkin<CBkImageSkin>("<imglst src='201'/>");
  ASSERT_TRUE(strip && whole);
  EXPECT_EQ(strip->GetNaturalSize().cx, 10);
  EXPECT_EQ(strip->GetNaturalSize().cy, 6);
  EXPECT_FALSE(strip->IsStateless());
  EXPECT_EQ(whole->GetNaturalSize().cx, 40);
  EXPECT_EQ(whole->GetNaturalSize().cy, 6);
  EXPECT_TRUE(whole->IsStateless());
}

TEST(ImageListSkin, MissingBitmapDrawsNothingAndHasNoSize) {
  auto skin = MakeSkin<CBkImageSkin>("<imglst src='299' subwidth='10'/>");
  ASSERT_TRUE(skin);
  EXPECT_EQ(skin->Picture().bitmap, nullptr);
  DibCanvas canvas(20, 10, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 20, 10), -1);
  skin->Draw(canvas.dc(), Area(0, 0, 20, 10), 0);
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 0, 0), kBackground), 0);
  EXPECT_EQ(skin->GetNaturalSize().cy, 0);
}

TEST(ImageListSkin, MaskModeLeavesKeyColouredPixels) {
  auto skin = MakeSkin<CBkImageSkin>("<imglst src='204' mode='mask'/>");
  ASSERT_TRUE(skin);
  EXPECT_EQ(skin->Picture().drawMode, MemoryBitmap::ModeColorKey);
  EXPECT_EQ(skin->Picture().keyColor, RGB(255, 0, 255));
  DibCanvas canvas(10, 6, kBackground);
  skin->Draw(canvas.dc(), Area(1, 1, 6, 4), -1);
  EXPECT_TRUE(AreaMatches(canvas, 1, 1, 6, 4,
                          [](int dx, int dy) { return (dx % 2) ? kBackground : BmpColour(kBmpMasked, dx, dy); }));
}

TEST(ImageListSkin, AttributesAndUnknownWords) {
  CBkImageSkin skin;
  EXPECT_EQ(skin.SetAttribute("mode", "alpha", true), kAttributeHandled);
  EXPECT_EQ(skin.Picture().drawMode, MemoryBitmap::ModeAlpha);
  EXPECT_EQ(skin.SetAttribute("mode", "Mask", true), kAttributeNotHandled);  // case-sensitive: unchanged
  EXPECT_EQ(skin.Picture().drawMode, MemoryBitmap::ModeAlpha);
  EXPECT_NE(skin.SetAttribute("maskcolor", "102030", true), kAttributeNotHandled);
  EXPECT_EQ(skin.Picture().keyColor, RGB(0x10, 0x20, 0x30));
  EXPECT_NE(skin.SetAttribute("subwidth", "12px", true), kAttributeNotHandled);
  EXPECT_EQ(skin.Picture().frameWidth, 12);
  EXPECT_EQ(skin.SetAttribute("height", "5", true), kAttributeNotHandled);
  EXPECT_STREQ(skin.GetTag(), "imglst");
  EXPECT_TRUE(skin.HasTag("imglst"));
  EXPECT_FALSE(skin.HasTag("imgframe"));
}

TEST(ImageListSkin, InvertedRectangleDrawsNothing) {
  auto skin = MakeSkin<CBkImageSkin>("<imglst src='201'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(50, 10, kBackground);
  skin->Draw(canvas.dc(), RECT{10, 2, 5, 8}, -1);
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 0, 0), kBackground), 0);
}

TEST(ImagePartsSkins, EveryBitmapPieceKindTakesThePictureAttributes) {
  const char* const kTags[] = {"imgframe", "imghorzex", "imghorzti", "imgvertex"};
  for (const char* tag : kTags) {
    const std::string t = tag;
    auto strip = MakeSkin<CBkSkinImgPartsBase>("<" + t + " src='201' mode='mask' maskcolor='102030' subwidth='10'/>");
    auto plain = MakeSkin<CBkSkinImgPartsBase>("<" + t + " src='201'/>");
    ASSERT_TRUE(strip && plain) << tag;
    const MemoryBitmap& picture = strip->Image().Picture();
    EXPECT_NE(picture.bitmap, nullptr) << tag;
    EXPECT_EQ(picture.bitmap, BkBmpPool::GetBitmap(kBmpStrip)) << tag;
    EXPECT_EQ(picture.drawMode, MemoryBitmap::ModeColorKey) << tag;
    EXPECT_EQ(picture.keyColor, RGB(0x10, 0x20, 0x30)) << tag;
    EXPECT_EQ(picture.frameWidth, 10) << tag;
    EXPECT_FALSE(strip->IsStateless()) << tag;
    EXPECT_TRUE(plain->IsStateless()) << tag;
    EXPECT_EQ(plain->Image().Picture().drawMode, MemoryBitmap::ModePlain) << tag;
    EXPECT_EQ(strip->SetAttribute("mode", "Mask", true), kAttributeNotHandled) << tag;
    EXPECT_EQ(strip->SetAttribute("angle", "3", true), kAttributeNotHandled) << tag;
    EXPECT_EQ(strip->Image().Picture().drawMode, MemoryBitmap::ModeColorKey) << tag;
  }
}

// ---- "imgframe" -----------------------------------------------------------------

// Bitmap 202 is 9 x 5 like the window body: left 4, top 4 give R = 4, B = 0.
TEST(ImageFrameSkin, BodyFrameHasCornersEdgesAndFilledInteriorButNoBottomBand) {
  auto skin = MakeSkin<CBkSkinImgFrame>("<imgframe src='202' left='4' top='4' crbg='FBFCFD'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(50, 40, kBackground);
  skin->Draw(canvas.dc(), Area(10, 10, 30, 20), 0);
  // Corners 4 x 4, 1:1.
  EXPECT_TRUE(BmpCopied(canvas, 10, 10, 4, 4, kBmpFrame, 0, 0));
  EXPECT_TRUE(BmpCopied(canvas, 36, 10, 4, 4, kBmpFrame, 5, 0));
  // Top edge: column 4 stretched over the 22 inner columns.
  EXPECT_TRUE(AreaMatches(canvas, 14, 10, 22, 4, [](int, int dy) { return BmpColour(kBmpFrame, 4, dy); }));
  // Left and right edges: row 4 stretched down to the bottom (no bottom band).
  EXPECT_TRUE(AreaMatches(canvas, 10, 14, 4, 16, [](int dx, int) { return BmpColour(kBmpFrame, dx, 4); }));
  EXPECT_TRUE(AreaMatches(canvas, 36, 14, 4, 16, [](int dx, int) { return BmpColour(kBmpFrame, 5 + dx, 4); }));
  // Interior filled with FBFCFD.
  EXPECT_TRUE(canvas.AllPixels(Area(14, 14, 22, 16), RGB(0xFB, 0xFC, 0xFD)));
  EXPECT_EQ(canvas.CountOutside(Area(10, 10, 30, 20), kBackground), 0);
  EXPECT_EQ(skin->GetNaturalSize().cx, 0);
  EXPECT_EQ(skin->GetNaturalSize().cy, 0);
  EXPECT_TRUE(skin->IsStateless());
}

TEST(ImageFrameSkin, FullNineGridWithBottomRow) {
  // left 2, top 1 on 9 x 5: R = 6, B = 3.
  auto skin = MakeSkin<CBkSkinImgFrame>("<imgframe src='202' left='2' top='1'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(30, 20, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 20, 12), 0);
  EXPECT_TRUE(BmpCopied(canvas, 0, 0, 2, 1, kBmpFrame, 0, 0));
  EXPECT_TRUE(BmpCopied(canvas, 14, 0, 6, 1, kBmpFrame, 3, 0));
  EXPECT_TRUE(BmpCopied(canvas, 0, 9, 2, 3, kBmpFrame, 0, 2));
  EXPECT_TRUE(BmpCopied(canvas, 14, 9, 6, 3, kBmpFrame, 3, 2));
  EXPECT_TRUE(AreaMatches(canvas, 2, 9, 12, 3, [](int, int dy) { return BmpColour(kBmpFrame, 2, 2 + dy); }));
  // Without crbg the centre is left as it was.
  EXPECT_TRUE(canvas.AllPixels(Area(2, 1, 12, 8), kBackground));
}

TEST(ImageFrameSkin, PartWordsLeaveOutEdges) {
  // "center": top and bottom edges only; the top edge then spans the whole width.
  auto center = MakeSkin<CBkSkinImgFrame>("<imgframe src='202' left='2' top='1' part='center'/>");
  ASSERT_TRUE(center);
  EXPECT_EQ(center->Part(), 0x07u);
  DibCanvas canvas(30, 20, kBackground);
  center->Draw(canvas.dc(), Area(0, 0, 20, 12), 0);
  EXPECT_TRUE(AreaMatches(canvas, 0, 0, 20, 1, [](int, int) { return BmpColour(kBmpFrame, 2, 0); }));
  EXPECT_TRUE(AreaMatches(canvas, 0, 9, 20, 3, [](int, int dy) { return BmpColour(kBmpFrame, 2, 2 + dy); }));
  EXPECT_TRUE(canvas.AllPixels(Area(0, 1, 20, 8), kBackground));

  // "middle": left and right edges only, over the whole height.
  auto middle = MakeSkin<CBkSkinImgFrame>("<imgframe src='202' left='2' top='1' part='middle'/>");
  ASSERT_TRUE(middle);
  DibCanvas side(30, 20, kBackground);
  middle->Draw(side.dc(), Area(0, 0, 20, 12), 0);
  EXPECT_TRUE(AreaMatches(side, 0, 0, 2, 12, [](int dx, int) { return BmpColour(kBmpFrame, dx, 1); }));
  EXPECT_TRUE(AreaMatches(side, 14, 0, 6, 12, [](int dx, int) { return BmpColour(kBmpFrame, 3 + dx, 1); }));
  EXPECT_TRUE(side.AllPixels(Area(2, 0, 12, 12), kBackground));
}

TEST(ImageFrameSkin, PartWordValues) {
  const struct {
    const char* word;
    unsigned part;
  } kWords[] = {{"all", 0x2F},  {"top", 0x2B},    {"middle", 0x2A}, {"bottom", 0x2E},
                {"left", 0x0F}, {"center", 0x07}, {"right", 0x27}};
  for (const auto& entry : kWords) {
    CBkSkinImgFrame skin;
    EXPECT_NE(skin.SetAttribute("part", entry.word, true), kAttributeNotHandled) << entry.word;
    EXPECT_EQ(skin.Part(), entry.part) << entry.word;
  }
  CBkSkinImgFrame skin;
  skin.SetAttribute("part", "top", true);
  EXPECT_EQ(skin.SetAttribute("part", "Top", true), kAttributeNotHandled);
  EXPECT_EQ(skin.SetAttribute("part", "centre", true), kAttributeNotHandled);
  EXPECT_EQ(skin.Part(), 0x2Bu);
}

TEST(ImageFrameSkin, AlphaModeDrawsNothingAndMaskModeKeepsKeyPixels) {
  auto alpha = MakeSkin<CBkSkinImgFrame>("<imgframe src='202' left='4' top='4' mode='alpha'/>");
  ASSERT_TRUE(alpha);
  DibCanvas canvas(30, 20, kBackground);
  alpha->Draw(canvas.dc(), Area(0, 0, 20, 12), 0);
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 0, 0), kBackground), 0);

  // Key colour = the bitmap's top-left pixel: that corner pixel stays background.
  COLORREF key = BmpColour(kBmpFrame, 0, 0);
  char xml[128];
  snprintf(xml, sizeof(xml), "<imgframe src='202' left='4' top='4' mode='mask' maskcolor='%02X%02X%02X'/>",
           GetRValue(key), GetGValue(key), GetBValue(key));
  auto mask = MakeSkin<CBkSkinImgFrame>(xml);
  ASSERT_TRUE(mask);
  DibCanvas masked(30, 20, kBackground);
  mask->Draw(masked.dc(), Area(0, 0, 20, 12), 0);
  EXPECT_EQ(masked.Pixel(0, 0), kBackground);
  EXPECT_EQ(masked.Pixel(1, 0), BmpColour(kBmpFrame, 1, 0));
  EXPECT_EQ(masked.Pixel(0, 1), BmpColour(kBmpFrame, 0, 1));
}

TEST(ImageFrameSkin, RectangleSmallerThanCornersStaysInside) {
  auto skin = MakeSkin<CBkSkinImgFrame>("<imgframe src='202' left='4' top='4' crbg='FBFCFD'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(30, 20, kBackground);
  skin->Draw(canvas.dc(), Area(10, 5, 3, 2), 0);
  EXPECT_EQ(canvas.CountOutside(Area(10, 5, 3, 2), kBackground), 0);
  // The top-right corner (from x 13 - 4 = 9, clipped) is drawn over the top-left one.
  EXPECT_TRUE(BmpCopied(canvas, 10, 5, 3, 2, kBmpFrame, 6, 0));
  // Drawing leaves no clip region behind.
  skin->Draw(canvas.dc(), Area(15, 5, 10, 10), 0);
  EXPECT_EQ(canvas.Pixel(24, 14), BmpColour(kBmpFrame, 8, 4));
}

TEST(ImageFrameSkin, StretchableMiddleOutsideTheBitmapDrawsNothing) {
  for (const char* xml : {"<imgframe src='202' left='9' top='1' crbg='FBFCFD'/>",
                          "<imgframe src='202' left='-1' top='1'/>", "<imgframe src='202' left='1' top='5'/>"}) {
    auto skin = MakeSkin<CBkSkinImgFrame>(xml);
    ASSERT_TRUE(skin);
    DibCanvas canvas(30, 20, kBackground);
    skin->Draw(canvas.dc(), Area(0, 0, 20, 12), 0);
    EXPECT_EQ(canvas.CountOutside(Area(0, 0, 0, 0), kBackground), 0) << xml;
  }
}

TEST(ImageFrameSkin, MissingBitmapDrawsNothingEvenWithBackground) {
  auto skin = MakeSkin<CBkSkinImgFrame>("<imgframe src='299' left='4' top='4' crbg='FBFCFD'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(30, 20, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 20, 12), 0);
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 0, 0), kBackground), 0);
}

// ---- "imghorzex", "imghorzti" -------------------------------------------------------

TEST(HorzExtendSkin, HeaderAt680KeepsEndsAndStretchesColumn6) {
  auto skin = MakeSkin<CBkSkinImgHorzExtend>("<imghorzex src='206' height='29' imgpos='6,1,6'/>");
  ASSERT_TRUE(skin);
  EXPECT_EQ(skin->LeftWidth(), 6);
  EXPECT_EQ(skin->MiddleWidth(), 1);
  EXPECT_EQ(skin->RightWidth(), 6);
  DibCanvas canvas(680, 35, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 680, 29), 0);
  EXPECT_TRUE(BmpCopied(canvas, 0, 0, 6, 29, kBmpHead, 0, 0));
  EXPECT_TRUE(AreaMatches(canvas, 6, 0, 668, 29, [](int, int dy) { return BmpColour(kBmpHead, 6, dy); }));
  EXPECT_TRUE(BmpCopied(canvas, 674, 0, 6, 29, kBmpHead, 7, 0));
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 680, 29), kBackground), 0);
  EXPECT_EQ(skin->GetNaturalSize().cx, 0);
  EXPECT_EQ(skin->GetNaturalSize().cy, 29);
  EXPECT_TRUE(skin->IsStateless());
}

TEST(HorzExtendSkin, NarrowRectangleIsWidenedToTheBitmap) {
  auto skin = MakeSkin<CBkSkinImgHorzExtend>("<imghorzex src='206' height='29' imgpos='6,1,6'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(30, 30, kBackground);
  skin->Draw(canvas.dc(), Area(2, 0, 10, 29), 0);
  EXPECT_TRUE(BmpCopied(canvas, 2, 0, 13, 29, kBmpHead, 0, 0));
  EXPECT_EQ(canvas.CountOutside(Area(2, 0, 13, 29), kBackground), 0);
}

TEST(HorzExtendSkin, StateBecomesAFrameIndex) {
  // Strip 40 x 6 of four 10-wide frames; ends 3, middle 4.
  auto skin = MakeSkin<CBkSkinImgHorzExtend>("<imghorzex src='201' subwidth='10' imgpos='3,4,3'/>");
  ASSERT_TRUE(skin);
  EXPECT_FALSE(skin->IsStateless());
  const struct {
    int state;
    int frame;
  } kCases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {16, 3}, {17, 3}, {4, 0}, {5, 1}};
  // The rectangle is at least the bitmap's whole width (40), else it would be widened.
  for (const auto& entry : kCases) {
    DibCanvas canvas(60, 8, kBackground);
    skin->Draw(canvas.dc(), Area(0, 0, 50, 6), entry.state);
    const int base = entry.frame * 10;
    EXPECT_TRUE(BmpCopied(canvas, 0, 0, 3, 6, kBmpStrip, base, 0)) << "state " << entry.state;
    EXPECT_TRUE(BmpCopied(canvas, 47, 0, 3, 6, kBmpStrip, base + 7, 0)) << "state " << entry.state;
    // Four source columns stretched over 14: every column comes from one of them, in order.
    int previous = base + 3;
    for (int x = 3; x < 47; ++x) {
      int column = -1;
      for (int c = base + 3; c <= base + 6; ++c)
        if (canvas.Pixel(x, 2) == BmpColour(kBmpStrip, c, 2)) column = c;
      EXPECT_GE(column, previous) << "state " << entry.state << " x " << x;
      previous = column;
    }
    EXPECT_EQ(canvas.Pixel(3, 0), BmpColour(kBmpStrip, base + 3, 0));
    EXPECT_EQ(canvas.Pixel(46, 0), BmpColour(kBmpStrip, base + 6, 0));
  }
  // -1 stays -1: the right end's source column counts from the frame width without an offset.
  DibCanvas whole(60, 8, kBackground);
  skin->Draw(whole.dc(), Area(0, 0, 50, 6), -1);
  EXPECT_TRUE(BmpCopied(whole, 0, 0, 3, 6, kBmpStrip, 0, 0));
  EXPECT_TRUE(BmpCopied(whole, 47, 0, 3, 6, kBmpStrip, 7, 0));
  // A narrow rectangle is widened to the whole strip, as for any bitmap.
  DibCanvas narrow(60, 8, kBackground);
  skin->Draw(narrow.dc(), Area(0, 0, 20, 6), 1);
  EXPECT_TRUE(BmpCopied(narrow, 37, 0, 3, 6, kBmpStrip, 17, 0));
}

TEST(HorzExtendSkin, HeightSetsTheMiddleOnly) {
  auto skin = MakeSkin<CBkSkinImgHorzExtend>("<imghorzex src='201' height='-2' imgpos='3,4,3'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(60, 8, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 50, 6), 0);
  EXPECT_TRUE(BmpCopied(canvas, 0, 0, 3, 6, kBmpStrip, 0, 0));  // ends keep the full height
  EXPECT_TRUE(BmpCopied(canvas, 47, 0, 3, 6, kBmpStrip, 37, 0));
  EXPECT_TRUE(canvas.AllPixels(Area(3, 4, 44, 2), kBackground));  // middle is 4 rows high
  EXPECT_FALSE(canvas.AllPixels(Area(3, 0, 44, 4), kBackground));

  auto positive = MakeSkin<CBkSkinImgHorzExtend>("<imghorzex src='201' height='1' imgpos='3,4,3'/>");
  ASSERT_TRUE(positive);
  DibCanvas one(60, 8, kBackground);
  positive->Draw(one.dc(), Area(0, 0, 50, 6), 0);
  EXPECT_TRUE(one.AllPixels(Area(3, 1, 44, 5), kBackground));
}

TEST(HorzExtendSkin, AlphaModeDrawsNothingAndMaskKeepsKeyPixels) {
  auto alpha = MakeSkin<CBkSkinImgHorzExtend>("<imghorzex src='206' imgpos='6,1,6' mode='alpha'/>");
  ASSERT_TRUE(alpha);
  DibCanvas canvas(40, 30, kBackground);
  alpha->Draw(canvas.dc(), Area(0, 0, 40, 29), 0);
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 0, 0), kBackground), 0);

  // Bitmap 204: magenta in every odd column; ends of 2, middle column 2.
  auto mask = MakeSkin<CBkSkinImgHorzExtend>("<imghorzex src='204' imgpos='2,1,2' mode='mask'/>");
  ASSERT_TRUE(mask);
  DibCanvas masked(20, 6, kBackground);
  mask->Draw(masked.dc(), Area(0, 0, 12, 4), 0);
  EXPECT_EQ(masked.Pixel(0, 0), BmpColour(kBmpMasked, 0, 0));
  EXPECT_EQ(masked.Pixel(1, 0), kBackground);
  EXPECT_EQ(masked.Pixel(5, 2), BmpColour(kBmpMasked, 2, 2));  // column 2 stretched
  EXPECT_EQ(masked.Pixel(10, 0), BmpColour(kBmpMasked, 4, 0));
  EXPECT_EQ(masked.Pixel(11, 0), kBackground);
}

TEST(HorzTiledSkin, TilesOf3And3And2BetweenTheEnds) {
  auto skin = MakeSkin<CBkSkinImgHorzTiled>("<imghorzti src='203' imgpos='2,3,2'/>");
  ASSERT_TRUE(skin);
  EXPECT_STREQ(skin->GetTag(), "imghorzti");
  DibCanvas canvas(20, 6, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 12, 4), 0);
  EXPECT_TRUE(BmpCopied(canvas, 0, 0, 2, 4, kBmpSeven, 0, 0));
  EXPECT_TRUE(BmpCopied(canvas, 2, 0, 3, 4, kBmpSeven, 2, 0));
  EXPECT_TRUE(BmpCopied(canvas, 5, 0, 3, 4, kBmpSeven, 2, 0));
  EXPECT_TRUE(BmpCopied(canvas, 8, 0, 2, 4, kBmpSeven, 2, 0));
  EXPECT_TRUE(BmpCopied(canvas, 10, 0, 2, 4, kBmpSeven, 5, 0));
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 12, 4), kBackground), 0);
}

TEST(HorzTiledSkin, MiddleWidth0DrawsOnlyTheEnds) {
  auto skin = MakeSkin<CBkSkinImgHorzTiled>("<imghorzti src='203' imgpos='2,0,2'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(20, 6, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 12, 4), 0);
  EXPECT_TRUE(BmpCopied(canvas, 0, 0, 2, 4, kBmpSeven, 0, 0));
  EXPECT_TRUE(BmpCopied(canvas, 10, 0, 2, 4, kBmpSeven, 5, 0));
  EXPECT_TRUE(canvas.AllPixels(Area(2, 0, 8, 4), kBackground));
}

TEST(HorzTiledSkin, HugeSpanOfOnePixelTilesOnlyCostsTheVisibleTiles) {
  auto skin = MakeSkin<CBkSkinImgHorzTiled>("<imghorzti src='203' imgpos='2,1,2'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(40, 6, kBackground);
  // Two billion one-pixel tiles: drawing each would run far past the test's
  // time-out, so finishing at all shows that only the visible ones are drawn.
  skin->Draw(canvas.dc(), RECT{-1000000000, 0, 1000000000, 4}, 0);
  EXPECT_TRUE(AreaMatches(canvas, 0, 0, 40, 4, [](int, int dy) { return BmpColour(kBmpSeven, 2, dy); }));

  // Tiles that start left of a clipped canvas area still line up with the span.
  auto wide = MakeSkin<CBkSkinImgHorzTiled>("<imghorzti src='203' imgpos='2,3,2'/>");
  DibCanvas part(40, 6, kBackground);
  wide->Draw(part.dc(), Area(-7, 0, 60, 4), 0);
  // span starts at x -5; x 0 is offset 5 into it: tile column 5 % 3 = 2.
  EXPECT_EQ(part.Pixel(0, 0), BmpColour(kBmpSeven, 4, 0));
  EXPECT_EQ(part.Pixel(1, 0), BmpColour(kBmpSeven, 2, 0));
}

TEST(HorzExtendSkin, MissingBitmapOrInvertedRectangleDrawsNothing) {
  auto skin = MakeSkin<CBkSkinImgHorzExtend>("<imghorzex src='299' imgpos='6,1,6'/>");
  ASSERT_TRUE(skin);
  EXPECT_EQ(skin->GetNaturalSize().cy, 0);
  DibCanvas canvas(40, 30, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 40, 29), 0);
  auto real = MakeSkin<CBkSkinImgHorzExtend>("<imghorzex src='206' imgpos='6,1,6'/>");
  real->Draw(canvas.dc(), RECT{20, 0, 10, 29}, 0);
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 0, 0), kBackground), 0);
}

TEST(HorzExtendSkin, EndsWiderThanTheBitmapAndNegativeWidthsStaySane) {
  for (const char* xml : {"<imghorzex src='203' imgpos='6,3,6'/>", "<imghorzex src='203' imgpos='-2,-3,-2'/>",
                          "<imghorzti src='203' imgpos='2,-3,2'/>"}) {
    auto skin = MakeSkin<CBkSkinImgHorzBase>(xml);
    ASSERT_TRUE(skin) << xml;
    DibCanvas canvas(30, 10, kBackground);
    skin->Draw(canvas.dc(), Area(5, 2, 10, 4), 0);
    EXPECT_EQ(canvas.CountOutside(Area(5, 2, 10, 4), kBackground), 0) << xml;
  }
}

// ---- imgpos ------------------------------------------------------------------------

TEST(ImgPos, ReadsUpToThreeTrimmedNumbersAndStopsAtAnEmptyPiece) {
  CBkSkinImgHorzExtend skin;
  skin.SetAttribute("imgpos", "6,1,6", true);
  EXPECT_EQ(skin.LeftWidth(), 6);
  EXPECT_EQ(skin.MiddleWidth(), 1);
  EXPECT_EQ(skin.RightWidth(), 6);
  skin.SetAttribute("imgpos", "9", true);
  EXPECT_EQ(skin.LeftWidth(), 9);
  EXPECT_EQ(skin.MiddleWidth(), 1);
  skin.SetAttribute("imgpos", " 7 , 8 ,\t5 ", true);
  EXPECT_EQ(skin.LeftWidth(), 7);
  EXPECT_EQ(skin.MiddleWidth(), 8);
  EXPECT_EQ(skin.RightWidth(), 5);
  skin.SetAttribute("imgpos", "4,,3", true);
  EXPECT_EQ(skin.LeftWidth(), 4);
  EXPECT_EQ(skin.MiddleWidth(), 8);
  EXPECT_EQ(skin.RightWidth(), 5);
  skin.SetAttribute("imgpos", "x,2,1,99", true);
  EXPECT_EQ(skin.LeftWidth(), 0);
  EXPECT_EQ(skin.MiddleWidth(), 2);
  EXPECT_EQ(skin.RightWidth(), 1);
  skin.SetAttribute("imgpos", "", true);
  EXPECT_EQ(skin.LeftWidth(), 0);
}

// ---- "imgvertex" --------------------------------------------------------------------

TEST(VertExtendSkin, KeepsTopAndBottomAndStretchesTheMiddle) {
  auto skin = MakeSkin<CBkSkinImgVertExtend>("<imgvertex src='205' imgpos='3,2,3'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(12, 40, kBackground);
  skin->Draw(canvas.dc(), Area(1, 2, 20, 30), 0);
  EXPECT_TRUE(BmpCopied(canvas, 1, 2, 8, 3, kBmpVertical, 0, 0));
  EXPECT_TRUE(BmpCopied(canvas, 1, 29, 8, 3, kBmpVertical, 0, 9));
  for (int y = 5; y < 29; ++y) {
    COLORREF first = canvas.Pixel(1, y);
    EXPECT_TRUE(first == BmpColour(kBmpVertical, 0, 3) || first == BmpColour(kBmpVertical, 0, 4)) << y;
  }
  EXPECT_EQ(canvas.Pixel(1, 5), BmpColour(kBmpVertical, 0, 3));
  EXPECT_EQ(canvas.Pixel(1, 28), BmpColour(kBmpVertical, 0, 4));
  EXPECT_EQ(canvas.CountOutside(Area(1, 2, 8, 30), kBackground), 0);
  EXPECT_EQ(skin->GetNaturalSize().cy, 12);
}

TEST(VertExtendSkin, ShortRectangleGrowsToTheBitmapAndStripsUseTheFrame) {
  auto skin = MakeSkin<CBkSkinImgVertExtend>("<imgvertex src='205' subwidth='4' imgpos='3,6,3'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(12, 20, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 4, 5), 1);  // hover: frame 1, columns 4-7
  EXPECT_TRUE(BmpCopied(canvas, 0, 0, 4, 12, kBmpVertical, 4, 0));
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 4, 12), kBackground), 0);

  auto narrow = MakeSkin<CBkSkinImgVertExtend>("<imgvertex src='205' width='-6' imgpos='3,6,3'/>");
  DibCanvas two(12, 20, kBackground);
  narrow->Draw(two.dc(), Area(0, 0, 10, 12), 0);
  EXPECT_TRUE(BmpCopied(two, 0, 0, 2, 12, kBmpVertical, 0, 0));
  EXPECT_EQ(two.CountOutside(Area(0, 0, 2, 12), kBackground), 0);
}

// ---- hostile sizes, every kind drawn from pictures ---------------------------------

// Piece widths, frame widths, margins and corners far past their pictures
// (imgpos="0,2147483647,0" once corrupted the heap under Wine): every kind
// draws only next to its rectangle, at most a picture's size past it, and the
// process lives on.
TEST(HostileSkinSizes, EveryPictureKindStaysNearItsRectangle) {
  const char* const skins[] = {
      "<imglst src='201' subwidth='2147483647'/>",
      "<imglst src='201' subwidth='-2147483647' mode='mask'/>",
      "<imgframe src='202' left='2147483647' top='-2147483648'/>",
      "<imgframe src='202' left='-2147483648' top='3' part='left'/>",
      "<imghorzex src='203' imgpos='0,2147483647,0'/>",
      "<imghorzex src='203' imgpos='2147483647,2147483647,2147483647' mode='mask'/>",
      "<imghorzex src='203' imgpos='-5,-2147483648,2147483647' height='-2147483648'/>",
      "<imghorzex src='201' subwidth='2147483647' imgpos='2,3,2' height='2147483647'/>",
      "<imghorzti src='203' imgpos='0,2147483647,0'/>",
      "<imghorzti src='203' imgpos='1,1,2147483647' height='2147483647' mode='mask'/>",
      "<imgvertex src='205' imgpos='0,2147483647,0'/>",
      "<imgvertex src='205' imgpos='2147483647,1,2147483647' width='2147483647'/>",
      "<imgvertex src='205' subwidth='-4' imgpos='3,-2147483648,3' width='-2147483648'/>",
      "<png src='211' subwidth='2147483647' autosize='0'/>",
      "<png src='211' subwidth='-2147483647'/>",
      "<pngex src='212' imgpos='0,2147483647,0'/>",
      "<pngex src='212' imgpos='2147483647,2147483647,2147483647' subwidth='2147483647'/>",
      "<pngtr src='218' imgpos='3,3,3' margin='2147483647,2147483647,2147483647,2147483647'/>",
      "<pngtr src='218' imgpos='-2147483648,5,-2147483648' margin='-2147483648,-2147483648,5,5'/>",
      "<checkbox src='214' subsize='2147483647'/>",
      "<checkbox src='214' subsize-x='-2147483648' subsize-y='2147483647'/>",
      "<border src='216' angle='2147483647' offset='2147483647'/>",
      "<border src='216' angle='-2147483648' offset='-2147483648'/>",
  };
  const RECT small = Area(60, 40, 50, 30);
  // The largest test picture is 117 x 29: nothing lands farther out.
  const RECT reach = Area(small.left, small.top, 117, 30);
  for (const char* xml : skins) {
    auto skin = MakeSkin(xml);
    ASSERT_TRUE(skin) << xml;
    for (const int state : {-1, 0, 3, 2147483647}) {
      DibCanvas canvas(300, 160, kBackground);
      skin->Draw(canvas.dc(), small, state);
      EXPECT_EQ(canvas.CountOutside(reach, kBackground), 0) << xml << " state " << state;
      skin->Draw(canvas.dc(), RECT{-1000000000, -1000000000, 1000000000, 1000000000}, state);
    }
  }
}

}  // namespace
