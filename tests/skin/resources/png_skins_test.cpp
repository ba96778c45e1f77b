#include "skin/resources/png_skins.h"

#include <objidl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include "skin/resources/image_pool.h"
#include "tests/skin/resources/skin_test_util.h"
#include "tests/support/test_support.h"

namespace {

// Which source column of the test PNG `id` (row y) the pixel has, or -1.
int SourceColumn(const DibCanvas& canvas, int x, int y, int id, int sourceRow, int width) {
  for (int column = 0; column < width; ++column)
    if (canvas.Pixel(x, y) == PngColour(id, column, sourceRow)) return column;
  return -1;
}

// ---- "png" ----------------------------------------------------------------------

TEST(PngSkin, CloseButtonStrip_State1CopiesColumns39To77AtNaturalSize) {
  auto skin = MakeSkin<CBkPngSkin>("<png src='211' subwidth='39' height='19'/>");
  ASSERT_TRUE(skin);
  ASSERT_NE(skin->ImageObject(), nullptr);
  DibCanvas canvas(80, 30, kBackground);
  skin->Draw(canvas.dc(), Area(5, 4, 60, 25), 1);
  EXPECT_TRUE(PngCopied(canvas, 5, 4, 39, 19, kPngStrip, 39, 0));
  EXPECT_EQ(canvas.CountOutside(Area(5, 4, 39, 19), kBackground), 0);
  EXPECT_EQ(skin->GetNaturalSize().cx, 39);
  EXPECT_EQ(skin->GetNaturalSize().cy, 19);
  EXPECT_FALSE(skin->IsStateless());
}

TEST(PngSkin, EveryStateOfTheStrip) {
  auto skin = MakeSkin<CBkPngSkin>("<png src='211' subwidth='39'/>");
  ASSERT_TRUE(skin);
  for (int state = 0; state < 3; ++state) {
    DibCanvas canvas(40, 20, kBackground);
    skin->Draw(canvas.dc(), Area(0, 0, 40, 20), state);
    EXPECT_TRUE(PngCopied(canvas, 0, 0, 39, 19, kPngStrip, 39 * state, 0)) << state;
  }
  // Past either end of the strip there is nothing to copy.
  for (int state : {3, -1, 1000000000}) {
    DibCanvas canvas(40, 20, kBackground);
    skin->Draw(canvas.dc(), Area(0, 0, 40, 20), state);
    EXPECT_EQ(canvas.CountOutside(Area(0, 0, 0, 0), kBackground), 0) << state;
  }
}

TEST(PngSkin, WithoutSubwidthAutosizeDrawsWholeImageOrStretchesIt) {
  auto natural = MakeSkin<CBkPngSkin>("<png src='212'/>");
  ASSERT_TRUE(natural);
  EXPECT_TRUE(natural->IsStateless());
  DibCanvas canvas(70, 70, kBackground);
  natural->Draw(canvas.dc(), Area(3, 3, 60, 60), 7);
  EXPECT_TRUE(PngCopied(canvas, 3, 3, 30, 28, kPngEdit, 0, 0));
  EXPECT_EQ(canvas.CountOutside(Area(3, 3, 30, 28), kBackground), 0);

  auto stretched = MakeSkin<CBkPngSkin>("<png src='212' autosize='0'/>");
  ASSERT_TRUE(stretched);
  DibCanvas big(70, 70, kBackground);
  stretched->Draw(big.dc(), Area(0, 0, 60, 56), 0);
  EXPECT_TRUE(AreaMatches(big, 0, 0, 60, 56, [](int dx, int dy) { return PngColour(kPngEdit, dx / 2, dy / 2); }));
  EXPECT_EQ(big.CountOutside(Area(0, 0, 60, 56), kBackground), 0);
}

TEST(PngSkin, Autosize0WithSubwidthCopiesARectSizedAreaUnscaled) {
  auto skin = MakeSkin<CBkPngSkin>("<png src='211' subwidth='39' autosize='0'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(80, 30, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 50, 10), 1);
  EXPECT_TRUE(PngCopied(canvas, 0, 0, 50, 10, kPngStrip, 39, 0));
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 50, 10), kBackground), 0);
  // Past the image's last column nothing is drawn.
  DibCanvas end(80, 30, kBackground);
  skin->Draw(end.dc(), Area(0, 0, 60, 10), 2);
  EXPECT_TRUE(PngCopied(end, 0, 0, 39, 10, kPngStrip, 78, 0));
  EXPECT_EQ(end.CountOutside(Area(0, 0, 39, 10), kBackground), 0);
}

