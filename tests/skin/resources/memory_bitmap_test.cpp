#include "skin/resources/memory_bitmap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

#include "tests/support/dib_canvas.h"

namespace {

const COLORREF kBackground = RGB(0, 200, 0);
const uint32_t kMagenta = 0xFFFF00FF;

// A picture whose pixel at (x, y) encodes its position: red = x & 0xFF,
// green = x >> 8 (times 40, to keep the values apart), blue = y * 10.
std::vector<uint32_t> PositionPicture(int width, int height, uint32_t alpha = 0xFF) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels.push_back((alpha << 24) | (static_cast<uint32_t>(x & 0xFF) << 16) |
                       (static_cast<uint32_t>((x >> 8) * 40) << 8) | static_cast<uint32_t>(y * 10));
  return pixels;
}

COLORREF PositionColour(int x, int y) { return RGB(x & 0xFF, (x >> 8) * 40, y * 10); }

bool Near(COLORREF actual, int r, int g, int b, int tolerance) {
  return std::abs(GetRValue(actual) - r) <= tolerance && std::abs(GetGValue(actual) - g) <= tolerance &&
         std::abs(GetBValue(actual) - b) <= tolerance;
}

RECT Area(int x, int y, int width, int height) { return RECT{x, y, x + width, y + height}; }

// ---- CreateFilled, Delete, size -------------------------------------------------

TEST(MemoryBitmapCreate, CreateFilled_FillsWholeBitmapWithColour) {
  OwnedMemoryBitmap picture;
  ASSERT_TRUE(picture.CreateFilled(5, 4, RGB(10, 20, 30)));
  ASSERT_NE(picture.get(), nullptr);
  SIZE size = picture.GetSize();
  EXPECT_EQ(size.cx, 5);
  EXPECT_EQ(size.cy, 4);

  DibCanvas canvas(12, 10, kBackground);
  EXPECT_NE(picture.Draw(canvas.dc(), 2, 3, -1), 0);
  EXPECT_TRUE(canvas.AllPixels(Area(2, 3, 5, 4), RGB(10, 20, 30)));
  EXPECT_EQ(canvas.CountOutside(Area(2, 3, 5, 4), kBackground), 0);
}

TEST(MemoryBitmapCreate, CreateFilled_BlackAsHostWindowsUseIt) {
  OwnedMemoryBitmap picture;
  ASSERT_TRUE(picture.CreateFilled(3, 3, RGB(0, 0, 0)));
  DibCanvas canvas(3, 3, RGB(255, 255, 255));
  picture.Draw(canvas.dc(), 0, 0, -1);
  EXPECT_TRUE(canvas.AllPixels(Area(0, 0, 3, 3), RGB(0, 0, 0)));
}

TEST(MemoryBitmapCreate, CreateFilled_WithoutColourStillCreates) {
  OwnedMemoryBitmap picture;
  EXPECT_TRUE(picture.CreateFilled(7, 2, CLR_INVALID));
  EXPECT_EQ(picture.GetSize().cx, 7);
  EXPECT_EQ(picture.GetSize().cy, 2);
}

TEST(MemoryBitmapCreate, CreateFilled_RejectsSizesThatAreNotPositive) {
  OwnedMemoryBitmap picture;
  EXPECT_FALSE(picture.CreateFilled(0, 5, RGB(1, 2, 3)));
  EXPECT_FALSE(picture.CreateFilled(5, -1, RGB(1, 2, 3)));
  EXPECT_FALSE(picture.CreateFilled(-4, -4, RGB(1, 2, 3)));
  EXPECT_EQ(picture.get(), nullptr);

  ASSERT_TRUE(picture.CreateFilled(2, 2, RGB(1, 2, 3)));
  HBITMAP kept = picture.get();
  EXPECT_FALSE(picture.CreateFilled(-2, 2, RGB(9, 9, 9)));
  EXPECT_EQ(picture.get(), kept);  // a failed call leaves the record as it was
}

