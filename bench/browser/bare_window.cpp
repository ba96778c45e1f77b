// The floor for the start-up benchmark: a bare Win32 window of the main
// window's size whose every WM_PAINT is one BitBlt of a ready bitmap.
// Closing it ends the process with 0.
#include <windows.h>

#include "bench/bench_surface.h"

namespace {

constexpr int kWidth = 680;
constexpr int kHeight = 430;
Surface* g_picture = nullptr;

LRESULT CALLBACK BareProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(hwnd, &paint);
      BitBlt(dc, 0, 0, kWidth, kHeight, g_picture->dc(), 0, 0, SRCCOPY);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // A vertical gradient, so that the painted window differs from any
  // uniform background.
  Surface picture(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    const HBRUSH brush = CreateSolidBrush(RGB(40, 120 + y * 120 / kHeight, 200));
    const RECT line = {0, y, kWidth, y + 1};
    FillRect(picture.dc(), &line, brush);
    DeleteObject(brush);
  }
  g_picture = &picture;
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = BareProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = L"TavoraBareWindow";
  RegisterClassW(&windowClass);
  const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"bare", WS_POPUP,
                                      (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2,
                                      (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
