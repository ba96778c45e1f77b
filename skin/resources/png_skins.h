// Skin kinds drawn with GDI+ from images of the PNG pool: "png" (one image of
// a horizontal strip), "pngex" (three slices, the middle stretched), "pngtr"
// ("pngex" with trimmed source margins), "checkbox" (a check-box strip chosen
// by state flags) and "border" (a nine-grid).
#pragma once

#include <windows.h>

#include "skin/resources/gdiplus_drawing.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/skin_base.h"

namespace Gdiplus {
class Rect;
class Size;
}  // namespace Gdiplus

// What the PNG-drawn kinds share: image "src" of the PNG pool, fetched once
// at the end of Load, after every attribute has been applied, so that the
// attributes' order in the document does not matter.
class CBkPngSkinBase : public CBkSkinBase {
 public:
  bool Load(const TiXmlElement* element) override;
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;

  Gdiplus::Image* ImageObject() const { return image_; }
  int Src() const { return src_; }

 protected:
  Gdiplus::Image* image_ = nullptr;  // belongs to the PNG pool
  int src_ = 0;
};

// "png": image `src` of the PNG pool, a strip of sub-images "subwidth" wide
// (0: one picture). The state is the sub-image index. With "autosize" 1 the
// sub-image (or the whole image) is drawn at its own size at the rectangle's
// top-left corner; with 0 the rectangle's size is used: a rect-sized area
// from the sub-image on, or the whole image stretched over the rectangle.
class CBkPngSkin : public CBkPngSkinBase {
 public:
  static constexpr const char* kTag = "png";
  const char* GetTag() const override { return kTag; }
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  void Draw(HDC dc, RECT rect, int state) override;
  SIZE GetNaturalSize() const override;
  bool IsStateless() const override { return subWidth_ == 0; }

  int SubWidth() const { return subWidth_; }
  int AutoSize() const { return autoSize_; }

 protected:
  // (iw, ih): the sub-image width (the image's width without sub-images) and
  // the image's height.
  SIZE OneImageSize() const;
  // The source column where sub-image `state` starts (0 without sub-images);
  // false when that column lies beyond the int range, which draws nothing.
  bool SubImageX(int state, int& sourceX) const;

  int subWidth_ = 0;
  int autoSize_ = 1;
};

// "pngex": three slices "imgpos" (left, middle, right widths): both ends kept,
// the middle stretched horizontally, all stretched vertically to the
// rectangle. The state is the sub-image index.
class CBkPngSkinEx : public CBkPngSkin {
 public:
  static constexpr const char* kTag = "pngex";
  const char* GetTag() const override { return kTag; }
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  void Draw(HDC dc, RECT rect, int state) override;

  // Draws the three slices into dest (x, y, width, height) from a one-image
  // size imageSize, every source column moved right by sourceX.
  virtual void DrawSlices(PngPainter& painter, Gdiplus::Image* image, const Gdiplus::Rect& dest,
                          const Gdiplus::Size& imageSize, int sourceX) const;
  virtual void DrawSlicesAtOrigin(PngPainter& painter, Gdiplus::Image* image, const Gdiplus::Rect& dest,
                                  const Gdiplus::Size& imageSize) const;

  int LeftWidth() const { return leftWidth_; }
  int MiddleWidth() const { return middleWidth_; }
  int RightWidth() const { return rightWidth_; }

 protected:
  int leftWidth_ = 0;
  int middleWidth_ = 0;
  int rightWidth_ = 0;
};

// "pngtr": "pngex" without clamping the slices to the rectangle and with the
// source trimmed by "margin-left", "margin-top", "margin-right" and
// "margin-bottom" ("margin": up to four of them, comma-separated). A middle
// slice that would be narrower than nothing is left out.
class CBkSkinPngTruncate : public CBkPngSkinEx {
 public:
  static constexpr const char* kTag = "pngtr";
  const char* GetTag() const override { return kTag; }
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  void DrawSlices(PngPainter& painter, Gdiplus::Image* image, const Gdiplus::Rect& dest,
                  const Gdiplus::Size& imageSize, int sourceX) const override;

  int MarginLeft() const { return marginLeft_; }
  int MarginTop() const { return marginTop_; }
  int MarginRight() const { return marginRight_; }
  int MarginBottom() const { return marginBottom_; }

 protected:
  int marginLeft_ = 0;
  int marginTop_ = 0;
  int marginRight_ = 0;
  int marginBottom_ = 0;
};

// "checkbox": a strip whose left half holds the unchecked images and whose
// right half the checked ones, each half normal, hover, pushed (and
// disabled). The state holds element state flags; the box is centred
// vertically in a rectangle at least as high as the image.
class CBkSkinCheck : public CBkPngSkinBase {
 public:
  static constexpr const char* kTag = "checkbox";
  const char* GetTag() const override { return kTag; }
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  void Draw(HDC dc, RECT rect, int state) override;

  int SubSize() const { return subSize_; }
  int SubSizeX() const { return subSizeX_; }
  int SubSizeY() const { return subSizeY_; }

 private:
  int subSize_ = 0;
  int subSizeX_ = 0;
  int subSizeY_ = 0;
};

// "border": a PNG nine-grid with square corners of side "angle", drawn with
// GDI+; "offset" lets the side edges reach past their ends, "crbg" fills the
// rectangle first.
class CBkSkinBorder : public CBkPngSkinBase {
 public:
  static constexpr const char* kTag = "border";
  const char* GetTag() const override { return kTag; }
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  void Draw(HDC dc, RECT rect, int state) override;
  SIZE GetNaturalSize() const override;

  int Angle() const { return angle_; }
  int Offset() const { return offset_; }
  BkColor Crbg() const { return crbg_; }
  unsigned Part() const { return part_; }

 private:
  BkColor crbg_ = kColorNotSet;
  int angle_ = 0;
  int offset_ = 0;
  unsigned part_ = PartAll;
};