TEST(MemoryBitmapCreate, CreateFilled_DeletesTheBitmapItReplaces) {
  OwnedMemoryBitmap picture;
  ASSERT_TRUE(picture.CreateFilled(4, 4, RGB(1, 1, 1)));
  HBITMAP first = picture.get();
  ASSERT_TRUE(picture.CreateFilled(6, 3, RGB(2, 2, 2)));
  EXPECT_NE(picture.get(), nullptr);
  EXPECT_EQ(GetObjectType(first), 0u);
  EXPECT_EQ(picture.GetSize().cx, 6);
}

TEST(MemoryBitmapCreate, Delete_FreesBitmapAndClearsHandle) {
  OwnedMemoryBitmap picture;
  EXPECT_FALSE(picture.Delete());  // nothing to delete
  ASSERT_TRUE(picture.CreateFilled(4, 4, RGB(5, 5, 5)));
  HBITMAP handle = picture.get();
  EXPECT_EQ(GetObjectType(handle), static_cast<DWORD>(OBJ_BITMAP));
  EXPECT_TRUE(picture.Delete());
  EXPECT_EQ(picture.get(), nullptr);
  EXPECT_EQ(picture.Picture().bitmap, nullptr);
  EXPECT_EQ(GetObjectType(handle), 0u);
  EXPECT_FALSE(picture.Delete());
  SIZE size = picture.GetSize();
  EXPECT_EQ(size.cx, 0);
  EXPECT_EQ(size.cy, 0);
}