TEST(PngSkin, AlphaZeroKeepsTheDestinationAnd255ReplacesIt) {
  auto skin = MakeSkin<CBkPngSkin>("<png src='213'/>");
  ASSERT_TRUE(skin);
  const COLORREF under = RGB(10, 100, 200);
  DibCanvas canvas(8, 4, under);
  skin->Draw(canvas.dc(), Area(1, 1, 4, 2), 0);
  EXPECT_EQ(canvas.Pixel(1, 1), under);                         // alpha 0
  EXPECT_EQ(canvas.Pixel(2, 1), RGB(0xC0, 0x40, 0x20));         // alpha 255
  EXPECT_TRUE(Near(canvas.Pixel(3, 1), Composite(PngPixel(kPngAlpha, 2, 0), under), 2));  // alpha 128
  EXPECT_EQ(canvas.Pixel(4, 2), RGB(0xC0, 0x40, 0x20));
}

TEST(PngSkin, MissingOrUndecodableImageDrawsNothing) {
  auto missing = MakeSkin<CBkPngSkin>("<png src='299' subwidth='10'/>");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->ImageObject(), nullptr);
  EXPECT_EQ(missing->GetNaturalSize().cx, 0);
  EXPECT_EQ(missing->GetNaturalSize().cy, 0);
  auto broken = MakeSkin<CBkPngSkin>("<png src='217'/>");
  ASSERT_TRUE(broken);
  EXPECT_NE(broken->ImageObject(), nullptr);
  EXPECT_EQ(broken->GetNaturalSize().cx, 0);
  auto none = MakeSkin<CBkPngSkin>("<png subwidth='10'/>");
  ASSERT_TRUE(none);
  EXPECT_EQ(none->ImageObject(), nullptr);
  DibCanvas canvas(30, 30, kBackground);
  for (CBkSkinBase* skin : {static_cast<CBkSkinBase*>(missing.get()), static_cast<CBkSkinBase*>(broken.get()),
                            static_cast<CBkSkinBase*>(none.get())}) {
    skin->Draw(canvas.dc(), Area(0, 0, 30, 30), 0);
    skin->Draw(canvas.dc(), Area(0, 0, 30, 30), -1);
  }
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 0, 0), kBackground), 0);
}

TEST(PngSkin, AttributesAndUnknownOnes) {
  CBkPngSkin skin;
  EXPECT_EQ(skin.AutoSize(), 1);
  EXPECT_NE(skin.SetAttribute("src", "7", true), kAttributeNotHandled);
  EXPECT_NE(skin.SetAttribute("subwidth", "39", true), kAttributeNotHandled);
  EXPECT_NE(skin.SetAttribute("autosize", "0", true), kAttributeNotHandled);
  EXPECT_EQ(skin.SetAttribute("height", "19", true), kAttributeNotHandled);
  EXPECT_EQ(skin.SetAttribute("imgpos", "1,2,3", true), kAttributeNotHandled);
  EXPECT_EQ(skin.Src(), 7);
  EXPECT_EQ(skin.SubWidth(), 39);
  EXPECT_EQ(skin.AutoSize(), 0);
  EXPECT_EQ(skin.ImageObject(), nullptr);  // fetched by Load, not by the attribute
}

