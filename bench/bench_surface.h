// A drawing surface shared by the benchmarks and the fuzz driver.
#pragma once

#include <windows.h>

// A 32-bit top-down DIB section selected into its own memory context, every
// pixel written: copying from pages nobody wrote reads one shared page of
// zeros, which makes a floor look about twice as fast as any real copy.
class Surface {
 public:
  Surface(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap_ && bits) {
      auto* pixel = static_cast<unsigned*>(bits);
      for (long long i = 0, n = static_cast<long long>(width) * height; i < n; ++i)
        pixel[i] = 0xFF000000u | static_cast<unsigned>(i * 2654435761u >> 8);
    }
    dc_ = CreateCompatibleDC(nullptr);
    if (bitmap_ && dc_) previous_ = SelectObject(dc_, bitmap_);
  }
  ~Surface() {
    if (dc_) {
      if (previous_) SelectObject(dc_, previous_);
      DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
  }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
  bool valid() const { return previous_ != nullptr; }
  HDC dc() const { return dc_; }

 private:
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};
