#include "tests/skin/tree/controls/notify_host.h"

namespace {

constexpr wchar_t kClassName[] = L"TavoraNotifyHost";

void RegisterNotifyClass() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = NotifyHost::Proc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  RegisterClassW(&windowClass);
}

}  // namespace

NotifyHost::NotifyHost(int controlId) {
  RegisterNotifyClass();
  parent_ = CreateWindowExW(0, kClassName, L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  host_ = CreateWindowExW(0, kClassName, L"host", WS_CHILD | WS_VISIBLE, 0, 0, 700, 500, parent_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(parent_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(host_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

NotifyHost::~NotifyHost() {
  if (parent_) DestroyWindow(parent_);
}

std::vector<WPARAM> NotifyHost::TakePostedReleases() {
  std::vector<WPARAM> releases;
  MSG message;
  while (PeekMessageW(&message, parent_, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE)) releases.push_back(message.wParam);
  return releases;
}

LRESULT CALLBACK NotifyHost::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<NotifyHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NOTIFY && self && lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (window == self->host_ && header->code == SKN_REDRAWRECT) {
      self->redraws.push_back(*reinterpret_cast<const RedrawRectNotify*>(lParam));
      if (self->onRedraw) self->onRedraw();
      return 0;
    }
    if (window == self->host_ && header->code == SKN_REALWNDRESIZED) {
      self->heightNotices.push_back(*reinterpret_cast<const RealWndResizedNotify*>(lParam));
      if (self->onHeightNotice) self->onHeightNotice();
      return 0;
    }
    if (window == self->parent_ && header->code == SKN_COMMAND) {
      const auto* notify = reinterpret_cast<const CommandNotify*>(lParam);
      self->commands.push_back(SeenCommand{notify->hdr.hwndFrom, notify->hdr.idFrom, wParam, notify->uItemID,
                                           notify->szItemClass ? notify->szItemClass : ""});
      return 0;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
