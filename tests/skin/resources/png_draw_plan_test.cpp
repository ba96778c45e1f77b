#include "skin/resources/png_draw_plan.h"

#include <gdiplus.h>
#include <gtest/gtest.h>
#include <objidl.h>

#include "skin/resources/gdiplus_drawing.h"
#include "skin/resources/image_pool.h"
#include "tests/skin/resources/skin_test_util.h"

namespace {

void FillNoise(DibCanvas& canvas) {
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) canvas.SetPixel(x, y, RGB(x * 37 + y * 11, x * 5 + y * 53, x * y * 7));
}

// Parts of the program's images (mostly opaque, soft edges) and of a strip
// with partial alpha in every other column, at scale 1 and scaled, partly
// outside the canvas, whole and clipped to two rectangles: drawn from a kept
// plan, each gives the pixels of one AlphaBlend of the whole part.
TEST(PngPartPlans, PlannedDrawingEqualsOneBlendOfThePart) {
  InstallTestSkinFolder();
  struct Part {
    int image, x, y, w, h, sx, sy, sw, sh;
  } const kParts[] = {
      {5, 3, 2, 10, 30, 0, 0, 10, 28},   {5, 13, 2, 90, 30, 10, 0, 10, 28}, {5, 0, 0, 30, 28, 0, 0, 30, 28},
      {3, -5, 1, 71, 71, 71, 0, 71, 71}, {4, 2, 2, 71, 71, 142, 0, 71, 71}, {6, 4, 4, 16, 16, 48, 0, 16, 16},
      {7, 1, 1, 46, 48, 1, 0, 69, 71},   {8, 1, -3, 46, 48, 1, 0, 69, 71},  {kPngAlpha, 2, 3, 40, 21, 0, 0, 4, 2},
  };
  const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  for (const Part& part : kParts) {
    Gdiplus::Image* image = BkPngPool::GetImage(part.image);
    const PngPixels* pixels = BkPngPool::PixelsOf(image);
    ASSERT_TRUE(pixels && !pixels->opaque) << part.image;
    for (int clipped = 0; clipped < 2; ++clipped) {
      DibCanvas planned(100, 80), blended(100, 80);
      for (DibCanvas* canvas : {&planned, &blended}) {
        FillNoise(*canvas);
        GdiObject<HRGN> clip(CreateRectRgn(0, 0, 30, 25));
        GdiObject<HRGN> second(CreateRectRgn(20, 30, 90, 70));
        CombineRgn(clip.get(), clip.get(), second.get(), RGN_OR);
        if (clipped) SelectClipRgn(canvas->dc(), clip.get());
      }
      // The first draw makes the plan, the second uses the kept one.
      for (int pass = 0; pass < 2; ++pass) {
        PngPainter painter(planned.dc());
        painter.DrawPart(image, part.x, part.y, part.w, part.h, part.sx, part.sy, part.sw, part.sh);
        GdiAlphaBlend(blended.dc(), part.x, part.y, part.w, part.h, pixels->dc.get(), part.sx, part.sy, part.sw,
                      part.sh, blend);
      }
      GdiFlush();
      for (int y = 0; y < planned.height(); ++y)
        for (int x = 0; x < planned.width(); ++x)
          ASSERT_EQ(planned.RawPixel(x, y), blended.RawPixel(x, y))
              << "image " << part.image << " part at " << part.x << "," << part.sx << " clipped " << clipped
              << " pixel " << x << "," << y;
    }
  }
}

}  // namespace
