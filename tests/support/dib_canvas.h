// Off-screen drawing targets whose pixels the tests read back: a 32-bit
// top-down DIB section selected into a memory device context.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

class DibCanvas {
 public:
  // A width x height canvas filled with `fill`.
  DibCanvas(int width, int height, COLORREF fill = RGB(0, 0, 0));
  ~DibCanvas();
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  bool valid() const { return bits_ != nullptr; }
  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }

  // Colour at (x, y) as a COLORREF (alpha byte dropped); CLR_INVALID outside.
  COLORREF Pixel(int x, int y) const;
  // Raw pixel 0xAARRGGBB at (x, y); 0 outside.
  uint32_t RawPixel(int x, int y) const;
  void SetPixel(int x, int y, COLORREF colour);
  void Fill(COLORREF colour);
  void Fill(const RECT& rect, COLORREF colour);
  // Whether every pixel of `rect` (clipped to the canvas) has `colour`.
  bool AllPixels(const RECT& rect, COLORREF colour) const;
  // Number of pixels outside `rect` that differ from `colour`.
  int CountOutside(const RECT& rect, COLORREF colour) const;

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  uint32_t* bits_ = nullptr;
};

// A 32-bit DIB section not selected anywhere, to be used as a source picture.
// Pixels are given row by row from the top as 0xAARRGGBB.
class DibBitmap {
 public:
  DibBitmap(int width, int height, const std::vector<uint32_t>& argbTopDown, bool topDown = false);
  ~DibBitmap();
  DibBitmap(const DibBitmap&) = delete;
  DibBitmap& operator=(const DibBitmap&) = delete;
  HBITMAP get() const { return bitmap_; }
  // Gives up ownership (for code that deletes the bitmap itself).
  HBITMAP release();

 private:
  HBITMAP bitmap_ = nullptr;
};

// A device-dependent bitmap compatible with the screen, filled from
// `argbTopDown` (row by row from the top), owned by the holder.
class DeviceBitmap {
 public:
  DeviceBitmap(int width, int height, const std::vector<uint32_t>& argbTopDown);
  ~DeviceBitmap();
  DeviceBitmap(const DeviceBitmap&) = delete;
  DeviceBitmap& operator=(const DeviceBitmap&) = delete;
  HBITMAP get() const { return bitmap_; }

 private:
  HBITMAP bitmap_ = nullptr;
};

// COLORREF of a 0xAARRGGBB value.
inline COLORREF ColorOf(uint32_t argb) {
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}
