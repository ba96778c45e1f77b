// Drawing of PNG images, shared by the skin kinds and elements that draw
// PNGs: the image's size, the surface settings every GDI+ drawing uses, and a
// partial, scaled copy that keeps to the pixels the image has.
#pragma once

#include <windows.h>

#include <memory>

namespace Gdiplus {
class Graphics;
class Image;
}  // namespace Gdiplus

// Width and height of a PNG pool image; (0, 0) for null or an image that did
// not decode.
SIZE PngImageSize(Gdiplus::Image* image);

// Settings every skin's GDI+ surface gets: nearest-neighbour sampling with
// pixel centres on pixel centres, so that a source column lands exactly on
// the destination columns it is scaled to.
void PrepareSkinGraphics(Gdiplus::Graphics& graphics);

// Draws the source rectangle (sx, sy, sw, sh) of `image`, in pixels, onto the
// destination rectangle (dx, dy, dw, dh), scaled when the sizes differ and
// composited with the image's alpha. Nothing for a null image or a size that
// is not positive. The parts of the source outside the image are left out
// (with the destination parts they would have covered).
bool DrawImagePart(Gdiplus::Graphics& graphics, Gdiplus::Image* image, long long dx, long long dy, long long dw,
                   long long dh, long long sx, long long sy, long long sw, long long sh);

// One drawing pass of PNG images onto a device context. Images of the PNG
// pool are copied from their premultiplied pixels with GDI: AlphaBlend, or a
// plain copy for images without transparency, both sampling the nearest
// source pixel when scaling, as the GDI+ settings above do. Any other image
// goes through a GDI+ surface, made on the first such draw and kept for the
// rest of the pass.
class PngPainter {
 public:
  explicit PngPainter(HDC dc);
  ~PngPainter();
  PngPainter(const PngPainter&) = delete;
  PngPainter& operator=(const PngPainter&) = delete;

  // As DrawImagePart, onto the pass's device context; pool images are cut to
  // their pixels by FitPartToPicture.
  bool DrawPart(Gdiplus::Image* image, long long dx, long long dy, long long dw, long long dh, long long sx,
                long long sy, long long sw, long long sh);

 private:
  // TakesExactCopy of the pass's context, asked on the first blend.
  bool TakesExactCopyOnce();

  HDC dc_;
  int exactCopy_ = -1;  // -1: not asked yet
  int dpi_;  // the scale of the context's transform: which pixels to draw from
  std::unique_ptr<Gdiplus::Graphics> graphics_;
};
