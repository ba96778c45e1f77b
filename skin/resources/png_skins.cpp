#include "skin/resources/png_skins.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <climits>

#include "skin/resources/image_pool.h"
#include "skin/resources/parse_util.h"

// ---- GDI+ drawing -------------------------------------------------------------

SIZE PngImageSize(Gdiplus::Image* image) {
  if (!image) return SIZE{0, 0};
  return SIZE{static_cast<LONG>(image->GetWidth()), static_cast<LONG>(image->GetHeight())};
}

void PrepareSkinGraphics(Gdiplus::Graphics& graphics) {
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  graphics.SetCompositingMode(Gdiplus::CompositingModeSourceOver);
}

bool DrawImagePart(Gdiplus::Graphics& graphics, Gdiplus::Image* image, int dx, int dy, int dw, int dh, int sx,
                   int sy, int sw, int sh) {
  if (!image || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return false;
  const SIZE size = PngImageSize(image);
  if (size.cx <= 0 || size.cy <= 0) return false;

  // Keep to the pixels the image has; the destination shrinks with the source
  // at the same scale, so what is drawn lands where it would have anyway.
  const double scaleX = static_cast<double>(dw) / sw;
  const double scaleY = static_cast<double>(dh) / sh;
  const double left = std::max<double>(sx, 0);
  const double top = std::max<double>(sy, 0);
  const double right = std::min<double>(static_cast<double>(sx) + sw, size.cx);
  const double bottom = std::min<double>(static_cast<double>(sy) + sh, size.cy);
  if (left >= right || top >= bottom) return false;

  const Gdiplus::RectF dest(static_cast<Gdiplus::REAL>(dx + (left - sx) * scaleX),
                            static_cast<Gdiplus::REAL>(dy + (top - sy) * scaleY),
                            static_cast<Gdiplus::REAL>((right - left) * scaleX),
                            static_cast<Gdiplus::REAL>((bottom - top) * scaleY));
  return graphics.DrawImage(image, dest, static_cast<Gdiplus::REAL>(left), static_cast<Gdiplus::REAL>(top),
                            static_cast<Gdiplus::REAL>(right - left), static_cast<Gdiplus::REAL>(bottom - top),
                            Gdiplus::UnitPixel) == Gdiplus::Ok;
}

namespace {

int RectWidth(const RECT& rect) { return rect.right - rect.left; }
int RectHeight(const RECT& rect) { return rect.bottom - rect.top; }

}  // namespace

// ---- "png" --------------------------------------------------------------------

bool CBkPngSkin::Load(const TiXmlElement* element) {
  bool loaded = CBkSkinBase::Load(element);
  if (src_ != 0) image_ = BkPngPool::GetImage(src_, true);
  return loaded;
}

HRESULT CBkPngSkin::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
  if (name == "src") {
    src_ = ParseDecimal(value);
  } else if (name == "subwidth") {
    subWidth_ = ParseDecimal(value);
  } else if (name == "autosize") {
    autoSize_ = ParseDecimal(value);
  } else {
    return E_FAIL;
  }
  return S_OK;
}

SIZE CBkPngSkin::OneImageSize() const {
  SIZE size = PngImageSize(image_);
  if (subWidth_ != 0) size.cx = subWidth_;
  return size;
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
  Gdiplus::Graphics graphics(dc);
  PrepareSkinGraphics(graphics);
  if (subWidth_ != 0) {
    const long long sourceX = static_cast<long long>(subWidth_) * state;
    if (sourceX < INT_MIN || sourceX > INT_MAX) return;
    DrawImagePart(graphics, image_, rect.left, rect.top, w, h, static_cast<int>(sourceX), 0, w, h);
  } else {
    const SIZE whole = PngImageSize(image_);
    DrawImagePart(graphics, image_, rect.left, rect.top, w, h, 0, 0, whole.cx, whole.cy);
  }
}

// ---- "pngex" ------------------------------------------------------------------

HRESULT CBkPngSkinEx::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkPngSkin::SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
  if (name == "imgpos") {
    int* const fields[] = {&leftWidth_, &middleWidth_, &rightWidth_};
    ReadCommaNumbers(value, fields, 3);
    return S_OK;
  }
  return E_FAIL;
}

