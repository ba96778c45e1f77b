// Check boxes: "check" draws its box with the system's visual style (or the
// classic frame control when no visual style is available), "checkex" draws
// it with a skin. Both show their text beside the box, vertically centred,
// and toggle their checked state (StateChecked) on every button release.
// The radio box (radio_control.h) shares the text and the box drawing.
#pragma once

#include "skin/resources/theme_api.h"
#include "skin/tree/bk_window.h"
#include "skin/tree/skin_reference.h"

// What the check boxes (and the radio box) share: the toggle, the text beside the box and the
// natural size grown by the box.
class CBkCheckBoxBase : public CBkWindow {
 public:
  bool LooksDifferentByState() const override { return true; }
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // StateChecked on when it was off, off when it was on.
  void Toggle();

 protected:
  virtual void PaintBox(HDC dc) = 0;
  // Width the box and the gap after it take before the text.
  virtual int BoxAdvance() const = 0;
  // Least height of the element.
  virtual int MinimumHeight() const = 0;
  // Text mode bits switched on for good at the first paint (bottom
  // alignment is switched off).
  virtual unsigned TextModeAdded() const { return DT_VCENTER; }

  // Draws a "BUTTON" glyph for the element's state into `box`: part
  // `themePart` of the visual style when one is open (opened on first use),
  // else the classic frame control of kind `classicKind` (DFCS_BUTTON*).
  void DrawButtonGlyph(HDC dc, const RECT& box, ButtonThemeHandle& theme, int themePart, UINT classicKind) const;

 private:
  // Draws the text from left + BoxAdvance(); the text mode is switched to
  // vertical centring for good.
  void PaintText(HDC dc);
};

class CBkCheckBox : public CBkCheckBoxBase {
 public:
  static constexpr const char* kTag = "check";
  // The box is this wide and the text starts this far from the left edge.
  static constexpr int kBoxSize = 13;
  static constexpr int kTextOffset = 17;

  const char* GetTag() const override { return kTag; }
  // Adds "check", a value that is stored and has no effect.
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  int CheckValue() const { return check_; }
  // The visual-style data the element holds (null until a paint opened it, or
  // without visual styles).
  HTHEME Theme() const { return theme_.get(); }

 protected:
  void PaintBox(HDC dc) override;
  int BoxAdvance() const override { return kTextOffset; }
  int MinimumHeight() const override { return kBoxSize; }

 private:
  ButtonThemeHandle theme_;
  int check_ = 0;
};

// "checkex": box skin `skin` drawn into the leftmost `size` pixels with the
// element's state flags as the state; the text starts `spacing` after it.
// `checked` non-zero toggles the checked state as a click does.
class CBkCheckBoxEx : public CBkCheckBoxBase {
 public:
  static constexpr const char* kTag = "checkex";

  const char* GetTag() const override { return kTag; }
  // Adds "skin", "size", "spacing" and "checked".
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;

  int BoxSize() const { return boxSize_; }
  int Spacing() const { return spacing_; }
  CBkSkinBase* Skin() const { return skin_.Get(); }

 protected:
  void PaintBox(HDC dc) override;
  int BoxAdvance() const override;
  int MinimumHeight() const override { return boxSize_; }

 private:
  int boxSize_ = 13;
  int spacing_ = 4;
  BkSkinReference skin_;
};
