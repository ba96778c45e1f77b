#include "app/window/watch_notice.h"

#include <shellapi.h>

#include <algorithm>

#include "app/core/page_text.h"

namespace {

constexpr UINT kIconId = 1;

// The notification area takes fixed buffers: a longer text is shortened to
// fit, between two characters.
template <size_t N>
void CopyText(wchar_t (&target)[N], const std::wstring& text) {
  const std::wstring fitted = ShortenText(text, N - 1);
  std::copy(fitted.begin(), fitted.end(), target);
  target[fitted.size()] = L'\0';
}

}  // namespace

bool TrayNotice::Show(HWND window, UINT callbackMessage, HICON icon, const std::wstring& title,
                      const std::wstring& text) {
  if (window_ && window_ != window) Remove();
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = window;
  data.uID = kIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = callbackMessage;
  data.hIcon = icon;
  CopyText(data.szTip, title);
  if (!window_) {
    if (!Shell_NotifyIconW(NIM_ADD, &data)) return false;
    window_ = window;
  }
  data.uFlags = NIF_INFO;
  data.dwInfoFlags = NIIF_INFO;
  CopyText(data.szInfoTitle, title);
  CopyText(data.szInfo, text);
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void TrayNotice::Remove() {
  if (!window_) return;
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = window_;
  data.uID = kIconId;
  Shell_NotifyIconW(NIM_DELETE, &data);
  window_ = nullptr;
}

void FlashTaskbarButton(HWND window) {
  FLASHWINFO flash = {sizeof(flash), window, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
  FlashWindowEx(&flash);
}

void StopFlashing(HWND window) {
  FLASHWINFO stop = {sizeof(stop), window, FLASHW_STOP, 0, 0};
  FlashWindowEx(&stop);
}
