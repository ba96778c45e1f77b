#include "skin/resources/image_pool.h"

#include <gdiplus.h>
#include <objidl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "skin/resources/gdi_drawing.h"
#include "skin/resources/skin_resource.h"

// ---- BkBmpPool ---------------------------------------------------------------

BkBmpPool& BkBmpPool::Instance() {
  static BkBmpPool pool;
  return pool;
}

void BkBmpPool::Clear() { Instance().bitmaps_.clear(); }

HBITMAP BkBmpPool::GetBitmap(int id) {
  BkBmpPool& pool = Instance();
  auto found = pool.bitmaps_.find(id);
  if (found != pool.bitmaps_.end()) return found->second.get();

  GdiObject<HBITMAP> bitmap;
  const std::wstring& folder = BkSkinFolder::Instance().Path();
  if (!folder.empty()) {
    std::wstring path = folder + L"\\" + std::to_wstring(id) + L".bmp";
    bitmap.reset(static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
  }
  const WORD resourceId = static_cast<WORD>(id & 0xFFFF);
  if (!bitmap && resourceId != 0)
    bitmap.reset(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP, 0, 0, 0)));
  if (!bitmap) return nullptr;
  const HBITMAP handle = bitmap.get();
  pool.bitmaps_[id] = std::move(bitmap);
  return handle;
}

// ---- BkPngPool ---------------------------------------------------------------

// A decoded image and the memory block its stream reads from. GDI+ may read
// the stream again while the image lives, so the block is declared first:
// members are destroyed in reverse order, the image before its block.
struct BkPngPool::Entry {
  UniqueGlobalMemory block;
  std::unique_ptr<Gdiplus::Image> image;
  std::unique_ptr<PngPixels> pixels;
  bool pixelsTried = false;  // made once: a failure is not retried per draw
  int id = 0;
  SkinSource source = SkinSource::Module;  // variants come from the same place
  // The image drawn for larger scales (kScaleTiers), looked for once each.
  std::unique_ptr<Entry> tiers[2];
  bool tierTried[2] = {false, false};
};

namespace {

// Scales, in percent, that a pool image may come drawn for, and the resource
// type each is read under.
struct ScaleTier {
  int percent;
  const wchar_t* type;
};
constexpr ScaleTier kScaleTiers[] = {{150, L"png150"}, {200, L"png200"}};

// Reads `image` as premultiplied 32-bit rows into a new top-down DIB section.
std::unique_ptr<PngPixels> MakePixels(Gdiplus::Image& image) {
  if (image.GetType() != Gdiplus::ImageTypeBitmap) return nullptr;
  const int width = static_cast<int>(image.GetWidth());
  const int height = static_cast<int>(image.GetHeight());
  if (width <= 0 || height <= 0 || width > 0x4000 || height > 0x4000) return nullptr;

  BYTE* bits = nullptr;
  auto pixels = std::make_unique<PngPixels>();
  pixels->bitmap = CreateDib(width, height, 32, true, bits);
  if (!pixels->bitmap || !bits) return nullptr;

  // GDI+ writes the converted rows straight into the section.
  Gdiplus::BitmapData data = {};
  data.Width = static_cast<UINT>(width);
  data.Height = static_cast<UINT>(height);
  data.Stride = width * 4;
  data.PixelFormat = PixelFormat32bppPARGB;
  data.Scan0 = bits;
  Gdiplus::Rect whole(0, 0, width, height);
  auto& bitmap = static_cast<Gdiplus::Bitmap&>(image);
  if (bitmap.LockBits(&whole, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf, PixelFormat32bppPARGB,
                      &data) != Gdiplus::Ok)
    return nullptr;
  bitmap.UnlockBits(&data);

  const BYTE* pixel = bits;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  pixels->opaque = true;
  for (size_t i = 0; i < count && pixels->opaque; ++i) pixels->opaque = pixel[i * 4 + 3] == 255;
  pixels->size = SIZE{width, height};
  pixels->bits = bits;
  if (!pixels->dc.Select(pixels->bitmap.get())) return nullptr;
  return pixels;
}

}  // namespace

BkPngPool& BkPngPool::Instance() {
  static BkPngPool pool;
  return pool;
}

BkPngPool::BkPngPool() {
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback
  if (Gdiplus::GdiplusStartup(&gdiplusToken_, &input, nullptr) != Gdiplus::Ok) gdiplusToken_ = 0;
}

BkPngPool::~BkPngPool() {
  byImage_.clear();
  images_.clear();
  if (gdiplusToken_) Gdiplus::GdiplusShutdown(gdiplusToken_);
}

void BkPngPool::Clear() {
  BkPngPool& pool = Instance();
  pool.byImage_.clear();
  pool.images_.clear();
}

