#include "tests/skin/resources/skin_test_images.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstdlib>
#include <memory>

#include "skin/resources/skin_resource.h"
#include "tests/support/test_support.h"

namespace {

void PutLe32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}
void PutLe16(std::string& out, uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}
void PutBe32(std::string& out, uint32_t value) {
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t Crc32(const std::string& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : data) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xFFFFFFFFu;
}

uint32_t Adler32(const std::string& data) {
  uint32_t a = 1, b = 0;
  for (unsigned char byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::string ZlibStored(const std::string& data) {
  std::string out("\x78\x01", 2);
  size_t offset = 0;
  do {
    size_t length = std::min<size_t>(data.size() - offset, 65535);
    bool last = offset + length == data.size();
    out.push_back(last ? 1 : 0);
    PutLe16(out, static_cast<uint16_t>(length));
    PutLe16(out, static_cast<uint16_t>(~length & 0xFFFF));
    out.append(data, offset, length);
    offset += length;
  } while (offset < data.size());
  PutBe32(out, Adler32(data));
  return out;
}

void PutChunk(std::string& out, const char* kind, const std::string& data) {
  PutBe32(out, static_cast<uint32_t>(data.size()));
  std::string body = std::string(kind, 4) + data;
  out += body;
  PutBe32(out, Crc32(body));
}

}  // namespace

std::string BmpFileBytes(int width, int height, const std::function<COLORREF(int, int)>& pixel) {
  const int stride = (width * 3 + 3) & ~3;
  std::string data;
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      COLORREF colour = pixel(x, y);
      row.push_back(static_cast<char>(GetBValue(colour)));
      row.push_back(static_cast<char>(GetGValue(colour)));
      row.push_back(static_cast<char>(GetRValue(colour)));
    }
    row.resize(stride, '\0');
    data += row;
  }
  std::string out("BM", 2);
  PutLe32(out, static_cast<uint32_t>(14 + 40 + data.size()));
  PutLe32(out, 0);
  PutLe32(out, 14 + 40);
  PutLe32(out, 40);
  PutLe32(out, static_cast<uint32_t>(width));
  PutLe32(out, static_cast<uint32_t>(height));
  PutLe16(out, 1);
  PutLe16(out, 24);
  PutLe32(out, 0);
  PutLe32(out, static_cast<uint32_t>(data.size()));
  PutLe32(out, 2835);
  PutLe32(out, 2835);
  PutLe32(out, 0);
  PutLe32(out, 0);
  return out + data;
}

std::string PngFileBytes(int width, int height, const std::function<uint32_t(int, int)>& pixel) {
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back('\0');  // filter: none
    for (int x = 0; x < width; ++x) {
      uint32_t argb = pixel(x, y);
      raw.push_back(static_cast<char>((argb >> 16) & 0xFF));
      raw.push_back(static_cast<char>((argb >> 8) & 0xFF));
      raw.push_back(static_cast<char>(argb & 0xFF));
      raw.push_back(static_cast<char>(argb >> 24));
    }
  }
  std::string header;
  PutBe32(header, static_cast<uint32_t>(width));
  PutBe32(header, static_cast<uint32_t>(height));
  header += std::string("\x08\x06\x00\x00\x00", 5);
  std::string out("\x89PNG\r\n\x1a\n", 8);
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", ZlibStored(raw));
  PutChunk(out, "IEND", "");
  return out;
}

COLORREF BmpColour(int id, int x, int y) {
  switch (id) {
    case kBmpStrip: return RGB(x * 5 + 3, y * 20 + 10, 0x30);
    case kBmpFrame: return RGB(x * 25 + 5, y * 40 + 20, 0x50);
    case kBmpSeven: return RGB(x * 30 + 2, y * 50 + 5, 0x60);
    case kBmpMasked: return (x % 2) ? RGB(255, 0, 255) : RGB(x * 30 + 7, y * 50 + 9, 0x70);
    case kBmpVertical: return RGB(x * 25 + 4, y * 20 + 6, 0x90);
    case kBmpHead: return RGB(x * 15 + 1, y * 8 + 2, 0xA0);
    default: return RGB(0, 0, 0);
  }
}

