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

namespace {

// Labels of the program's kinds (CJK, Latin with descenders, a space), some
// that only DrawTextW may draw (prefix, tab, too wide for their rectangle),
// in rectangles of odd and even sizes, smaller than the text, and partly
// negative, with every placement flag the skins use: DrawLabel gives
// DrawTextW's pixels.
TEST(DrawingLabel, DrawsWhatDrawTextDraws) {
  const wchar_t* const kTexts[] = {L"\u5168\u9009", L"\u51fa\u53d1\u7ad9\uff1a", L"Tavora 2012", L"\u5e2e \u52a9",
                                   L"gjpqy", L"A&B", L"a\tb", L"\u5e2e\u52a9\u5e2e\u52a9\u5e2e\u52a9"};
  const UINT kFormats[] = {0x20, 0x24, 0x25, 0x26, 0x28, 0x29, 0x2C, 0x8024, 0x88A5, 0x124, 0x10, 0x30, 0x60};
  const RECT kRects[] = {{10, 5, 60, 35}, {11, 6, 70, 33}, {3, 0, 20, 13}, {-9, -3, 27, 14}, {5, 5, 34, 24},
                         {40, 10, 41, 11}, {90, 30, 130, 29}, {10, 36, 131, 49}, {60, 20, 137, 21}};
  LOGFONTW description = {};
  description.lfHeight = -12;
  description.lfQuality = ANTIALIASED_QUALITY;
  wcscpy(description.lfFaceName, L"\u5b8b\u4f53");
  for (LONG weight : {FW_NORMAL, FW_BOLD}) {
    description.lfWeight = weight;
    GdiObject<HFONT> font(CreateFontIndirectW(&description));
    for (const wchar_t* text : kTexts) {
      for (UINT format : kFormats) {
        for (const RECT& rect : kRects) {
          DibCanvas label(140, 50, RGB(250, 240, 230)), drawn(140, 50, RGB(250, 240, 230));
          for (DibCanvas* canvas : {&label, &drawn}) {
            SelectObject(canvas->dc(), font.get());
            SetBkMode(canvas->dc(), TRANSPARENT);
            SetTextColor(canvas->dc(), RGB(0x45, 0xB1, 0xE5));
          }
          const int length = static_cast<int>(wcslen(text));
          DrawLabel(label.dc(), text, length, rect, format);
          RECT area = rect;
          DrawTextW(drawn.dc(), text, length, &area, format);
          GdiFlush();
          for (int y = 0; y < label.height(); ++y)
            for (int x = 0; x < label.width(); ++x)
              ASSERT_EQ(label.Pixel(x, y), drawn.Pixel(x, y))
                  << "text " << static_cast<int>(text[0]) << " format " << std::hex << format << std::dec << " rect "
                  << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom << " pixel " << x << ","
                  << y;
        }
      }
    }
  }
}

}  // namespace
