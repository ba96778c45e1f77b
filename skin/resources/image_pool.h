// Process-wide pools of the images that skins name by number. Each image is
// loaded once, folder first (a file in the skin folder wins over the image
// embedded in the program), and shared by every skin that names it for the
// rest of the run. Used on the user-interface thread only.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "skin/resources/gdi_handles.h"
#include "skin/resources/png_draw_plan.h"

namespace Gdiplus {
class Image;
}

// Device-dependent bitmaps for the bitmap skins: "<folder>\<id>.bmp", else the
// program's bitmap resource <id>. The pool owns the bitmaps; skins only refer
// to them.
class BkBmpPool {
 public:
  // The bitmap of image `id`, loaded on first request; null when neither the
  // file nor the resource exists (not remembered: the next call tries again).
  static HBITMAP GetBitmap(int id);
  // Deletes every bitmap loaded; the next GetBitmap loads again.
  static void Clear();

  BkBmpPool(const BkBmpPool&) = delete;
  BkBmpPool& operator=(const BkBmpPool&) = delete;

 private:
  BkBmpPool() = default;
  static BkBmpPool& Instance();

  std::map<int, GdiObject<HBITMAP>> bitmaps_;
};

// A pool image's pixels, premultiplied by their alpha, in a 32-bit top-down
// DIB section that stays selected into a memory device context of its own:
// the PNG skins copy from it with plain GDI calls (AlphaBlend, or StretchBlt
// when no pixel is transparent) instead of a GDI+ surface per draw.
struct PngPixels {
  GdiObject<HBITMAP> bitmap;  // declared first: deleted after the context
  MemoryDc dc;
  const BYTE* bits = nullptr;  // the section's rows, 4 bytes a pixel
  SIZE size = {0, 0};
  bool opaque = false;  // every alpha is 255

  // The smallest rectangle within `area` (image pixels, inside the image)
  // that holds every pixel of it with a non-zero alpha; empty when it has
  // none. Blending the rest would change nothing, so drawing at scale 1 can
  // leave it out: icons and hover strips are mostly transparent. Worked out
  // once per area.
  RECT VisibleBounds(const RECT& area) const;

  // How each part is drawn at each size, worked out on its first draw.
  mutable PngPartPlans plans;

 private:
  mutable std::map<std::pair<std::pair<LONG, LONG>, std::pair<LONG, LONG>>, RECT> bounds_;
};

// PNG images decoded with GDI+, read through LoadSkinResource(id, "png"). The
// pool starts GDI+ when it comes into being and shuts it down last, after
// deleting its images; every GDI+ drawing of the skin library happens while
// it lives.
class BkPngPool {
 public:
  // The image `id`; with `load` false only an image already loaded is
  // returned. Null when the bytes cannot be read (not remembered). Bytes that
  // do not decode still give an image, one that reports size 0 and draws
  // nothing.
  static Gdiplus::Image* GetImage(int id, bool load = true);

  // The pixels of `image`, a pool image, made on the first request and kept
  // with it. Null for an image the pool does not hold (a memory image, say),
  // one that did not decode, or when the bitmap cannot be made.
  static const PngPixels* PixelsOf(Gdiplus::Image* image);
  // The pixels to draw `image` with at `dpi`: those of the same image drawn
  // for a larger scale when the skin brings one (resource type, or file
  // extension in the skin folder, "png150" or "png200" under the image's id),
  // the nearest at or above the scale, else the largest; else PixelsOf(image).
  // Variants come from where the image came from (a skin folder's image is
  // never paired with the program's own variant), and one is taken only when
  // it is larger than the image by the same factor across and down.
  static const PngPixels* PixelsAtDpi(Gdiplus::Image* image, int dpi);
  // Deletes every image loaded (and its pixels); the next GetImage loads
  // again.
  static void Clear();

  ~BkPngPool();
  BkPngPool(const BkPngPool&) = delete;
  BkPngPool& operator=(const BkPngPool&) = delete;

 private:
  BkPngPool();
  static BkPngPool& Instance();

  struct Entry;
  // Decodes `bytes` into an entry that owns the block GDI+ reads them from;
  // bytes that do not decode give an image of size 0.
  static std::unique_ptr<Entry> DecodeEntry(const std::string& bytes);
  ULONG_PTR gdiplusToken_ = 0;
  std::map<int, std::unique_ptr<Entry>> images_;
  std::map<const Gdiplus::Image*, Entry*> byImage_;
};
