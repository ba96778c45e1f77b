#include "skin/resources/png_draw_plan.h"

#include <algorithm>

#include "skin/resources/gdi_drawing.h"

namespace {

enum Coverage { kTransparent, kOpaque, kMixed };

// Alpha values of a w x h area of premultiplied top-down rows.
struct AlphaGrid {
  const BYTE* bits;
  int stride;  // pixels a row
  int left, top;

  BYTE At(int column, int row) const {
    return bits[(static_cast<size_t>(top + row) * static_cast<size_t>(stride) + static_cast<size_t>(left + column)) *
                    4 +
                3];
  }
};

Coverage Of(BYTE alpha) { return alpha == 0 ? kTransparent : alpha == 255 ? kOpaque : kMixed; }

Coverage Merge(Coverage a, Coverage b) { return a == b ? a : kMixed; }

// Relative costs of the drawing calls under Wine: a call of any kind costs as
// much as blending about 270 pixels; copying a pixel costs next to nothing.
constexpr long long kCallCost = 270;
constexpr long long kBlendPixelCost = 1;

long long Area(const RECT& r) { return static_cast<long long>(r.right - r.left) * (r.bottom - r.top); }

class Planner {
 public:
  Planner(const AlphaGrid& grid, int width, int height, std::vector<PngPartPiece>& pieces)
      : grid_(grid), width_(width), height_(height), pieces_(pieces) {}

  // Rows whose shown pixels are all opaque become copies, a run of rows with
  // the same span at a time; runs of rows with partial transparency are cut
  // into columns. The pieces stand only when they cost less than one blend
  // of everything shown and keep within the piece bound; else that one blend
  // is the plan.
  void Run() {
    std::vector<Row> rows(static_cast<size_t>(height_));
    RECT shown = {width_, height_, 0, 0};
    for (int y = 0; y < height_; ++y) {
      Row& row = rows[static_cast<size_t>(y)];
      for (int x = 0; x < width_; ++x) {
        const BYTE alpha = grid_.At(x, y);
        if (alpha == 0) continue;
        if (row.left < 0) row.left = x;
        row.right = x + 1;
        if (alpha != 255) row.partial = true;
      }
      if (row.left < 0) continue;
      shown = RECT{std::min<LONG>(shown.left, row.left), std::min<LONG>(shown.top, y),
                   std::max<LONG>(shown.right, row.right), y + 1};
    }
    if (shown.left >= shown.right) return;  // nothing shows: nothing to draw

    for (int top = 0; top < height_;) {
      const Row& first = rows[static_cast<size_t>(top)];
      int bottom = top + 1;
      while (bottom < height_ && rows[static_cast<size_t>(bottom)].SameKind(first)) ++bottom;
      if (first.left >= 0 && !first.partial) Add(RECT{first.left, top, first.right, bottom}, true);
      if (first.partial) CutBand(top, bottom);
      top = bottom;
    }
    const long long whole = kCallCost + Area(shown) * kBlendPixelCost;
    if (pieces_.size() > static_cast<size_t>(PngPartPlans::kMaxPieces) || cost_ >= whole) {
      pieces_.clear();
      Add(shown, false);
    }
  }

 private:
  struct Row {
    int left = -1, right = -1;  // the pixels shown; -1: none
    bool partial = false;       // some shown pixel is not opaque
    bool SameKind(const Row& other) const {
      return partial ? other.partial : !other.partial && left == other.left && right == other.right;
    }
  };

  // Opaque column runs of the band worth a call of their own are copies;
  // what lies between them is blended, less the transparent columns and rows
  // at its edges.
  void CutBand(int top, int bottom) {
    std::vector<Coverage> columns(static_cast<size_t>(width_));
    for (int x = 0; x < width_; ++x) {
      Coverage column = Of(grid_.At(x, top));
      for (int y = top + 1; y < bottom && column != kMixed; ++y) column = Merge(column, Of(grid_.At(x, y)));
      columns[static_cast<size_t>(x)] = column;
    }
    const long long height = bottom - top;
    int blendStart = -1;
    for (int x = 0; x < width_;) {
      int end = x + 1;
      while (end < width_ && columns[static_cast<size_t>(end)] == columns[static_cast<size_t>(x)]) ++end;
      if (columns[static_cast<size_t>(x)] == kOpaque && (end - x) * height * kBlendPixelCost >= kCallCost) {
        if (blendStart >= 0) AddBlend(columns, blendStart, x, top, bottom);
        blendStart = -1;
        Add(RECT{x, top, end, bottom}, true);
      } else if (blendStart < 0) {
        blendStart = x;
      }
      x = end;
    }
    if (blendStart >= 0) AddBlend(columns, blendStart, width_, top, bottom);
  }

