#include "skin/resources/png_skins.h"

#include <gdiplus.h>
#include <objidl.h>

#include <algorithm>
#include <climits>

#include "skin/resources/gdi_drawing.h"
#include "skin/resources/image_pool.h"

// ---- what the PNG kinds share --------------------------------------------------

bool CBkPngSkinBase::Load(const TiXmlElement* element) {
  bool loaded = CBkSkinBase::Load(element);
  if (src_ != 0) image_ = BkPngPool::GetImage(src_, true);
  return loaded;
}

HRESULT CBkPngSkinBase::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinBase::SetAttribute(name, value, loading);
  if (result != kAttributeNotHandled) return result;
  if (name != "src") return kAttributeNotHandled;
  src_ = ParseDecimal(value);
  return kAttributeHandled;
}

// ---- "png" --------------------------------------------------------------------

HRESULT CBkPngSkin::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkPngSkinBase::SetAttribute(name, value, loading);
  if (result != kAttributeNotHandled) return result;
  if (name == "subwidth") {
    subWidth_ = ParseDecimal(value);
  } else if (name == "autosize") {
    autoSize_ = ParseDecimal(value);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

SIZE CBkPngSkin::OneImageSize() const {
  SIZE size = PngImageSize(image_);
  if (subWidth_ != 0) size.cx = subWidth_;
  return size;
}

bool CBkPngSkin::SubImageX(int state, int& sourceX) const {
  const long long x = static_cast<long long>(subWidth_) * state;
  if (x < INT_MIN || x > INT_MAX) return false;
  sourceX = static_cast<int>(x);
  return true;
}

SIZE CBkPngSkin::GetNaturalSize() const {
  if (!image_) return SIZE{0, 0};
  return OneImageSize();
}

void CBkPngSkin::Draw(HDC dc, RECT rect, int state) {
  if (!dc || !image_ || IsInverted(rect)) return;
  const SIZE one = OneImageSize();
  long long w = one.cx;
  long long h = one.cy;
  if (autoSize_ == 0) {
    w = RectWidth(rect);
    h = RectHeight(rect);
  }
  int sourceX = 0;
  if (!SubImageX(state, sourceX)) return;
  PngPainter painter(dc);
  if (subWidth_ != 0) {
    painter.DrawPart(image_, rect.left, rect.top, w, h, sourceX, 0, w, h);
  } else {
    const SIZE whole = PngImageSize(image_);
    painter.DrawPart(image_, rect.left, rect.top, w, h, 0, 0, whole.cx, whole.cy);
  }
}

// ---- "pngex" ------------------------------------------------------------------

HRESULT CBkPngSkinEx::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkPngSkin::SetAttribute(name, value, loading);
  if (result != kAttributeNotHandled) return result;
  if (name == "imgpos") {
    int* const fields[] = {&leftWidth_, &middleWidth_, &rightWidth_};
    ReadCommaNumbers(value, fields, 3);
    return kAttributeHandled;
  }
  return kAttributeNotHandled;
}

void CBkPngSkinEx::Draw(HDC dc, RECT rect, int state) {
  if (!dc || !image_ || IsInverted(rect)) return;
  const SIZE one = OneImageSize();
  const Gdiplus::Rect dest(rect.left, rect.top, RectWidth(rect), RectHeight(rect));
  const Gdiplus::Size imageSize(one.cx, one.cy);
  int sourceX = 0;
  if (!SubImageX(state, sourceX)) return;
  PngPainter painter(dc);
  if (subWidth_ != 0) {
    DrawSlices(painter, image_, dest, imageSize, sourceX);
  } else {
    DrawSlicesAtOrigin(painter, image_, dest, imageSize);
  }
}

