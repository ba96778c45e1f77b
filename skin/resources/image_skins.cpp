#include "skin/resources/image_skins.h"

#include <algorithm>
#include <optional>

#include "skin/resources/gdi_drawing.h"
#include "skin/resources/gdi_handles.h"
#include "skin/resources/image_pool.h"

// The partial copies of one Draw through a single memory context: the bitmap
// is selected once instead of once per piece (a memory context costs far more
// than the copy itself under some GDIs). The copy rules are MemoryBitmap's.
class BkPartCopier {
 public:
  explicit BkPartCopier(const MemoryBitmap& picture)
      : picture_(picture),
        source_(picture.bitmap),
        usable_((picture.drawMode == MemoryBitmap::ModePlain || picture.drawMode == MemoryBitmap::ModeColorKey) &&
                source_) {}
  BkPartCopier(const BkPartCopier&) = delete;
  BkPartCopier& operator=(const BkPartCopier&) = delete;

  bool Blit(HDC dc, long long x, long long y, long long width, long long height, long long sourceX, long long sourceY,
            int index) const {
    return Stretch(dc, x, y, width, height, sourceX, sourceY, width, height, index);
  }

  bool Stretch(HDC dc, long long x, long long y, long long width, long long height, long long sourceX,
               long long sourceY, long long sourceWidth, long long sourceHeight, int index) const {
    return usable_ && picture_.StretchPartFrom(source_.get(), dc, x, y, width, height, sourceX, sourceY, sourceWidth,
                                               sourceHeight, index);
  }

 private:
  const MemoryBitmap& picture_;
  SourceDc source_;
  bool usable_ = false;
};

// ---- "imglst" -----------------------------------------------------------------

HRESULT CBkImageSkin::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinBase::SetAttribute(name, value, loading);
  if (result != kAttributeNotHandled) return result;
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
      return kAttributeNotHandled;
  } else if (name == "maskcolor") {
    picture_.keyColor = ParseColor(value);
    return kAttributeHandledAlternate;
  } else if (name == "subwidth") {
    picture_.frameWidth = ParseDecimal(value);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
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

// ---- what the bitmap-piece kinds share -----------------------------------------

HRESULT CBkSkinImgPartsBase::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinBase::SetAttribute(name, value, loading);
  if (result != kAttributeNotHandled) return result;
  cache_.Clear();
  return image_.SetAttribute(name, value, loading);
}

void CBkSkinImgPartsBase::Draw(HDC dc, RECT rect, int state) {
  const MemoryBitmap& picture = image_.Picture();
  if (!dc || !picture.bitmap || IsInverted(rect) || picture.drawMode == MemoryBitmap::ModeAlpha) {
    DrawDirect(dc, rect, state);
    return;
  }
  // The pieces reach at most a whole picture right of and below the corner.
  const SIZE size = picture.GetSize();
  const SIZE extent = {std::max<LONG>(RectWidth(rect), size.cx), std::max<LONG>(RectHeight(rect), size.cy)};
  cache_.Draw(dc, rect, IsStateless() ? 0 : state, extent,
              [this](HDC target, const RECT& area, int drawState) { DrawKept(target, area, drawState); });
  DrawOverKept(dc, rect);
}

// ---- "imgframe" ---------------------------------------------------------------

