// Skin kinds drawn from colours alone: "button" (a drawn push button) and
// "gradation" (a two-colour gradient).
#pragma once

#include <windows.h>

#include "skin/resources/parse_util.h"
#include "skin/resources/skin_base.h"

// "button": a drawn push button: background, a vertical gradient inside a
// 2-pixel margin chosen by the hover and pushed flags (none when disabled),
// and a 1-pixel outline.
class CBkSkinButton : public CBkSkinBase {
 public:
  static constexpr const char* kTag = "button";
  const char* GetTag() const override { return kTag; }
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  void Draw(HDC dc, RECT rect, int state) override;
  bool IsStateless() const override { return false; }

  BkColor bg = 0xEEEEEE;
  BkColor border = 0x707070;
  BkColor bgup = 0xEEEEEE;
  BkColor bguphover = 0xEEEEEE;
  BkColor bguppush = 0xCECECE;
  BkColor bgdown = 0xD6D6D6;
  BkColor bgdownhover = 0xE0E0E0;
  BkColor bgdownpush = 0xC0C0C0;
};

// "gradation": the colour "to" over the rectangle, and a gradient from
// "from" to "to" over its first "size" pixels (all of it when size is not
// positive), left to right ("horz") or top to bottom ("vert").
class CBkSkinGradation : public CBkSkinBase {
 public:
  static constexpr const char* kTag = "gradation";
  const char* GetTag() const override { return kTag; }
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  void Draw(HDC dc, RECT rect, int state) override;

  enum Direction { Horizontal = 0, Vertical = 1 };
  BkColor from = kColorNotSet;
  BkColor to = kColorNotSet;
  int direction = Horizontal;
  int size = 0;
};