// ---- "pngex" ----------------------------------------------------------------------

TEST(PngSkinEx, EditFrameAt200x32KeepsEndsAndStretchesTheMiddle) {
  auto skin = MakeSkin<CBkPngSkinEx>("<pngex src='212' imgpos='10,10,10'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(210, 40, kBackground);
  skin->Draw(canvas.dc(), Area(2, 3, 200, 32), 0);
  // Rows are stretched 28 -> 32: each destination row comes from one of the
  // source rows nearest to it, the same row across the whole width.
  for (int y = 3; y < 35; ++y) {
    const SourceSpan rows = NearestSources(y - 3, 32, 28);
    int row = -1;
    for (int candidate = rows.first; candidate <= rows.last && row < 0; ++candidate)
      if (SourceColumn(canvas, 2, y, kPngEdit, candidate, 30) == 0) row = candidate;
    ASSERT_GE(row, 0) << y;
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(SourceColumn(canvas, 2 + x, y, kPngEdit, row, 30), x) << x << "," << y;
      EXPECT_EQ(SourceColumn(canvas, 192 + x, y, kPngEdit, row, 30), 20 + x) << x << "," << y;
    }
    // Columns 10-19 stretched 18 times each, every one from a nearest source
    // column.
    for (int x = 10; x < 190; ++x) {
      const SourceSpan columns = NearestSources(x - 10, 180, 10);
      const int column = SourceColumn(canvas, 2 + x, y, kPngEdit, row, 30);
      ASSERT_TRUE(column >= 10 + columns.first && column <= 10 + columns.last) << x << "," << y << ": " << column;
    }
  }
  EXPECT_EQ(canvas.CountOutside(Area(2, 3, 200, 32), kBackground), 0);
  EXPECT_EQ(skin->GetNaturalSize().cx, 30);
  EXPECT_EQ(skin->GetNaturalSize().cy, 28);
  EXPECT_TRUE(skin->IsStateless());
}

TEST(PngSkinEx, EditFrameAt15WideOverlapsItsSlices) {
  auto skin = MakeSkin<CBkPngSkinEx>("<pngex src='212' imgpos='10,10,10'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(40, 30, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 15, 28), 0);
  // Left slice at x 0-9, middle min(15, 10) = 10 wide from x 10, right slice
  // 10 wide from x 5, drawn last.
  EXPECT_TRUE(PngCopied(canvas, 0, 0, 5, 28, kPngEdit, 0, 0));
  EXPECT_TRUE(PngCopied(canvas, 5, 0, 10, 28, kPngEdit, 20, 0));
  EXPECT_TRUE(PngCopied(canvas, 15, 0, 5, 28, kPngEdit, 15, 0));
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 20, 28), kBackground), 0);
}

TEST(PngSkinEx, StripFrameIndexShiftsEverySlice) {
  // Five 12-column frames; ends 1, middle 10.
  auto skin = MakeSkin<CBkPngSkinEx>("<pngex src='215' subwidth='12' imgpos='1,10,1'/>");
  ASSERT_TRUE(skin);
  EXPECT_FALSE(skin->IsStateless());
  EXPECT_EQ(skin->GetNaturalSize().cx, 12);
  for (int state = 0; state < 5; ++state) {
    DibCanvas canvas(20, 10, kBackground);
    skin->Draw(canvas.dc(), Area(0, 0, 12, 6), state);
    EXPECT_TRUE(PngCopied(canvas, 0, 0, 12, 6, kPngFrames, 12 * state, 0)) << state;
  }
}

