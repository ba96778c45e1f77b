// The embedded images: PNG 1 to 9, bitmaps 1 to 3, the program icon and the
// version record. Headers are read from the resource bytes; the PNGs are
// decoded with GDI+ and the icons drawn with GDI, and a few properties that the
// skins rely on when they slice and stretch the images are checked on the
// decoded pixels.
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/res/resource_bytes.h"

namespace {

const wchar_t* const kPng = L"PNG";

uint32_t BigEndian32(const std::string& b, size_t at) {
  return (uint32_t(uint8_t(b[at])) << 24) | (uint32_t(uint8_t(b[at + 1])) << 16) |
         (uint32_t(uint8_t(b[at + 2])) << 8) | uint32_t(uint8_t(b[at + 3]));
}

uint32_t Crc32(const std::string& bytes, size_t at, size_t length) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = at; i < at + length; ++i) {
    crc ^= uint8_t(bytes[i]);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

struct PngShape {
  int id;
  int width;
  int height;
  int frameWidth;  // width of one image of the strip
};

const PngShape kPngs[] = {
    {1, 117, 19, 39}, {2, 87, 19, 29}, {3, 355, 71, 71}, {4, 213, 71, 71}, {5, 30, 28, 30},
    {6, 96, 16, 16},  {7, 71, 71, 71}, {8, 71, 71, 71},  {9, 576, 48, 48}, {10, 30, 28, 30},
    {11, 54, 18, 18}, {12, 87, 19, 29}, {13, 87, 19, 29},
};

// ---------------------------------------------------------------- GDI+ decoding

class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
  }
  ~GdiplusSession() {
    if (token_) Gdiplus::GdiplusShutdown(token_);
  }
  bool ok() const { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};

struct ComRelease {
  void operator()(IUnknown* p) const {
    if (p) p->Release();
  }
};

// Straight (not premultiplied) ARGB pixels of a decoded image.
struct Pixels {
  bool ok = false;
  int width = 0;
  int height = 0;
  std::vector<uint32_t> argb;

  uint32_t At(int x, int y) const { return argb[size_t(y) * width + x]; }
  int Alpha(int x, int y) const { return int(At(x, y) >> 24); }
  int Red(int x, int y) const { return int((At(x, y) >> 16) & 0xFF); }
  int Green(int x, int y) const { return int((At(x, y) >> 8) & 0xFF); }
  int Blue(int x, int y) const { return int(At(x, y) & 0xFF); }
  // The pixels of image `index` of a horizontal strip of `frameWidth`.
  std::vector<uint32_t> Frame(int index, int frameWidth) const {
    std::vector<uint32_t> out;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < frameWidth; ++x) out.push_back(At(index * frameWidth + x, y));
    return out;
  }
};

Pixels DecodeWithGdiplus(const std::string& bytes) {
  Pixels out;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) return out;
  void* data = GlobalLock(block);
  std::memcpy(data, bytes.data(), bytes.size());
  GlobalUnlock(block);
  IStream* raw = nullptr;
  if (FAILED(CreateStreamOnHGlobal(block, TRUE, &raw))) {
    GlobalFree(block);
    return out;
  }
  std::unique_ptr<IStream, ComRelease> stream(raw);  // frees the block on release
  Gdiplus::Bitmap bitmap(stream.get(), FALSE);
  if (bitmap.GetLastStatus() != Gdiplus::Ok) return out;
  out.width = int(bitmap.GetWidth());
  out.height = int(bitmap.GetHeight());
  Gdiplus::Rect rect(0, 0, out.width, out.height);
  Gdiplus::BitmapData locked;
  if (bitmap.LockBits(&rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &locked) != Gdiplus::Ok) return out;
  out.argb.resize(size_t(out.width) * out.height);
  for (int y = 0; y < out.height; ++y)
    std::memcpy(&out.argb[size_t(y) * out.width], static_cast<const uint8_t*>(locked.Scan0) + y * locked.Stride,
                size_t(out.width) * 4);
  bitmap.UnlockBits(&locked);
  out.ok = true;
  return out;
}

