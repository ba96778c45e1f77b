#include "skin/resources/gdi_drawing.h"

#include <gtest/gtest.h>
#include <winternl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/dib_canvas.h"

namespace {

const COLORREF kBackground = RGB(0, 200, 0);

RECT Area(int x, int y, int width, int height) { return RECT{x, y, x + width, y + height}; }

bool Near(COLORREF actual, COLORREF expected, int tolerance) {
  return std::abs(GetRValue(actual) - GetRValue(expected)) <= tolerance &&
         std::abs(GetGValue(actual) - GetGValue(expected)) <= tolerance &&
         std::abs(GetBValue(actual) - GetBValue(expected)) <= tolerance;
}

TEST(DrawingSolidFill, FillsExactlyTheRectangleAndRestoresBackground) {
  DibCanvas canvas(10, 8, kBackground);
  SetBkColor(canvas.dc(), RGB(1, 2, 3));
  EXPECT_TRUE(FillSolidRect(canvas.dc(), Area(2, 3, 5, 4), RGB(250, 10, 20)));
  EXPECT_TRUE(canvas.AllPixels(Area(2, 3, 5, 4), RGB(250, 10, 20)));
  EXPECT_EQ(canvas.CountOutside(Area(2, 3, 5, 4), kBackground), 0);
  EXPECT_EQ(GetBkColor(canvas.dc()), RGB(1, 2, 3));
}

TEST(DrawingSolidFill, UnsetColourOrEmptyRectangleDrawsNothing) {
  DibCanvas canvas(6, 6, kBackground);
  EXPECT_FALSE(FillSolidRect(canvas.dc(), Area(0, 0, 6, 6), CLR_INVALID));
  EXPECT_FALSE(FillSolidRect(canvas.dc(), RECT{4, 4, 2, 2}, RGB(1, 1, 1)));
  EXPECT_FALSE(FillSolidRect(canvas.dc(), RECT{1, 1, 1, 5}, RGB(1, 1, 1)));
  EXPECT_FALSE(FillSolidRect(nullptr, Area(0, 0, 6, 6), RGB(1, 1, 1)));
  EXPECT_EQ(canvas.CountOutside(RECT{}, kBackground), 0);
}

TEST(DrawingGradient, HorizontalRunsFromLeftToRight) {
  DibCanvas canvas(120, 12, kBackground);
  const RECT band = Area(10, 2, 100, 8);
  ASSERT_TRUE(GradientFillRect(canvas.dc(), band, RGB(0, 0, 0), RGB(200, 100, 250), false));
  EXPECT_TRUE(Near(canvas.Pixel(10, 2), RGB(0, 0, 0), 3));
  EXPECT_TRUE(Near(canvas.Pixel(109, 9), RGB(200, 100, 250), 4)) << std::hex << canvas.Pixel(109, 9);
  EXPECT_TRUE(Near(canvas.Pixel(60, 5), RGB(100, 50, 125), 4)) << std::hex << canvas.Pixel(60, 5);
  for (int x = 11; x < 110; ++x) {
    ASSERT_GE(GetRValue(canvas.Pixel(x, 4)), GetRValue(canvas.Pixel(x - 1, 4)));
    ASSERT_EQ(canvas.Pixel(x, 2), canvas.Pixel(x, 9));  // columns are uniform
  }
  EXPECT_EQ(canvas.CountOutside(band, kBackground), 0);
}

TEST(DrawingGradient, VerticalRunsFromTopToBottom) {
  DibCanvas canvas(12, 120, kBackground);
  const RECT band = Area(1, 10, 8, 100);
  ASSERT_TRUE(GradientFillRect(canvas.dc(), band, RGB(250, 240, 0), RGB(10, 20, 200), true));
  EXPECT_TRUE(Near(canvas.Pixel(1, 10), RGB(250, 240, 0), 3));
  EXPECT_TRUE(Near(canvas.Pixel(8, 109), RGB(10, 20, 200), 4)) << std::hex << canvas.Pixel(8, 109);
  for (int y = 11; y < 110; ++y) {
    ASSERT_LE(GetRValue(canvas.Pixel(4, y)), GetRValue(canvas.Pixel(4, y - 1)));
    ASSERT_EQ(canvas.Pixel(1, y), canvas.Pixel(8, y));  // rows are uniform
  }
  EXPECT_EQ(canvas.CountOutside(band, kBackground), 0);
}

TEST(DrawingGradient, EmptyBandDrawsNothing) {
  DibCanvas canvas(10, 10, kBackground);
  EXPECT_FALSE(GradientFillRect(canvas.dc(), RECT{5, 5, 5, 9}, RGB(0, 0, 0), RGB(255, 255, 255), true));
  EXPECT_FALSE(GradientFillRect(canvas.dc(), RECT{5, 5, 2, 2}, RGB(0, 0, 0), RGB(255, 255, 255), false));
  EXPECT_EQ(canvas.CountOutside(RECT{}, kBackground), 0);
}

// The program runs elevated: painting a gradient loads no library, such as
// msimg32 by its bare name, which would be whatever copy the search path
// finds first. The loader's notification counts each module mapped meanwhile.
struct LoadedModule {
  ULONG flags;
  const UNICODE_STRING* fullName;
  const UNICODE_STRING* baseName;
};
void CALLBACK CountLoad(ULONG reason, const LoadedModule*, void* loads) { *static_cast<int*>(loads) += reason == 1; }

TEST(DrawingGradient, LoadsNoLibrary) {
  using Register = LONG(NTAPI*)(ULONG, decltype(&CountLoad), void*, void**);
  using Unregister = LONG(NTAPI*)(void*);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto listen =
      reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrRegisterDllNotification")));
  const auto stop =
      reinterpret_cast<Unregister>(reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrUnregisterDllNotification")));
  ASSERT_TRUE(listen && stop);
  // A first gradient outside the count: the system may map its own drivers
  // on first use.
  DibCanvas canvas(60, 50, kBackground);
  GradientFillRect(canvas.dc(), Area(0, 0, 9, 9), RGB(0, 0, 0), RGB(9, 9, 9), false);
  int loads = 0;
  void* cookie = nullptr;
  ASSERT_EQ(0, listen(0, &CountLoad, &loads, &cookie));
  EXPECT_TRUE(GradientFillRect(canvas.dc(), Area(2, 3, 50, 20), RGB(10, 200, 30), RGB(240, 5, 90), false));
  EXPECT_TRUE(GradientFillRect(canvas.dc(), Area(5, 24, 40, 25), RGB(0, 0, 0), RGB(255, 255, 255), true));
  stop(cookie);
  EXPECT_EQ(0, loads);
}

TEST(DrawingColorKey, StretchesTheSourceWhenSizesDiffer) {
  DibBitmap source(2, 1, {0xFF0A0B0C, 0xFFFF00FF});
  HDC sourceDc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(sourceDc, source.get());
  DibCanvas canvas(6, 4, kBackground);
  EXPECT_EQ(ColorKeyDraw(canvas.dc(), 1, 1, 4, 2, sourceDc, 0, 0, 2, 1, RGB(255, 0, 255)), 1);
  EXPECT_TRUE(canvas.AllPixels(Area(1, 1, 2, 2), RGB(0x0A, 0x0B, 0x0C)));
  EXPECT_TRUE(canvas.AllPixels(Area(3, 1, 2, 2), kBackground));
  EXPECT_EQ(canvas.CountOutside(Area(1, 1, 2, 2), kBackground), 0);
  EXPECT_EQ(ColorKeyDraw(canvas.dc(), 0, 0, 0, 2, sourceDc, 0, 0, 2, 1, RGB(255, 0, 255)), 0);
  EXPECT_EQ(ColorKeyDraw(canvas.dc(), 0, 0, 2, 2, sourceDc, 0, 0, -2, 1, RGB(255, 0, 255)), 0);
  SelectObject(sourceDc, old);
  DeleteDC(sourceDc);
}

TEST(DrawingAlpha, BlendsOnlyTheRowsAndColumnsAskedFor) {
  std::vector<uint32_t> pixels(16, 0xFF112233);
  DibBitmap source(4, 4, pixels);
  DibCanvas canvas(8, 8, kBackground);
  EXPECT_EQ(AlphaDraw(canvas.dc(), 3, 2, 2, 3, source.get(), 1), 1);
  EXPECT_TRUE(canvas.AllPixels(Area(3, 2, 2, 3), RGB(0x11, 0x22, 0x33)));
  EXPECT_EQ(canvas.CountOutside(Area(3, 2, 2, 3), kBackground), 0);
  EXPECT_EQ(AlphaDraw(canvas.dc(), 0, 0, 0, 3, source.get(), 0), 0);
  EXPECT_EQ(AlphaDraw(canvas.dc(), 0, 0, 2, -3, source.get(), 0), 0);
  EXPECT_EQ(AlphaDraw(canvas.dc(), 0, 0, 2, 2, nullptr, 0), 0);
}

}  // namespace
