// Off-screen bitmap with an optional strip of equal-width frames and three ways
// of being copied to a device context: plain, colour-keyed and per-pixel alpha.
#pragma once

#include <windows.h>

#include <optional>

#include "skin/resources/gdi_handles.h"

// A plain record whose `bitmap` is borrowed: nothing in it ever deletes the
// bitmap, and copying the record copies the reference only. An image skin's
// record refers to a bitmap of the bitmap pool. A holder that makes its own
// bitmap uses OwnedMemoryBitmap, which owns the bitmap and deletes it.
struct MemoryBitmap {
  enum DrawMode : int {
    ModePlain = 0,     // SRCCOPY
    ModeColorKey = 1,  // pixels of keyColor leave the destination unchanged
    ModeAlpha = 2,     // 32-bit pictures with straight (not premultiplied) alpha
  };
  static constexpr COLORREF kDefaultKeyColor = RGB(255, 0, 255);

  HBITMAP bitmap = nullptr;
  int frameWidth = 0;  // 0: one picture, not a strip of frames
  int drawMode = ModePlain;
  COLORREF keyColor = kDefaultKeyColor;

  // Width and height of the bitmap; (0, 0) without one.
  SIZE GetSize() const;

  // Draws frame `frameIndex` (-1: the whole picture) with its top-left corner
  // at (x, y), in the record's draw mode. Nothing is drawn without a bitmap,
  // for a frame index when the frame width is not positive, or for a frame
  // that lies outside the bitmap; a frame partly outside is drawn only where
  // it overlaps. Returns non-zero when something was drawn.
  int Draw(HDC dc, int x, int y, int frameIndex) const;

  // Copies the width x height source rectangle at (sourceX, sourceY) 1:1 to
  // (x, y). With `index` not -1 and a frame width set, the source moves right
  // by index frames. Only the part of the source inside the bitmap is copied
  // (FitPartToPicture). Plain and colour-key modes only: the alpha mode (and
  // any other) draws nothing and answers false, as do sizes that are not
  // positive and sources wholly outside the bitmap.
  bool BlitPart(HDC dc, long long x, long long y, long long width, long long height, long long sourceX,
                long long sourceY, int index) const;

  // As BlitPart, but stretches the sourceWidth x sourceHeight source onto the
  // width x height destination.
  bool StretchPart(HDC dc, long long x, long long y, long long width, long long height, long long sourceX,
                   long long sourceY, long long sourceWidth, long long sourceHeight, int index) const;
  // As StretchPart, from a memory device context that already holds this
  // record's bitmap: a skin copying many pieces selects the bitmap once.
  bool StretchPartFrom(HDC source, HDC dc, long long x, long long y, long long width, long long height,
                       long long sourceX, long long sourceY, long long sourceWidth, long long sourceHeight,
                       int index) const;
};

// A MemoryBitmap that owns its bitmap: for host windows that paint into a
// bitmap of their own. The bitmap is deleted by Delete, by the next
// CreateFilled or when the holder goes, and it moves with the holder. The
// record it draws through borrows the owned bitmap; its handle can be read
// (Get, Picture) but not replaced from outside.
class OwnedMemoryBitmap : private MemoryBitmap {
 public:
  OwnedMemoryBitmap() = default;
  OwnedMemoryBitmap(OwnedMemoryBitmap&& other) noexcept;
  OwnedMemoryBitmap& operator=(OwnedMemoryBitmap&& other) noexcept;

  using MemoryBitmap::drawMode;
  using MemoryBitmap::frameWidth;
  using MemoryBitmap::keyColor;

  using MemoryBitmap::BlitPart;
  using MemoryBitmap::Draw;
  using MemoryBitmap::GetSize;
  using MemoryBitmap::StretchPart;
  using MemoryBitmap::StretchPartFrom;

  // Replaces the bitmap by a new width x height bitmap compatible with the
  // screen and, unless `colour` is CLR_INVALID, fills it with that colour;
  // the replaced bitmap is deleted. Returns whether a bitmap was created; on
  // failure (including a size that is not positive) the holder is unchanged.
  bool CreateFilled(int width, int height, COLORREF colour);
  // Deletes the bitmap; the holder lets go of it only when the deletion
  // succeeded (a bitmap still selected into a context stays). False when
  // there is nothing to delete or deletion failed.
  bool Delete();

  HBITMAP get() const { return owned_.get(); }
  // The drawing record, for code that takes a MemoryBitmap.
  const MemoryBitmap& Picture() const { return *this; }

 private:
  GdiObject<HBITMAP> owned_;
};

// An owned bitmap kept selected into a memory device context of its own, for
// a host window that paints into it again and again: the context is made
// once per size, not once per paint (making one costs more than most of the
// copies a paint does).
class OffscreenBitmap {
 public:
  // Replaces the bitmap by a new width x height one, filled with `colour`
  // unless that is CLR_INVALID. False, and nothing held, when it cannot be
  // made or selected.
  bool Create(int width, int height, COLORREF colour);
  // Lets go of the context, then deletes the bitmap.
  void Release();

  explicit operator bool() const { return dc_.has_value(); }
  // The context holding the bitmap; null when nothing is held.
  HDC Dc() const { return dc_ ? dc_->get() : nullptr; }
  HBITMAP Bitmap() const { return dc_ ? bitmap_.get() : nullptr; }
  SIZE GetSize() const { return bitmap_.GetSize(); }
  // Copies the whole picture 1:1 to (x, y) of `target`.
  bool CopyTo(HDC target, int x, int y) const;

 private:
  OwnedMemoryBitmap bitmap_;
  std::optional<MemoryDc> dc_;  // declared last: it lets go of the bitmap before the bitmap goes
};
