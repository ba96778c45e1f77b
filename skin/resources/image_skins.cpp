#include "skin/resources/image_skins.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <climits>
#include <optional>

#include "skin/resources/gdi_drawing.h"
#include "skin/resources/gdi_handles.h"
#include "skin/resources/image_pool.h"
#include "skin/resources/png_skins.h"

namespace {

int RectWidth(const RECT& rect) { return rect.right - rect.left; }
int RectHeight(const RECT& rect) { return rect.bottom - rect.top; }

// The colour a fraction t of the way from `from` to `to`, per component.
BkColor LerpColour(BkColor from, BkColor to, double t) {
  auto mix = [t](int a, int b) { return static_cast<int>(a + (b - a) * t + 0.5); };
  return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
             mix(GetBValue(from), GetBValue(to)));
}

// Restores a device context's state (clipping included) when it goes out of scope.
class SavedDc {
 public:
  explicit SavedDc(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~SavedDc() {
    if (saved_) RestoreDC(dc_, saved_);
  }
  SavedDc(const SavedDc&) = delete;
  SavedDc& operator=(const SavedDc&) = delete;
  bool ok() const { return saved_ != 0; }

 private:
  HDC dc_;
  int saved_;
};

}  // namespace

// The partial copies of one Draw through a single memory context: the bitmap
// is selected once instead of once per piece (a memory context costs far more
// than the copy itself under some GDIs). The copy rules are MemoryBitmap's.
class BkPartCopier {
 public:
  explicit BkPartCopier(const MemoryBitmap& picture) : picture_(picture) {
    usable_ = (picture.drawMode == MemoryBitmap::ModePlain || picture.drawMode == MemoryBitmap::ModeColorKey) &&
              source_.Select(picture.bitmap);
  }
  BkPartCopier(const BkPartCopier&) = delete;
  BkPartCopier& operator=(const BkPartCopier&) = delete;

  bool Blit(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY, int index) const {
    return Stretch(dc, x, y, width, height, sourceX, sourceY, width, height, index);
  }

  bool Stretch(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
               int sourceHeight, int index) const {
    return usable_ && picture_.StretchPartFrom(source_.Get(), dc, x, y, width, height, sourceX, sourceY,
                                               sourceWidth, sourceHeight, index);
  }

 private:
  const MemoryBitmap& picture_;
  MemoryDc source_;
  bool usable_ = false;
};

// ---- "imglst" -----------------------------------------------------------------

HRESULT CBkImageSkin::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
  if (name == "src") {
    picture_.bitmap = BkBmpPool::GetBitmap(ParseDecimal(value));
  } else if (name == "mode") {
    if (value == "none")
      picture_.drawMode = MemoryBitmap::ModePlain;
    else if (value == "mask")
      picture_.drawMode = MemoryBitmap::ModeColorKey;
    else if (value == "alpha")
      picture_.drawMode = MemoryBitmap::ModeAlpha;
    else
      return E_FAIL;
  } else if (name == "maskcolor") {
    picture_.keyColor = ParseColor(value);
    return 1;
  } else if (name == "subwidth") {
    picture_.frameWidth = ParseDecimal(value);
  } else {
    return E_FAIL;
  }
  return S_OK;
}

void CBkImageSkin::Draw(HDC dc, RECT rect, int state) {
  if (!dc || IsInverted(rect)) return;
  picture_.Draw(dc, rect.left, rect.top, state);
}

SIZE CBkImageSkin::GetNaturalSize() const {
  SIZE size = picture_.GetSize();
  if (picture_.frameWidth > 0) size.cx = picture_.frameWidth;
  return size;
}

// A frame width that is not positive means one picture, as in MemoryBitmap.
bool CBkImageSkin::IsStateless() const { return picture_.frameWidth <= 0; }

// ---- "imgframe" ---------------------------------------------------------------

HRESULT CBkSkinImgFrame::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
  result = image_.SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
  if (name == "crbg") {
    crbg_ = ParseColor(value);
    return 1;
  }
  if (name == "left") {
    left_ = ParseDecimal(value);
  } else if (name == "top") {
    top_ = ParseDecimal(value);
  } else if (name == "part") {
    if (!ParsePartWord(value, part_)) return E_FAIL;
  } else {
    return E_FAIL;
  }
  return S_OK;
}

