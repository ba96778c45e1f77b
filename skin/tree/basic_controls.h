// The everyday leaves of the element tree: "text" shows a string, "link" and
// "button" are texts the host treats as clickable, "img" paints a named skin,
// "imgbtn" paints a skin by mouse state with a caption over it, and
// "memimage" paints an image the application registered. None of them reacts
// to a click itself: the host turns clicks into notifications.
#pragma once

#include "skin/tree/bk_window.h"
#include "skin/tree/skin_reference.h"

class CBkStatic : public CBkWindow {
 public:
  static constexpr const char* kTag = "text";
  const char* GetTag() const override { return kTag; }
};

class CBkLink : public CBkWindow {
 public:
  static constexpr const char* kTag = "link";
  const char* GetTag() const override { return kTag; }
};

// A text that is repainted on every state change.
class CBkButton : public CBkWindow {
 public:
  static constexpr const char* kTag = "button";
  const char* GetTag() const override { return kTag; }
  bool LooksDifferentByState() const override { return true; }
};

// "img": skin `skin` drawn with the state value `sub`; with `autosize`
// non-zero the skin's own size decides the natural size (each non-zero
// component of it wins over the measured or "pos" size).
class CBkImageWnd : public CBkWindow {
 public:
  static constexpr const char* kTag = "img";
  const char* GetTag() const override { return kTag; }
  // Adds "skin", "sub" and "autosize".
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  CBkSkinBase* Skin() const { return skin_.Get(); }
  int Sub() const { return sub_; }
  int AutoSize() const { return autoSize_; }

 protected:
  // The base natural size, then the skin's size where autosize asks for it.
  void OnImageNcCalcSize(bool useOffered, SIZE& size);

 private:
  int sub_ = -1;
  int autoSize_ = 1;
  BkSkinReference skin_;
};

// "imgbtn": the skin drawn by the state index (3 disabled, 2 pushed, 1 hover,
// 0 normal), then the caption over the whole rectangle in the style's font
// and text colour, whatever the state.
class CBkImageBtnWnd : public CBkImageWnd {
 public:
  static constexpr const char* kTag = "imgbtn";
  const char* GetTag() const override { return kTag; }
  bool LooksDifferentByState() const override { return true; }
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void PaintButton(HDC dc);
};

// "memimage": an image registered with RegisterMemoryImage, named by its
// number in `mempointer` (0: none). `autosize` 1 stretches it over the
// rectangle, 0 draws it at its own size at the top-left corner, any other
// value draws nothing. A number that names no registered image draws nothing.
class CBkMemoryImage : public CBkWindow {
 public:
  static constexpr const char* kTag = "memimage";
  const char* GetTag() const override { return kTag; }
  // Adds "mempointer" and "autosize".
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  unsigned long long ImageNumber() const { return imageNumber_; }
  int AutoSize() const { return autoSize_; }

 private:
  void PaintImage(HDC dc) const;

  unsigned long long imageNumber_ = 0;
  int autoSize_ = 1;
};
