#include "tests/skin/tree/controls/notify_recorder.h"

namespace {

constexpr wchar_t kClassName[] = L"TavoraNotifyRecorder";

}  // namespace

NotifyRecorder::NotifyRecorder(int controlId) : controlId_(controlId) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  RegisterClassW(&windowClass);
  hwnd_ = CreateWindowExW(0, kClassName, L"recorder", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_) return;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // A top-level window has no control id of its own: it gets one so that
  // the sender ids of the records can be checked.
  SetWindowLongPtrW(hwnd_, GWLP_ID, controlId);
}

NotifyRecorder::~NotifyRecorder() {
  if (!hwnd_) return;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);
}

LRESULT CALLBACK NotifyRecorder::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<NotifyRecorder*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NOTIFY && self && lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code == SKN_REDRAWRECT) {
      const RedrawRectNotify record = *reinterpret_cast<const RedrawRectNotify*>(lParam);
      self->redraws.push_back(record);
      if (self->onRedraw) self->onRedraw(record);
    } else if (header->code == SKN_TABSELCHANGE) {
      auto* question = reinterpret_cast<TabSelChangeNotify*>(lParam);
      if (self->onTabQuestion) self->onTabQuestion(*question);
      self->tabQuestions.push_back(*question);
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
