#include "tests/support/dib_canvas.h"

namespace {

uint32_t ArgbOf(COLORREF colour) {
  return (static_cast<uint32_t>(GetRValue(colour)) << 16) | (static_cast<uint32_t>(GetGValue(colour)) << 8) |
         GetBValue(colour);
}

HBITMAP CreateDib32(int width, int height, bool topDown, void** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = topDown ? -height : height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace

DibCanvas::DibCanvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
  void* bits = nullptr;
  bitmap_ = CreateDib32(width, height, true, &bits);
  dc_ = CreateCompatibleDC(nullptr);
  if (bitmap_ && dc_) {
    previous_ = SelectObject(dc_, bitmap_);
    bits_ = static_cast<uint32_t*>(bits);
    Fill(fill);
  }
}

DibCanvas::~DibCanvas() {
  if (dc_) {
    if (previous_) SelectObject(dc_, previous_);
    DeleteDC(dc_);
  }
  if (bitmap_) DeleteObject(bitmap_);
}

uint32_t DibCanvas::RawPixel(int x, int y) const {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  GdiFlush();
  return bits_[static_cast<size_t>(y) * width_ + x];
}

COLORREF DibCanvas::Pixel(int x, int y) const {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  return ColorOf(RawPixel(x, y));
}

void DibCanvas::SetPixel(int x, int y, COLORREF colour) {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return;
  GdiFlush();
  bits_[static_cast<size_t>(y) * width_ + x] = ArgbOf(colour);
}

void DibCanvas::Fill(COLORREF colour) {
  RECT all = {0, 0, width_, height_};
  Fill(all, colour);
}

void DibCanvas::Fill(const RECT& rect, COLORREF colour) {
  if (!bits_) return;
  GdiFlush();
  for (int y = rect.top < 0 ? 0 : rect.top; y < rect.bottom && y < height_; ++y)
    for (int x = rect.left < 0 ? 0 : rect.left; x < rect.right && x < width_; ++x)
      bits_[static_cast<size_t>(y) * width_ + x] = ArgbOf(colour);
}

bool DibCanvas::AllPixels(const RECT& rect, COLORREF colour) const {
  for (int y = rect.top < 0 ? 0 : rect.top; y < rect.bottom && y < height_; ++y)
    for (int x = rect.left < 0 ? 0 : rect.left; x < rect.right && x < width_; ++x)
      if (Pixel(x, y) != colour) return false;
  return true;
}

int DibCanvas::CountOutside(const RECT& rect, COLORREF colour) const {
  int count = 0;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
      if (!inside && Pixel(x, y) != colour) ++count;
    }
  return count;
}

DibBitmap::DibBitmap(int width, int height, const std::vector<uint32_t>& argbTopDown, bool topDown) {
  void* bits = nullptr;
  bitmap_ = CreateDib32(width, height, topDown, &bits);
  if (!bitmap_) return;
  auto* pixels = static_cast<uint32_t*>(bits);
  for (int y = 0; y < height; ++y) {
    const int memoryRow = topDown ? y : height - 1 - y;
    for (int x = 0; x < width; ++x) {
      const size_t from = static_cast<size_t>(y) * width + x;
      pixels[static_cast<size_t>(memoryRow) * width + x] = from < argbTopDown.size() ? argbTopDown[from] : 0;
    }
  }
}

DibBitmap::~DibBitmap() {
  if (bitmap_) DeleteObject(bitmap_);
}

HBITMAP DibBitmap::release() {
  HBITMAP bitmap = bitmap_;
  bitmap_ = nullptr;
  return bitmap;
}

DeviceBitmap::DeviceBitmap(int width, int height, const std::vector<uint32_t>& argbTopDown) {
  HDC screen = GetDC(nullptr);
  bitmap_ = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  if (!bitmap_) return;
  DibBitmap source(width, height, argbTopDown, true);
  HDC from = CreateCompatibleDC(nullptr);
  HDC to = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFrom = SelectObject(from, source.get());
  HGDIOBJ oldTo = SelectObject(to, bitmap_);
  BitBlt(to, 0, 0, width, height, from, 0, 0, SRCCOPY);
  SelectObject(from, oldFrom);
  SelectObject(to, oldTo);
  DeleteDC(from);
  DeleteDC(to);
}

DeviceBitmap::~DeviceBitmap() {
  if (bitmap_) DeleteObject(bitmap_);
}
