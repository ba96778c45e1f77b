#include "skin/resources/image_pool.h"

#include <gdiplus.h>
#include <gtest/gtest.h>
#include <objidl.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "skin/resources/dpi_scale.h"
#include "skin/resources/gdiplus_drawing.h"
#include "skin/resources/memory_bitmap.h"
#include "skin/resources/skin_resource.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/test_support.h"

// The embedded pictures come from images/image_test.rc: bitmap 1 (4 x 2),
// bitmap 2 (2 x 2), PNG 5 (1 x 2), PNG 6 (2 x 2 with alpha), PNG 7 (1 x 1).
// ctest runs every case in its own process, so each case meets fresh pools.

namespace {

const COLORREF kBackground = RGB(0, 200, 0);

// ---- Test pictures written as files ------------------------------------------

void PutBigEndian(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void PutLittleEndian(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t Crc32(const std::string& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : data) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xFFFFFFFFu;
}

// An RGBA PNG of `argb` (rows from the top, 0xAARRGGBB), deflated with stored
// blocks so that the test needs no compressor.
std::string EncodePng(int width, int height, const std::vector<uint32_t>& argb) {
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back('\0');  // filter: none
    for (int x = 0; x < width; ++x) {
      uint32_t p = argb[static_cast<size_t>(y) * width + x];
      raw.push_back(static_cast<char>((p >> 16) & 0xFF));
      raw.push_back(static_cast<char>((p >> 8) & 0xFF));
      raw.push_back(static_cast<char>(p & 0xFF));
      raw.push_back(static_cast<char>(p >> 24));
    }
  }
  std::string zlib = "\x78\x01";
  for (size_t at = 0; at == 0 || at < raw.size(); at += 65535) {
    size_t length = std::min<size_t>(65535, raw.size() - at);
    zlib.push_back(at + length >= raw.size() ? 1 : 0);
    PutLittleEndian(zlib, static_cast<uint32_t>(length), 2);
    PutLittleEndian(zlib, static_cast<uint32_t>(~length & 0xFFFF), 2);
    zlib += raw.substr(at, length);
  }
  uint32_t a = 1, b = 0;
  for (unsigned char byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBigEndian(zlib, (b << 16) | a);

  auto chunk = [](const char* type, const std::string& data) {
    std::string out;
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    PutBigEndian(out, Crc32(body));
    return out;
  };
  std::string header;
  PutBigEndian(header, static_cast<uint32_t>(width));
  PutBigEndian(header, static_cast<uint32_t>(height));
  header += std::string("\x08\x06\x00\x00\x00", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", zlib) + chunk("IEND", "");
}

// A 24-bit bottom-up BMP file of `argb` (rows from the top; alpha dropped).
std::string EncodeBmp24(int width, int height, const std::vector<uint32_t>& argb) {
  const int stride = (width * 3 + 3) & ~3;
  std::string pixels;
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      uint32_t p = argb[static_cast<size_t>(y) * width + x];
      pixels.push_back(static_cast<char>(p & 0xFF));
      pixels.push_back(static_cast<char>((p >> 8) & 0xFF));
      pixels.push_back(static_cast<char>((p >> 16) & 0xFF));
    }
    pixels.append(static_cast<size_t>(stride - width * 3), '\0');
  }
  std::string out = "BM";
  PutLittleEndian(out, static_cast<uint32_t>(14 + 40 + pixels.size()), 4);
  PutLittleEndian(out, 0, 4);
  PutLittleEndian(out, 14 + 40, 4);
  PutLittleEndian(out, 40, 4);
  PutLittleEndian(out, static_cast<uint32_t>(width), 4);
  PutLittleEndian(out, static_cast<uint32_t>(height), 4);
  PutLittleEndian(out, 1, 2);
  PutLittleEndian(out, 24, 2);
  PutLittleEndian(out, 0, 4);
  PutLittleEndian(out, static_cast<uint32_t>(pixels.size()), 4);
  PutLittleEndian(out, 2835, 4);
  PutLittleEndian(out, 2835, 4);
  PutLittleEndian(out, 0, 4);
  PutLittleEndian(out, 0, 4);
  return out + pixels;
}

std::wstring FileIn(const std::wstring& folder, const wchar_t* name) { return folder + L"\\" + name; }

SIZE BitmapSize(HBITMAP bitmap) {
  MemoryBitmap picture;
  picture.bitmap = bitmap;
  return picture.GetSize();
}

// Draws a pool image 1:1 at (x, y) the way the PNG skins do, through GDI+.
void DrawImage(DibCanvas& canvas, Gdiplus::Image* image, int x, int y) {
  Gdiplus::Graphics graphics(canvas.dc());
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  const int w = static_cast<int>(image->GetWidth());
  const int h = static_cast<int>(image->GetHeight());
  graphics.DrawImage(image, Gdiplus::Rect(x, y, w, h), 0, 0, w, h, Gdiplus::UnitPixel);
}

bool Near(COLORREF actual, int r, int g, int b, int tolerance) {
  return std::abs(GetRValue(actual) - r) <= tolerance && std::abs(GetGValue(actual) - g) <= tolerance &&
         std::abs(GetBValue(actual) - b) <= tolerance;
}

// ---- Bitmap pool ------------------------------------------------------------

TEST(BkBmpPool, EmbeddedBitmapIsLoadedOnceAndShared) {
  HBITMAP first = BkBmpPool::GetBitmap(1);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(BkBmpPool::GetBitmap(1), first);
  SIZE size = BitmapSize(first);
  EXPECT_EQ(size.cx, 4);
  EXPECT_EQ(size.cy, 2);

  // The embedded 24-bit pixels come through unchanged.
  MemoryBitmap picture;
  picture.bitmap = first;
  DibCanvas canvas(4, 2, kBackground);
  ASSERT_NE(picture.Draw(canvas.dc(), 0, 0, -1), 0);
  EXPECT_EQ(canvas.Pixel(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(canvas.Pixel(3, 0), RGB(255, 255, 0));
  EXPECT_EQ(canvas.Pixel(1, 1), RGB(255, 0, 255));
  EXPECT_EQ(canvas.Pixel(3, 1), RGB(200, 150, 100));

  HBITMAP second = BkBmpPool::GetBitmap(2);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
}

TEST(BkBmpPool, UnknownIdsGiveNull) {
  EXPECT_EQ(BkBmpPool::GetBitmap(999), nullptr);
  EXPECT_EQ(BkBmpPool::GetBitmap(0), nullptr);
  EXPECT_EQ(BkBmpPool::GetBitmap(-3), nullptr);
}

TEST(BkBmpPool, SkinFolderFileWinsAndOtherIdsStayEmbedded) {
  const std::wstring folder = MakeScratchFolder("bmp_pool_folder");
  std::vector<uint32_t> pixels = {0xFF102030, 0xFF405060, 0xFF708090,  //
                                  0xFFA0B0C0, 0xFFD0E0F0, 0xFF010203,  //
                                  0xFF040506, 0xFF070809, 0xFF0A0B0C};
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"2.bmp"), EncodeBmp24(3, 3, pixels)));
  SetSkinFolder(folder);

