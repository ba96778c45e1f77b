// "hr": a straight line from the rectangle's top-left corner to its
// bottom-right corner (end point excluded), in the style's background colour.
// A zero-height rectangle gives a horizontal rule.
#pragma once

#include "skin/tree/bk_window.h"

class CBkLine : public CBkWindow {
 public:
  static constexpr const char* kTag = "hr";

  const char* GetTag() const override { return kTag; }
  // Adds "size" (pen width; 0 draws one pixel wide) and "style" ("solid",
  // "dash", "dot", "dashdot", "dashdotdot"; any other word is not handled and
  // leaves the style as it was).
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT or PS_DASHDOTDOT.
  int PenStyle() const { return penStyle_; }
  int LineWidth() const { return lineWidth_; }

 private:
  void PaintLine(HDC dc) const;

  int penStyle_ = PS_SOLID;
  int lineWidth_ = 1;
};
