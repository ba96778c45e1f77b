// Pictures for the skin tests, made by the tests themselves: every pixel's
// colour says which source column and row it came from, so a test can read a
// drawn canvas back and name the source pixel that landed at each place.
// They are written into one scratch skin folder (bitmaps "<id>.bmp", PNGs
// "<id>.png", documents "<id>.xml") that becomes the process's skin folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// 24-bit bottom-up Windows bitmap file of width x height.
std::string BmpFileBytes(int width, int height, const std::function<COLORREF(int x, int y)>& pixel);
// 8-bit RGBA PNG file; `pixel` gives 0xAARRGGBB.
std::string PngFileBytes(int width, int height, const std::function<uint32_t(int x, int y)>& pixel);

// Ids of the test pictures; none of them is embedded in the program.
enum TestImageId : int {
  kBmpStrip = 201,      // 40 x 6: four frames of 10 columns
  kBmpFrame = 202,      // 9 x 5: nine-grid with column 4 and row 4 as middle
  kBmpSeven = 203,      // 7 x 4: three-piece, ends 2, middle 3
  kBmpMasked = 204,     // 6 x 4: magenta where x is odd
  kBmpVertical = 205,   // 8 x 12: two frames of 4 columns
  kBmpHead = 206,       // 13 x 29: like the window header
  kPngStrip = 211,      // 117 x 19: three sub-images of 39
  kPngEdit = 212,       // 30 x 28: like the edit frame
  kPngAlpha = 213,      // 4 x 2: alpha 0, 255, 128, 255 by column
  kPngCheck = 214,      // 96 x 16: check box strip of six 16-pixel images
  kPngFrames = 215,     // 60 x 6: five frames of 12 columns
  kPngBorder = 216,     // 9 x 9: nine-grid, corners 3
  kPngBroken = 217,     // bytes that are not a PNG
  kPngTall = 218,       // 20 x 10: for margins
};

// Colour of the test bitmap `id` at (x, y) (bitmaps are opaque).
COLORREF BmpColour(int id, int x, int y);
// 0xAARRGGBB of the test PNG `id` at (x, y).
uint32_t PngPixel(int id, int x, int y);
inline COLORREF PngColour(int id, int x, int y) {
  uint32_t argb = PngPixel(id, x, y);
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

// Writes every test picture into the scratch folder "skin_kinds" (once per
// process) and makes it the skin folder. Returns the folder.
const std::wstring& InstallTestSkinFolder();

// Writes document `id`.xml into the test skin folder.
void WriteTestDocument(unsigned id, const std::string& text);

// Pixels of a bitmap (any depth), top row first; empty when unreadable.
std::vector<COLORREF> BitmapPixels(HBITMAP bitmap, int& width, int& height);

// Pixels of a PNG decoded with GDI+ as 0xAARRGGBB, top row first.
std::vector<uint32_t> DecodePngPixels(const std::string& bytes, int& width, int& height);

// Straight-alpha composite of 0xAARRGGBB over `background`.
COLORREF Composite(uint32_t argb, COLORREF background);

// Whether two colours differ by at most `tolerance` in every component.
bool Near(COLORREF a, COLORREF b, int tolerance = 2);