Gdiplus::Image* BkPngPool::GetImage(int id, bool load) {
  BkPngPool& pool = Instance();
  auto found = pool.images_.find(id);
  if (found != pool.images_.end()) return found->second->image.get();
  if (!load) return nullptr;

  std::string bytes;
  SkinSource source = SkinSource::Module;
  if (!LoadSkinResource(static_cast<unsigned>(id), bytes, L"png", source) || bytes.empty()) return nullptr;

  auto entry = DecodeEntry(bytes);
  entry->id = id;
  entry->source = source;
  Gdiplus::Image* image = entry->image.get();
  pool.byImage_[image] = entry.get();
  pool.images_[id] = std::move(entry);
  return image;
}

RECT PngPixels::VisibleBounds(const RECT& area) const {
  const auto key = std::make_pair(std::make_pair(area.left, area.top), std::make_pair(area.right, area.bottom));
  const auto known = bounds_.find(key);
  if (known != bounds_.end()) return known->second;
  RECT visible = {area.right, area.bottom, area.left, area.top};
  const bool inside = bits && area.left >= 0 && area.top >= 0 && area.right <= size.cx && area.bottom <= size.cy;
  for (LONG y = area.top; inside && y < area.bottom; ++y) {
    const BYTE* row = bits + static_cast<size_t>(y) * static_cast<size_t>(size.cx) * 4;
    for (LONG x = area.left; x < area.right; ++x) {
      if (row[x * 4 + 3] == 0) continue;
      visible.left = std::min(visible.left, x);
      visible.right = std::max(visible.right, x + 1);
      visible.top = std::min(visible.top, y);
      visible.bottom = std::max(visible.bottom, y + 1);
    }
  }
  if (!inside) visible = area;  // unknown pixels: keep the whole area
  if (visible.left >= visible.right || visible.top >= visible.bottom) visible = RECT{0, 0, 0, 0};
  bounds_.emplace(key, visible);
  return visible;
}

std::unique_ptr<BkPngPool::Entry> BkPngPool::DecodeEntry(const std::string& bytes) {
  auto entry = std::make_unique<Entry>();
  IStream* stream = nullptr;
  entry->block.reset(GlobalAlloc(GMEM_FIXED, bytes.size()));
  if (entry->block) {
    // A fixed block's handle is its address.
    std::memcpy(static_cast<void*>(entry->block.get()), bytes.data(), bytes.size());
    // The stream must not free the block: the entry owns it.
    if (FAILED(CreateStreamOnHGlobal(entry->block.get(), FALSE, &stream))) stream = nullptr;
  }
  // Without a stream the image is an empty one (size 0, draws nothing).
  entry->image.reset(new Gdiplus::Image(stream, FALSE));
  if (stream) stream->Release();
  return entry;
}

namespace {

// Whether `variant` is `base` drawn larger by one factor both ways: the
// factors across and down differ by no more than rounding each side to a
// whole pixel explains.
bool SameFactorBothWays(SIZE base, SIZE variant) {
  if (base.cx <= 0 || base.cy <= 0 || variant.cx <= base.cx || variant.cy <= base.cy) return false;
  const double across = static_cast<double>(variant.cx) / base.cx;
  const double down = static_cast<double>(variant.cy) / base.cy;
  return std::abs(across - down) <= 1.0 / base.cx + 1.0 / base.cy;
}

}  // namespace

const PngPixels* BkPngPool::PixelsAtDpi(Gdiplus::Image* image, int dpi) {
  const PngPixels* base = PixelsOf(image);
  if (!base || dpi <= 96) return base;
  Entry& entry = *Instance().byImage_.find(image)->second;
  const PngPixels* tiers[2] = {nullptr, nullptr};
  for (int i = 0; i < 2; ++i) {
    if (!entry.tierTried[i]) {
      entry.tierTried[i] = true;
      std::string bytes;
      if (entry.id != 0 &&
          LoadSkinResourceFrom(entry.source, static_cast<unsigned>(entry.id), bytes, kScaleTiers[i].type) &&
          !bytes.empty()) {
        auto variant = DecodeEntry(bytes);
        if (variant->image->GetLastStatus() == Gdiplus::Ok) variant->pixels = MakePixels(*variant->image);
        if (variant->pixels && SameFactorBothWays(base->size, variant->pixels->size))
          entry.tiers[i] = std::move(variant);
      }
    }
    if (entry.tiers[i]) tiers[i] = entry.tiers[i]->pixels.get();
  }
  // The nearest tier at or above the scale, else the largest there is.
  const int percent = dpi * 100 / 96;
  for (int i = 0; i < 2; ++i)
    if (tiers[i] && kScaleTiers[i].percent >= percent) return tiers[i];
  for (int i = 1; i >= 0; --i)
    if (tiers[i]) return tiers[i];
  return base;
}

const PngPixels* BkPngPool::PixelsOf(Gdiplus::Image* image) {
  if (!image) return nullptr;
  BkPngPool& pool = Instance();
  auto found = pool.byImage_.find(image);
  if (found == pool.byImage_.end()) return nullptr;
  Entry& entry = *found->second;
  if (!entry.pixelsTried) {
    entry.pixelsTried = true;
    if (image->GetLastStatus() == Gdiplus::Ok) entry.pixels = MakePixels(*image);
  }
  return entry.pixels.get();
}
