// Device-context operations shared by the skins, the elements and the host
// windows: solid fills, two-colour gradients, colour-keyed copies and
// straight-alpha copies of 32-bit pictures.
#pragma once

#include <windows.h>

#include "skin/resources/gdi_handles.h"

// A DIB section of width x height pixels of `bitCount` bits, rows from the
// top when `topDown`; `bits` receives its pixels. Null (and `bits` null) when
// it cannot be made.
GdiObject<HBITMAP> CreateDib(int width, int height, WORD bitCount, bool topDown, BYTE*& bits);

// Whether `dc` holds 32-bit pixels in plain device units, so that a copy of
// a 32-bit picture lands on it unchanged and a kept drawing can stand in for
// drawing again. A window's own context (only the 1 x 1 stand-in bitmap) and
// pictures of other depths answer false.
bool TakesExactCopy(HDC dc);

// Draws `length` characters of `text` into `rect` as DrawTextW does with
// `format`. A one-line label that fits its rectangle, with nothing for
// DrawTextW to interpret (no prefix, tab or control characters, plain flags,
// a context in plain units with text aligned at the top left) is measured
// and placed here and drawn with one ExtTextOutW: DrawTextW would measure it
// twice more, which under Wine costs about as much again as drawing it.
// Everything else goes to DrawTextW.
void DrawLabel(HDC dc, const wchar_t* text, int length, const RECT& rect, UINT format);

// Fills `rect` with `colour` through the background colour and an opaque
// ExtTextOutW with no text; the previous background colour is restored.
// Nothing is drawn (false) when the colour is CLR_INVALID or cannot be set,
// or when the rectangle is empty.
bool FillSolidRect(HDC dc, const RECT& rect, COLORREF colour);
// A one-pixel frame just inside `rect`, drawn as four fills (no brush made).
void FrameSolidRect(HDC dc, const RECT& rect, COLORREF colour);

// Fills `band` with a two-colour gradient: `from` at the left (top when
// `vertical`) and `to` at the right (bottom), through gdi32's own
// GdiGradientFill: the program runs elevated, and loading msimg32.dll by its
// bare name would take whatever copy the search path finds first. False (and
// nothing drawn) when the band is empty or the fill fails.
bool GradientFillRect(HDC dc, const RECT& band, COLORREF from, COLORREF to, bool vertical);

// One copy of a source rectangle of a picture onto a destination rectangle,
// scaled when their sizes differ.
struct PicturePart {
  int x, y, width, height;
  int sourceX, sourceY, sourceWidth, sourceHeight;
};

// Cuts the copy of source (sourceX, sourceY, sourceWidth, sourceHeight) onto
// destination (x, y, width, height) to the pixels a picture of `picture` has:
// the source keeps inside the picture and the destination edges move with
// the source edges at the copy's scale (to whole pixels), so what is drawn
// lands where it would have. False, with nothing to draw, when a size is not
// positive, no source pixel lies in the picture, or the destination leaves
// half the int range (room for the drawing calls' own arithmetic). Every
// piece a skin copies goes through here before any drawing call: a source
// past its bitmap once corrupted the heap under Wine.
bool FitPartToPicture(long long x, long long y, long long width, long long height, long long sourceX, long long sourceY,
                      long long sourceWidth, long long sourceHeight, SIZE picture, PicturePart& part);

// Copies a source area of `source` onto the w x h destination area at (x, y),
// leaving the destination unchanged where the source has the colour `key`.
// The source is stretched when its size differs from w x h. Only the part
// of the destination inside the context's clip box is worked on (the
// intermediate bitmaps are of that size). Returns 1 when drawn, 0 when a size
// is not positive, nothing of it is visible or a GDI object could not be made.
int ColorKeyDraw(HDC dc, int x, int y, int w, int h, HDC source, int sourceX, int sourceY, int sourceWidth,
                 int sourceHeight, COLORREF key);

// Blends columns [sourceX, sourceX + cx) of the first cy rows of the 32-bit
// bitmap `source` onto the destination area at (x, y). The source colour is
// straight (not premultiplied): new = (source * a + destination * (255 - a)) / 255
// for blue, green and red. Only 32-bit sources are drawn; columns and rows
// outside the bitmap are left out. Returns 1 when something was blended.
int AlphaDraw(HDC dc, int x, int y, int cx, int cy, HBITMAP source, int sourceX);

// Saves a device context's state (clipping included) and restores it when it
// goes out of scope, so that a drawing step may clip without leaking the clip.
class SavedDc {
 public:
  explicit SavedDc(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~SavedDc() {
    if (saved_) RestoreDC(dc_, saved_);
  }
  SavedDc(const SavedDc&) = delete;
  SavedDc& operator=(const SavedDc&) = delete;
  bool ok() const { return saved_ != 0; }

 private:
  HDC dc_;
  int saved_;
};
