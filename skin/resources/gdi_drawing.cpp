#include "skin/resources/gdi_drawing.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "skin/resources/gdi_handles.h"

namespace {

// Bits of a DIB section created here; null when creation failed.
struct DibSection {
  GdiObject<HBITMAP> bitmap;
  BYTE* bits = nullptr;
};

// A bottom-up DIB section (positive height) of the given depth.
void CreateBottomUpDib(DibSection& dib, int width, int height, WORD bitCount) {
  dib.bitmap = CreateDib(width, height, bitCount, false, dib.bits);
}

// Restores a device context's background and text colours.
class ColourGuard {
 public:
  explicit ColourGuard(HDC dc) : dc_(dc), background_(GetBkColor(dc)), text_(GetTextColor(dc)) {}
  ~ColourGuard() {
    SetBkColor(dc_, background_);
    SetTextColor(dc_, text_);
  }
  ColourGuard(const ColourGuard&) = delete;
  ColourGuard& operator=(const ColourGuard&) = delete;

 private:
  HDC dc_;
  COLORREF background_;
  COLORREF text_;
};

}  // namespace

GdiObject<HBITMAP> CreateDib(int width, int height, WORD bitCount, bool topDown, BYTE*& bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = topDown ? -height : height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = bitCount;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  GdiObject<HBITMAP> bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
  bits = bitmap ? static_cast<BYTE*>(pixels) : nullptr;
  return bitmap;
}

bool TakesExactCopy(HDC dc) {
  // The bitmap selected into the context answers this; GetDeviceCaps would
  // ask the display driver, which under Wine on X is a round trip to the
  // server (about 170 us, more than the copies it would save).
  BITMAP selected = {};
  const HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  return bitmap && GetObjectW(bitmap, sizeof(selected), &selected) == sizeof(selected) && selected.bmBitsPixel == 32 &&
         GetMapMode(dc) == MM_TEXT && GetGraphicsMode(dc) == GM_COMPATIBLE;
}

void DrawLabel(HDC dc, const wchar_t* text, int length, const RECT& rect, UINT format) {
  // With DT_TABSTOP the second byte is a tab length, not flags.
  const bool tabLength = (format & DT_TABSTOP) != 0;
  constexpr UINT kPlacement =
      DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_SINGLELINE | DT_EXPANDTABS | DT_TABSTOP;
  const UINT others = format & ~kPlacement & (tabLength ? ~0xFF00u : ~0u);
  constexpr LONG kReach = 1 << 28;  // keeps the placement sums inside int
  const bool plainRect = rect.left <= rect.right && rect.top <= rect.bottom && rect.left > -kReach &&
                         rect.right < kReach && rect.top > -kReach && rect.bottom < kReach;
  bool oneRun = length > 0 && plainRect && (format & DT_SINGLELINE) &&
                (others & ~(DT_NOCLIP | DT_NOPREFIX | DT_END_ELLIPSIS)) == 0 && GetTextAlign(dc) == 0 &&
                GetMapMode(dc) == MM_TEXT && GetLayout(dc) == 0;
  for (int i = 0; oneRun && i < length; ++i) oneRun = text[i] >= L' ' && text[i] != L'&';
  SIZE size = {};
  oneRun = oneRun && GetTextExtentPoint32W(dc, text, length, &size) && size.cx <= rect.right - rect.left;
  if (!oneRun) {
    RECT area = rect;
    DrawTextW(dc, text, length, &area, format);
    return;
  }
  // DrawTextW's own placement, to the pixel.
  int x = rect.left, y = rect.top;
  if (format & DT_CENTER)
    x = (rect.left + rect.right - size.cx) / 2;
  else if (format & DT_RIGHT)
    x = rect.right - size.cx;
  if (format & DT_VCENTER)
    y = rect.top + (rect.bottom - rect.top) / 2 - size.cy / 2;
  else if (format & DT_BOTTOM)
    y = rect.bottom - size.cy;
  ExtTextOutW(dc, x, y, (others & DT_NOCLIP) ? 0 : ETO_CLIPPED, &rect, text, static_cast<UINT>(length), nullptr);
}

bool FillSolidRect(HDC dc, const RECT& rect, COLORREF colour) {
  if (!dc || colour == CLR_INVALID) return false;
  if (rect.right <= rect.left || rect.bottom <= rect.top) return false;
  COLORREF previous = SetBkColor(dc, colour);
  if (previous == CLR_INVALID) return false;
  BOOL drawn = ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
  SetBkColor(dc, previous);
  return drawn != FALSE;
}

