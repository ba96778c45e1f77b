#include "skin/resources/memory_bitmap.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <utility>

#include "skin/resources/gdi_drawing.h"
#include "skin/resources/gdi_handles.h"

namespace {

// Moves the source offset by `index` frames when a frame is asked for.
long long FrameOffset(long long sourceX, int index, int frameWidth) {
  long long offset = sourceX;
  if (index != -1 && frameWidth > 0) offset += static_cast<long long>(index) * frameWidth;
  return offset;
}

bool FitsInt(long long value) { return value >= INT_MIN && value <= INT_MAX; }

// A width x height bitmap compatible with the screen, filled with `colour`
// unless that is CLR_INVALID; empty when the size is not positive or the
// bitmap cannot be made.
GdiObject<HBITMAP> MakeFilledBitmap(int width, int height, COLORREF colour) {
  GdiObject<HBITMAP> created;
  if (width <= 0 || height <= 0) return created;
  {
    ScreenDc screen;
    if (!screen) return created;
    created.reset(CreateCompatibleBitmap(screen.get(), width, height));
  }
  if (created && colour != CLR_INVALID) {
    MemoryDc dc;
    if (dc.Select(created.get())) {
      RECT all = {0, 0, width, height};
      FillSolidRect(dc.get(), all, colour);
    }
  }
  return created;
}

}  // namespace

SIZE MemoryBitmap::GetSize() const {
  SIZE size = {0, 0};
  BITMAP bm = {};
  if (bitmap && GetObjectW(bitmap, sizeof(bm), &bm)) {
    size.cx = bm.bmWidth;
    size.cy = std::abs(bm.bmHeight);
  }
  return size;
}

int MemoryBitmap::Draw(HDC dc, int x, int y, int frameIndex) const {
  if (!dc || !bitmap) return 0;
  // A non-positive frame width means the bitmap is a single picture.
  if (frameWidth <= 0 && frameIndex != -1) return 0;

  BITMAP bm = {};
  if (!GetObjectW(bitmap, sizeof(bm), &bm)) return 0;
  const int height = std::abs(bm.bmHeight);
  long long sourceX = 0;
  long long width = bm.bmWidth;
  if (frameIndex != -1) {
    width = frameWidth;
    sourceX = static_cast<long long>(frameIndex) * frameWidth;
  }

  // Keep to the columns the bitmap has: a frame past the strip draws nothing.
  const long long first = std::max<long long>(sourceX, 0);
  const long long end = std::min<long long>(sourceX + width, bm.bmWidth);
  if (first >= end || height <= 0) return 0;
  const long long destX = x + (first - sourceX);
  if (!FitsInt(destX)) return 0;
  const int drawX = static_cast<int>(destX);
  const int drawSourceX = static_cast<int>(first);
  const int drawWidth = static_cast<int>(end - first);

  if (drawMode == ModeAlpha) return AlphaDraw(dc, drawX, y, drawWidth, height, bitmap, drawSourceX);
  if (drawMode != ModePlain && drawMode != ModeColorKey) return 0;

  SourceDc source(bitmap);
  if (!source) return 0;
  if (drawMode == ModePlain)
    return BitBlt(dc, drawX, y, drawWidth, height, source.get(), drawSourceX, 0, SRCCOPY) ? 1 : 0;
  return ColorKeyDraw(dc, drawX, y, drawWidth, height, source.get(), drawSourceX, 0, drawWidth, height, keyColor);
}

bool MemoryBitmap::BlitPart(HDC dc, long long x, long long y, long long width, long long height, long long sourceX,
                            long long sourceY, int index) const {
  return StretchPart(dc, x, y, width, height, sourceX, sourceY, width, height, index);
}

bool MemoryBitmap::StretchPart(HDC dc, long long x, long long y, long long width, long long height, long long sourceX,
                               long long sourceY, long long sourceWidth, long long sourceHeight, int index) const {
  if (!bitmap || (drawMode != ModePlain && drawMode != ModeColorKey)) return false;
  SourceDc source(bitmap);
  if (!source) return false;
  return StretchPartFrom(source.get(), dc, x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight, index);
}

bool MemoryBitmap::StretchPartFrom(HDC source, HDC dc, long long x, long long y, long long width, long long height,
                                   long long sourceX, long long sourceY, long long sourceWidth, long long sourceHeight,
                                   int index) const {
  if (!dc || !source || !bitmap) return false;
  if (drawMode != ModePlain && drawMode != ModeColorKey) return false;
  // A frame far along the strip may lie past anything: only the part of the
  // bitmap the source covers is copied.
  const long long offset = FrameOffset(sourceX, index, frameWidth);
  PicturePart part;
  if (!FitPartToPicture(x, y, width, height, offset, sourceY, sourceWidth, sourceHeight, GetSize(), part)) return false;

  if (drawMode == ModeColorKey)
    return ColorKeyDraw(dc, part.x, part.y, part.width, part.height, source, part.sourceX, part.sourceY,
                        part.sourceWidth, part.sourceHeight, keyColor) != 0;
  if (part.sourceWidth == part.width && part.sourceHeight == part.height)
    return BitBlt(dc, part.x, part.y, part.width, part.height, source, part.sourceX, part.sourceY, SRCCOPY) != FALSE;
  int previousMode = SetStretchBltMode(dc, COLORONCOLOR);
  BOOL drawn = StretchBlt(dc, part.x, part.y, part.width, part.height, source, part.sourceX, part.sourceY,
                          part.sourceWidth, part.sourceHeight, SRCCOPY);
  if (previousMode) SetStretchBltMode(dc, previousMode);
  return drawn != FALSE;
}

// ---- OwnedMemoryBitmap -------------------------------------------------------

OwnedMemoryBitmap::OwnedMemoryBitmap(OwnedMemoryBitmap&& other) noexcept
    : MemoryBitmap(other), owned_(std::move(other.owned_)) {
  other.bitmap = nullptr;
}

OwnedMemoryBitmap& OwnedMemoryBitmap::operator=(OwnedMemoryBitmap&& other) noexcept {
  if (this != &other) {
    owned_ = std::move(other.owned_);
    static_cast<MemoryBitmap&>(*this) = other;
    other.bitmap = nullptr;
  }
  return *this;
}

bool OwnedMemoryBitmap::CreateFilled(int width, int height, COLORREF colour) {
  GdiObject<HBITMAP> created = MakeFilledBitmap(width, height, colour);
  if (!created) return false;
  bitmap = created.get();
  owned_ = std::move(created);
  return true;
}

bool OwnedMemoryBitmap::Delete() {
  if (!owned_ || !DeleteObject(owned_.get())) return false;
  owned_.release();
  bitmap = nullptr;
  return true;
}

bool OffscreenBitmap::Create(int width, int height, COLORREF colour) {
  Release();
  if (!bitmap_.CreateFilled(width, height, colour)) return false;
  MemoryDc dc;
  if (!dc.Select(bitmap_.get())) {
    bitmap_.Delete();
    return false;
  }
  dc_.emplace(std::move(dc));
  return true;
}

void OffscreenBitmap::Release() {
  dc_.reset();
  bitmap_.Delete();
}

bool OffscreenBitmap::CopyTo(HDC target, int x, int y) const {
  if (!target || !dc_) return false;
  const SIZE size = bitmap_.GetSize();
  return BitBlt(target, x, y, size.cx, size.cy, dc_->get(), 0, 0, SRCCOPY) != FALSE;
}