  HBITMAP fromFile = BkBmpPool::GetBitmap(2);
  ASSERT_NE(fromFile, nullptr);
  SIZE size = BitmapSize(fromFile);
  EXPECT_EQ(size.cx, 3);  // the embedded bitmap 2 is 2 x 2
  EXPECT_EQ(size.cy, 3);
  MemoryBitmap picture;
  picture.bitmap = fromFile;
  DibCanvas canvas(3, 3, kBackground);
  ASSERT_NE(picture.Draw(canvas.dc(), 0, 0, -1), 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(canvas.Pixel(x, y), ColorOf(pixels[y * 3 + x])) << x << "," << y;

  HBITMAP embedded = BkBmpPool::GetBitmap(1);
  ASSERT_NE(embedded, nullptr);
  EXPECT_EQ(BitmapSize(embedded).cx, 4);
  EXPECT_EQ(BkBmpPool::GetBitmap(2), fromFile);
}

TEST(BkBmpPool, MissIsNotRememberedAndBrokenFilesAreRejected) {
  const std::wstring folder = MakeScratchFolder("bmp_pool_retry");
  SetSkinFolder(folder);
  EXPECT_EQ(BkBmpPool::GetBitmap(42), nullptr);
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"42.bmp"), EncodeBmp24(2, 1, {0xFF112233, 0xFF445566})));
  HBITMAP found = BkBmpPool::GetBitmap(42);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(BitmapSize(found).cx, 2);

  // A truncated or foreign file is no bitmap: the embedded one is used, or
  // nothing when there is none.
  std::string truncated = EncodeBmp24(8, 8, std::vector<uint32_t>(64, 0xFF808080)).substr(0, 70);
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"1.bmp"), truncated));
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"45.bmp"), "not a bitmap at all"));
  HBITMAP one = BkBmpPool::GetBitmap(1);
  if (one) {
    EXPECT_TRUE(BitmapSize(one).cx == 4 || BitmapSize(one).cx == 8);
  }
  EXPECT_EQ(BkBmpPool::GetBitmap(45), nullptr);
}