void FrameSolidRect(HDC dc, const RECT& rect, COLORREF colour) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  FillSolidRect(dc, RECT{rect.left, rect.top, rect.right, rect.top + 1}, colour);
  FillSolidRect(dc, RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom}, colour);
  FillSolidRect(dc, RECT{rect.left, rect.top, rect.left + 1, rect.bottom}, colour);
  FillSolidRect(dc, RECT{rect.right - 1, rect.top, rect.right, rect.bottom}, colour);
}

bool GradientFillRect(HDC dc, const RECT& band, COLORREF from, COLORREF to, bool vertical) {
  if (!dc || band.right <= band.left || band.bottom <= band.top) return false;
  TRIVERTEX vertices[2] = {};
  vertices[0].x = band.left;
  vertices[0].y = band.top;
  vertices[0].Red = static_cast<COLOR16>(GetRValue(from) << 8);
  vertices[0].Green = static_cast<COLOR16>(GetGValue(from) << 8);
  vertices[0].Blue = static_cast<COLOR16>(GetBValue(from) << 8);
  vertices[1].x = band.right;
  vertices[1].y = band.bottom;
  vertices[1].Red = static_cast<COLOR16>(GetRValue(to) << 8);
  vertices[1].Green = static_cast<COLOR16>(GetGValue(to) << 8);
  vertices[1].Blue = static_cast<COLOR16>(GetBValue(to) << 8);
  GRADIENT_RECT mesh = {0, 1};
  return GdiGradientFill(dc, vertices, 2, &mesh, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H) != FALSE;
}

bool FitPartToPicture(long long x, long long y, long long width, long long height, long long sourceX, long long sourceY,
                      long long sourceWidth, long long sourceHeight, SIZE picture, PicturePart& part) {
  if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return false;
  const long long left = std::max(sourceX, 0LL);
  const long long top = std::max(sourceY, 0LL);
  const long long right = std::min<long long>(sourceX + sourceWidth, picture.cx);
  const long long bottom = std::min<long long>(sourceY + sourceHeight, picture.cy);
  if (left >= right || top >= bottom) return false;
  const double scaleX = static_cast<double>(width) / static_cast<double>(sourceWidth);
  const double scaleY = static_cast<double>(height) / static_cast<double>(sourceHeight);
  const long long toLeft = x + std::llround(static_cast<double>(left - sourceX) * scaleX);
  const long long toTop = y + std::llround(static_cast<double>(top - sourceY) * scaleY);
  const long long toRight = x + std::llround(static_cast<double>(right - sourceX) * scaleX);
  const long long toBottom = y + std::llround(static_cast<double>(bottom - sourceY) * scaleY);
  if (toLeft >= toRight || toTop >= toBottom) return false;
  if (toLeft < INT_MIN / 2 || toRight > INT_MAX / 2 || toTop < INT_MIN / 2 || toBottom > INT_MAX / 2) return false;
  part =
      PicturePart{static_cast<int>(toLeft),           static_cast<int>(toTop),       static_cast<int>(toRight - toLeft),
                  static_cast<int>(toBottom - toTop), static_cast<int>(left),        static_cast<int>(top),
                  static_cast<int>(right - left),     static_cast<int>(bottom - top)};
  return true;
}