  void AddBlend(const std::vector<Coverage>& columns, int left, int right, int top, int bottom) {
    while (left < right && columns[static_cast<size_t>(left)] == kTransparent) ++left;
    while (right > left && columns[static_cast<size_t>(right - 1)] == kTransparent) --right;
    if (left >= right) return;
    auto rowShows = [&](int y) {
      for (int x = left; x < right; ++x)
        if (grid_.At(x, y) != 0) return true;
      return false;
    };
    while (top < bottom && !rowShows(top)) ++top;
    while (bottom > top && !rowShows(bottom - 1)) --bottom;
    if (top < bottom) Add(RECT{left, top, right, bottom}, false);
  }

  void Add(const RECT& rect, bool copy) {
    pieces_.push_back(PngPartPiece{rect, copy});
    cost_ += kCallCost + (copy ? 0 : Area(rect) * kBlendPixelCost);
  }

  const AlphaGrid& grid_;
  int width_, height_;
  std::vector<PngPartPiece>& pieces_;
  long long cost_ = 0;
};

}  // namespace

PngPartPlans::Plan* PngPartPlans::Find(int w, int h, int fromX, int fromY, int fromW, int fromH) {
  for (Plan& plan : plans_)
    if (plan.w == w && plan.h == h && plan.fromX == fromX && plan.fromY == fromY && plan.fromW == fromW &&
        plan.fromH == fromH)
      return &plan;
  return nullptr;
}

void PngPartPlans::MakeRoom(long long pixels) {
  while (!plans_.empty() &&
         (plans_.size() >= static_cast<size_t>(kMaxPlans) || scaledPixels_ + pixels > kMaxScaledPixels)) {
    auto oldest = std::min_element(plans_.begin(), plans_.end(),
                                   [](const Plan& a, const Plan& b) { return a.lastUse < b.lastUse; });
    scaledPixels_ -= oldest->scaledPixels;
    plans_.erase(oldest);
  }
}

PngPartPlans::Plan& PngPartPlans::Make(const Picture& picture, int w, int h, int fromX, int fromY, int fromW,
                                       int fromH) {
  const bool scaled = w != fromW || h != fromH;
  const long long area = static_cast<long long>(w) * h;
  // A larger part is blended whole: planning it would read more pixels than
  // all the kept ones hold.
  const bool plannable = area <= kMaxScaledPixels;
  const long long pixels = scaled && plannable ? area : 0;
  MakeRoom(pixels);
  plans_.emplace_back();
  Plan& plan = plans_.back();
  plan.fromX = fromX;
  plan.fromY = fromY;
  plan.fromW = fromW;
  plan.fromH = fromH;
  plan.w = w;
  plan.h = h;
  if (!plannable) return plan;

  AlphaGrid grid = {picture.bits, picture.size.cx, fromX, fromY};
  if (scaled) {
    BYTE* bits = nullptr;
    GdiObject<HBITMAP> stretched = CreateDib(w, h, 32, true, bits);
    if (!stretched || !bits) return plan;
    MemoryDc target;
    if (!target.Select(stretched.get())) return plan;
    SetStretchBltMode(target.get(), COLORONCOLOR);
    if (!StretchBlt(target.get(), 0, 0, w, h, picture.source, fromX, fromY, fromW, fromH, SRCCOPY)) return plan;
    GdiFlush();
    grid = AlphaGrid{bits, w, 0, 0};
    Planner(grid, w, h, plan.pieces).Run();
    plan.scaled = std::move(stretched);
    plan.scaledDc.emplace(std::move(target));
    plan.scaledPixels = pixels;
    scaledPixels_ += pixels;
  } else {
    Planner(grid, w, h, plan.pieces).Run();
  }
  plan.usable = true;
  return plan;
}

bool PngPartPlans::Draw(const Picture& picture, HDC dc, int x, int y, int w, int h, int fromX, int fromY, int fromW,
                        int fromH) {
  if (!picture.source || !picture.bits || w <= 0 || h <= 0 || fromW <= 0 || fromH <= 0) return false;
  Plan* plan = Find(w, h, fromX, fromY, fromW, fromH);
  if (!plan) plan = &Make(picture, w, h, fromX, fromY, fromW, fromH);
  plan->lastUse = ++useClock_;
  if (!plan->usable) return false;

  HDC source = picture.source;
  int sourceX = fromX, sourceY = fromY;
  if (plan->scaledDc) {
    source = plan->scaledDc->get();
    sourceX = sourceY = 0;
  }
  const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  for (const PngPartPiece& piece : plan->pieces) {
    const RECT& r = piece.rect;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (piece.copy) {
      BitBlt(dc, x + r.left, y + r.top, width, height, source, sourceX + r.left, sourceY + r.top, SRCCOPY);
    } else {
      GdiAlphaBlend(dc, x + r.left, y + r.top, width, height, source, sourceX + r.left, sourceY + r.top, width, height,
                    blend);
    }
  }
  return true;
}