TEST(PngSkinEx, DrawSlicesAtOriginIsDrawSlicesWithoutOffset) {
  auto skin = MakeSkin<CBkPngSkinEx>("<pngex src='215' imgpos='1,10,1'/>");
  ASSERT_TRUE(skin);
  Gdiplus::Image* image = skin->ImageObject();
  ASSERT_NE(image, nullptr);
  DibCanvas first(30, 10, kBackground), second(30, 10, kBackground);
  {
    PngPainter painter(first.dc());
    skin->DrawSlicesAtOrigin(painter, image, Gdiplus::Rect(0, 0, 12, 6), Gdiplus::Size(12, 6));
  }
  {
    PngPainter painter(second.dc());
    skin->DrawSlices(painter, image, Gdiplus::Rect(0, 0, 12, 6), Gdiplus::Size(12, 6), 24);
  }
  EXPECT_TRUE(PngCopied(first, 0, 0, 12, 6, kPngFrames, 0, 0));
  EXPECT_TRUE(PngCopied(second, 0, 0, 12, 6, kPngFrames, 24, 0));
}

// ---- "pngtr" ----------------------------------------------------------------------

TEST(PngTruncateSkin, MarginsTrimTheSourceSlices) {
  // 20 x 10 image, ends 5, middle 10; margins left 1, top 2, right 2, bottom 2.
  auto skin = MakeSkin<CBkSkinPngTruncate>("<pngtr src='218' imgpos='5,10,5' margin='1,2,2,2'/>");
  ASSERT_TRUE(skin);
  EXPECT_EQ(skin->MarginLeft(), 1);
  EXPECT_EQ(skin->MarginTop(), 2);
  EXPECT_EQ(skin->MarginRight(), 2);
  EXPECT_EQ(skin->MarginBottom(), 2);
  DibCanvas canvas(40, 12, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 30, 8), 0);
  // Left: source (1, 2, 5 x 8) 1:1.
  EXPECT_TRUE(PngCopied(canvas, 0, 0, 5, 8, kPngTall, 1, 2));
  // Middle: source (5, 2, 10 x 8) onto 20 columns: each source column twice.
  EXPECT_TRUE(AreaMatches(canvas, 5, 0, 20, 8, [](int dx, int dy) { return PngColour(kPngTall, 5 + dx / 2, 2 + dy); }));
  // Right: source (15, 2, 3 x 8) stretched onto 5 columns.
  for (int y = 0; y < 8; ++y) {
    int previous = 15;
    for (int x = 25; x < 30; ++x) {
      int column = SourceColumn(canvas, x, y, kPngTall, 2 + y, 20);
      EXPECT_GE(column, previous) << x;
      EXPECT_LE(column, 17) << x;
      previous = column;
    }
    EXPECT_EQ(SourceColumn(canvas, 25, y, kPngTall, 2 + y, 20), 15);
    EXPECT_EQ(SourceColumn(canvas, 29, y, kPngTall, 2 + y, 20), 17);
  }
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 30, 8), kBackground), 0);
}