void CBkSkinImgFrame::Draw(HDC dc, RECT rect, int) {
  const MemoryBitmap& picture = image_.Picture();
  if (!dc || !picture.bitmap || IsInverted(rect)) return;
  const SIZE size = picture.GetSize();
  const int L = left_, T = top_;
  const int R = size.cx - L - 1, B = size.cy - T - 1;
  // The stretchable column L and row T must lie inside the bitmap.
  if (L < 0 || T < 0 || R < 0 || B < 0) return;

  const unsigned part = part_;
  RECT inner = rect;
  if (part & PartLeft) inner.left += L;
  if (part & PartTop) inner.top += T;
  if (part & PartRight) inner.right -= R;
  if (part & PartBottom) inner.bottom -= B;

  // A rectangle smaller than the fixed corners would push them out of it.
  std::optional<SavedDc> saved;
  if (inner.right < inner.left || inner.bottom < inner.top) {
    saved.emplace(dc);
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  }

  const BkPartCopier copier(picture);
  const int innerWidth = RectWidth(inner), innerHeight = RectHeight(inner);
  const bool top = part & PartTop, bottom = part & PartBottom, left = part & PartLeft, right = part & PartRight;
  if (top && left) copier.Blit(dc, rect.left, rect.top, L, T, 0, 0, -1);
  if (top && right) copier.Blit(dc, inner.right, rect.top, R, T, L + 1, 0, -1);
  if (bottom && left) copier.Blit(dc, rect.left, inner.bottom, L, B, 0, T + 1, -1);
  if (bottom && right) copier.Blit(dc, inner.right, inner.bottom, R, B, L + 1, T + 1, -1);

  if (top) copier.Stretch(dc, inner.left, rect.top, innerWidth, T, L, 0, 1, T, -1);
  if (left) copier.Stretch(dc, rect.left, inner.top, L, innerHeight, 0, T, L, 1, -1);
  if (bottom) copier.Stretch(dc, inner.left, inner.bottom, innerWidth, B, L, T + 1, 1, B, -1);
  if (right) copier.Stretch(dc, inner.right, inner.top, R, innerHeight, L + 1, T, R, 1, -1);

  if (crbg_ != kColorNotSet) FillSolidRect(dc, inner, crbg_);
}

// ---- "border" -----------------------------------------------------------------

bool CBkSkinBorder::Load(const TiXmlElement* element) {
  bool loaded = CBkSkinBase::Load(element);
  if (src_ != 0) image_ = BkPngPool::GetImage(src_, true);
  return loaded;
}

HRESULT CBkSkinBorder::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
  if (name == "src") {
    src_ = ParseDecimal(value);
  } else if (name == "crbg") {
    crbg_ = ParseColor(value);
    return 1;
  } else if (name == "angle") {
    angle_ = ParseDecimal(value);
  } else if (name == "offset") {
    offset_ = ParseDecimal(value);
  } else if (name == "part") {
    if (!ParsePartWord(value, part_)) return E_FAIL;
  } else {
    return E_FAIL;
  }
  return S_OK;
}

SIZE CBkSkinBorder::GetNaturalSize() const { return PngImageSize(image_); }

void CBkSkinBorder::Draw(HDC dc, RECT rect, int) {
  if (!dc || !image_ || IsInverted(rect)) return;
  if (crbg_ != kColorNotSet) FillSolidRect(dc, rect, crbg_);

  const SIZE size = PngImageSize(image_);
  const int iw = size.cx, ih = size.cy;
  const int A = angle_, O = offset_;
  const int width = RectWidth(rect), height = RectHeight(rect);
  const unsigned part = part_;
  const bool top = part & PartTop, bottom = part & PartBottom, left = part & PartLeft, right = part & PartRight;

  Gdiplus::Graphics graphics(dc);
  PrepareSkinGraphics(graphics);
  if (top && left) DrawImagePart(graphics, image_, rect.left, rect.top, A, A, 0, 0, A, A);
  if (top && right) DrawImagePart(graphics, image_, rect.right - A, rect.top, A, A, iw - A, 0, A, A);
  if (bottom && left) DrawImagePart(graphics, image_, rect.left, rect.bottom - A, A, A, 0, ih - A, A, A);
  if (bottom && right) DrawImagePart(graphics, image_, rect.right - A, rect.bottom - A, A, A, iw - A, ih - A, A, A);

  if (top) DrawImagePart(graphics, image_, rect.left + A, rect.top, width - 2 * A, A, A, 0, iw - 2 * A, A);

  // The side edges reach past their ends by the offset, towards the ends
  // that have no edge of their own.
  int sideTop = rect.top + A;
  int sideHeight = height - 2 * A;
  if (top) {
    sideHeight += O;
  } else if (bottom) {
    sideTop -= O;
    sideHeight += O;
  } else {
    sideTop -= O;
    sideHeight += 2 * O;
  }
  if (left) DrawImagePart(graphics, image_, rect.left, sideTop, A, sideHeight, 0, A, A, ih - 2 * A);
  if (right) DrawImagePart(graphics, image_, rect.right - A, sideTop, A, sideHeight, iw - A, A, A, ih - 2 * A);

  if (bottom)
    DrawImagePart(graphics, image_, rect.left + A, rect.bottom - A, width - 2 * A, A, A, ih - A, iw - 2 * A, A);
}

