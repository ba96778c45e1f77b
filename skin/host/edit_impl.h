// The skinned edit box: the native single-line edit control with a grey hint
// while it is empty and unfocused, a background it never erases, the I-beam
// cursor, Escape that clears it, and Enter, Escape and Tab handed to the
// window around its host view.
#pragma once

#include <windows.h>

#include <string>

#include "skin/host/window_impl.h"
#include "skin/resources/bk_object.h"

class CEditImpl : public CWindowImplBase, public CBkObject {
 public:
  // WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN.
  static constexpr DWORD kDefaultStyle = 0x56000000;
  // WS_CHILD | WS_VISIBLE | WS_TABSTOP.
  static constexpr DWORD kCreateStyle = 0x50010000;

  CEditImpl() = default;
  ~CEditImpl() override;

  // A child of `parent` with kCreateStyle, an empty rectangle and no text.
  HWND Create(HWND parent);
  using CWindowImplBase::Create;

  // Stores the hint; the control is repainted only when it next paints.
  void SetHintText(const std::wstring& text) { hintText_ = text; }
  const std::wstring& GetHintText() const { return hintText_; }

  const char* GetTag() const override { return "edit"; }
  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  WindowClassInfo& GetWindowClassInfo() const override;

 private:
  LRESULT OnSetCursor(bool& handled);
  LRESULT OnPaint(bool& handled);
  LRESULT OnKeyDown(WPARAM key, LPARAM keyData, bool& handled);
  void PaintHint(HDC dc);

  std::wstring hintText_;
};