void CBkPngSkinEx::DrawSlices(PngPainter& painter, Gdiplus::Image* image, const Gdiplus::Rect& dest,
                              const Gdiplus::Size& imageSize, int sourceX) const {
  const long long X = dest.X, Y = dest.Y, W = dest.Width, H = dest.Height;
  const int iw = imageSize.Width, ih = imageSize.Height;
  // Each slice keeps within one sub-image.
  const int L = ClampPiece(leftWidth_, iw), M = ClampPiece(middleWidth_, iw), R = ClampPiece(rightWidth_, iw);
  const long long a = sourceX;

  painter.DrawPart(image, X, Y, std::min<long long>(W, L), H, a, 0, L, ih);
  long long m = W - L - R;
  if (m <= 0) m = std::min<long long>(W, M);
  painter.DrawPart(image, X + L, Y, m, H, a + L, 0, M, ih);
  painter.DrawPart(image, X + W - R, Y, std::min<long long>(W, R), H, a + iw - R, 0, R, ih);
}

void CBkPngSkinEx::DrawSlicesAtOrigin(PngPainter& painter, Gdiplus::Image* image, const Gdiplus::Rect& dest,
                                      const Gdiplus::Size& imageSize) const {
  DrawSlices(painter, image, dest, imageSize, 0);
}

// ---- "pngtr" ------------------------------------------------------------------