// ---- "imghorzex", "imghorzti" -------------------------------------------------

HRESULT CBkSkinImgHorzBase::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
  result = image_.SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
  if (name == "height") {
    height_ = ParseDecimal(value);
  } else if (name == "imgpos") {
    int* const fields[] = {&leftWidth_, &middleWidth_, &rightWidth_};
    ReadCommaNumbers(value, fields, 3);
  } else {
    return E_FAIL;
  }
  return S_OK;
}

SIZE CBkSkinImgHorzBase::GetNaturalSize() const { return SIZE{0, image_.Picture().GetSize().cy}; }

void CBkSkinImgHorzBase::Draw(HDC dc, RECT rect, int state) {
  const MemoryBitmap& picture = image_.Picture();
  if (!dc || !picture.bitmap || IsInverted(rect)) return;
  const int index = ThreePieceIndex(state);
  const SIZE size = picture.GetSize();
  const int bw = size.cx, bh = size.cy;

  int h = height_ == 0 ? bh : (height_ > 0 ? height_ : bh + height_);
  h = std::min(h, bh);  // the bitmap has no rows below bh
  if (RectWidth(rect) < bw) rect.right = rect.left + bw;

  // Negative widths in imgpos mean no piece.
  const int L = std::max(leftWidth_, 0), R = std::max(rightWidth_, 0);
  const int s = picture.frameWidth > 0 ? picture.frameWidth : bw;
  const BkPartCopier copier(picture);
  copier.Blit(dc, rect.left, rect.top, L, bh, 0, 0, index);
  copier.Blit(dc, rect.right - R, rect.top, R, bh, s - R, 0, index);

  const long long m = static_cast<long long>(RectWidth(rect)) - L - R;
  if (m <= 0 || h <= 0) return;
  RECT visible = {};
  const int clip = GetClipBox(dc, &visible);
  if (clip == ERROR || clip == NULLREGION) return;
  DrawMiddle(copier, dc, rect.left + L, rect.top, static_cast<int>(m), h, L, index, visible);
}

void CBkSkinImgHorzExtend::DrawMiddle(const BkPartCopier& copier, HDC dc, int x, int y, int m, int h, int sourceX,
                                      int index, const RECT&) const {
  copier.Stretch(dc, x, y, m, h, sourceX, 0, middleWidth_, h, index);
}

void CBkSkinImgHorzTiled::DrawMiddle(const BkPartCopier& copier, HDC dc, int x, int y, int m, int h, int sourceX,
                                     int index, const RECT& visible) const {
  const int tile = middleWidth_;
  if (tile <= 0) return;
  // Only tiles that reach the visible area are drawn: a wide span with a
  // narrow tile would otherwise cost one copy per tile.
  long long k = 0;
  if (visible.left > x) k = (static_cast<long long>(visible.left) - x) / tile * tile;
  const long long end = std::min<long long>(m, static_cast<long long>(visible.right) - x);
  for (; k < end; k += tile) {
    const int g = static_cast<int>(std::min<long long>(tile, m - k));
    copier.Blit(dc, static_cast<int>(x + k), y, g, h, sourceX, 0, index);
  }
}

// ---- "imgvertex" --------------------------------------------------------------

HRESULT CBkSkinImgVertExtend::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
  result = image_.SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
  if (name == "width") {
    width_ = ParseDecimal(value);
  } else if (name == "imgpos") {
    int* const fields[] = {&topHeight_, &middleHeight_, &bottomHeight_};
    ReadCommaNumbers(value, fields, 3);
  } else {
    return E_FAIL;
  }
  return S_OK;
}

SIZE CBkSkinImgVertExtend::GetNaturalSize() const { return SIZE{0, image_.Picture().GetSize().cy}; }