// ---- PNG pool ---------------------------------------------------------------

TEST(BkPngPool, EmbeddedImageIsDecodedOnceAndShared) {
  Gdiplus::Image* image = BkPngPool::GetImage(6, true);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(BkPngPool::GetImage(6, true), image);
  EXPECT_EQ(BkPngPool::GetImage(6), image);
  EXPECT_EQ(image->GetWidth(), 2u);
  EXPECT_EQ(image->GetHeight(), 2u);

  // Drawn with straight alpha over the destination.
  DibCanvas canvas(4, 4, kBackground);
  DrawImage(canvas, image, 1, 1);
  EXPECT_EQ(canvas.Pixel(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(canvas.Pixel(2, 2), RGB(30, 60, 90));
  EXPECT_EQ(canvas.Pixel(1, 2), kBackground);  // alpha 0
  EXPECT_TRUE(Near(canvas.Pixel(2, 1), 0, (200 * 127) / 255, (255 * 128) / 255, 3)) << std::hex << canvas.Pixel(2, 1);
  EXPECT_EQ(canvas.CountOutside(RECT{1, 1, 3, 3}, kBackground), 0);
}

TEST(BkPngPool, LookUpWithoutLoadReturnsOnlyWhatIsLoaded) {
  EXPECT_EQ(BkPngPool::GetImage(7, false), nullptr);
  EXPECT_EQ(BkPngPool::GetImage(7, false), nullptr);
  Gdiplus::Image* image = BkPngPool::GetImage(7, true);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetWidth(), 1u);
  EXPECT_EQ(BkPngPool::GetImage(7, false), image);
}

TEST(BkPngPool, SkinFolderFileWinsOverEmbeddedImage) {
  const std::wstring folder = MakeScratchFolder("png_pool_folder");
  std::vector<uint32_t> pixels = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000};
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"5.png"), EncodePng(3, 1, pixels)));
  SetSkinFolder(folder);

  Gdiplus::Image* image = BkPngPool::GetImage(5, true);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetWidth(), 3u);  // the embedded PNG 5 is 1 x 2
  EXPECT_EQ(image->GetHeight(), 1u);
  DibCanvas canvas(3, 1, kBackground);
  DrawImage(canvas, image, 0, 0);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(canvas.Pixel(x, 0), ColorOf(pixels[x])) << x;

  // Ids without a file still come from the program.
  Gdiplus::Image* embedded = BkPngPool::GetImage(6, true);
  ASSERT_NE(embedded, nullptr);
  EXPECT_EQ(embedded->GetWidth(), 2u);
}

TEST(BkPngPool, MissReturnsNullAndALaterCallTriesAgain) {
  const std::wstring folder = MakeScratchFolder("png_pool_retry");
  SetSkinFolder(folder);
  EXPECT_EQ(BkPngPool::GetImage(43, true), nullptr);
  EXPECT_EQ(BkPngPool::GetImage(43, true), nullptr);
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"43.png"), EncodePng(2, 3, std::vector<uint32_t>(6, 0xFF123456))));
  Gdiplus::Image* image = BkPngPool::GetImage(43, true);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetWidth(), 2u);
  EXPECT_EQ(image->GetHeight(), 3u);
  EXPECT_EQ(BkPngPool::GetImage(43, false), image);
}