TEST(MemoryBitmapCreate, Delete_KeepsHandleWhenDeletionFails) {
  OwnedMemoryBitmap picture;
  ASSERT_TRUE(picture.CreateFilled(4, 4, RGB(5, 5, 5)));
  HBITMAP handle = picture.get();
  // A bitmap selected into a device context cannot be deleted.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, handle);
  bool deleted = picture.Delete();
  if (!deleted) {
    EXPECT_EQ(picture.get(), handle);
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  if (!deleted) {
    EXPECT_TRUE(picture.Delete());
  }
  EXPECT_EQ(picture.get(), nullptr);
}

template <typename T, typename = void>
struct CanDelete : std::false_type {};
template <typename T>
struct CanDelete<T, std::void_t<decltype(std::declval<T&>().Delete())>> : std::true_type {};
template <typename T, typename = void>
struct CanReplace : std::false_type {};
template <typename T>
struct CanReplace<T, std::void_t<decltype(std::declval<T&>().CreateFilled(1, 1, 0))>> : std::true_type {};

// The record borrows (an image skin's refers to a pool bitmap): it offers no
// way to delete or replace its bitmap. Making and deleting are the owner's,
// and the owner does not copy.
static_assert(!CanDelete<MemoryBitmap>::value && !CanReplace<MemoryBitmap>::value);
static_assert(CanDelete<OwnedMemoryBitmap>::value && CanReplace<OwnedMemoryBitmap>::value);
static_assert(!std::is_copy_constructible_v<OwnedMemoryBitmap>);

TEST(MemoryBitmapCreate, OwnedMemoryBitmap_DeletesOnScopeExit) {
  HBITMAP handle = nullptr;
  {
    OwnedMemoryBitmap picture;
    ASSERT_TRUE(picture.CreateFilled(2, 2, RGB(0, 0, 0)));
    handle = picture.get();
  }
  EXPECT_EQ(GetObjectType(handle), 0u);
}

TEST(MemoryBitmapCreate, Defaults_PlainModeMagentaKeyNoFrames) {
  MemoryBitmap picture;
  EXPECT_EQ(picture.bitmap, nullptr);
  EXPECT_EQ(picture.frameWidth, 0);
  EXPECT_EQ(picture.drawMode, MemoryBitmap::ModePlain);
  EXPECT_EQ(picture.keyColor, RGB(255, 0, 255));
}

// ---- Plain copy and frames -------------------------------------------------

TEST(MemoryBitmapPlain, WholePictureLandsPixelForPixel) {
  DibBitmap source(6, 4, PositionPicture(6, 4));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.frameWidth = 2;  // ignored for the whole picture
  DibCanvas canvas(16, 12, kBackground);
  EXPECT_NE(picture.Draw(canvas.dc(), 5, 6, -1), 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(canvas.Pixel(5 + x, 6 + y), PositionColour(x, y)) << x << "," << y;
  EXPECT_EQ(canvas.CountOutside(Area(5, 6, 6, 4), kBackground), 0);
}

TEST(MemoryBitmapPlain, FrameTwoOfFourCopiesColumns142To212) {
  DibBitmap source(284, 3, PositionPicture(284, 3));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.frameWidth = 71;
  DibCanvas canvas(80, 6, kBackground);
  EXPECT_NE(picture.Draw(canvas.dc(), 3, 1, 2), 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 71; ++x)
      ASSERT_EQ(canvas.Pixel(3 + x, 1 + y), PositionColour(142 + x, y)) << x << "," << y;
  EXPECT_EQ(canvas.CountOutside(Area(3, 1, 71, 3), kBackground), 0);
}

TEST(MemoryBitmapPlain, DeviceDependentBitmapIsCopiedToo) {
  DeviceBitmap source(4, 2, PositionPicture(4, 2));
  ASSERT_NE(source.get(), nullptr);
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.frameWidth = 2;
  DibCanvas canvas(6, 4, kBackground);
  EXPECT_NE(picture.Draw(canvas.dc(), 1, 1, 1), 0);
  EXPECT_EQ(canvas.Pixel(1, 1), PositionColour(2, 0));
  EXPECT_EQ(canvas.Pixel(2, 2), PositionColour(3, 1));
  EXPECT_EQ(canvas.CountOutside(Area(1, 1, 2, 2), kBackground), 0);
}

TEST(MemoryBitmapPlain, FrameIndexWithoutFrameWidthDrawsNothing) {
  DibBitmap source(8, 2, PositionPicture(8, 2));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  DibCanvas canvas(10, 4, kBackground);
  EXPECT_EQ(picture.Draw(canvas.dc(), 0, 0, 0), 0);
  EXPECT_EQ(picture.Draw(canvas.dc(), 0, 0, 3), 0);
  EXPECT_EQ(canvas.CountOutside(RECT{}, kBackground), 0);
  EXPECT_NE(picture.Draw(canvas.dc(), 0, 0, -1), 0);  // the whole picture still draws
  EXPECT_EQ(canvas.Pixel(7, 1), PositionColour(7, 1));
}

TEST(MemoryBitmapPlain, NegativeFrameWidthCountsAsNoFrames) {
  DibBitmap source(8, 2, PositionPicture(8, 2));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.frameWidth = -4;
  DibCanvas canvas(12, 4, kBackground);
  EXPECT_EQ(picture.Draw(canvas.dc(), 4, 0, 1), 0);
  EXPECT_EQ(canvas.CountOutside(RECT{}, kBackground), 0);
  EXPECT_NE(picture.Draw(canvas.dc(), 4, 0, -1), 0);
  EXPECT_EQ(canvas.CountOutside(Area(4, 0, 8, 2), kBackground), 0);
}

TEST(MemoryBitmapPlain, FramePastTheStripDrawsNothing) {
  DibBitmap source(12, 2, PositionPicture(12, 2));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.frameWidth = 3;
  DibCanvas canvas(10, 4, kBackground);
  EXPECT_EQ(picture.Draw(canvas.dc(), 2, 1, 4), 0);
  EXPECT_EQ(picture.Draw(canvas.dc(), 2, 1, 1000000000), 0);
  EXPECT_EQ(picture.Draw(canvas.dc(), 2, 1, -2), 0);
  EXPECT_EQ(canvas.CountOutside(RECT{}, kBackground), 0);
}

TEST(MemoryBitmapPlain, FramePartlyPastTheStripDrawsOnlyItsColumnsInTheBitmap) {
  DibBitmap source(8, 2, PositionPicture(8, 2));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.frameWidth = 3;  // frame 2 covers columns 6..8, the bitmap ends at 7
  DibCanvas canvas(10, 4, kBackground);
  EXPECT_NE(picture.Draw(canvas.dc(), 1, 1, 2), 0);
  EXPECT_EQ(canvas.Pixel(1, 1), PositionColour(6, 0));
  EXPECT_EQ(canvas.Pixel(2, 2), PositionColour(7, 1));
  EXPECT_EQ(canvas.CountOutside(Area(1, 1, 2, 2), kBackground), 0);
}

TEST(MemoryBitmapPlain, NothingToDrawWithoutBitmapDcOrKnownMode) {
  MemoryBitmap empty;
  DibCanvas canvas(4, 4, kBackground);
  EXPECT_EQ(empty.Draw(canvas.dc(), 0, 0, -1), 0);

  DibBitmap source(2, 2, PositionPicture(2, 2));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  EXPECT_EQ(picture.Draw(nullptr, 0, 0, -1), 0);
  picture.drawMode = 7;
  EXPECT_EQ(picture.Draw(canvas.dc(), 0, 0, -1), 0);
  EXPECT_EQ(canvas.CountOutside(RECT{}, kBackground), 0);
}

TEST(MemoryBitmapPlain, DrawLeavesTheBitmapFreeForTheNextDraw) {
  DibBitmap source(2, 2, PositionPicture(2, 2));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  DibCanvas canvas(6, 2, kBackground);
  EXPECT_NE(picture.Draw(canvas.dc(), 0, 0, -1), 0);
  EXPECT_NE(picture.Draw(canvas.dc(), 3, 0, -1), 0);
  EXPECT_EQ(canvas.Pixel(4, 1), PositionColour(1, 1));
  // The bitmap is deselected again, so its owner can delete it.
  HBITMAP handle = source.release();
  EXPECT_TRUE(DeleteObject(handle));
}

// ---- Colour key ---------------------------------------------------------------

TEST(MemoryBitmapColorKey, MagentaPixelsLeaveTheDestinationUnchanged) {
  std::vector<uint32_t> pixels = PositionPicture(4, 3);
  pixels[1] = kMagenta;
  pixels[4 + 2] = kMagenta;
  pixels[8 + 3] = kMagenta;
  DibBitmap source(4, 3, pixels);
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.drawMode = MemoryBitmap::ModeColorKey;
  DibCanvas canvas(8, 6, kBackground);
  EXPECT_EQ(picture.Draw(canvas.dc(), 2, 1, -1), 1);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      COLORREF expected = pixels[y * 4 + x] == kMagenta ? kBackground : PositionColour(x, y);
      EXPECT_EQ(canvas.Pixel(2 + x, 1 + y), expected) << x << "," << y;
    }
  EXPECT_EQ(canvas.CountOutside(Area(2, 1, 4, 3), kBackground), 0);
}

TEST(MemoryBitmapColorKey, OtherKeyColourMakesMagentaOpaque) {
  std::vector<uint32_t> pixels = {kMagenta, 0xFF010203, 0xFF405060};
  DibBitmap source(3, 1, pixels);
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.drawMode = MemoryBitmap::ModeColorKey;
  picture.keyColor = RGB(1, 2, 3);
  DibCanvas canvas(3, 1, kBackground);
  EXPECT_EQ(picture.Draw(canvas.dc(), 0, 0, -1), 1);
  EXPECT_EQ(canvas.Pixel(0, 0), RGB(255, 0, 255));
  EXPECT_EQ(canvas.Pixel(1, 0), kBackground);
  EXPECT_EQ(canvas.Pixel(2, 0), RGB(0x40, 0x50, 0x60));
}

TEST(MemoryBitmapColorKey, FrameIndexSelectsColumnsAndKeyStillApplies) {
  std::vector<uint32_t> pixels = PositionPicture(6, 2);
  pixels[4] = kMagenta;  // frame 1 (columns 3..5), its second column, top row
  DibBitmap source(6, 2, pixels);
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.frameWidth = 3;
  picture.drawMode = MemoryBitmap::ModeColorKey;
  DibCanvas canvas(5, 3, kBackground);
  EXPECT_EQ(picture.Draw(canvas.dc(), 1, 1, 1), 1);
  EXPECT_EQ(canvas.Pixel(1, 1), PositionColour(3, 0));
  EXPECT_EQ(canvas.Pixel(2, 1), kBackground);
  EXPECT_EQ(canvas.Pixel(3, 1), PositionColour(5, 0));
  EXPECT_EQ(canvas.Pixel(2, 2), PositionColour(4, 1));
  EXPECT_EQ(canvas.CountOutside(Area(1, 1, 3, 2), kBackground), 0);
}

TEST(MemoryBitmapColorKey, RestoresTheDestinationColours) {
  DibBitmap source(2, 2, PositionPicture(2, 2));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.drawMode = MemoryBitmap::ModeColorKey;
  DibCanvas canvas(2, 2, kBackground);
  SetBkColor(canvas.dc(), RGB(11, 22, 33));
  SetTextColor(canvas.dc(), RGB(44, 55, 66));
  EXPECT_EQ(picture.Draw(canvas.dc(), 0, 0, -1), 1);
  EXPECT_EQ(GetBkColor(canvas.dc()), RGB(11, 22, 33));
  EXPECT_EQ(GetTextColor(canvas.dc()), RGB(44, 55, 66));
}

// ---- Per-pixel alpha -------------------------------------------------------

TEST(MemoryBitmapAlpha, StraightAlphaZeroFullAndHalf) {
  const COLORREF destination = RGB(40, 80, 120);
  std::vector<uint32_t> pixels = {0x00FF0000, 0xFF0A141E, 0x80C86432, 0x40FFFFFF};
  DibBitmap source(4, 1, pixels);
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.drawMode = MemoryBitmap::ModeAlpha;
  DibCanvas canvas(6, 3, destination);
  EXPECT_EQ(picture.Draw(canvas.dc(), 1, 1, -1), 1);
  EXPECT_EQ(canvas.Pixel(1, 1), destination);       // alpha 0: untouched
  EXPECT_EQ(canvas.Pixel(2, 1), RGB(10, 20, 30));   // alpha 255: the source exactly
  // alpha 128, straight colour: (s * 128 + d * 127) / 255.
  EXPECT_TRUE(Near(canvas.Pixel(3, 1), (200 * 128 + 40 * 127) / 255, (100 * 128 + 80 * 127) / 255,
                   (50 * 128 + 120 * 127) / 255, 2))
      << std::hex << canvas.Pixel(3, 1);
  EXPECT_TRUE(Near(canvas.Pixel(4, 1), (255 * 64 + 40 * 191) / 255, (255 * 64 + 80 * 191) / 255,
                   (255 * 64 + 120 * 191) / 255, 2));
  EXPECT_EQ(canvas.CountOutside(Area(1, 1, 4, 1), destination), 0);
}

TEST(MemoryBitmapAlpha, FrameOfAStripBlendsItsOwnColumnsAndRows) {
  DibBitmap source(9, 4, PositionPicture(9, 4));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.frameWidth = 3;
  picture.drawMode = MemoryBitmap::ModeAlpha;
  DibCanvas canvas(7, 7, kBackground);
  EXPECT_EQ(picture.Draw(canvas.dc(), 2, 1, 2), 1);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(canvas.Pixel(2 + x, 1 + y), PositionColour(6 + x, y)) << x << "," << y;
  EXPECT_EQ(canvas.CountOutside(Area(2, 1, 3, 4), kBackground), 0);
}

TEST(MemoryBitmapAlpha, TopDownSourceIsDrawnUpright) {
  DibBitmap bottomUp(2, 3, PositionPicture(2, 3), false);
  DibBitmap topDown(2, 3, PositionPicture(2, 3), true);
  for (HBITMAP handle : {bottomUp.get(), topDown.get()}) {
    MemoryBitmap picture;
    picture.bitmap = handle;
    picture.drawMode = MemoryBitmap::ModeAlpha;
    DibCanvas canvas(2, 3, kBackground);
    EXPECT_EQ(picture.Draw(canvas.dc(), 0, 0, -1), 1);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 2; ++x) EXPECT_EQ(canvas.Pixel(x, y), PositionColour(x, y)) << x << "," << y;
  }
}