class DecodedPngs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { session_ = new GdiplusSession; }
  static void TearDownTestSuite() {
    delete session_;
    session_ = nullptr;
  }
  Pixels Decode(int id) {
    EXPECT_TRUE(session_->ok());
    Pixels p = DecodeWithGdiplus(ResourceBytes(kPng, id));
    EXPECT_TRUE(p.ok) << "PNG " << id;
    return p;
  }
  static GdiplusSession* session_;
};
GdiplusSession* DecodedPngs::session_ = nullptr;

void ExpectFramesDiffer(const Pixels& p, int frameWidth) {
  int count = p.width / frameWidth;
  for (int a = 0; a < count; ++a)
    for (int b = a + 1; b < count; ++b) EXPECT_NE(p.Frame(a, frameWidth), p.Frame(b, frameWidth)) << a << " vs " << b;
}

bool ColumnTransparent(const Pixels& p, int x) {
  for (int y = 0; y < p.height; ++y)
    if (p.Alpha(x, y) != 0) return false;
  return true;
}

// ---------------------------------------------------------------- PNG headers

TEST(EmbeddedPngs, PresentInChineseSimplifiedOnly) {
  for (const PngShape& shape : kPngs) EXPECT_EQ(ResourceLanguages(kPng, shape.id), std::vector<WORD>{2052}) << shape.id;
  EXPECT_TRUE(ResourceBytes(kPng, 14).empty());
}