TEST(BkPngPool, UndecodableBytesGiveAnEmptyImageThatDrawsNothing) {
  const std::wstring folder = MakeScratchFolder("png_pool_broken");
  std::string truncated = EncodePng(4, 4, std::vector<uint32_t>(16, 0xFF000000)).substr(0, 30);
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"44.png"), "\x89PNG but not really"));
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"46.png"), truncated));
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"47.png"), ""));  // empty: no image at all
  SetSkinFolder(folder);

  for (int id : {44, 46}) {
    Gdiplus::Image* image = BkPngPool::GetImage(id, true);
    ASSERT_NE(image, nullptr) << id;
    EXPECT_EQ(image->GetWidth(), 0u);
    EXPECT_EQ(image->GetHeight(), 0u);
    EXPECT_EQ(BkPngPool::GetImage(id, true), image);  // kept, not decoded again
    DibCanvas canvas(4, 4, kBackground);
    Gdiplus::Graphics graphics(canvas.dc());
    graphics.DrawImage(image, Gdiplus::Rect(0, 0, 4, 4), 0, 0, 4, 4, Gdiplus::UnitPixel);
    EXPECT_EQ(canvas.CountOutside(RECT{}, kBackground), 0);
  }
  EXPECT_EQ(BkPngPool::GetImage(47, true), nullptr);
}

// ---- Premultiplied pixels of pool images -----------------------------------------

// The 32-bit pixels of a DIB section, top row first, as 0xAARRGGBB.
std::vector<uint32_t> SectionPixels(HBITMAP bitmap) {
  DIBSECTION section = {};
  if (GetObjectW(bitmap, sizeof(section), &section) != sizeof(section) || !section.dsBm.bmBits) return {};
  const auto* bits = static_cast<const uint32_t*>(section.dsBm.bmBits);
  return std::vector<uint32_t>(bits, bits + section.dsBm.bmWidth * std::abs(section.dsBm.bmHeight));
}

TEST(BkPngPool, PixelsArePremultipliedMadeOnceAndOnlyForPoolImages) {
  Gdiplus::Image* image = BkPngPool::GetImage(6, true);
  ASSERT_NE(image, nullptr);
  const PngPixels* pixels = BkPngPool::PixelsOf(image);
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(BkPngPool::PixelsOf(image), pixels);
  EXPECT_EQ(pixels->size.cx, 2);
  EXPECT_EQ(pixels->size.cy, 2);
  EXPECT_FALSE(pixels->opaque);
  EXPECT_EQ(GetCurrentObject(pixels->dc.get(), OBJ_BITMAP), pixels->bitmap.get());

  const std::vector<uint32_t> argb = SectionPixels(pixels->bitmap.get());
  ASSERT_EQ(argb.size(), 4u);
  EXPECT_EQ(argb[0], 0xFFFF0000u);  // opaque red
  EXPECT_EQ(argb[2] >> 24, 0u);     // alpha 0 keeps no colour
  EXPECT_EQ(argb[2] & 0xFFFFFFu, 0u);
  EXPECT_EQ(argb[3], 0xFF1E3C5Au);  // opaque (30, 60, 90)
  const uint32_t half = argb[1];    // blue (0, 0, 255) at alpha 128
  const int alpha = static_cast<int>(half >> 24);
  EXPECT_NEAR(alpha, 128, 1);
  EXPECT_EQ(half & 0xFFFF00u, 0u);
  EXPECT_NEAR(static_cast<int>(half & 0xFF), 255 * alpha / 255, 1);

  // An opaque image is marked so; images the pool does not hold get none.
  const PngPixels* opaque = BkPngPool::PixelsOf(BkPngPool::GetImage(7, true));
  ASSERT_NE(opaque, nullptr);
  EXPECT_TRUE(opaque->opaque);
  std::unique_ptr<Gdiplus::Image> copy(image->Clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(BkPngPool::PixelsOf(copy.get()), nullptr);
  EXPECT_EQ(BkPngPool::PixelsOf(nullptr), nullptr);
}

TEST(BkPngPool, UndecodableImagesHaveNoPixels) {
  const std::wstring folder = MakeScratchFolder("png_pool_no_pixels");
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"48.png"), "\x89PNG but not really"));
  SetSkinFolder(folder);
  Gdiplus::Image* image = BkPngPool::GetImage(48, true);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(BkPngPool::PixelsOf(image), nullptr);
  EXPECT_EQ(BkPngPool::PixelsOf(image), nullptr);
}

