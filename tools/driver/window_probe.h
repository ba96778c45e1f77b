// Input and screen probes for programs that drive another process's windows
// from outside, as a user would: tavora-drive and the click and start-up
// timers of bench/browser. Header only; needs user32, gdi32 and comctl32.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace window_probe {

// Serves this thread's messages every `pauseMs` for `ms` milliseconds, or
// until `done`.
template <typename Done>
bool WaitFor(Done done, DWORD ms, DWORD pauseMs = 20) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(pauseMs);
  }
}

inline void Pause(DWORD ms) {
  WaitFor([] { return false; }, ms);
}

struct ChildSearch {
  int id;
  HWND found;
};

inline BOOL CALLBACK MatchChild(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<ChildSearch*>(data);
  if (GetDlgCtrlID(child) != search->id) return TRUE;
  search->found = child;
  return FALSE;
}

inline HWND FindChild(HWND parent, int id) {
  ChildSearch search = {id, nullptr};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline void MouseTo(POINT at) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof(input));
}

// Presses and releases the left button where the mouse is.
inline void PressAndRelease() {
  INPUT buttons[2] = {};
  buttons[0].type = buttons[1].type = INPUT_MOUSE;
  buttons[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  buttons[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, buttons, sizeof(INPUT));
}

inline void Click(POINT at) {
  MouseTo(at);
  Pause(100);
  PressAndRelease();
  Pause(100);
}

inline POINT CentreOf(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

inline std::wstring WindowText(HWND window) {
  wchar_t buffer[256] = L"";
  SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, nullptr);
  return buffer;
}

inline int ItemCount(HWND list) {
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count)) return -1;
  return static_cast<int>(count);
}

// The screen's pixels in a rectangle, bottom-up 24-bit rows.
struct Picture {
  RECT rect = {};
  int width = 0;
  int height = 0;
  DWORD stride = 0;
  std::vector<BYTE> bits;

  const BYTE* At(int x, int y) const {
    const int column = x - rect.left;
    const int row = height - 1 - (y - rect.top);
    if (column < 0 || column >= width || row < 0 || row >= height) return nullptr;
    return &bits[static_cast<size_t>(row) * stride + static_cast<size_t>(column) * 3];
  }

  // Whether the pixel at screen point (x, y) is dark (text, not background).
  bool Dark(int x, int y) const {
    const BYTE* pixel = At(x, y);
    return pixel && pixel[0] + pixel[1] + pixel[2] < 3 * 110;
  }

  // Whether every pixel has the same colour (nothing painted yet, or a
  // window without content).
  bool Uniform() const {
    for (int y = rect.top; y < rect.bottom; ++y)
      for (int x = rect.left; x < rect.right; ++x)
        for (int c = 0; c < 3; ++c)
          if (At(x, y)[c] != bits[c]) return false;
    return true;
  }
};

// What the screen shows in `rect` (screen coordinates).
inline Picture CaptureRect(const RECT& rect) {
  Picture picture;
  picture.rect = rect;
  picture.width = rect.right - rect.left;
  picture.height = rect.bottom - rect.top;
  if (picture.width <= 0 || picture.height <= 0) return picture;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(screen);
  if (bitmap && memory && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width, picture.height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    SelectObject(memory, old);
    picture.stride = (static_cast<DWORD>(picture.width) * 3 + 3) & ~3u;
    const BYTE* first = static_cast<const BYTE*>(bits);
    picture.bits.assign(first, first + picture.stride * static_cast<DWORD>(picture.height));
  }
  if (memory) DeleteDC(memory);
  if (bitmap) DeleteObject(bitmap);
  ReleaseDC(nullptr, screen);
  return picture;
}

inline Picture Capture(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return CaptureRect(rect);
}

// The main window's parts that a driver works with.
struct MainWindow {
  static constexpr int kListId = 2100;
  static constexpr int kFromEditId = 2220;
  static constexpr int kToEditId = 2230;
  // The 时刻表查询 page's train box and stop list.
  static constexpr int kTrainCodeEditId = 2260;
  static constexpr int kStopListId = 2110;
  // The 票价查询 page's station boxes and fare list.
  static constexpr int kFareFromEditId = 2280;
  static constexpr int kFareToEditId = 2290;
  static constexpr int kFareListId = 2120;
  // Rows of the list before any answer, and the height of one.
  static constexpr int kMinimumListRows = 20;
  static constexpr int kRowHeight = 24;

  HWND frame = nullptr;
  HWND list = nullptr;
  HWND fromEdit = nullptr;
  HWND toEdit = nullptr;

  // Looks the window and its controls up; true when all are there and the
  // frame is visible.
  bool Find() {
    frame = FindWindowW(L"TavoraSkinFrame", nullptr);
    if (!frame || !IsWindowVisible(frame)) return false;
    list = FindChild(frame, kListId);
    fromEdit = FindChild(frame, kFromEditId);
    toEdit = FindChild(frame, kToEditId);
    return list && fromEdit && toEdit;
  }

  // The search button sits at the right end of the query bar, 30 pixels
  // above the list's top and in from its right edge (the main layer's
  // layout: a 48-pixel button 6 pixels inside the bar's corner).
  POINT SearchButton() const {
    RECT listRect = {};
    GetWindowRect(list, &listRect);
    return POINT{listRect.right - 30, listRect.top - 30};
  }

  // The screen point at the middle of column `column`'s header, from the
  // column widths (a header's item rectangles cannot be read from another
  // process).
  POINT ColumnHeader(int column) const {
    const HWND header = FindWindowExW(list, nullptr, WC_HEADERW, nullptr);
    RECT headerRect = {};
    if (!header || !GetWindowRect(header, &headerRect)) return POINT{-1, -1};
    int left = headerRect.left;
    for (int i = 0; i < column; ++i) left += static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, i, 0));
    const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
    return POINT{left + width / 2, (headerRect.top + headerRect.bottom) / 2};
  }

  // The screen rectangle of the train-code cell of the list's row `row`
  // (counted from the first row below the header).
  RECT CodeCell(int row) const {
    RECT listRect = {};
    GetWindowRect(list, &listRect);
    RECT headerRect = {};
    const HWND header = FindWindowExW(list, nullptr, WC_HEADERW, nullptr);
    int top = listRect.top;
    if (header && GetWindowRect(header, &headerRect)) top = headerRect.bottom;
    const int y0 = top + row * kRowHeight;
    return RECT{listRect.left + 3, y0 + 2, listRect.left + 48, y0 + kRowHeight - 2};
  }
};

// Whether the row's train-code cell shows text in `picture`.
inline bool CellHasText(const Picture& picture, const RECT& cell) {
  int dark = 0;
  for (int y = cell.top; y < cell.bottom; ++y)
    for (int x = cell.left; x < cell.right; ++x) dark += picture.Dark(x, y);
  return dark > 8;
}

}  // namespace window_probe