TEST(EmbeddedPngs, HeaderGivesSizeAndEightBitRgba) {
  for (const PngShape& shape : kPngs) {
    SCOPED_TRACE(shape.id);
    std::string b = ResourceBytes(kPng, shape.id);
    ASSERT_GE(b.size(), 33u);
    EXPECT_EQ(b.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(BigEndian32(b, 8), 13u);
    EXPECT_EQ(b.substr(12, 4), "IHDR");
    EXPECT_EQ(BigEndian32(b, 16), uint32_t(shape.width));
    EXPECT_EQ(BigEndian32(b, 20), uint32_t(shape.height));
    EXPECT_EQ(uint8_t(b[24]), 8) << "bit depth";
    EXPECT_EQ(uint8_t(b[25]), 6) << "colour type RGBA";
    EXPECT_EQ(uint8_t(b[26]), 0);
    EXPECT_EQ(uint8_t(b[27]), 0);
    EXPECT_EQ(uint8_t(b[28]), 0) << "not interlaced";
    EXPECT_EQ(shape.width % shape.frameWidth, 0);
  }
}

TEST(EmbeddedPngs, ChunksAreIntactAndEndWithIend) {
  for (const PngShape& shape : kPngs) {
    SCOPED_TRACE(shape.id);
    std::string b = ResourceBytes(kPng, shape.id);
    size_t at = 8;
    std::string last;
    int chunks = 0;
    while (at + 12 <= b.size()) {
      uint32_t length = BigEndian32(b, at);
      ASSERT_LE(at + 12 + length, b.size());
      EXPECT_EQ(Crc32(b, at + 4, 4 + length), BigEndian32(b, at + 8 + length)) << b.substr(at + 4, 4);
      last = b.substr(at + 4, 4);
      at += 12 + length;
      ++chunks;
    }
    EXPECT_EQ(at, b.size());
    EXPECT_EQ(last, "IEND");
    EXPECT_GE(chunks, 3);
  }
}

// ---------------------------------------------------------------- decoded pixels

TEST_F(DecodedPngs, EveryPngDecodesToItsSize) {
  for (const PngShape& shape : kPngs) {
    SCOPED_TRACE(shape.id);
    Pixels p = Decode(shape.id);
    EXPECT_EQ(p.width, shape.width);
    EXPECT_EQ(p.height, shape.height);
    int visible = 0;
    for (uint32_t px : p.argb) visible += (px >> 24) != 0;
    EXPECT_GT(visible, 0);
  }
}

TEST_F(DecodedPngs, NoPixelUsesTheColourKey) {
  // Bitmap skins in colour-key mode treat FF00FF as a hole.
  for (const PngShape& shape : kPngs) {
    Pixels p = Decode(shape.id);
    for (uint32_t px : p.argb)
      if ((px >> 24) != 0) {
        ASSERT_NE(px & 0xFFFFFF, 0xFF00FFu) << "PNG " << shape.id;
      }
  }
}

TEST_F(DecodedPngs, StatesOfEveryStripLookDifferent) {
  for (int id : {1, 2, 4, 6, 9}) {
    SCOPED_TRACE(id);
    for (const PngShape& shape : kPngs)
      if (shape.id == id) ExpectFramesDiffer(Decode(id), shape.frameWidth);
  }
}

TEST_F(DecodedPngs, CaptionButtonsShowTheirGlyphInEveryState) {
  Pixels close = Decode(1);
  Pixels minimise = Decode(2);
  for (int state = 0; state < 3; ++state) {
    SCOPED_TRACE(state);
    EXPECT_GT(close.Alpha(state * 39 + 19, 9), 200);      // centre of the cross
    EXPECT_GT(minimise.Alpha(state * 29 + 14, 11), 200);  // the bar
  }
  // Normal state: glyph only; hover and pushed: a red plate behind the cross.
  EXPECT_EQ(close.Alpha(5, 10), 0);
  for (int state = 1; state < 3; ++state) {
    int x = state * 39 + 5;
    EXPECT_EQ(close.Alpha(x, 10), 255);
    EXPECT_GT(close.Red(x, 10), close.Green(x, 10) + 80);
  }
}

TEST_F(DecodedPngs, TabIconsStayInsideTheirHead) {
  // Each icon is drawn 10 pixels right of and 1 below the head's corner, and
  // the title 25 pixels below the head's centre: the image's right columns and
  // lower rows must stay clear.
  Pixels icons = Decode(3);
  ExpectFramesDiffer(icons, 71);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(icons.Alpha(i * 71 + 25, 24), 255);  // tile centre
    for (int x = 61; x < 71; ++x) EXPECT_TRUE(ColumnTransparent(icons, i * 71 + x)) << x;
    for (int y = 50; y < 71; ++y)
      for (int x = 0; x < 71; ++x) ASSERT_EQ(icons.Alpha(i * 71 + x, y), 0) << x << "," << y;
  }
}

TEST_F(DecodedPngs, TabBackgroundsNormalClearHoverAndSelectedFilled) {
  Pixels heads = Decode(4);
  for (int y = 0; y < 71; ++y)
    for (int x = 0; x < 71; ++x) ASSERT_EQ(heads.Alpha(x, y), 0);
  for (int state = 1; state < 3; ++state) {
    EXPECT_EQ(heads.Alpha(state * 71 + 35, 35), 255);
    EXPECT_EQ(heads.Alpha(state * 71 + 0, 35), 255);  // edge of the plate
  }
  // The selected head is the more saturated one.
  EXPECT_LT(heads.Red(2 * 71 + 35, 60), heads.Red(71 + 35, 60));
}

TEST_F(DecodedPngs, EditFrameStretchesCleanly) {
  Pixels frame = Decode(5);
  // Every 10 x 10 corner holds the visible rounded border.
  for (int cx : {0, 20})
    for (int cy : {0, 18}) {
      int opaque = 0;
      for (int y = cy; y < cy + 10; ++y)
        for (int x = cx; x < cx + 10; ++x) opaque += frame.Alpha(x, y) == 255;
      EXPECT_GT(opaque, 50) << cx << "," << cy;
    }
  // The middle slice (columns 10-19) is one repeated column, so stretching it
  // leaves no pattern.
  for (int x = 11; x < 20; ++x)
    for (int y = 0; y < 28; ++y) ASSERT_EQ(frame.At(x, y), frame.At(10, y)) << x << "," << y;
  // The field itself is opaque white, like the edit box drawn inside it.
  EXPECT_EQ(frame.At(15, 14), 0xFFFFFFFFu);
  // Border darker than the field on every side.
  EXPECT_LT(frame.Red(0, 14), 0xC0);
  EXPECT_LT(frame.Red(29, 14), 0xC0);
  EXPECT_LT(frame.Red(15, 0), 0xC0);
  EXPECT_LT(frame.Red(15, 27), 0xC0);
}