TEST(PngTruncateSkin, NarrowRectangleSkipsTheMiddleSlice) {
  auto skin = MakeSkin<CBkSkinPngTruncate>("<pngtr src='218' imgpos='5,10,5'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(30, 12, kBackground);
  skin->Draw(canvas.dc(), Area(10, 0, 8, 10), 0);
  // Left 5 at x 10, right 5 at x 13 (over it); no middle, nothing mirrored.
  EXPECT_TRUE(PngCopied(canvas, 10, 0, 3, 10, kPngTall, 0, 0));
  EXPECT_TRUE(PngCopied(canvas, 13, 0, 5, 10, kPngTall, 15, 0));
  EXPECT_EQ(canvas.CountOutside(Area(10, 0, 8, 10), kBackground), 0);
}

TEST(PngTruncateSkin, SingleMarginAttributesAndPartialMarginList) {
  CBkSkinPngTruncate skin;
  skin.SetAttribute("margin-left", "3", true);
  skin.SetAttribute("margin-bottom", "4", true);
  EXPECT_EQ(skin.MarginLeft(), 3);
  EXPECT_EQ(skin.MarginBottom(), 4);
  skin.SetAttribute("margin", "7,8", true);
  EXPECT_EQ(skin.MarginLeft(), 7);
  EXPECT_EQ(skin.MarginTop(), 8);
  EXPECT_EQ(skin.MarginRight(), 0);
  EXPECT_EQ(skin.MarginBottom(), 4);
  EXPECT_NE(skin.SetAttribute("imgpos", "1,2,3", true), kAttributeNotHandled);  // through "pngex"
  EXPECT_NE(skin.SetAttribute("subwidth", "5", true), kAttributeNotHandled);    // through "png"
  EXPECT_EQ(skin.LeftWidth(), 1);
  EXPECT_EQ(skin.SubWidth(), 5);
  EXPECT_STREQ(skin.GetTag(), "pngtr");
}

// ---- "checkbox" -------------------------------------------------------------------

TEST(CheckSkin, StatesPickHalfAndImage) {
  auto skin = MakeSkin<CBkSkinCheck>("<checkbox src='214' subsize='16'/>");
  ASSERT_TRUE(skin);
  const struct {
    int state;
    int sourceX;
  } kCases[] = {{0, 0},  {1, 16}, {2, 32}, {3, 32}, {4, 48}, {5, 64},
                {6, 80}, {7, 80}, {16, 48}, {16 | 1, 48}};
  for (const auto& entry : kCases) {
    DibCanvas canvas(20, 20, kBackground);
    skin->Draw(canvas.dc(), Area(0, 0, 20, 16), entry.state);
    EXPECT_TRUE(PngCopied(canvas, 0, 0, 16, 16, kPngCheck, entry.sourceX, 0)) << "state " << entry.state;
    EXPECT_EQ(canvas.CountOutside(Area(0, 0, 16, 16), kBackground), 0) << "state " << entry.state;
  }
  EXPECT_EQ(skin->GetNaturalSize().cx, 0);
  EXPECT_EQ(skin->GetNaturalSize().cy, 0);
  EXPECT_TRUE(skin->IsStateless());
}

TEST(CheckSkin, CentredVerticallyInTallerRectangles) {
  auto skin = MakeSkin<CBkSkinCheck>("<checkbox src='214' subsize='16'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(30, 40, kBackground);
  skin->Draw(canvas.dc(), Area(3, 5, 20, 20), 0);
  EXPECT_TRUE(PngCopied(canvas, 3, 7, 16, 16, kPngCheck, 0, 0));  // 2 pixels down
  EXPECT_EQ(canvas.CountOutside(Area(3, 7, 16, 16), kBackground), 0);

  DibCanvas low(30, 40, kBackground);
  skin->Draw(low.dc(), Area(3, 5, 20, 10), 4);  // lower than the image: top-aligned
  EXPECT_TRUE(PngCopied(low, 3, 5, 16, 16, kPngCheck, 48, 0));
}

TEST(CheckSkin, SubsizeXAndYWhenSubsizeIsZero) {
  auto skin = MakeSkin<CBkSkinCheck>("<checkbox src='214' subsize-x='8' subsize-y='10'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(30, 40, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 20, 16), 1);
  EXPECT_TRUE(PngCopied(canvas, 0, 3, 8, 10, kPngCheck, 8, 0));  // (16 - 10) / 2 = 3 down
  EXPECT_EQ(canvas.CountOutside(Area(0, 3, 8, 10), kBackground), 0);
}

TEST(CheckSkin, WithoutImageDrawsNothing) {
  auto skin = MakeSkin<CBkSkinCheck>("<checkbox src='299' subsize='16'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(30, 30, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 20, 20), 5);
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 0, 0), kBackground), 0);
}

// ---- "border" -----------------------------------------------------------------------

TEST(BorderSkin, CornersAndEdgesFromTheNineGrid) {
  auto skin = MakeSkin<CBkSkinBorder>("<border src='216' angle='3' crbg='FBFCFD'/>");
  ASSERT_TRUE(skin);
  ASSERT_NE(skin->ImageObject(), nullptr);
  EXPECT_EQ(skin->GetNaturalSize().cx, 9);
  EXPECT_EQ(skin->GetNaturalSize().cy, 9);
  DibCanvas canvas(30, 30, kBackground);
  skin->Draw(canvas.dc(), Area(2, 2, 21, 15), 0);
  EXPECT_TRUE(PngCopied(canvas, 2, 2, 3, 3, kPngBorder, 0, 0));
  EXPECT_TRUE(PngCopied(canvas, 20, 2, 3, 3, kPngBorder, 6, 0));
  EXPECT_TRUE(PngCopied(canvas, 2, 14, 3, 3, kPngBorder, 0, 6));
  EXPECT_TRUE(PngCopied(canvas, 20, 14, 3, 3, kPngBorder, 6, 6));
  // Top edge: source columns 3-5 stretched over 15 columns, 5 each.
  EXPECT_TRUE(AreaMatches(canvas, 5, 2, 15, 3, [](int dx, int dy) { return PngColour(kPngBorder, 3 + dx / 5, dy); }));
  // Left edge: source rows 3-5 stretched over 9 rows, 3 each.
  EXPECT_TRUE(AreaMatches(canvas, 2, 5, 3, 9, [](int dx, int dy) { return PngColour(kPngBorder, dx, 3 + dy / 3); }));
  EXPECT_TRUE(canvas.AllPixels(Area(5, 5, 15, 9), RGB(0xFB, 0xFC, 0xFD)));
  EXPECT_EQ(canvas.CountOutside(Area(2, 2, 21, 15), kBackground), 0);
}

TEST(BorderSkin, OffsetExtendsSideEdgesTowardsMissingEnds) {
  // part "top" (no bottom edge): the sides grow by the offset at the bottom.
  auto skin = MakeSkin<CBkSkinBorder>("<border src='216' angle='3' offset='2' part='top'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(30, 30, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 12, 12), 0);
  // Side from y 3, height 12 - 6 + 2 = 8: rows 3..10; rows 11 untouched.
  EXPECT_EQ(canvas.Pixel(0, 10), PngColour(kPngBorder, 0, 5));
  EXPECT_EQ(canvas.Pixel(0, 11), kBackground);
  EXPECT_EQ(canvas.Pixel(11, 10), PngColour(kPngBorder, 8, 5));

  // part "center" (no side edges) draws no side; "middle" (sides only) starts O higher and grows by 2 O.
  // Side from y 5 + 3 - 3 = 5, height 12 - 6 + 6 = 12: rows 5..16, four per source row.
  auto middle = MakeSkin<CBkSkinBorder>("<border src='216' angle='3' offset='3' part='middle'/>");
  DibCanvas sides(30, 30, kBackground);
  middle->Draw(sides.dc(), Area(0, 5, 12, 12), 0);
  EXPECT_TRUE(AreaMatches(sides, 0, 5, 3, 12, [](int dx, int dy) { return PngColour(kPngBorder, dx, 3 + dy / 4); }));
  EXPECT_EQ(sides.Pixel(0, 4), kBackground);
  EXPECT_EQ(sides.Pixel(0, 17), kBackground);
  EXPECT_TRUE(sides.AllPixels(Area(3, 0, 6, 30), kBackground));  // no top or bottom edge
}

TEST(BorderSkin, WithoutImageDrawsNothing) {
  auto skin = MakeSkin<CBkSkinBorder>("<border src='299' angle='3' crbg='FBFCFD'/>");
  ASSERT_TRUE(skin);
  EXPECT_EQ(skin->ImageObject(), nullptr);
  EXPECT_EQ(skin->GetNaturalSize().cx, 0);
  DibCanvas canvas(30, 30, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 20, 20), 0);
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 0, 0), kBackground), 0);
}

