#include "skin/host/frame_keys.h"

bool IsFrameKeyDown(WPARAM key) {
  if (GetKeyState(VK_MENU) < 0) return false;
  if (key == VK_TAB) return true;
  return GetKeyState(VK_CONTROL) < 0 && key >= '1' && key <= '9';
}

bool ForwardFrameKey(HWND from, UINT message, WPARAM key, LPARAM keyData) {
  const HWND root = from ? GetAncestor(from, GA_ROOT) : nullptr;
  if (!root) return false;
  switch (message) {
    case WM_KEYDOWN:
      if (!IsFrameKeyDown(key)) return false;
      if (root != from) PostMessageW(root, WM_KEYDOWN, key, keyData);
      return root != from;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_KEYUP:
      // Alt held shows where the access keys are; its release hides them
      // again, unless the UI state was shown for good by the system.
      if (key == VK_MENU && !(message == WM_SYSKEYDOWN && (keyData & (1 << 30))))
        SendMessageW(root, WM_CHANGEUISTATE, MAKEWPARAM(message == WM_SYSKEYDOWN ? UIS_CLEAR : UIS_SET, UISF_HIDEACCEL),
                     0);
      return false;
    case WM_SYSCHAR:
      if (root == from) return false;
      PostMessageW(root, WM_SYSCHAR, key, keyData);
      return true;
    default:
      return false;
  }
}