uint32_t PngPixel(int id, int x, int y) {
  auto opaque = [](int r, int g, int b) {
    return 0xFF000000u | (static_cast<uint32_t>(r & 0xFF) << 16) | (static_cast<uint32_t>(g & 0xFF) << 8) |
           static_cast<uint32_t>(b & 0xFF);
  };
  switch (id) {
    case kPngStrip: return opaque(x * 2 + 1, y * 13 + 3, 0x80);
    case kPngEdit: return opaque(x * 8 + 3, y * 9 + 1, 0x70);
    case kPngAlpha: {
      static const uint32_t kAlpha[] = {0x00, 0xFF, 0x80, 0xFF};
      return (kAlpha[x & 3] << 24) | 0x00C04020u;
    }
    case kPngCheck: return opaque(x * 2 + 1, y * 15 + 5, 0x60);
    case kPngFrames: return opaque(x * 4 + 2, y * 40 + 3, 0x50);
    case kPngBorder: return opaque(x * 28 + 4, y * 28 + 6, 0x40);
    case kPngTall: return opaque(x * 12 + 5, y * 25 + 2, 0x30);
    default: return 0;
  }
}

const std::wstring& InstallTestSkinFolder() {
  static const std::wstring folder = [] {
    std::wstring path = MakeScratchFolder("skin_kinds");
    auto bmp = [&](int id, int width, int height) {
      WriteFileBytes(path + L"\\" + std::to_wstring(id) + L".bmp",
                     BmpFileBytes(width, height, [id](int x, int y) { return BmpColour(id, x, y); }));
    };
    auto png = [&](int id, int width, int height) {
      WriteFileBytes(path + L"\\" + std::to_wstring(id) + L".png",
                     PngFileBytes(width, height, [id](int x, int y) { return PngPixel(id, x, y); }));
    };
    bmp(kBmpStrip, 40, 6);
    bmp(kBmpFrame, 9, 5);
    bmp(kBmpSeven, 7, 4);
    bmp(kBmpMasked, 6, 4);
    bmp(kBmpVertical, 8, 12);
    bmp(kBmpHead, 13, 29);
    png(kPngStrip, 117, 19);
    png(kPngEdit, 30, 28);
    png(kPngAlpha, 4, 2);
    png(kPngCheck, 96, 16);
    png(kPngFrames, 60, 6);
    png(kPngBorder, 9, 9);
    png(kPngTall, 20, 10);
    WriteFileBytes(path + L"\\" + std::to_wstring(kPngBroken) + L".png", "not a picture at all");
    return path;
  }();
  SetSkinFolder(folder);
  return folder;
}

void WriteTestDocument(unsigned id, const std::string& text) {
  WriteFileBytes(InstallTestSkinFolder() + L"\\" + std::to_wstring(id) + L".xml", text);
}

std::vector<COLORREF> BitmapPixels(HBITMAP bitmap, int& width, int& height) {
  width = height = 0;
  BITMAP bm = {};
  if (!bitmap || !GetObjectW(bitmap, sizeof(bm), &bm)) return {};
  width = bm.bmWidth;
  height = std::abs(bm.bmHeight);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> raw(static_cast<size_t>(width) * height);
  HDC screen = GetDC(nullptr);
  int rows = GetDIBits(screen, bitmap, 0, height, raw.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != height) return {};
  std::vector<COLORREF> pixels;
  for (uint32_t value : raw) pixels.push_back(RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF));
  return pixels;
}

std::vector<uint32_t> DecodePngPixels(const std::string& bytes, int& width, int& height) {
  width = height = 0;
  std::vector<uint32_t> pixels;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) return pixels;
  memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
    GlobalFree(block);
    return pixels;
  }
  {
    Gdiplus::Bitmap bitmap(stream, FALSE);
    width = static_cast<int>(bitmap.GetWidth());
    height = static_cast<int>(bitmap.GetHeight());
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        Gdiplus::Color colour;
        bitmap.GetPixel(x, y, &colour);
        pixels.push_back(colour.GetValue());
      }
    }
  }
  stream->Release();
  return pixels;
}

COLORREF Composite(uint32_t argb, COLORREF background) {
  const int a = static_cast<int>(argb >> 24);
  auto mix = [a](int source, int dest) { return (source * a + dest * (255 - a)) / 255; };
  return RGB(mix((argb >> 16) & 0xFF, GetRValue(background)), mix((argb >> 8) & 0xFF, GetGValue(background)),
             mix(argb & 0xFF, GetBValue(background)));
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}