TEST_F(DecodedPngs, CheckBoxHalvesHoldUncheckedThenChecked) {
  Pixels boxes = Decode(6);
  ExpectFramesDiffer(boxes, 16);
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE(k);
    bool checked = k >= 3;
    int x0 = k * 16;
    EXPECT_EQ(boxes.Alpha(x0, 0), 0);        // rounded corner outside the box
    EXPECT_EQ(boxes.Alpha(x0 + 1, 8), 255);  // left border
    EXPECT_EQ(boxes.Alpha(x0 + 8, 8), 255);  // filled inside
    // Checked boxes are filled with the accent blue, unchecked ones are light.
    int r = boxes.Red(x0 + 4, 12), b = boxes.Blue(x0 + 4, 12);
    if (checked) {
      EXPECT_GT(b - r, 60);
    } else {
      EXPECT_GT(r, 190);
    }
    // The white tick crosses (7,10) only in the checked half.
    bool white = boxes.At(x0 + 7, 10) == 0xFFFFFFFFu;
    EXPECT_EQ(white, checked);
  }
}

TEST_F(DecodedPngs, SearchButtonFaceOverItsBackground) {
  Pixels background = Decode(7);
  Pixels face = Decode(8);
  // The background is a full plate: its one-pixel end slices carry its border.
  for (int y = 20; y < 50; ++y) {
    EXPECT_EQ(background.Alpha(0, y), 255);
    EXPECT_EQ(background.Alpha(70, y), 255);
  }
  EXPECT_EQ(background.Alpha(35, 35), 255);
  // The face is a white magnifier on a clear ground.
  EXPECT_EQ(face.Alpha(0, 0), 0);
  EXPECT_EQ(face.Alpha(70, 70), 0);
  EXPECT_EQ(face.Alpha(31, 31), 0);  // inside the lens
  EXPECT_EQ(face.At(31, 17), 0xFFFFFFFFu);  // lens ring
  EXPECT_EQ(face.At(48, 48), 0xFFFFFFFFu);  // handle
}

TEST_F(DecodedPngs, BusyFramesTurnClockwiseOneStepEach) {
  Pixels busy = Decode(9);
  ExpectFramesDiffer(busy, 48);
  double previous = 0;
  for (int f = 0; f < 12; ++f) {
    SCOPED_TRACE(f);
    // The one-pixel end slices of each frame are clear, so squeezing the
    // middle leaves no seams.
    EXPECT_TRUE(ColumnTransparent(busy, f * 48));
    EXPECT_TRUE(ColumnTransparent(busy, f * 48 + 47));
    // The leading (most opaque) dot.
    double sx = 0, sy = 0, n = 0;
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 48; ++x)
        if (busy.Alpha(f * 48 + x, y) >= 250) sx += x, sy += y, n += 1;
    ASSERT_GT(n, 0);
    double angle = std::atan2(sy / n - 24, sx / n - 24) * 180 / 3.14159265358979323846;
    if (f > 0) {
      double step = std::fmod(angle - previous + 720, 360);
      EXPECT_NEAR(step, 30, 6);
    }
    previous = angle;
  }
}

// ---------------------------------------------------------------- bitmaps

struct BitmapSpec {
  int id, width, height;
};
const BitmapSpec kBitmaps[] = {{1, 13, 29}, {2, 9, 5}, {3, 13, 23}};

