// Skin kinds drawn from bitmaps of the bitmap pool: "imglst", "imgframe",
// "imghorzex", "imghorzti" and "imgvertex".
#pragma once

#include <windows.h>

#include "skin/resources/memory_bitmap.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/skin_base.h"
#include "skin/resources/skin_draw_cache.h"

// The copies of one bitmap skin's Draw, sharing one memory context.
class BkPartCopier;

// "imglst": one bitmap or a horizontal strip of frames, drawn at the
// rectangle's top-left corner at its own size. The state is the frame index;
// -1 draws the whole bitmap, and without a frame width only -1 draws.
// Attributes: "src" (bitmap id), "mode" ("none", "mask", "alpha"),
// "maskcolor", "subwidth" (frame width).
class CBkImageSkin : public CBkSkinBase {
 public:
  static constexpr const char* kTag = "imglst";
  const char* GetTag() const override { return kTag; }
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  void Draw(HDC dc, RECT rect, int state) override;
  SIZE GetNaturalSize() const override;
  bool IsStateless() const override;

  // The picture; its bitmap belongs to the bitmap pool.
  const MemoryBitmap& Picture() const { return picture_; }

 private:
  MemoryBitmap picture_;
};

// What the kinds drawn from pieces of one bitmap share: an embedded "imglst"
// picture that takes "src", "mode", "maskcolor" and "subwidth" before the
// kind's own attributes, and a look that changes with the state only when the
// picture is a strip of frames. An opaque picture's drawing is kept per size
// and state and copied back on the next paint.
class CBkSkinImgPartsBase : public CBkSkinBase {
 public:
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  bool IsStateless() const override { return image_.IsStateless(); }
  void Draw(HDC dc, RECT rect, int state) final;
  // Draws piece by piece, never from the kept drawing.
  void DrawDirect(HDC dc, RECT rect, int state) {
    DrawKept(dc, rect, state);
    DrawOverKept(dc, rect);
  }

  const CBkImageSkin& Image() const { return image_; }

 protected:
  // The part of the drawing worth keeping, and what is drawn after it each
  // time (a solid fill costs less than copying the same pixels).
  virtual void DrawKept(HDC dc, RECT rect, int state) = 0;
  virtual void DrawOverKept(HDC, RECT) {}

  CBkImageSkin image_;

 private:
  SkinDrawCache cache_;
};

// "imgframe": a bitmap nine-grid whose column `left` and row `top` are the
// one-pixel stretchable middle. Corners are copied 1:1, edges stretched, the
// inner area filled with "crbg" when set. "part" leaves out outer edges.
class CBkSkinImgFrame : public CBkSkinImgPartsBase {
 public:
  static constexpr const char* kTag = "imgframe";
  const char* GetTag() const override { return kTag; }
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  int Left() const { return left_; }
  int Top() const { return top_; }
  BkColor Crbg() const { return crbg_; }
  unsigned Part() const { return part_; }

 protected:
  void DrawKept(HDC dc, RECT rect, int state) override;
  void DrawOverKept(HDC dc, RECT rect) override;

 private:
  // The area inside the edges the "part" attribute keeps.
  struct InnerSpan {
    long long left, top, right, bottom;
  };
  InnerSpan Inner(const RECT& rect, SIZE picture) const;

  int left_ = 0;
  int top_ = 0;
  BkColor crbg_ = kColorNotSet;
  unsigned part_ = PartAll;
};

// Horizontal three-piece bitmap: fixed left and right ends ("imgpos" left,
// middle, right widths), the middle stretched or tiled. "height" sets the
// middle's height (0: the bitmap's, negative: that much less).
class CBkSkinImgHorzBase : public CBkSkinImgPartsBase {
 public:
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  SIZE GetNaturalSize() const override;

  int LeftWidth() const { return leftWidth_; }
  int MiddleWidth() const { return middleWidth_; }
  int RightWidth() const { return rightWidth_; }
  int Height() const { return height_; }

 protected:
  void DrawKept(HDC dc, RECT rect, int state) override;
  // Draws the middle span (x, y, width m, height h) from the `middle`
  // source columns at `sourceX` (already past the left end) of frame `index`.
  virtual void DrawMiddle(const BkPartCopier& copier, HDC dc, long long x, long long y, long long m, long long h,
                          int sourceX, int middle, int index, const RECT& visible) const = 0;

  int leftWidth_ = 0;
  int middleWidth_ = 0;
  int rightWidth_ = 0;
  int height_ = 0;
};

// "imghorzex": the middle piece stretched over the span.
class CBkSkinImgHorzExtend : public CBkSkinImgHorzBase {
 public:
  static constexpr const char* kTag = "imghorzex";
  const char* GetTag() const override { return kTag; }

 protected:
  void DrawMiddle(const BkPartCopier& copier, HDC dc, long long x, long long y, long long m, long long h, int sourceX,
                  int middle, int index, const RECT& visible) const override;
};

// "imghorzti": the middle piece repeated over the span, the last tile cut.
class CBkSkinImgHorzTiled : public CBkSkinImgHorzBase {
 public:
  static constexpr const char* kTag = "imghorzti";
  const char* GetTag() const override { return kTag; }

 protected:
  void DrawMiddle(const BkPartCopier& copier, HDC dc, long long x, long long y, long long m, long long h, int sourceX,
                  int middle, int index, const RECT& visible) const override;
};

// "imgvertex": vertical three-piece bitmap: fixed top and bottom ("imgpos"
// top, middle, bottom heights), the middle stretched. "width" sets the drawn
// width (0: the picture's, negative: that much less).
class CBkSkinImgVertExtend : public CBkSkinImgPartsBase {
 public:
  static constexpr const char* kTag = "imgvertex";
  const char* GetTag() const override { return kTag; }
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  SIZE GetNaturalSize() const override;

  int TopHeight() const { return topHeight_; }
  int MiddleHeight() const { return middleHeight_; }
  int BottomHeight() const { return bottomHeight_; }
  int Width() const { return width_; }

 protected:
  void DrawKept(HDC dc, RECT rect, int state) override;

 private:
  int topHeight_ = 0;
  int middleHeight_ = 0;
  int bottomHeight_ = 0;
  int width_ = 0;
};
