#include "skin/resources/skin_draw_cache.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "skin/resources/gdi_drawing.h"

namespace {

// Corners this far from the origin keep every piece well inside the int range
// both at the origin and in place, so drawing there and copying gives the same
// pixels.
constexpr LONG kMaxCorner = 1 << 28;

// Runs of equal pixels in both pictures (written by the drawing), merged into
// rectangles row over row. False past kMaxCoverRects.
bool CollectCover(const uint32_t* first, const uint32_t* second, int width, int height, std::vector<RECT>& cover) {
  std::vector<RECT> open;  // rectangles still growing downwards
  std::vector<RECT> runs;
  for (int y = 0; y < height; ++y) {
    runs.clear();
    const uint32_t* a = first + static_cast<size_t>(y) * width;
    const uint32_t* b = second + static_cast<size_t>(y) * width;
    for (int x = 0; x < width;) {
      if (a[x] != b[x]) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < width && a[x] == b[x]) ++x;
      runs.push_back(RECT{start, y, x, y + 1});
    }
    bool same = runs.size() == open.size();
    for (size_t i = 0; same && i < runs.size(); ++i)
      same = runs[i].left == open[i].left && runs[i].right == open[i].right;
    if (same) {
      for (RECT& r : open) r.bottom = y + 1;
      continue;
    }
    cover.insert(cover.end(), open.begin(), open.end());
    open = runs;
    if (cover.size() + open.size() > static_cast<size_t>(SkinDrawCache::kMaxCoverRects)) return false;
  }
  cover.insert(cover.end(), open.begin(), open.end());
  return cover.size() <= static_cast<size_t>(SkinDrawCache::kMaxCoverRects);
}

}  // namespace

SkinDrawCache::Entry* SkinDrawCache::Find(int width, int height, int state) {
  for (Entry& entry : entries_)
    if (entry.width == width && entry.height == height && entry.state == state) return &entry;
  return nullptr;
}

SkinDrawCache::Entry& SkinDrawCache::Make(HDC dc, int width, int height, int state, SIZE extent,
                                          const std::function<void(HDC, const RECT&, int)>& draw) {
  if (entries_.size() >= static_cast<size_t>(kEntriesPerSkin)) {
    auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                   [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
    entries_.erase(oldest);
  }
  entries_.emplace_back();
  Entry& entry = entries_.back();
  entry.width = width;
  entry.height = height;
  entry.state = state;
  entry.extent = extent;
  if (static_cast<long long>(extent.cx) * extent.cy > kMaxEntryPixels || extent.cx <= 0 || extent.cy <= 0) return entry;

  // The drawing on black and on white: where the two agree it wrote the pixel.
  BYTE* bits[2] = {};
  GdiObject<HBITMAP> pictures[2] = {CreateDib(extent.cx, extent.cy, 32, true, bits[0]),
                                    CreateDib(extent.cx, extent.cy, 32, true, bits[1])};
  if (!pictures[0] || !pictures[1]) return entry;
  const size_t bytes = static_cast<size_t>(extent.cx) * extent.cy * 4;
  for (int i = 0; i < 2; ++i) {
    std::memset(bits[i], i == 0 ? 0x00 : 0xFF, bytes);
    MemoryDc target(dc);
    if (!target.Select(pictures[i].get())) return entry;
    draw(target.get(), RECT{0, 0, width, height}, state);
  }
  GdiFlush();
  if (!CollectCover(reinterpret_cast<const uint32_t*>(bits[0]), reinterpret_cast<const uint32_t*>(bits[1]), extent.cx,
                    extent.cy, entry.cover))
    return entry;
  entry.picture = std::move(pictures[0]);
  entry.usable = true;
  return entry;
}

void SkinDrawCache::Draw(HDC dc, const RECT& rect, int state, SIZE extent,
                         const std::function<void(HDC, const RECT&, int)>& draw) {
  const LONG reach =
      std::max({std::labs(rect.left), std::labs(rect.top), std::labs(rect.right), std::labs(rect.bottom)});
  if (reach > kMaxCorner || extent.cx > kMaxCorner || extent.cy > kMaxCorner || !TakesExactCopy(dc)) {
    draw(dc, rect, state);
    return;
  }
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  Entry* entry = Find(width, height, state);
  if (!entry) entry = &Make(dc, width, height, state, extent, draw);
  entry->lastUse = ++useClock_;
  if (!entry->usable) {
    draw(dc, rect, state);
    return;
  }
  SourceDc source(entry->picture.get());
  if (!source) {
    draw(dc, rect, state);
    return;
  }
  for (const RECT& part : entry->cover)
    BitBlt(dc, rect.left + part.left, rect.top + part.top, part.right - part.left, part.bottom - part.top, source.get(),
           part.left, part.top, SRCCOPY);
}