TEST(MemoryBitmapAlpha, TwentyFourBitSourceDrawsNothing) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = 3;
  info.bmiHeader.biHeight = 2;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(handle, nullptr);
  memset(bits, 0x7F, 12 * 2);
  MemoryBitmap picture;
  picture.bitmap = handle;
  picture.drawMode = MemoryBitmap::ModeAlpha;
  DibCanvas canvas(4, 4, kBackground);
  EXPECT_EQ(picture.Draw(canvas.dc(), 0, 0, -1), 0);
  EXPECT_EQ(canvas.CountOutside(RECT{}, kBackground), 0);
  picture.drawMode = MemoryBitmap::ModePlain;  // the same bitmap draws in plain mode
  EXPECT_NE(picture.Draw(canvas.dc(), 0, 0, -1), 0);
  EXPECT_EQ(canvas.Pixel(0, 0), RGB(0x7F, 0x7F, 0x7F));
  DeleteObject(handle);
}

TEST(MemoryBitmapAlpha, FramePastTheStripDrawsNothing) {
  DibBitmap source(6, 2, PositionPicture(6, 2));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.frameWidth = 3;
  picture.drawMode = MemoryBitmap::ModeAlpha;
  DibCanvas canvas(6, 4, kBackground);
  EXPECT_EQ(picture.Draw(canvas.dc(), 0, 0, 2), 0);
  EXPECT_EQ(picture.Draw(canvas.dc(), 0, 0, -5), 0);
  EXPECT_EQ(canvas.CountOutside(RECT{}, kBackground), 0);
}

