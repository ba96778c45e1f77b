// "realwnd": ties a native child window of the host (an edit box, the list
// view) to a place in the element tree. The native window is the host's
// child whose control id equals the element's id; it is looked up each time
// it is needed, and the element neither creates nor destroys it. The tree
// moves it with the element's rectangle (scaled to the host's DPI) and shows and hides it with the
// element and its ancestors.
#pragma once

#include "skin/tree/bk_window.h"

class CBkRealWnd : public CBkWindow {
 public:
  static constexpr const char* kTag = "realwnd";

  const char* GetTag() const override { return kTag; }
  bool LooksDifferentByState() const override { return false; }
  // WM_PAINT draws nothing; WM_WINDOWPOSCHANGED moves the native window and
  // sends SKN_REALWNDRESIZED to the host when the rectangle changed;
  // WM_SHOWWINDOW shows or hides it; WM_DESTROY hides it.
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void ShowHostedWindows(bool show) override;

  // The host's child with this element's id; null without a host, for id 0,
  // or when there is no such child.
  HWND NativeWindow() const;

 private:
  // These call out to window procedures that may destroy the element: they
  // look it up again after each call-out and stop when it is gone.
  void OnRealWndPosChanged(const WINDOWPOS& position);
  void OnShow(bool show);

  // Where the native window was last put, in the host's pixels: the same
  // rectangle in layer units lands elsewhere after the host's scale changed.
  RECT placed_ = {0, 0, 0, 0};
};