HRESULT CBkSkinImgFrame::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinImgPartsBase::SetAttribute(name, value, loading);
  if (result != kAttributeNotHandled) return result;
  if (name == "crbg") {
    crbg_ = ParseColor(value);
    return kAttributeHandledAlternate;
  }
  if (name == "left") {
    left_ = ParseDecimal(value);
  } else if (name == "top") {
    top_ = ParseDecimal(value);
  } else if (name == "part") {
    if (!ParsePartWord(value, part_)) return kAttributeNotHandled;
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

CBkSkinImgFrame::InnerSpan CBkSkinImgFrame::Inner(const RECT& rect, SIZE size) const {
  InnerSpan inner = {rect.left, rect.top, rect.right, rect.bottom};
  const int R = size.cx - left_ - 1, B = size.cy - top_ - 1;
  if (part_ & PartLeft) inner.left += left_;
  if (part_ & PartTop) inner.top += top_;
  if (part_ & PartRight) inner.right -= R;
  if (part_ & PartBottom) inner.bottom -= B;
  return inner;
}

void CBkSkinImgFrame::DrawKept(HDC dc, RECT rect, int) {
  const MemoryBitmap& picture = image_.Picture();
  if (!dc || !picture.bitmap || IsInverted(rect)) return;
  const SIZE size = picture.GetSize();
  // The stretchable column L and row T must lie inside the bitmap.
  if (left_ < 0 || top_ < 0 || left_ >= size.cx || top_ >= size.cy) return;
  const int L = left_, T = top_;
  const int R = size.cx - L - 1, B = size.cy - T - 1;

  const unsigned part = part_;
  const InnerSpan inner = Inner(rect, size);

  // A rectangle smaller than the fixed corners would push them out of it.
  std::optional<SavedDc> saved;
  if (inner.right < inner.left || inner.bottom < inner.top) {
    saved.emplace(dc);
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  }

  const BkPartCopier copier(picture);
  const long long innerWidth = inner.right - inner.left, innerHeight = inner.bottom - inner.top;
  const bool top = part & PartTop, bottom = part & PartBottom, left = part & PartLeft, right = part & PartRight;
  if (top && left) copier.Blit(dc, rect.left, rect.top, L, T, 0, 0, -1);
  if (top && right) copier.Blit(dc, inner.right, rect.top, R, T, L + 1, 0, -1);
  if (bottom && left) copier.Blit(dc, rect.left, inner.bottom, L, B, 0, T + 1, -1);
  if (bottom && right) copier.Blit(dc, inner.right, inner.bottom, R, B, L + 1, T + 1, -1);

  if (top) copier.Stretch(dc, inner.left, rect.top, innerWidth, T, L, 0, 1, T, -1);
  if (left) copier.Stretch(dc, rect.left, inner.top, L, innerHeight, 0, T, L, 1, -1);
  if (bottom) copier.Stretch(dc, inner.left, inner.bottom, innerWidth, B, L, T + 1, 1, B, -1);
  if (right) copier.Stretch(dc, inner.right, inner.top, R, innerHeight, L + 1, T, R, 1, -1);
}

void CBkSkinImgFrame::DrawOverKept(HDC dc, RECT rect) {
  const MemoryBitmap& picture = image_.Picture();
  if (!dc || !picture.bitmap || IsInverted(rect) || crbg_ == kColorNotSet) return;
  const SIZE size = picture.GetSize();
  if (left_ < 0 || top_ < 0 || left_ >= size.cx || top_ >= size.cy) return;
  const InnerSpan inner = Inner(rect, size);
  if (inner.left < inner.right && inner.top < inner.bottom) {
    // Inside `rect`, so within the int range again.
    FillSolidRect(dc,
                  RECT{static_cast<LONG>(inner.left), static_cast<LONG>(inner.top), static_cast<LONG>(inner.right),
                       static_cast<LONG>(inner.bottom)},
                  crbg_);
  }
}

// ---- "imghorzex", "imghorzti" -------------------------------------------------

HRESULT CBkSkinImgHorzBase::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinImgPartsBase::SetAttribute(name, value, loading);
  if (result != kAttributeNotHandled) return result;
  if (name == "height") {
    height_ = ParseDecimal(value);
  } else if (name == "imgpos") {
    int* const fields[] = {&leftWidth_, &middleWidth_, &rightWidth_};
    ReadCommaNumbers(value, fields, 3);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

SIZE CBkSkinImgHorzBase::GetNaturalSize() const { return SIZE{0, image_.Picture().GetSize().cy}; }

void CBkSkinImgHorzBase::DrawKept(HDC dc, RECT rect, int state) {
  const MemoryBitmap& picture = image_.Picture();
  if (!dc || !picture.bitmap || IsInverted(rect)) return;
  const int index = ThreePieceIndex(state);
  const SIZE size = picture.GetSize();
  const int bw = size.cx, bh = size.cy;

  long long h = height_ == 0 ? bh : (height_ > 0 ? height_ : static_cast<long long>(bh) + height_);
  h = std::min<long long>(h, bh);  // the bitmap has no rows below bh
  const long long left = rect.left;
  const long long right = std::max<long long>(rect.right, left + bw);

  // Each piece keeps within one picture (a frame, or the whole bitmap);
  // negative widths in imgpos mean no piece.
  const int s = picture.frameWidth > 0 ? std::min(picture.frameWidth, bw) : bw;
  const int L = ClampPiece(leftWidth_, s), R = ClampPiece(rightWidth_, s);
  const int middle = ClampPiece(middleWidth_, s - L);
  const BkPartCopier copier(picture);
  copier.Blit(dc, left, rect.top, L, bh, 0, 0, index);
  copier.Blit(dc, right - R, rect.top, R, bh, s - R, 0, index);

  const long long m = right - left - L - R;
  if (m <= 0 || h <= 0) return;
  RECT visible = {};
  const int clip = GetClipBox(dc, &visible);
  if (clip == ERROR || clip == NULLREGION) return;
  DrawMiddle(copier, dc, left + L, rect.top, m, h, L, middle, index, visible);
}

void CBkSkinImgHorzExtend::DrawMiddle(const BkPartCopier& copier, HDC dc, long long x, long long y, long long m,
                                      long long h, int sourceX, int middle, int index, const RECT&) const {
  copier.Stretch(dc, x, y, m, h, sourceX, 0, middle, h, index);
}

void CBkSkinImgHorzTiled::DrawMiddle(const BkPartCopier& copier, HDC dc, long long x, long long y, long long m,
                                     long long h, int sourceX, int middle, int index, const RECT& visible) const {
  const int tile = middle;
  if (tile <= 0) return;
  // Only tiles that reach the visible area are drawn: a wide span with a
  // narrow tile would otherwise cost one copy per tile.
  long long k = 0;
  if (visible.left > x) k = (visible.left - x) / tile * tile;
  const long long end = std::min<long long>(m, visible.right - x);
  for (; k < end; k += tile) copier.Blit(dc, x + k, y, std::min<long long>(tile, m - k), h, sourceX, 0, index);
}

// ---- "imgvertex" --------------------------------------------------------------

HRESULT CBkSkinImgVertExtend::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinImgPartsBase::SetAttribute(name, value, loading);
  if (result != kAttributeNotHandled) return result;
  if (name == "width") {
    width_ = ParseDecimal(value);
  } else if (name == "imgpos") {
    int* const fields[] = {&topHeight_, &middleHeight_, &bottomHeight_};
    ReadCommaNumbers(value, fields, 3);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

SIZE CBkSkinImgVertExtend::GetNaturalSize() const { return SIZE{0, image_.Picture().GetSize().cy}; }

void CBkSkinImgVertExtend::DrawKept(HDC dc, RECT rect, int state) {
  const MemoryBitmap& picture = image_.Picture();
  if (!dc || !picture.bitmap || IsInverted(rect)) return;
  const int index = ThreePieceIndex(state);
  const SIZE size = picture.GetSize();
  const int bh = size.cy;
  // With sub-images each piece comes from the index-th one (the copier moves
  // the source by that many frames), one picture being a frame wide.
  const int pictureWidth = picture.frameWidth > 0 ? std::min<int>(picture.frameWidth, size.cx) : size.cx;
  // Every piece is as wide as the picture at most, and as high as the bitmap.
  const int w = ClampPiece(width_ == 0 ? pictureWidth : (width_ > 0 ? width_ : pictureWidth + width_), pictureWidth);
  const long long top = rect.top;
  const long long bottom = std::max<long long>(rect.bottom, top + bh);

  const int T = ClampPiece(topHeight_, bh), Bt = ClampPiece(bottomHeight_, bh);
  const int M = ClampPiece(middleHeight_, bh - T);
  const BkPartCopier copier(picture);
  copier.Blit(dc, rect.left, top, w, T, 0, 0, index);
  copier.Blit(dc, rect.left, bottom - Bt, w, Bt, 0, bh - Bt, index);
  copier.Stretch(dc, rect.left, top + T, w, bottom - top - T - Bt, 0, T, w, M, index);
}