HRESULT CBkSkinPngTruncate::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkPngSkinEx::SetAttribute(name, value, loading);
  if (result != kAttributeNotHandled) return result;
  if (name == "margin-left") {
    marginLeft_ = ParseDecimal(value);
  } else if (name == "margin-top") {
    marginTop_ = ParseDecimal(value);
  } else if (name == "margin-right") {
    marginRight_ = ParseDecimal(value);
  } else if (name == "margin-bottom") {
    marginBottom_ = ParseDecimal(value);
  } else if (name == "margin") {
    int* const fields[] = {&marginLeft_, &marginTop_, &marginRight_, &marginBottom_};
    ReadCommaNumbers(value, fields, 4);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

void CBkSkinPngTruncate::DrawSlices(PngPainter& painter, Gdiplus::Image* image, const Gdiplus::Rect& dest,
                                    const Gdiplus::Size& imageSize, int sourceX) const {
  const long long X = dest.X, Y = dest.Y, W = dest.Width, H = dest.Height;
  const int iw = imageSize.Width, ih = imageSize.Height;
  // Slices and trimmed margins keep within one sub-image.
  const int L = ClampPiece(leftWidth_, iw), M = ClampPiece(middleWidth_, iw), R = ClampPiece(rightWidth_, iw);
  const long long a = sourceX;
  const int ml = ClampPiece(marginLeft_, iw), mr = ClampPiece(marginRight_, iw);
  const int mt = ClampPiece(marginTop_, ih), mb = ClampPiece(marginBottom_, ih);

  painter.DrawPart(image, X, Y, L, H, a + ml, mt, L, ih - mb);
  // A rectangle narrower than both ends leaves no room for the middle: it is
  // skipped rather than drawn mirrored.
  painter.DrawPart(image, X + L, Y, W - L - R, H, a + L, mt, M, ih - mb);
  painter.DrawPart(image, X + W - R, Y, R, H, a + iw - R, mt, R - mr, ih - mb);
}

// ---- "checkbox" ---------------------------------------------------------------

HRESULT CBkSkinCheck::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkPngSkinBase::SetAttribute(name, value, loading);
  if (result != kAttributeNotHandled) return result;
  if (name == "subsize") {
    subSize_ = ParseDecimal(value);
  } else if (name == "subsize-x") {
    subSizeX_ = ParseDecimal(value);
  } else if (name == "subsize-y") {
    subSizeY_ = ParseDecimal(value);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

void CBkSkinCheck::Draw(HDC dc, RECT rect, int state) {
  if (!dc || !image_ || IsInverted(rect)) return;
  const SIZE size = PngImageSize(image_);
  const int sw = ClampPiece(subSize_ != 0 ? subSize_ : subSizeX_, size.cx);
  const int sh = ClampPiece(subSize_ != 0 ? subSize_ : subSizeY_, size.cy);
  const int half = (state & kSkinStateChecked) ? size.cx / 2 : 0;
  int k = 0;
  if (state & kSkinStateDisabled)
    k = 3;
  else if (state & kSkinStatePushed)
    k = 2;
  else if (state & kSkinStateHover)
    k = 1;
  const long long span = std::max<long long>(static_cast<long long>(rect.bottom) - rect.top, size.cy);
  PngPainter painter(dc);
  painter.DrawPart(image_, rect.left, rect.top + (span - sh) / 2, sw, sh, static_cast<long long>(k) * sw + half, 0, sw,
                   sh);
}

// ---- "border" -----------------------------------------------------------------

HRESULT CBkSkinBorder::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkPngSkinBase::SetAttribute(name, value, loading);
  if (result != kAttributeNotHandled) return result;
  if (name == "crbg") {
    crbg_ = ParseColor(value);
    return kAttributeHandledAlternate;
  } else if (name == "angle") {
    angle_ = ParseDecimal(value);
  } else if (name == "offset") {
    offset_ = ParseDecimal(value);
  } else if (name == "part") {
    if (!ParsePartWord(value, part_)) return kAttributeNotHandled;
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

SIZE CBkSkinBorder::GetNaturalSize() const { return PngImageSize(image_); }

void CBkSkinBorder::Draw(HDC dc, RECT rect, int) {
  if (!dc || !image_ || IsInverted(rect)) return;
  if (crbg_ != kColorNotSet) FillSolidRect(dc, rect, crbg_);

  const SIZE size = PngImageSize(image_);
  const int iw = size.cx, ih = size.cy;
  // Corners keep within the image; the offset only lengthens the side edges
  // on the screen, by at most the image's height.
  const int A = ClampPiece(angle_, std::min(iw, ih));
  const long long O = std::clamp<long long>(offset_, -ih, ih);
  const long long width = static_cast<long long>(rect.right) - rect.left;
  const long long height = static_cast<long long>(rect.bottom) - rect.top;
  const long long left = rect.left, top = rect.top, right = rect.right, bottomEdge = rect.bottom;
  const unsigned part = part_;
  const bool hasTop = part & PartTop, hasBottom = part & PartBottom, hasLeft = part & PartLeft,
             hasRight = part & PartRight;

  PngPainter painter(dc);
  if (hasTop && hasLeft) painter.DrawPart(image_, left, top, A, A, 0, 0, A, A);
  if (hasTop && hasRight) painter.DrawPart(image_, right - A, top, A, A, iw - A, 0, A, A);
  if (hasBottom && hasLeft) painter.DrawPart(image_, left, bottomEdge - A, A, A, 0, ih - A, A, A);
  if (hasBottom && hasRight) painter.DrawPart(image_, right - A, bottomEdge - A, A, A, iw - A, ih - A, A, A);

  if (hasTop) painter.DrawPart(image_, left + A, top, width - 2 * A, A, A, 0, iw - 2 * A, A);

  // The side edges reach past their ends by the offset, towards the ends
  // that have no edge of their own.
  long long sideTop = top + A;
  long long sideHeight = height - 2 * A;
  if (hasTop) {
    sideHeight += O;
  } else if (hasBottom) {
    sideTop -= O;
    sideHeight += O;
  } else {
    sideTop -= O;
    sideHeight += 2 * O;
  }
  if (hasLeft) painter.DrawPart(image_, left, sideTop, A, sideHeight, 0, A, A, ih - 2 * A);
  if (hasRight) painter.DrawPart(image_, right - A, sideTop, A, sideHeight, iw - A, A, A, ih - 2 * A);

  if (hasBottom) painter.DrawPart(image_, left + A, bottomEdge - A, width - 2 * A, A, A, ih - A, iw - 2 * A, A);
}