// ---- the pools ----------------------------------------------------------------------

TEST(PngSkinImages, SkinsNamingOneSourceShareOneImage) {
  auto first = MakeSkin<CBkPngSkin>("<png src='211' subwidth='39'/>");
  auto second = MakeSkin<CBkPngSkinEx>("<pngex src='211' imgpos='1,2,3'/>");
  auto third = MakeSkin<CBkSkinCheck>("<checkbox src='211' subsize='16'/>");
  ASSERT_TRUE(first && second && third);
  EXPECT_NE(first->ImageObject(), nullptr);
  EXPECT_EQ(first->ImageObject(), second->ImageObject());
  EXPECT_EQ(first->ImageObject(), third->ImageObject());
  EXPECT_EQ(first->ImageObject(), BkPngPool::GetImage(211, false));
}

TEST(PngSkinImages, EveryPngKindFetchesItsImageAfterAllAttributes) {
  // "src" first, last, missing, naming no image, and set only after loading.
  const char* const kTags[] = {"png", "pngex", "pngtr", "checkbox", "border"};
  for (const char* tag : kTags) {
    const std::string t = tag;
    const std::string rest = " crbg='FBFCFD' subwidth='3' subsize='3' imgpos='1,1,1'";
    auto first = MakeSkin<CBkPngSkinBase>("<" + t + " src='216'" + rest + "/>");
    auto last = MakeSkin<CBkPngSkinBase>("<" + t + rest + " src='216'/>");
    auto none = MakeSkin<CBkPngSkinBase>("<" + t + " subwidth='3'/>");
    auto missing = MakeSkin<CBkPngSkinBase>("<" + t + " src='299'/>");
    ASSERT_TRUE(first && last && none && missing) << tag;
    EXPECT_EQ(first->Src(), 216) << tag;
    EXPECT_EQ(first->ImageObject(), BkPngPool::GetImage(kPngBorder, false)) << tag;
    EXPECT_NE(first->ImageObject(), nullptr) << tag;
    EXPECT_EQ(last->ImageObject(), first->ImageObject()) << tag;
    EXPECT_EQ(none->Src(), 0) << tag;
    EXPECT_EQ(none->ImageObject(), nullptr) << tag;
    EXPECT_EQ(missing->Src(), 299) << tag;
    EXPECT_EQ(missing->ImageObject(), nullptr) << tag;

    // The image is fetched by Load only: a later "src" is recorded, not fetched.
    EXPECT_NE(none->SetAttribute("src", "216", false), kAttributeNotHandled) << tag;
    EXPECT_EQ(none->Src(), 216) << tag;
    EXPECT_EQ(none->ImageObject(), nullptr) << tag;
    DibCanvas canvas(20, 20, kBackground);
    none->Draw(canvas.dc(), Area(0, 0, 20, 20), 0);
    missing->Draw(canvas.dc(), Area(0, 0, 20, 20), 0);
    EXPECT_TRUE(canvas.AllPixels(Area(0, 0, 20, 20), kBackground)) << tag;
    first->Draw(canvas.dc(), Area(0, 0, 20, 20), 0);
    EXPECT_FALSE(canvas.AllPixels(Area(0, 0, 20, 20), kBackground)) << tag;
  }
}

TEST(PngSkinImages, ALaterSkinRetriesAnImageThatWasMissing) {
  const std::wstring& folder = InstallTestSkinFolder();
  auto before = MakeSkin<CBkPngSkin>("<png src='240'/>");
  ASSERT_TRUE(before);
  EXPECT_EQ(before->ImageObject(), nullptr);
  WriteFileBytes(folder + L"\\240.png", PngFileBytes(3, 2, [](int x, int) { return 0xFF102030u + x; }));
  auto after = MakeSkin<CBkPngSkin>("<png src='240'/>");
  ASSERT_TRUE(after);
  EXPECT_NE(after->ImageObject(), nullptr);
  EXPECT_EQ(after->GetNaturalSize().cx, 3);
  DeleteFileW((folder + L"\\240.png").c_str());
}

}  // namespace
