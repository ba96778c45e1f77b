#include "skin/resources/gdiplus_drawing.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>

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
