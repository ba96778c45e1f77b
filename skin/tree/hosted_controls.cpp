#include "skin/tree/hosted_controls.h"

#include "skin/resources/dpi_scale.h"
#include "skin/tree/host_notify.h"

namespace {

// Repaints the native window with its frame after a move, without moving,
// sizing or reordering it.
constexpr UINT kRepaintFrameFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW;

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

HWND CBkRealWnd::NativeWindow() const {
  const HWND host = GetHostWindow();
  if (!host || GetElementId() == 0 || !IsWindow(host)) return nullptr;
  return GetDlgItem(host, GetElementId());
}

bool CBkRealWnd::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // Handled is marked before anything runs: the handlers below may end with
  // the element gone.
  switch (message) {
    case WM_PAINT:
      SetMsgHandled(true);
      return true;
    case WM_WINDOWPOSCHANGED:
      SetMsgHandled(true);
      if (lParam) OnRealWndPosChanged(*reinterpret_cast<const WINDOWPOS*>(lParam));
      return true;
    case WM_SHOWWINDOW:
      SetMsgHandled(true);
      OnShow(wParam != 0);
      return true;
    case WM_DESTROY:
      SetMsgHandled(true);
      if (HWND native = NativeWindow()) ShowWindow(native, SW_HIDE);
      return true;
    default:
      return CBkWindow::ProcessMessage(message, wParam, lParam, result);
  }
}

void CBkRealWnd::OnRealWndPosChanged(const WINDOWPOS& position) {
  const RECT old = GetRect();
  OnWindowPosChanged(position);
  const RECT area = GetRect();
  const HWND host = GetHostWindow();
  const RECT pixels = ScaleRectOut(area, HostDpi(host));
  const bool moved = !SameRect(old, area);
  if (!moved && SameRect(placed_, pixels)) return;
  placed_ = pixels;

  // Everything needed after the call-outs is copied first.
  const BkHandle self = GetHandle();
  const int id = GetElementId();

  if (HWND native = NativeWindow()) {
    SetWindowPos(native, nullptr, pixels.left, pixels.top, SaturatingSubtract(pixels.right, pixels.left),
                 SaturatingSubtract(pixels.bottom, pixels.top), SWP_NOREDRAW);
    if (!LookupElement(self)) return;
  }

  if (moved && host && IsWindow(host)) {
    SendResizedNotice(host, id, area);
    if (!LookupElement(self)) return;
  }

  // The native window may have gone with the notification: look it up again.
  HWND native = NativeWindow();
  if (native && IsWindowVisible(native)) {
    InvalidateRect(native, nullptr, TRUE);
    SetWindowPos(native, nullptr, 0, 0, 0, 0, kRepaintFrameFlags);
  }
}

void CBkRealWnd::OnShow(bool show) {
  SetVisible(show);
  // Shown while an ancestor is hidden: the native window waits for the
  // ancestor (containers pass their visibility down).
  if (show && !IsVisible(true)) return;
  if (HWND native = NativeWindow()) ShowWindow(native, show ? SW_SHOW : SW_HIDE);
}

void CBkRealWnd::ShowHostedWindows(bool show) {
  if (HWND native = NativeWindow()) ShowWindow(native, show ? SW_SHOW : SW_HIDE);
}
