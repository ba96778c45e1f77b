#include "skin/resources/gdiplus_drawing.h"

#include <gdiplus.h>
#include <objidl.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "skin/resources/dpi_scale.h"
#include "skin/resources/gdi_drawing.h"
#include "skin/resources/image_pool.h"

SIZE PngImageSize(Gdiplus::Image* image) {
  if (!image) return SIZE{0, 0};
  return SIZE{static_cast<LONG>(image->GetWidth()), static_cast<LONG>(image->GetHeight())};
}

void PrepareSkinGraphics(Gdiplus::Graphics& graphics) {
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  graphics.SetCompositingMode(Gdiplus::CompositingModeSourceOver);
}

bool DrawImagePart(Gdiplus::Graphics& graphics, Gdiplus::Image* image, long long dx, long long dy, long long dw,
                   long long dh, long long sx, long long sy, long long sw, long long sh) {
  if (!image || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return false;
  const SIZE size = PngImageSize(image);
  if (size.cx <= 0 || size.cy <= 0) return false;

  // Keep to the pixels the image has; the destination shrinks with the source
  // at the same scale, so what is drawn lands where it would have anyway.
  const double scaleX = static_cast<double>(dw) / static_cast<double>(sw);
  const double scaleY = static_cast<double>(dh) / static_cast<double>(sh);
  const double left = std::max<double>(static_cast<double>(sx), 0);
  const double top = std::max<double>(static_cast<double>(sy), 0);
  const double right = std::min<double>(static_cast<double>(sx) + static_cast<double>(sw), size.cx);
  const double bottom = std::min<double>(static_cast<double>(sy) + static_cast<double>(sh), size.cy);
  if (left >= right || top >= bottom) return false;

  const Gdiplus::RectF dest(
      static_cast<Gdiplus::REAL>(static_cast<double>(dx) + (left - static_cast<double>(sx)) * scaleX),
      static_cast<Gdiplus::REAL>(static_cast<double>(dy) + (top - static_cast<double>(sy)) * scaleY),
      static_cast<Gdiplus::REAL>((right - left) * scaleX), static_cast<Gdiplus::REAL>((bottom - top) * scaleY));
  return graphics.DrawImage(image, dest, static_cast<Gdiplus::REAL>(left), static_cast<Gdiplus::REAL>(top),
                            static_cast<Gdiplus::REAL>(right - left), static_cast<Gdiplus::REAL>(bottom - top),
                            Gdiplus::UnitPixel) == Gdiplus::Ok;
}

PngPainter::PngPainter(HDC dc) : dc_(dc), dpi_(DpiOfTransform(dc)) {}

PngPainter::~PngPainter() = default;

bool PngPainter::TakesExactCopyOnce() {
  if (exactCopy_ < 0) exactCopy_ = TakesExactCopy(dc_) ? 1 : 0;
  return exactCopy_ != 0;
}

bool PngPainter::DrawPart(Gdiplus::Image* image, long long dx, long long dy, long long dw, long long dh, long long sx,
                          long long sy, long long sw, long long sh) {
  if (!dc_ || !image || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return false;
  const PngPixels* pixels = BkPngPool::PixelsOf(image);
  if (!pixels) {
    if (!graphics_) {
      graphics_ = std::make_unique<Gdiplus::Graphics>(dc_);
      PrepareSkinGraphics(*graphics_);
    }
    return DrawImagePart(*graphics_, image, dx, dy, dw, dh, sx, sy, sw, sh);
  }

  // Drawn for a larger scale: the image's variant for it, with the source
  // rectangle carried over to the variant's pixels.
  if (dpi_ > kBaseDpi) {
    const PngPixels* sharper = BkPngPool::PixelsAtDpi(image, dpi_);
    if (sharper && sharper != pixels) {
      const double across = static_cast<double>(sharper->size.cx) / pixels->size.cx;
      const double down = static_cast<double>(sharper->size.cy) / pixels->size.cy;
      const long long left = std::llround(static_cast<double>(sx) * across);
      const long long top = std::llround(static_cast<double>(sy) * down);
      sw = std::llround(static_cast<double>(sx + sw) * across) - left;
      sh = std::llround(static_cast<double>(sy + sh) * down) - top;
      sx = left;
      sy = top;
      pixels = sharper;
      if (sw <= 0 || sh <= 0) return false;
    }
  }

  // The same clipping to the image as DrawImagePart, on whole pixels.
  PicturePart part;
  if (!FitPartToPicture(dx, dy, dw, dh, sx, sy, sw, sh, pixels->size, part)) return false;
  int x = part.x, y = part.y, w = part.width, h = part.height;
  int fromX = part.sourceX, fromY = part.sourceY, fromW = part.sourceWidth, fromH = part.sourceHeight;
  if (!pixels->opaque && TakesExactCopyOnce() &&
      pixels->plans.Draw(PngPartPlans::Picture{pixels->dc.get(), pixels->bits, pixels->size}, dc_, x, y, w, h, fromX,
                         fromY, fromW, fromH))
    return true;
  if (!pixels->opaque && w == fromW && h == fromH) {
    // At scale 1 the fully transparent margin is left out: blending it would
    // change no pixel.
    const RECT visible = pixels->VisibleBounds(RECT{fromX, fromY, fromX + fromW, fromY + fromH});
    if (visible.right <= visible.left) return true;
    x += visible.left - fromX;
    y += visible.top - fromY;
    fromX = visible.left;
    fromY = visible.top;
    w = fromW = visible.right - visible.left;
    h = fromH = visible.bottom - visible.top;
  }
  HDC source = pixels->dc.get();
  if (pixels->opaque) {
    if (w == fromW && h == fromH) return BitBlt(dc_, x, y, w, h, source, fromX, fromY, SRCCOPY) != FALSE;
    const int oldMode = SetStretchBltMode(dc_, COLORONCOLOR);
    const bool drawn = StretchBlt(dc_, x, y, w, h, source, fromX, fromY, fromW, fromH, SRCCOPY) != FALSE;
    if (oldMode) SetStretchBltMode(dc_, oldMode);
    return drawn;
  }
  const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  return GdiAlphaBlend(dc_, x, y, w, h, source, fromX, fromY, fromW, fromH, blend) != FALSE;
}
