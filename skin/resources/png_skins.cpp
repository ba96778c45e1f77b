#include "skin/resources/png_skins.h"

#include <objidl.h>
#include <gdiplus.h>

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
  int w = one.cx;
  int h = one.cy;
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
  const int X = dest.X, Y = dest.Y, W = dest.Width, H = dest.Height;
  const int L = leftWidth_, M = middleWidth_, R = rightWidth_;
  const int iw = imageSize.Width, ih = imageSize.Height;
  const int a = sourceX;

  painter.DrawPart(image, X, Y, std::min(W, L), H, a, 0, L, ih);
  int m = W - L - R;
  if (m <= 0) m = std::min(W, M);
  painter.DrawPart(image, X + L, Y, m, H, a + L, 0, M, ih);
  painter.DrawPart(image, X + W - R, Y, std::min(W, R), H, a + iw - R, 0, R, ih);
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
  const int X = dest.X, Y = dest.Y, W = dest.Width, H = dest.Height;
  const int L = leftWidth_, M = middleWidth_, R = rightWidth_;
  const int iw = imageSize.Width, ih = imageSize.Height;
  const int a = sourceX;
  const int ml = marginLeft_, mt = marginTop_, mr = marginRight_, mb = marginBottom_;

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
  const int sw = subSize_ != 0 ? subSize_ : subSizeX_;
  const int sh = subSize_ != 0 ? subSize_ : subSizeY_;
  const int half = (state & kSkinStateChecked) ? size.cx / 2 : 0;
  int k = 0;
  if (state & kSkinStateDisabled)
    k = 3;
  else if (state & kSkinStatePushed)
    k = 2;
  else if (state & kSkinStateHover)
    k = 1;
  const int span = std::max<int>(RectHeight(rect), size.cy);
  PngPainter painter(dc);
  painter.DrawPart(image_, rect.left, rect.top + (span - sh) / 2, sw, sh, k * sw + half, 0, sw, sh);
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
  const int A = angle_, O = offset_;
  const int width = RectWidth(rect), height = RectHeight(rect);
  const unsigned part = part_;
  const bool top = part & PartTop, bottom = part & PartBottom, left = part & PartLeft, right = part & PartRight;

  PngPainter painter(dc);
  if (top && left) painter.DrawPart(image_, rect.left, rect.top, A, A, 0, 0, A, A);
  if (top && right) painter.DrawPart(image_, rect.right - A, rect.top, A, A, iw - A, 0, A, A);
  if (bottom && left) painter.DrawPart(image_, rect.left, rect.bottom - A, A, A, 0, ih - A, A, A);
  if (bottom && right) painter.DrawPart(image_, rect.right - A, rect.bottom - A, A, A, iw - A, ih - A, A, A);

  if (top) painter.DrawPart(image_, rect.left + A, rect.top, width - 2 * A, A, A, 0, iw - 2 * A, A);

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
  if (left) painter.DrawPart(image_, rect.left, sideTop, A, sideHeight, 0, A, A, ih - 2 * A);
  if (right) painter.DrawPart(image_, rect.right - A, sideTop, A, sideHeight, iw - A, A, A, ih - 2 * A);

  if (bottom)
    painter.DrawPart(image_, rect.left + A, rect.bottom - A, width - 2 * A, A, A, ih - A, iw - 2 * A, A);
}