TEST(MemoryBitmapAlpha, DestinationPartlyOffTheCanvasIsSafe) {
  DibBitmap source(4, 4, PositionPicture(4, 4));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.drawMode = MemoryBitmap::ModeAlpha;
  DibCanvas canvas(4, 4, kBackground);
  EXPECT_EQ(picture.Draw(canvas.dc(), -2, -1, -1), 1);
  EXPECT_EQ(canvas.Pixel(0, 0), PositionColour(2, 1));
  EXPECT_EQ(canvas.Pixel(1, 2), PositionColour(3, 3));
  EXPECT_EQ(canvas.CountOutside(Area(0, 0, 2, 3), kBackground), 0);
}

// ---- Partial copies ----------------------------------------------------------

TEST(MemoryBitmapParts, BlitPartMovesByFramesOfTheIndex) {
  DibBitmap source(8, 3, PositionPicture(8, 3));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.frameWidth = 4;
  DibCanvas canvas(6, 5, kBackground);
  EXPECT_TRUE(picture.BlitPart(canvas.dc(), 2, 1, 2, 2, 1, 1, 1));
  EXPECT_EQ(canvas.Pixel(2, 1), PositionColour(5, 1));
  EXPECT_EQ(canvas.Pixel(3, 2), PositionColour(6, 2));
  EXPECT_EQ(canvas.CountOutside(Area(2, 1, 2, 2), kBackground), 0);
  // Index -1: no offset.
  EXPECT_TRUE(picture.BlitPart(canvas.dc(), 0, 0, 1, 1, 1, 1, -1));
  EXPECT_EQ(canvas.Pixel(0, 0), PositionColour(1, 1));
}