void CBkPngSkinEx::Draw(HDC dc, RECT rect, int state) {
  if (!dc || !image_ || IsInverted(rect)) return;
  const SIZE one = OneImageSize();
  const Gdiplus::Rect dest(rect.left, rect.top, RectWidth(rect), RectHeight(rect));
  const Gdiplus::Size imageSize(one.cx, one.cy);
  Gdiplus::Graphics graphics(dc);
  PrepareSkinGraphics(graphics);
  if (subWidth_ != 0) {
    const long long sourceX = static_cast<long long>(subWidth_) * state;
    if (sourceX < INT_MIN || sourceX > INT_MAX) return;
    DrawSlices(graphics, image_, dest, imageSize, static_cast<int>(sourceX));
  } else {
    DrawSlicesAtOrigin(graphics, image_, dest, imageSize);
  }
}

void CBkPngSkinEx::DrawSlices(Gdiplus::Graphics& graphics, Gdiplus::Image* image, const Gdiplus::Rect& dest,
                              const Gdiplus::Size& imageSize, int sourceX) const {
  const int X = dest.X, Y = dest.Y, W = dest.Width, H = dest.Height;
  const int L = leftWidth_, M = middleWidth_, R = rightWidth_;
  const int iw = imageSize.Width, ih = imageSize.Height;
  const int a = sourceX;

  DrawImagePart(graphics, image, X, Y, std::min(W, L), H, a, 0, L, ih);
  int m = W - L - R;
  if (m <= 0) m = std::min(W, M);
  DrawImagePart(graphics, image, X + L, Y, m, H, a + L, 0, M, ih);
  DrawImagePart(graphics, image, X + W - R, Y, std::min(W, R), H, a + iw - R, 0, R, ih);
}

void CBkPngSkinEx::DrawSlicesAtOrigin(Gdiplus::Graphics& graphics, Gdiplus::Image* image, const Gdiplus::Rect& dest,
                                      const Gdiplus::Size& imageSize) const {
  DrawSlices(graphics, image, dest, imageSize, 0);
}

// ---- "pngtr" ------------------------------------------------------------------

HRESULT CBkSkinPngTruncate::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkPngSkinEx::SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
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
    return E_FAIL;
  }
  return S_OK;
}

void CBkSkinPngTruncate::DrawSlices(Gdiplus::Graphics& graphics, Gdiplus::Image* image, const Gdiplus::Rect& dest,
                                    const Gdiplus::Size& imageSize, int sourceX) const {
  const int X = dest.X, Y = dest.Y, W = dest.Width, H = dest.Height;
  const int L = leftWidth_, M = middleWidth_, R = rightWidth_;
  const int iw = imageSize.Width, ih = imageSize.Height;
  const int a = sourceX;
  const int ml = marginLeft_, mt = marginTop_, mr = marginRight_, mb = marginBottom_;

  DrawImagePart(graphics, image, X, Y, L, H, a + ml, mt, L, ih - mb);
  // A rectangle narrower than both ends leaves no room for the middle: it is
  // skipped rather than drawn mirrored.
  DrawImagePart(graphics, image, X + L, Y, W - L - R, H, a + L, mt, M, ih - mb);
  DrawImagePart(graphics, image, X + W - R, Y, R, H, a + iw - R, mt, R - mr, ih - mb);
}

// ---- "checkbox" ---------------------------------------------------------------

bool CBkSkinCheck::Load(const TiXmlElement* element) {
  bool loaded = CBkSkinBase::Load(element);
  if (src_ != 0) image_ = BkPngPool::GetImage(src_, true);
  return loaded;
}

HRESULT CBkSkinCheck::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  HRESULT result = CBkSkinBase::SetAttribute(name, value, loading);
  if (result != E_FAIL) return result;
  if (name == "src") {
    src_ = ParseDecimal(value);
  } else if (name == "subsize") {
    subSize_ = ParseDecimal(value);
  } else if (name == "subsize-x") {
    subSizeX_ = ParseDecimal(value);
  } else if (name == "subsize-y") {
    subSizeY_ = ParseDecimal(value);
  } else {
    return E_FAIL;
  }
  return S_OK;
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
  Gdiplus::Graphics graphics(dc);
  PrepareSkinGraphics(graphics);
  DrawImagePart(graphics, image_, rect.left, rect.top + (span - sh) / 2, sw, sh, k * sw + half, 0, sw, sh);
}