int ColorKeyDraw(HDC dc, int x, int y, int w, int h, HDC source, int sourceX, int sourceY, int sourceWidth,
                 int sourceHeight, COLORREF key) {
  if (!dc || !source || w <= 0 || h <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return 0;

  // Only the visible part of the destination is made: the picture is placed
  // at the same offset inside it, so every pixel is the one a whole copy
  // would have given, and a huge destination costs no huge bitmap.
  RECT clip = {};
  if (GetClipBox(dc, &clip) == ERROR) return 0;
  const long long left = std::max<long long>(x, clip.left);
  const long long top = std::max<long long>(y, clip.top);
  const long long right = std::min<long long>(static_cast<long long>(x) + w, clip.right);
  const long long bottom = std::min<long long>(static_cast<long long>(y) + h, clip.bottom);
  if (left >= right || top >= bottom) return 0;
  const int partX = static_cast<int>(left), partY = static_cast<int>(top);
  const int partW = static_cast<int>(right - left), partH = static_cast<int>(bottom - top);
  // Where the whole destination starts, seen from the visible part.
  const long long offsetX = static_cast<long long>(x) - partX, offsetY = static_cast<long long>(y) - partY;
  if (offsetX < INT_MIN / 2 || offsetY < INT_MIN / 2) return 0;

  // The picture is held as 24-bit colour: the unused fourth byte of a 32-bit
  // picture would otherwise take part in the comparison with the key colour.
  DibSection colour;
  CreateBottomUpDib(colour, partW, partH, 24);
  GdiObject<HBITMAP> mask(CreateBitmap(partW, partH, 1, 1, nullptr));
  if (!colour.bits || !mask) return 0;
  {
    MemoryDc colourDc(dc);
    MemoryDc maskDc(dc);
    if (!colourDc.Select(colour.bitmap.get()) || !maskDc.Select(mask.get())) return 0;

    // The picture, at the destination's size.
    if (sourceWidth == w && sourceHeight == h) {
      BitBlt(colourDc.get(), 0, 0, partW, partH, source, static_cast<int>(sourceX - offsetX),
             static_cast<int>(sourceY - offsetY), SRCCOPY);
    } else {
      SetStretchBltMode(colourDc.get(), COLORONCOLOR);
      StretchBlt(colourDc.get(), static_cast<int>(offsetX), static_cast<int>(offsetY), w, h, source, sourceX, sourceY,
                 sourceWidth, sourceHeight, SRCCOPY);
    }

    // Mask: 1 where the picture has the key colour, 0 elsewhere.
    SetBkColor(colourDc.get(), key);
    BitBlt(maskDc.get(), 0, 0, partW, partH, colourDc.get(), 0, 0, SRCCOPY);

    // Blacken the key pixels of the picture so that OR-ing it leaves the
    // destination alone there.
    SetBkColor(colourDc.get(), RGB(0, 0, 0));
    SetTextColor(colourDc.get(), RGB(255, 255, 255));
    BitBlt(colourDc.get(), 0, 0, partW, partH, maskDc.get(), 0, 0, SRCAND);

    // Clear the destination under the opaque pixels, then paint them in.
    ColourGuard guard(dc);
    SetBkColor(dc, RGB(255, 255, 255));
    SetTextColor(dc, RGB(0, 0, 0));
    BitBlt(dc, partX, partY, partW, partH, maskDc.get(), 0, 0, SRCAND);
    BitBlt(dc, partX, partY, partW, partH, colourDc.get(), 0, 0, SRCPAINT);
  }
  return 1;
}

int AlphaDraw(HDC dc, int x, int y, int cx, int cy, HBITMAP source, int sourceX) {
  if (!dc || !source || cx <= 0 || cy <= 0) return 0;

  BITMAP bm = {};
  if (!GetObjectW(source, sizeof(bm), &bm) || bm.bmBitsPixel != 32) return 0;
  const int width = bm.bmWidth;
  const int height = std::abs(bm.bmHeight);
  if (width <= 0 || height <= 0) return 0;

  // Only the part of the wanted area that lies inside the bitmap is blended.
  const long long firstColumn = std::max<long long>(sourceX, 0);
  const long long endColumn = std::min<long long>(static_cast<long long>(sourceX) + cx, width);
  if (firstColumn >= endColumn) return 0;
  const int columns = static_cast<int>(endColumn - firstColumn);
  const int rows = std::min(cy, height);
  const int destX = static_cast<int>(x + (firstColumn - sourceX));

  // The source columns and rows, copied into a bottom-up 32-bit DIB section
  // by GDI: this takes device-dependent bitmaps and DIB sections of either
  // row order alike, and the rows of both bitmaps below run the same way.
  DibSection picture;
  CreateBottomUpDib(picture, columns, rows, 32);
  if (!picture.bits) return 0;
  {
    SourceDc from(source);
    MemoryDc to;
    if (!from || !to.Select(picture.bitmap.get())) return 0;
    if (!BitBlt(to.get(), 0, 0, columns, rows, from.get(), static_cast<int>(firstColumn), 0, SRCCOPY)) return 0;
  }

  // The destination area, as 24-bit bottom-up rows padded to 4 bytes.
  DibSection target;
  CreateBottomUpDib(target, columns, rows, 24);
  if (!target.bits) return 0;
  MemoryDc targetDc(dc);
  if (!targetDc.Select(target.bitmap.get())) return 0;
  if (!BitBlt(targetDc.get(), 0, 0, columns, rows, dc, destX, y, SRCCOPY)) return 0;
  GdiFlush();

  const size_t sourceStride = static_cast<size_t>(columns) * 4;
  const size_t targetStride = (static_cast<size_t>(columns) * 3 + 3) & ~static_cast<size_t>(3);
  for (int row = 0; row < rows; ++row) {
    const BYTE* s = picture.bits + sourceStride * row;
    BYTE* d = target.bits + targetStride * row;
    for (int column = 0; column < columns; ++column, s += 4, d += 3) {
      const unsigned a = s[3];
      for (int k = 0; k < 3; ++k) d[k] = static_cast<BYTE>((s[k] * a + d[k] * (255 - a)) / 255);
    }
  }

  BitBlt(dc, destX, y, columns, rows, targetDc.get(), 0, 0, SRCCOPY);
  return 1;
}