// RGB of pixel (x, y) of a bottom-up 24-bit bitmap resource (header + bits).
uint32_t BitmapPixel(const std::string& resource, int x, int y) {
  BITMAPINFOHEADER h;
  std::memcpy(&h, resource.data(), sizeof h);
  size_t stride = (size_t(h.biWidth) * 3 + 3) & ~size_t(3);
  size_t at = h.biSize + size_t(h.biHeight - 1 - y) * stride + size_t(x) * 3;
  return (uint32_t(uint8_t(resource[at + 2])) << 16) | (uint32_t(uint8_t(resource[at + 1])) << 8) |
         uint32_t(uint8_t(resource[at]));
}

TEST(EmbeddedBitmaps, TwentyFourBitsWithTheirSizes) {
  for (const BitmapSpec& shape : kBitmaps) {
    SCOPED_TRACE(shape.id);
    EXPECT_EQ(ResourceLanguages(RT_BITMAP, shape.id), std::vector<WORD>{2052});
    std::string b = ResourceBytes(RT_BITMAP, shape.id);
    ASSERT_GE(b.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER h;
    std::memcpy(&h, b.data(), sizeof h);
    EXPECT_EQ(h.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(h.biWidth, shape.width);
    EXPECT_EQ(h.biHeight, shape.height);  // bottom-up
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, DWORD(BI_RGB));
    size_t stride = (size_t(shape.width) * 3 + 3) & ~size_t(3);
    EXPECT_EQ(b.size(), h.biSize + stride * shape.height);
  }
}

TEST(EmbeddedBitmaps, LoadAsBitmapsOfTheirSize) {
  for (const BitmapSpec& shape : kBitmaps) {
    SCOPED_TRACE(shape.id);
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(shape.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    EXPECT_EQ(GetObjectW(bitmap, sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.bmWidth, shape.width);
    EXPECT_EQ(info.bmHeight, shape.height);
    EXPECT_EQ(info.bmBitsPixel, 24);
    DeleteObject(bitmap);
  }
}

TEST(EmbeddedBitmaps, WindowOutlineRunsThroughHeaderBodyAndFooter) {
  std::string head = ResourceBytes(RT_BITMAP, 1);
  std::string body = ResourceBytes(RT_BITMAP, 2);
  std::string foot = ResourceBytes(RT_BITMAP, 3);
  ASSERT_FALSE(head.empty() || body.empty() || foot.empty());
  uint32_t outline = BitmapPixel(body, 0, 0);
  // Side columns: header below its cut corner, the whole body, footer above its cut corner.
  for (int y = 2; y < 29; ++y) {
    EXPECT_EQ(BitmapPixel(head, 0, y), outline) << y;
    EXPECT_EQ(BitmapPixel(head, 12, y), outline) << y;
  }
  for (int y = 0; y < 5; ++y) {
    EXPECT_EQ(BitmapPixel(body, 0, y), outline);
    EXPECT_EQ(BitmapPixel(body, 8, y), outline);
  }
  for (int y = 0; y < 21; ++y) {
    EXPECT_EQ(BitmapPixel(foot, 0, y), outline) << y;
    EXPECT_EQ(BitmapPixel(foot, 12, y), outline) << y;
  }
  // Top and bottom edges follow the frame's two-pixel staircase corners.
  for (int x = 2; x < 11; ++x) {
    EXPECT_EQ(BitmapPixel(head, x, 0), outline) << x;
    EXPECT_EQ(BitmapPixel(foot, x, 22), outline) << x;
  }
  EXPECT_EQ(BitmapPixel(head, 1, 1), outline);
  EXPECT_EQ(BitmapPixel(head, 11, 1), outline);
  EXPECT_EQ(BitmapPixel(foot, 1, 21), outline);
  EXPECT_EQ(BitmapPixel(foot, 11, 21), outline);
}

TEST(EmbeddedBitmaps, BodyEdgesBlendIntoTheBodyColour) {
  // The body frame's stretched side rows (row 4) meet the interior that the
  // skin fills with FBFCFD.
  std::string body = ResourceBytes(RT_BITMAP, 2);
  ASSERT_FALSE(body.empty());
  for (int x = 1; x < 8; ++x) EXPECT_EQ(BitmapPixel(body, x, 4), 0xFBFCFDu) << x;
}

TEST(EmbeddedBitmaps, HeaderMiddleColumnIsAVerticalGradient) {
  // Column 6 is stretched over the whole width: it must be the same gradient
  // the ends show, so the ends join without a seam.
  std::string head = ResourceBytes(RT_BITMAP, 1);
  ASSERT_FALSE(head.empty());
  for (int y = 0; y < 29; ++y)
    for (int x = 3; x < 10; ++x) EXPECT_EQ(BitmapPixel(head, x, y), BitmapPixel(head, 6, y)) << x << "," << y;
  // Lighter at the top than at the bottom.
  EXPECT_GT(BitmapPixel(head, 6, 3) & 0xFF0000, BitmapPixel(head, 6, 26) & 0xFF0000);
}

TEST(EmbeddedBitmaps, NoPixelUsesTheColourKey) {
  for (const BitmapSpec& shape : kBitmaps) {
    std::string b = ResourceBytes(RT_BITMAP, shape.id);
    for (int y = 0; y < shape.height; ++y)
      for (int x = 0; x < shape.width; ++x) ASSERT_NE(BitmapPixel(b, x, y), 0xFF00FFu) << shape.id;
  }
}

// ---------------------------------------------------------------- icons

#pragma pack(push, 2)
struct GroupIconHeader {
  WORD reserved;
  WORD type;
  WORD count;
};
struct GroupIconEntry {
  BYTE width;
  BYTE height;
  BYTE colours;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupIconEntry) == 14, "group icon entry layout");

std::vector<GroupIconEntry> GroupEntries(int id) {
  std::string b = ResourceBytes(RT_GROUP_ICON, id);
  std::vector<GroupIconEntry> out;
  if (b.size() < sizeof(GroupIconHeader)) return out;
  GroupIconHeader h;
  std::memcpy(&h, b.data(), sizeof h);
  if (h.type != 1 || b.size() != sizeof h + h.count * sizeof(GroupIconEntry)) return out;
  out.resize(h.count);
  std::memcpy(out.data(), b.data() + sizeof h, h.count * sizeof(GroupIconEntry));
  return out;
}

TEST(EmbeddedIcons, SixImagesAtEightAndThirtyTwoBits) {
  for (int group : {101, 128}) {
    SCOPED_TRACE(group);
    EXPECT_EQ(ResourceLanguages(RT_GROUP_ICON, group), std::vector<WORD>{2052});
    std::vector<GroupIconEntry> entries = GroupEntries(group);
    ASSERT_EQ(entries.size(), 6u);
    const int sizes[] = {16, 24, 32, 16, 32, 48};
    const int bits[] = {8, 8, 8, 32, 32, 32};
    for (int i = 0; i < 6; ++i) {
      SCOPED_TRACE(i);
      const GroupIconEntry& e = entries[i];
      EXPECT_EQ(e.width, sizes[i]);
      EXPECT_EQ(e.height, sizes[i]);
      EXPECT_EQ(e.planes, 1);
      EXPECT_EQ(e.bitCount, bits[i]);
      // The image itself: a DIB twice as high as the icon (colour + mask).
      std::string image = ResourceBytes(RT_ICON, e.id);
      ASSERT_EQ(image.size(), e.bytes);
      BITMAPINFOHEADER h;
      ASSERT_GE(image.size(), sizeof h);
      std::memcpy(&h, image.data(), sizeof h);
      EXPECT_EQ(h.biSize, sizeof h);
      EXPECT_EQ(h.biWidth, sizes[i]);
      EXPECT_EQ(h.biHeight, 2 * sizes[i]);
      EXPECT_EQ(h.biBitCount, bits[i]);
      size_t palette = bits[i] == 8 ? 256 * 4 : 0;
      size_t colourRow = (size_t(sizes[i]) * bits[i] / 8 + 3) & ~size_t(3);
      size_t maskRow = ((size_t(sizes[i]) + 31) / 32) * 4;
      EXPECT_EQ(image.size(), h.biSize + palette + (colourRow + maskRow) * sizes[i]);
    }
  }
}

TEST(EmbeddedIcons, BothGroupsShowTheSameImages) {
  std::vector<GroupIconEntry> a = GroupEntries(101), b = GroupEntries(128);
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(ResourceBytes(RT_ICON, a[i].id), ResourceBytes(RT_ICON, b[i].id));
}

// A 32-bit DIB section filled with one colour, for drawing icons into.
class Canvas {
 public:
  Canvas(int size, uint32_t colour) : size_(size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    if (bitmap_) {
      old_ = SelectObject(dc_, bitmap_);
      for (int i = 0; i < size * size; ++i) bits_[i] = colour;
    }
  }
  ~Canvas() {
    if (old_) SelectObject(dc_, old_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  bool ok() const { return bitmap_ != nullptr; }
  HDC dc() const { return dc_; }
  uint32_t At(int x, int y) const { return bits_[y * size_ + x] & 0xFFFFFF; }

 private:
  int size_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

void ExpectIconDraws(HICON icon, int size) {
  ASSERT_NE(icon, nullptr);
  const uint32_t ground = 0x808080;
  Canvas canvas(size, ground);
  ASSERT_TRUE(canvas.ok());
  EXPECT_TRUE(DrawIconEx(canvas.dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL));
  GdiFlush();
  EXPECT_EQ(canvas.At(0, 0), ground) << "rounded corner is transparent";
  // The train's white front sits just above the centre on the blue tile.
  uint32_t front = canvas.At(size / 2, size * 17 / 32);
  EXPECT_NE(front, ground);
  EXPECT_GT(front & 0xFF, 0xD0u);
  uint32_t tile = canvas.At(size * 3 / 32, size / 2);
  EXPECT_GT(int(tile & 0xFF), int((tile >> 16) & 0xFF) + 60) << std::hex << tile;  // blue over red
}

TEST(EmbeddedIcons, ProgramIconLoadsAndDrawsAtWindowIconSizes) {
  for (int size : {16, 32, 48}) {
    SCOPED_TRACE(size);
    HICON icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128), IMAGE_ICON, size, size, 0));
    ExpectIconDraws(icon, size);
    if (icon) DestroyIcon(icon);
  }
}

TEST(EmbeddedIcons, PaletteImagesDrawThroughTheirMask) {
  // 24 pixels exist only as a 256-colour image; pick and draw it directly.
  std::string group = ResourceBytes(RT_GROUP_ICON, 101);
  ASSERT_FALSE(group.empty());
  int id = LookupIconIdFromDirectoryEx(reinterpret_cast<BYTE*>(&group[0]), TRUE, 24, 24, LR_DEFAULTCOLOR);
  ASSERT_NE(id, 0);
  std::string image = ResourceBytes(RT_ICON, id);
  BITMAPINFOHEADER h;
  ASSERT_GE(image.size(), sizeof h);
  std::memcpy(&h, image.data(), sizeof h);
  EXPECT_EQ(h.biBitCount, 8);
  HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(&image[0]), DWORD(image.size()), TRUE, 0x00030000,
                                        24, 24, LR_DEFAULTCOLOR);
  ExpectIconDraws(icon, 24);
  if (icon) DestroyIcon(icon);
}

// ---------------------------------------------------------------- version

TEST(EmbeddedVersion, FileVersionIsOneZeroZeroThirtyFive) {
  EXPECT_EQ(ResourceLanguages(RT_VERSION, 1), std::vector<WORD>{2052});
  wchar_t path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path, &handle);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_GE(length, sizeof *fixed);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 35u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 35u);
}

}  // namespace