// Pool images are copied with GDI from their pixels, other images through
// GDI+: both ways composite and scale alike.
TEST(PngPainter, PoolPixelsAndGdiplusDrawTheSamePicture) {
  Gdiplus::Image* image = BkPngPool::GetImage(6, true);
  ASSERT_NE(image, nullptr);
  std::unique_ptr<Gdiplus::Image> copy(image->Clone());
  ASSERT_NE(copy, nullptr);
  struct Case {
    int dx, dy, dw, dh, sx, sy, sw, sh;
  };
  const Case cases[] = {
      {1, 1, 2, 2, 0, 0, 2, 2},    // 1:1
      {0, 0, 6, 6, 0, 0, 2, 2},    // three times larger
      {2, 1, 4, 2, 1, 0, 1, 2},    // one column stretched
      {0, 0, 4, 4, -1, -1, 4, 4},  // source partly outside the image: only its pixels
      {0, 0, 5, 5, 2, 2, 2, 2},    // source wholly outside: nothing
  };
  for (const Case& c : cases) {
    DibCanvas fromPool(8, 8, kBackground), fromGdiplus(8, 8, kBackground);
    {
      PngPainter painter(fromPool.dc());
      painter.DrawPart(image, c.dx, c.dy, c.dw, c.dh, c.sx, c.sy, c.sw, c.sh);
    }
    {
      PngPainter painter(fromGdiplus.dc());
      painter.DrawPart(copy.get(), c.dx, c.dy, c.dw, c.dh, c.sx, c.sy, c.sw, c.sh);
    }
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        EXPECT_TRUE(Near(fromPool.Pixel(x, y), GetRValue(fromGdiplus.Pixel(x, y)), GetGValue(fromGdiplus.Pixel(x, y)),
                         GetBValue(fromGdiplus.Pixel(x, y)), 2))
            << c.dw << "x" << c.dh << " at " << x << "," << y << ": " << std::hex << fromPool.Pixel(x, y) << " vs "
            << fromGdiplus.Pixel(x, y);
  }
}

// PNG 6 is 2 x 2 with one fully transparent pixel at (0, 1): the visible
// bounds of an area leave out its fully transparent margin.
TEST(BkPngPool, VisibleBoundsLeaveOutTheTransparentMargin) {
  const PngPixels* pixels = BkPngPool::PixelsOf(BkPngPool::GetImage(6, true));
  ASSERT_NE(pixels, nullptr);
  struct Case {
    RECT area;
    RECT visible;
  };
  const Case cases[] = {
      {{0, 0, 2, 2}, {0, 0, 2, 2}},  // the whole image
      {{0, 1, 1, 2}, {0, 0, 0, 0}},  // only the transparent pixel: nothing
      {{0, 1, 2, 2}, {1, 1, 2, 2}},  // the bottom row: its right pixel
      {{0, 0, 1, 2}, {0, 0, 1, 1}},  // the left column: its top pixel
      {{1, 0, 5, 9}, {1, 0, 5, 9}},  // partly outside the image: kept whole
  };
  for (const Case& c : cases) {
    for (int round = 0; round < 2; ++round) {  // worked out, then remembered
      const RECT visible = pixels->VisibleBounds(c.area);
      EXPECT_TRUE(EqualRect(&visible, &c.visible))
          << c.area.left << "," << c.area.top << "," << c.area.right << "," << c.area.bottom << " gave " << visible.left
          << "," << visible.top << "," << visible.right << "," << visible.bottom;
    }
  }

  // Drawing at scale 1 with the margin left out changes the same pixels as
  // blending the whole area would.
  DibCanvas trimmed(4, 4, kBackground);
  {
    PngPainter painter(trimmed.dc());
    EXPECT_TRUE(painter.DrawPart(BkPngPool::GetImage(6, true), 1, 1, 2, 1, 0, 1, 2, 1));
  }
  EXPECT_EQ(trimmed.Pixel(1, 1), kBackground);
  EXPECT_EQ(trimmed.Pixel(2, 1), RGB(30, 60, 90));
  EXPECT_EQ(trimmed.CountOutside(RECT{2, 1, 3, 2}, kBackground), 0);
}

}  // namespace

