#include "app/platform/bring_forward.h"

namespace {

constexpr UINT kRestoreTimeoutMs = 5000;

}  // namespace

void BringWindowForward(HWND window) {
  // The single-instance block reads as zero until the first instance has a
  // main window, and a crashed or closing instance may leave a handle that is
  // no longer a window: neither may be acted on.
  if (!window || !IsWindow(window)) return;
  if (IsIconic(window)) {
    // Bounded: a hung instance must not hang the caller as well.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_SYSCOMMAND, SC_RESTORE, 0, SMTO_ABORTIFHUNG, kRestoreTimeoutMs, &ignored);
  }
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  SetForegroundWindow(window);
  SetFocus(window);
}