void CBkSkinImgVertExtend::Draw(HDC dc, RECT rect, int state) {
  const MemoryBitmap& picture = image_.Picture();
  if (!dc || !picture.bitmap || IsInverted(rect)) return;
  const int index = ThreePieceIndex(state);
  const SIZE size = picture.GetSize();
  const int bh = size.cy;
  // With sub-images each piece comes from the index-th one (BlitPart and
  // StretchPart add the index's offset), one picture being a frame wide.
  const int pictureWidth = picture.frameWidth > 0 ? picture.frameWidth : size.cx;
  const int w = width_ == 0 ? pictureWidth : (width_ > 0 ? width_ : pictureWidth + width_);
  if (RectHeight(rect) < bh) rect.bottom = rect.top + bh;

  const int T = std::max(topHeight_, 0), M = std::max(middleHeight_, 0), Bt = std::max(bottomHeight_, 0);
  const BkPartCopier copier(picture);
  copier.Blit(dc, rect.left, rect.top, w, T, 0, 0, index);
  copier.Blit(dc, rect.left, rect.bottom - Bt, w, Bt, 0, bh - Bt, index);
  copier.Stretch(dc, rect.left, rect.top + T, w, RectHeight(rect) - T - Bt, 0, T, w, M, index);
}

// ---- "button" -----------------------------------------------------------------

HRESULT CBkSkinButton::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
  static const struct {
    const char* name;
    BkColor CBkSkinButton::*field;
  } kColours[] = {
      {"bg", &CBkSkinButton::bg},           {"border", &CBkSkinButton::border},
      {"bgup", &CBkSkinButton::bgup},       {"bguphover", &CBkSkinButton::bguphover},
      {"bguppush", &CBkSkinButton::bguppush}, {"bgdown", &CBkSkinButton::bgdown},
      {"bgdownhover", &CBkSkinButton::bgdownhover}, {"bgdownpush", &CBkSkinButton::bgdownpush},
  };
  for (const auto& colour : kColours) {
    if (name == colour.name) {
      this->*colour.field = ParseColor(value);
      return 1;
    }
  }
  return E_FAIL;
}

void CBkSkinButton::Draw(HDC dc, RECT rect, int state) {
  if (!dc || IsInverted(rect)) return;
  FillSolidRect(dc, rect, bg);
  if (!(state & kSkinStateDisabled)) {
    RECT inner = {rect.left + 2, rect.top + 2, rect.right - 2, rect.bottom - 2};
    BkColor up = bgup, down = bgdown;
    if (state & kSkinStatePushed) {
      up = bguppush;
      down = bgdownpush;
    } else if (state & kSkinStateHover) {
      up = bguphover;
      down = bgdownhover;
    }
    GradientFillRect(dc, inner, up, down, true);
  }
  if (border == kColorNotSet) return;
  GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, border));
  if (!pen) return;
  HGDIOBJ oldPen = SelectObject(dc, pen.Get());
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
}

// ---- "gradation" --------------------------------------------------------------

HRESULT CBkSkinGradation::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
  if (name == "from") {
    from = ParseColor(value);
  } else if (name == "to") {
    to = ParseColor(value);
  } else if (name == "size") {
    size = ParseDecimal(value);
  } else if (name == "direction") {
    if (value == "horz")
      direction = Horizontal;
    else if (value == "vert")
      direction = Vertical;
    else
      return E_FAIL;
  } else {
    return E_FAIL;
  }
  return S_OK;
}

void CBkSkinGradation::Draw(HDC dc, RECT rect, int) {
  if (!dc || IsInverted(rect)) return;
  FillSolidRect(dc, rect, to);
  SavedDc saved(dc);
  if (!saved.ok()) return;
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  // A band longer than the rectangle is cut at the rectangle's edge, with the
  // colour the gradient has there: the same pixels, without handing the
  // platform a band of arbitrary length.
  const bool vertical = direction == Vertical;
  const long long start = vertical ? rect.top : rect.left;
  const long long extent = vertical ? RectHeight(rect) : RectWidth(rect);
  const long long length = size > 0 ? size : extent;
  BkColor end = to;
  long long shown = length;
  if (length > extent) {
    shown = extent;
    end = LerpColour(from, to, static_cast<double>(extent) / static_cast<double>(length));
  }
  RECT band = rect;
  if (vertical)
    band.bottom = static_cast<LONG>(start + shown);
  else
    band.right = static_cast<LONG>(start + shown);
  GradientFillRect(dc, band, from, end, vertical);
}