// ---- Pictures for larger display scales ---------------------------------------

namespace {

// The colour a 1:1 draw of `image` leaves at its last device pixel, drawn
// the way the PNG skins draw, through a transform of `dpi`.
COLORREF DrawnAt(Gdiplus::Image* image, int dpi) {
  const int w = static_cast<int>(image->GetWidth()), h = static_cast<int>(image->GetHeight());
  DibCanvas canvas(8, 8, kBackground);
  {
    const DpiTransform scale(canvas.dc(), dpi);
    PngPainter painter(canvas.dc());
    painter.DrawPart(image, 0, 0, w, h, 0, 0, w, h);
  }
  GdiFlush();
  return canvas.Pixel(ScaleToDpi(w, dpi) - 1, ScaleToDpi(h, dpi) - 1);
}

}  // namespace

TEST(BkPngPool, DrawsFromThePictureForTheNearestScaleAtOrAbove) {
  const std::wstring folder = MakeScratchFolder("png_pool_scales");
  const uint32_t base = 0xFF102030, at150 = 0xFF405060, at200 = 0xFF708090;
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"60.png"), EncodePng(2, 2, std::vector<uint32_t>(4, base))));
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"60.png150"), EncodePng(3, 3, std::vector<uint32_t>(9, at150))));
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"60.png200"), EncodePng(4, 4, std::vector<uint32_t>(16, at200))));
  // Only a 200 % picture, and one of the wrong shape (not the image drawn larger).
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"61.png"), EncodePng(2, 2, std::vector<uint32_t>(4, base))));
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"61.png200"), EncodePng(4, 4, std::vector<uint32_t>(16, at200))));
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"62.png"), EncodePng(2, 2, std::vector<uint32_t>(4, base))));
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"62.png150"), EncodePng(6, 3, std::vector<uint32_t>(18, at150))));
  SetSkinFolder(folder);

  const struct {
    int id, dpi;
    uint32_t expected;
  } cases[] = {
      {60, 96, base},   {60, 120, at150}, {60, 144, at150}, {60, 168, at200},
      {60, 192, at200}, {60, 288, at200}, {61, 144, at200}, {62, 144, base},
  };
  for (const auto& c : cases) {
    Gdiplus::Image* image = BkPngPool::GetImage(c.id, true);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(DrawnAt(image, c.dpi), ColorOf(c.expected)) << "image " << c.id << " at " << c.dpi << " DPI";
  }
}

TEST(BkPngPool, FolderPictureIsNeverDrawnFromTheProgramsLargerOne) {
  // The program embeds PNG 5 at 150 % too (77, 77, 77).
  Gdiplus::Image* embedded = BkPngPool::GetImage(5, true);
  ASSERT_NE(embedded, nullptr);
  EXPECT_EQ(DrawnAt(embedded, 144), RGB(77, 77, 77));

  BkPngPool::Clear();
  const std::wstring folder = MakeScratchFolder("png_pool_folder_scale");
  // The program's own shape, so that its larger picture would fit it.
  ASSERT_TRUE(WriteFileBytes(FileIn(folder, L"5.png"), EncodePng(1, 2, std::vector<uint32_t>(2, 0xFFC80000))));
  SetSkinFolder(folder);
  Gdiplus::Image* fromFolder = BkPngPool::GetImage(5, true);
  ASSERT_NE(fromFolder, nullptr);
  EXPECT_EQ(DrawnAt(fromFolder, 144), RGB(200, 0, 0)) << "the folder's picture is drawn, stretched";
}