TEST(MemoryBitmapParts, StretchPartStretchesOneColumn) {
  DibBitmap source(3, 2, PositionPicture(3, 2));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  DibCanvas canvas(8, 4, kBackground);
  EXPECT_TRUE(picture.StretchPart(canvas.dc(), 1, 0, 5, 2, 1, 0, 1, 2, -1));
  for (int x = 1; x < 6; ++x) {
    EXPECT_EQ(canvas.Pixel(x, 0), PositionColour(1, 0));
    EXPECT_EQ(canvas.Pixel(x, 1), PositionColour(1, 1));
  }
  EXPECT_EQ(canvas.CountOutside(Area(1, 0, 5, 2), kBackground), 0);
}

TEST(MemoryBitmapParts, ColourKeyPartsKeepKeyPixelsTransparent) {
  std::vector<uint32_t> pixels = {0xFF102030, kMagenta, 0xFF405060};
  DibBitmap source(3, 1, pixels);
  MemoryBitmap picture;
  picture.bitmap = source.get();
  picture.drawMode = MemoryBitmap::ModeColorKey;
  DibCanvas canvas(6, 2, kBackground);
  EXPECT_TRUE(picture.BlitPart(canvas.dc(), 0, 0, 3, 1, 0, 0, -1));
  EXPECT_EQ(canvas.Pixel(0, 0), RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(canvas.Pixel(1, 0), kBackground);
  EXPECT_EQ(canvas.Pixel(2, 0), RGB(0x40, 0x50, 0x60));
  EXPECT_TRUE(picture.StretchPart(canvas.dc(), 0, 1, 6, 1, 1, 0, 1, 1, -1));  // magenta stretched
  EXPECT_TRUE(canvas.AllPixels(Area(0, 1, 6, 1), kBackground));
}

TEST(MemoryBitmapParts, AlphaModeAndBadSizesDrawNothing) {
  DibBitmap source(4, 4, PositionPicture(4, 4));
  MemoryBitmap picture;
  picture.bitmap = source.get();
  DibCanvas canvas(6, 6, kBackground);
  EXPECT_FALSE(picture.BlitPart(canvas.dc(), 0, 0, 0, 2, 0, 0, -1));
  EXPECT_FALSE(picture.BlitPart(canvas.dc(), 0, 0, 2, -2, 0, 0, -1));
  EXPECT_FALSE(picture.StretchPart(canvas.dc(), 0, 0, 2, 2, 0, 0, -1, 2, -1));
  picture.drawMode = MemoryBitmap::ModeAlpha;
  EXPECT_FALSE(picture.BlitPart(canvas.dc(), 0, 0, 2, 2, 0, 0, -1));
  EXPECT_FALSE(picture.StretchPart(canvas.dc(), 0, 0, 4, 4, 0, 0, 2, 2, -1));
  MemoryBitmap empty;
  EXPECT_FALSE(empty.BlitPart(canvas.dc(), 0, 0, 2, 2, 0, 0, -1));
  EXPECT_EQ(canvas.CountOutside(RECT{}, kBackground), 0);
}

TEST(MemoryBitmapCreate, OwnedMemoryBitmap_MovesItsBitmapAndDeletesItOnce) {
  HBITMAP handle = nullptr;
  HBITMAP replaced = nullptr;
  {
    OwnedMemoryBitmap target;
    ASSERT_TRUE(target.CreateFilled(3, 3, RGB(9, 9, 9)));
    replaced = target.get();
    {
      OwnedMemoryBitmap source;
      ASSERT_TRUE(source.CreateFilled(2, 2, RGB(40, 50, 60)));
      source.frameWidth = 1;
      handle = source.get();
      OwnedMemoryBitmap middle(std::move(source));
      EXPECT_EQ(source.get(), nullptr);
      EXPECT_EQ(source.Picture().bitmap, nullptr);
      DibCanvas untouched(4, 4, kBackground);
      EXPECT_EQ(source.Draw(untouched.dc(), 0, 0, -1), 0);
      target = std::move(middle);
      EXPECT_EQ(middle.get(), nullptr);
    }
    EXPECT_EQ(GetObjectType(replaced), 0u);  // the target's own bitmap went at the assignment
    ASSERT_EQ(GetObjectType(handle), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(target.get(), handle);
    EXPECT_EQ(target.Picture().bitmap, handle);
    EXPECT_EQ(target.frameWidth, 1);
    DibCanvas canvas(4, 4, kBackground);
    EXPECT_NE(target.Draw(canvas.dc(), 1, 1, -1), 0);
    EXPECT_TRUE(canvas.AllPixels(Area(1, 1, 2, 2), RGB(40, 50, 60)));
  }
  EXPECT_EQ(GetObjectType(handle), 0u);
}

// ---- OffscreenBitmap ------------------------------------------------------------

TEST(OffscreenBitmap, PaintsThroughItsOwnContextAndCopiesOut) {
  OffscreenBitmap offscreen;
  EXPECT_FALSE(offscreen);
  EXPECT_EQ(offscreen.Dc(), nullptr);
  EXPECT_FALSE(offscreen.CopyTo(DibCanvas(2, 2, kBackground).dc(), 0, 0));

  ASSERT_TRUE(offscreen.Create(6, 3, RGB(10, 20, 30)));
  ASSERT_TRUE(offscreen);
  EXPECT_EQ(GetCurrentObject(offscreen.Dc(), OBJ_BITMAP), offscreen.Bitmap());
  const RECT cell = {1, 1, 3, 2};
  SetBkColor(offscreen.Dc(), RGB(200, 0, 0));
  ExtTextOutW(offscreen.Dc(), 0, 0, ETO_OPAQUE, &cell, nullptr, 0, nullptr);

  DibCanvas canvas(10, 6, kBackground);
  ASSERT_TRUE(offscreen.CopyTo(canvas.dc(), 2, 2));
  EXPECT_TRUE(canvas.AllPixels(Area(3, 3, 2, 1), RGB(200, 0, 0)));
  EXPECT_EQ(canvas.Pixel(2, 2), RGB(10, 20, 30));
  EXPECT_EQ(canvas.Pixel(7, 4), RGB(10, 20, 30));
  EXPECT_EQ(canvas.CountOutside(Area(2, 2, 6, 3), kBackground), 0);
}

// A new size, a failed size and Release each free what was held: the old
// context and bitmap handles stop naming objects.
TEST(OffscreenBitmap, ReplacingAndReleasingFreeTheContextAndTheBitmap) {
  OffscreenBitmap offscreen;
  ASSERT_TRUE(offscreen.Create(4, 4, RGB(1, 2, 3)));
  HDC firstDc = offscreen.Dc();
  HBITMAP firstBitmap = offscreen.Bitmap();
  ASSERT_TRUE(offscreen.Create(8, 2, CLR_INVALID));
  EXPECT_EQ(GetObjectType(firstBitmap), 0u);
  EXPECT_EQ(GetObjectType(firstDc), 0u);
  EXPECT_EQ(offscreen.GetSize().cx, 8);
  EXPECT_EQ(offscreen.GetSize().cy, 2);

  HDC secondDc = offscreen.Dc();
  HBITMAP secondBitmap = offscreen.Bitmap();
  for (const SIZE bad : {SIZE{0, 4}, SIZE{4, -1}}) {
    EXPECT_FALSE(offscreen.Create(bad.cx, bad.cy, RGB(0, 0, 0)));
    EXPECT_FALSE(offscreen);
  }
  EXPECT_EQ(GetObjectType(secondBitmap), 0u);
  EXPECT_EQ(GetObjectType(secondDc), 0u);

  ASSERT_TRUE(offscreen.Create(3, 3, RGB(0, 0, 0)));
  HBITMAP third = offscreen.Bitmap();
  offscreen.Release();
  EXPECT_FALSE(offscreen);
  EXPECT_EQ(GetObjectType(third), 0u);
}

}  // namespace
