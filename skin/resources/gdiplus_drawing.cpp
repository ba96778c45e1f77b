#include "skin/resources/gdiplus_drawing.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <climits>
#include <cmath>

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

bool DrawImagePart(Gdiplus::Graphics& graphics, Gdiplus::Image* image, int dx, int dy, int dw, int dh, int sx,
                   int sy, int sw, int sh) {
  if (!image || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return false;
  const SIZE size = PngImageSize(image);
  if (size.cx <= 0 || size.cy <= 0) return false;

  // Keep to the pixels the image has; the destination shrinks with the source
  // at the same scale, so what is drawn lands where it would have anyway.
  const double scaleX = static_cast<double>(dw) / sw;
  const double scaleY = static_cast<double>(dh) / sh;
  const double left = std::max<double>(sx, 0);
  const double top = std::max<double>(sy, 0);
  const double right = std::min<double>(static_cast<double>(sx) + sw, size.cx);
  const double bottom = std::min<double>(static_cast<double>(sy) + sh, size.cy);
  if (left >= right || top >= bottom) return false;

  const Gdiplus::RectF dest(static_cast<Gdiplus::REAL>(dx + (left - sx) * scaleX),
                            static_cast<Gdiplus::REAL>(dy + (top - sy) * scaleY),
                            static_cast<Gdiplus::REAL>((right - left) * scaleX),
                            static_cast<Gdiplus::REAL>((bottom - top) * scaleY));
  return graphics.DrawImage(image, dest, static_cast<Gdiplus::REAL>(left), static_cast<Gdiplus::REAL>(top),
                            static_cast<Gdiplus::REAL>(right - left), static_cast<Gdiplus::REAL>(bottom - top),
                            Gdiplus::UnitPixel) == Gdiplus::Ok;
}

PngPainter::PngPainter(HDC dc) : dc_(dc) {}

PngPainter::~PngPainter() = default;

bool PngPainter::DrawPart(Gdiplus::Image* image, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh) {
  if (!dc_ || !image || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return false;
  const PngPixels* pixels = BkPngPool::PixelsOf(image);
  if (!pixels) {
    if (!graphics_) {
      graphics_ = std::make_unique<Gdiplus::Graphics>(dc_);
      PrepareSkinGraphics(*graphics_);
    }
    return DrawImagePart(*graphics_, image, dx, dy, dw, dh, sx, sy, sw, sh);
  }

  // The same clipping to the image as DrawImagePart, on whole pixels: the
  // destination edges move with the source edges at the drawing's scale.
  const long long left = std::max(sx, 0);
  const long long top = std::max(sy, 0);
  const long long right = std::min<long long>(static_cast<long long>(sx) + sw, pixels->size.cx);
  const long long bottom = std::min<long long>(static_cast<long long>(sy) + sh, pixels->size.cy);
  if (left >= right || top >= bottom) return false;
  const double scaleX = static_cast<double>(dw) / sw;
  const double scaleY = static_cast<double>(dh) / sh;
  const long long toLeft = dx + std::llround((left - sx) * scaleX);
  const long long toTop = dy + std::llround((top - sy) * scaleY);
  const long long toRight = dx + std::llround((right - sx) * scaleX);
  const long long toBottom = dy + std::llround((bottom - sy) * scaleY);
  if (toLeft >= toRight || toTop >= toBottom) return false;
  if (toLeft < INT_MIN / 2 || toRight > INT_MAX / 2 || toTop < INT_MIN / 2 || toBottom > INT_MAX / 2) return false;

  int x = static_cast<int>(toLeft), y = static_cast<int>(toTop);
  int w = static_cast<int>(toRight - toLeft), h = static_cast<int>(toBottom - toTop);
  int fromX = static_cast<int>(left), fromY = static_cast<int>(top);
  int fromW = static_cast<int>(right - left), fromH = static_cast<int>(bottom - top);
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
  HDC source = pixels->dc.Get();
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
