#include <gtest/gtest.h>

#include "skin/resources/image_skins.h"
#include "tests/skin/resources/skin_test_util.h"

namespace {

// A background of two colours in a checkerboard, so that a pixel a skin
// leaves alone (a key colour, a part left out) shows as the one beneath.
void FillChecks(DibCanvas& canvas) {
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x)
      canvas.SetPixel(x, y, ((x / 3 + y / 3) % 2) ? RGB(10, 20, 30) : RGB(240, 230, 220));
}

// Draws `skin` into `rect` of a fresh checkerboard, kept drawing or not.
void DrawOnChecks(CBkSkinBase& skin, DibCanvas& canvas, const RECT& rect, int state, bool direct) {
  FillChecks(canvas);
  auto* parts = dynamic_cast<CBkSkinImgPartsBase*>(&skin);
  if (direct && parts)
    parts->DrawDirect(canvas.dc(), rect, state);
  else
    skin.Draw(canvas.dc(), rect, state);
}

::testing::AssertionResult SamePixels(const DibCanvas& a, const DibCanvas& b) {
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y))
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex << a.Pixel(x, y)
                                             << " kept, " << b.Pixel(x, y) << " drawn";
  return ::testing::AssertionSuccess();
}

TEST(SkinDrawCache, KeptDrawingEqualsDirectDrawingForEveryKindStateAndSize) {
  const char* const kSkins[] = {
      "<imglst src='201' subwidth='10'/>",
      "<imgframe src='202' left='4' top='4' crbg='FBFCFD'/>",
      "<imgframe src='202' left='2' top='1' part='center'/>",
      "<imgframe src='202' left='2' top='1'/>",
      "<imgframe src='204' left='2' top='2' mode='mask'/>",
      "<imghorzex src='206' height='29' imgpos='6,1,6'/>",
      "<imghorzex src='201' subwidth='10' imgpos='3,4,3'/>",
      "<imghorzex src='201' height='-2' imgpos='3,4,3'/>",
      "<imghorzex src='204' imgpos='2,1,2' mode='mask'/>",
      "<imghorzex src='206' imgpos='6,1,6' mode='alpha'/>",
      "<imghorzti src='203' imgpos='2,3,2'/>",
      "<imgvertex src='205' subwidth='4' imgpos='3,6,3'/>",
      "<imgvertex src='205' width='-6' imgpos='3,6,3'/>",
      "<png src='211' subwidth='39'/>",
      "<pngex src='211' imgpos='1,2,3'/>",
      "<pngtr src='212'/>",
      "<checkbox src='211' subsize='16'/>",
      "<border src='216' angle='3' crbg='FBFCFD'/>",
      "<button bg='102030' border='FF0000'/>",
      "<gradation from='0000FF' to='FF0000'/>",
  };
  const int kStates[] = {-1, 0, 1, 2, 3, 4, 5, 16, 18};
  // The second size is drawn between two draws of the first: a kept entry
  // must not answer for another size.
  const RECT kRects[] = {Area(3, 2, 50, 30), Area(3, 2, 50, 30), Area(1, 4, 71, 9), Area(3, 2, 50, 30),
                         Area(5, 1, 3, 2)};
  for (const char* xml : kSkins) {
    auto kept = MakeSkin(xml);
    auto direct = MakeSkin(xml);
    ASSERT_TRUE(kept && direct) << xml;
    for (int state : kStates) {
      for (const RECT& rect : kRects) {
        DibCanvas a(80, 40), b(80, 40);
        DrawOnChecks(*kept, a, rect, state, false);
        DrawOnChecks(*direct, b, rect, state, true);
        EXPECT_TRUE(SamePixels(a, b)) << xml << " state " << state << " width " << RectWidth(rect);
      }
    }
    // A changed attribute drops what was kept.
    kept->SetAttribute("crbg", "112233", false);
    direct->SetAttribute("crbg", "112233", false);
    kept->SetAttribute("imgpos", "1,1,1", false);
    direct->SetAttribute("imgpos", "1,1,1", false);
    DibCanvas a(80, 40), b(80, 40);
    DrawOnChecks(*kept, a, kRects[0], 0, false);
    DrawOnChecks(*direct, b, kRects[0], 0, true);
    EXPECT_TRUE(SamePixels(a, b)) << xml << " after a changed attribute";
  }
}

}  // namespace
