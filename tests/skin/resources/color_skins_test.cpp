#include "skin/resources/color_skins.h"

#include <gtest/gtest.h>

#include "skin/resources/gdi_drawing.h"
#include "tests/skin/resources/skin_test_util.h"

namespace {

// ---- "button" -----------------------------------------------------------------------

TEST(ButtonSkin, PushedFillsTheInnerRectangleFromPushColours) {
  auto skin = MakeSkin<CBkSkinButton>(
      "<button bg='102030' border='FF0000' bguppush='000080' bgdownpush='0000FF' bgup='808080' bgdown='C0C0C0'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(40, 40, kBackground);
  skin->Draw(canvas.dc(), Area(5, 5, 20, 30), kSkinStatePushed);
  // Outline.
  EXPECT_EQ(canvas.Pixel(5, 5), RGB(255, 0, 0));
  EXPECT_EQ(canvas.Pixel(24, 20), RGB(255, 0, 0));
  EXPECT_EQ(canvas.Pixel(15, 34), RGB(255, 0, 0));
  EXPECT_EQ(canvas.Pixel(6, 6), RGB(0x10, 0x20, 0x30));
  // The ring between outline and gradient is bg.
  EXPECT_EQ(canvas.Pixel(6, 20), RGB(0x10, 0x20, 0x30));
  // Gradient from bguppush (top) to bgdownpush (bottom) inside 2 pixels.
  // Colours are written RRGGBB: "000080" is a dark blue.
  EXPECT_TRUE(Near(canvas.Pixel(15, 7), RGB(0, 0, 0x80), 8));
  EXPECT_TRUE(Near(canvas.Pixel(15, 32), RGB(0, 0, 0xFF), 8));
  EXPECT_GT(GetBValue(canvas.Pixel(15, 25)), GetBValue(canvas.Pixel(15, 10)));
  EXPECT_EQ(canvas.CountOutside(Area(5, 5, 20, 30), kBackground), 0);
  EXPECT_FALSE(skin->IsStateless());
}

TEST(ButtonSkin, DisabledDrawsOnlyBackgroundAndOutline) {
  auto skin = MakeSkin<CBkSkinButton>("<button bg='102030' border='FF0000'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(30, 30, kBackground);
  skin->Draw(canvas.dc(), Area(0, 0, 20, 20), kSkinStateDisabled | kSkinStatePushed);
  EXPECT_TRUE(canvas.AllPixels(Area(1, 1, 18, 18), RGB(0x10, 0x20, 0x30)));
  EXPECT_EQ(canvas.Pixel(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(canvas.Pixel(19, 19), RGB(255, 0, 0));
}

TEST(ButtonSkin, DefaultsAndHoverColours) {
  CBkSkinButton skin;
  EXPECT_EQ(skin.bg, 0xEEEEEEu);
  EXPECT_EQ(skin.border, 0x707070u);
  EXPECT_EQ(skin.bguppush, 0xCECECEu);
  EXPECT_EQ(skin.bgdown, 0xD6D6D6u);
  EXPECT_EQ(skin.bgdownhover, 0xE0E0E0u);
  EXPECT_EQ(skin.bgdownpush, 0xC0C0C0u);
  skin.SetAttribute("bguphover", "00FF00", true);
  skin.SetAttribute("bgdownhover", "00FF00", true);
  DibCanvas canvas(30, 30, kBackground);
  skin.Draw(canvas.dc(), Area(0, 0, 20, 20), kSkinStateHover);
  EXPECT_TRUE(Near(canvas.Pixel(10, 10), RGB(0, 255, 0), 2));
  skin.Draw(canvas.dc(), Area(0, 0, 20, 20), 0);
  EXPECT_TRUE(Near(canvas.Pixel(10, 3), RGB(0xEE, 0xEE, 0xEE), 4));
  EXPECT_EQ(canvas.Pixel(0, 0), RGB(0x70, 0x70, 0x70));
}

// ---- "gradation" --------------------------------------------------------------------

TEST(GradationSkin, VerticalSize10On30HighGradesTheTopAndFillsTheRest) {
  auto skin = MakeSkin<CBkSkinGradation>("<gradation from='000000' to='FF8000' direction='vert' size='10'/>");
  ASSERT_TRUE(skin);
  DibCanvas canvas(30, 40, kBackground);
  skin->Draw(canvas.dc(), Area(5, 5, 20, 30), 0);
  EXPECT_TRUE(Near(canvas.Pixel(10, 5), RGB(0, 0, 0), 30));
  EXPECT_LT(GetRValue(canvas.Pixel(10, 7)), GetRValue(canvas.Pixel(10, 12)));
  EXPECT_TRUE(canvas.AllPixels(Area(5, 15, 20, 20), RGB(0xFF, 0x80, 0)));
  EXPECT_FALSE(canvas.AllPixels(Area(5, 5, 20, 10), RGB(0xFF, 0x80, 0)));
  EXPECT_EQ(canvas.Pixel(5, 8), canvas.Pixel(24, 8));  // rows are uniform
  EXPECT_EQ(canvas.CountOutside(Area(5, 5, 20, 30), kBackground), 0);
  EXPECT_EQ(skin->GetNaturalSize().cx, 0);
  EXPECT_TRUE(skin->IsStateless());
}

TEST(GradationSkin, HorizontalWholeRectangleAndSizeBeyondItIsClipped) {
  auto skin = MakeSkin<CBkSkinGradation>("<gradation from='0000FF' to='FF0000'/>");
  ASSERT_TRUE(skin);
  EXPECT_EQ(skin->direction, CBkSkinGradation::Horizontal);
  DibCanvas canvas(60, 10, kBackground);
  skin->Draw(canvas.dc(), Area(10, 2, 40, 6), 0);
  EXPECT_TRUE(Near(canvas.Pixel(10, 4), RGB(0, 0, 255), 16));
  EXPECT_TRUE(Near(canvas.Pixel(49, 4), RGB(255, 0, 0), 16));
  EXPECT_EQ(canvas.Pixel(20, 2), canvas.Pixel(20, 7));  // columns are uniform

  // A band of 80 over a 40-wide rectangle: the rectangle shows its first half.
  skin->size = 80;
  DibCanvas clipped(60, 10, kBackground);
  skin->Draw(clipped.dc(), Area(10, 2, 40, 6), 0);
  EXPECT_EQ(clipped.CountOutside(Area(10, 2, 40, 6), kBackground), 0);
  EXPECT_TRUE(Near(clipped.Pixel(10, 4), RGB(0, 0, 255), 16));
  EXPECT_TRUE(Near(clipped.Pixel(49, 4), RGB(125, 0, 130), 16));

  // A band far longer than the rectangle still grades from its start.
  skin->size = 1000000000;
  DibCanvas huge(60, 10, kBackground);
  skin->Draw(huge.dc(), Area(10, 2, 40, 6), 0);
  EXPECT_EQ(huge.CountOutside(Area(10, 2, 40, 6), kBackground), 0);
  EXPECT_TRUE(Near(huge.Pixel(49, 4), RGB(0, 0, 255), 4));
  // The clip is gone afterwards.
  FillSolidRect(clipped.dc(), Area(0, 0, 5, 5), RGB(1, 2, 3));
  EXPECT_EQ(clipped.Pixel(0, 0), RGB(1, 2, 3));
}

TEST(GradationSkin, UnknownDirectionWordIsIgnored) {
  CBkSkinGradation skin;
  EXPECT_NE(skin.SetAttribute("direction", "vert", true), kAttributeNotHandled);
  EXPECT_EQ(skin.SetAttribute("direction", "diagonal", true), kAttributeNotHandled);
  EXPECT_EQ(skin.direction, CBkSkinGradation::Vertical);
  EXPECT_EQ(skin.from, kColorNotSet);
  EXPECT_EQ(skin.to, kColorNotSet);
}

}  // namespace
