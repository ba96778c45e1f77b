#include "app/platform/window_text.h"

std::wstring ReadWindowText(HWND window) {
  if (!window || !IsWindow(window)) return std::wstring();
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}
