// Drives a running tavora.exe the way a user does, for tools/run.sh when there
// is no screen: waits for the main window, types the two stations into the
// edit boxes with real keyboard input, clicks the search button with the real
// mouse, waits for the rows, saves the window as a BMP file and closes it.
//
//   tavora-drive.exe FROM TO SCREENSHOT.bmp
//
// Prints "rows: N" (the trains the list shows). Exit
// code 0 when the list shows trains, 1 when it shows none or the window never
// came, 2 for a usage error.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kListId = 2100;
constexpr int kFromEditId = 2220;
constexpr int kToEditId = 2230;
constexpr int kMinimumListRows = 20;
constexpr int kRowHeight = 24;
constexpr DWORD kWindowWaitMs = 60000;
constexpr DWORD kRowsWaitMs = 60000;

// Serves this thread's messages for `ms` milliseconds, or until `done`.
template <typename Done>
bool WaitFor(Done done, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(20);
  }
}

struct ChildSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<ChildSearch*>(data);
  if (GetDlgCtrlID(child) != search->id) return TRUE;
  search->found = child;
  return FALSE;
}

HWND FindChild(HWND parent, int id) {
  ChildSearch search = {id, nullptr};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void MouseTo(POINT at) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof(input));
}

void Click(POINT at) {
  MouseTo(at);
  WaitFor([] { return false; }, 100);
  INPUT buttons[2] = {};
  buttons[0].type = buttons[1].type = INPUT_MOUSE;
  buttons[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  buttons[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, buttons, sizeof(INPUT));
  WaitFor([] { return false; }, 100);
}

POINT CentreOf(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void Type(const std::wstring& text) {
  for (const wchar_t c : text) {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wScan = keys[1].ki.wScan = c;
    keys[0].ki.dwFlags = KEYEVENTF_UNICODE;
    keys[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
  }
}

std::wstring WindowText(HWND window) {
  wchar_t buffer[256] = L"";
  SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, nullptr);
  return buffer;
}

// Clicks into `edit` and types `text` there; true when the box then holds it.
bool EnterText(HWND edit, const std::wstring& text) {
  Click(CentreOf(edit));
  Type(text);
  return WaitFor([&] { return WindowText(edit) == text; }, 5000);
}

int ItemCount(HWND list) {
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count)) return -1;
  return static_cast<int>(count);
}

// The screen's pixels under a window, bottom-up 24-bit rows.
struct Picture {
  RECT rect = {};
  int width = 0;
  int height = 0;
  DWORD stride = 0;
  std::vector<BYTE> bits;

  // Whether the pixel at screen point (x, y) is dark (text, not background).
  bool Dark(int x, int y) const {
    const int column = x - rect.left;
    const int row = height - 1 - (y - rect.top);
    if (column < 0 || column >= width || row < 0 || row >= height) return false;
    const BYTE* pixel = &bits[static_cast<size_t>(row) * stride + static_cast<size_t>(column) * 3];
    return pixel[0] + pixel[1] + pixel[2] < 3 * 110;
  }
};

Picture Capture(HWND window) {
  Picture picture;
  GetWindowRect(window, &picture.rect);
  picture.width = picture.rect.right - picture.rect.left;
  picture.height = picture.rect.bottom - picture.rect.top;
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
    BitBlt(memory, 0, 0, picture.width, picture.height, screen, picture.rect.left, picture.rect.top, SRCCOPY);
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

bool SaveBmp(const Picture& picture, const std::wstring& path) {
  if (picture.bits.empty()) return false;
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  header.biWidth = picture.width;
  header.biHeight = picture.height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(picture.bits.size());
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = file.bfOffBits + header.biSizeImage;
  HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool saved = WriteFile(out, &file, sizeof(file), &written, nullptr) &&
                     WriteFile(out, &header, sizeof(header), &written, nullptr) &&
                     WriteFile(out, picture.bits.data(), header.biSizeImage, &written, nullptr);
  CloseHandle(out);
  return saved;
}

// Rows of the list whose train-code cell holds text, among the first
// `positions` rows of `rowHeight` pixels below the list's header.
int RowsWithText(const Picture& picture, HWND list, int positions, int rowHeight) {
  RECT listRect = {};
  GetWindowRect(list, &listRect);
  RECT headerRect = {};
  const HWND header = FindWindowExW(list, nullptr, WC_HEADERW, nullptr);
  int top = listRect.top;
  if (header && GetWindowRect(header, &headerRect)) top = headerRect.bottom;
  int rows = 0;
  for (int row = 0; row < positions; ++row) {
    int dark = 0;
    const int y0 = top + row * rowHeight;
    for (int y = y0 + 2; y < y0 + rowHeight - 2; ++y)
      for (int x = listRect.left + 3; x < listRect.left + 48; ++x) dark += picture.Dark(x, y);
    rows += dark > 8;
  }
  return rows;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: tavora-drive FROM TO SCREENSHOT.bmp\n");
    return 2;
  }
  const std::wstring from = argv[1];
  const std::wstring to = argv[2];
  const std::wstring screenshot = argv[3];

  HWND frame = nullptr;
  HWND list = nullptr;
  HWND fromEdit = nullptr;
  HWND toEdit = nullptr;
  const bool found = WaitFor(
      [&] {
        frame = FindWindowW(L"TavoraSkinFrame", nullptr);
        if (!frame || !IsWindowVisible(frame)) return false;
        list = FindChild(frame, kListId);
        fromEdit = FindChild(frame, kFromEditId);
        toEdit = FindChild(frame, kToEditId);
        return list && fromEdit && toEdit;
      },
      kWindowWaitMs);
  if (!found) {
    std::fprintf(stderr, "tavora-drive: the main window did not appear\n");
    return 1;
  }
  SetForegroundWindow(frame);
  WaitFor([] { return false; }, 500);
  if (!EnterText(fromEdit, from) || !EnterText(toEdit, to)) {
    std::fprintf(stderr, "tavora-drive: the stations could not be typed\n");
    return 1;
  }

  // The search button sits at the right end of the query bar, 30 pixels
  // above the list's top and in from its right edge (the main layer's
  // layout: a 48-pixel button 6 pixels inside the bar's corner).
  RECT listRect = {};
  GetWindowRect(list, &listRect);
  const int before = ItemCount(list);
  Click(POINT{listRect.right - 30, listRect.top - 30});
  // The list holds every train once the answer is in; with fewer trains than
  // its blank positions the count stays, and the trains are counted from the
  // rows' pixels instead.
  WaitFor([&] { return ItemCount(list) != before; }, kRowsWaitMs);
  WaitFor([] { return false; }, 1000);

  MouseTo(POINT{0, 0});
  WaitFor([] { return false; }, 300);
  const Picture picture = Capture(frame);
  const bool saved = SaveBmp(picture, screenshot);
  const int count = ItemCount(list);
  const int rows = count > kMinimumListRows ? count : RowsWithText(picture, list, kMinimumListRows, kRowHeight);
  std::printf("rows: %d\n", rows);
  std::fflush(stdout);

  PostMessageW(frame, WM_CLOSE, 0, 0);
  return rows > 0 && saved ? 0 : 1;
}
