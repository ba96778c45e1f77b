// Drives a running tavora.exe the way a user does, for tools/run.sh when there
// is no screen: waits for the main window, types the two stations into the
// edit boxes with real keyboard input, clicks the search button with the real
// mouse, waits for the rows, saves the window as a BMP file and closes it.
//
//   tavora-drive.exe FROM TO SCREENSHOT.bmp [SORT_COLUMN]
//
// Prints "rows: N" (the trains the list shows). Exit
// code 0 when the list shows trains, 1 when it shows none or the window never
// came, 2 for a usage error.
//
// For the program's questions (the update offer's Yes/No box):
//
//   tavora-drive.exe --answer CAPTION yes|no|ok [SECONDS]
//       waits for a message box with that caption (default 120 s), prints
//       its text ("text: ..."), clicks the button with the real mouse and
//       waits for the box to go; exit code 0 when it was answered, 1 when no
//       box came or it stayed
//   tavora-drive.exe --wait-box CAPTION SECONDS
//       exit code 0 as soon as such a box shows, 1 when none came
//   tavora-drive.exe --close-main SECONDS
//       waits for the main window, closes it and waits for it to go; exit
//       code 1 when none came or it stayed
//   tavora-drive.exe --hold FILE SECONDS
//       keeps FILE open for reading without sharing writes or deletes, as a
//       scanner or a backup program may, for SECONDS; exit code 1 when it
//       could not be opened
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "tools/driver/window_probe.h"

namespace {

using namespace window_probe;

constexpr DWORD kWindowWaitMs = 60000;
constexpr DWORD kRowsWaitMs = 60000;

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

// Clicks into `edit` and types `text` over what it holds; true when the box then holds it.
bool EnterText(HWND edit, const std::wstring& text) {
  Click(CentreOf(edit));
  // The box may hold the stations remembered from the last run: the typing
  // replaces them.
  SendMessageW(edit, EM_SETSEL, 0, -1);
  Type(text);
  return WaitFor([&] { return WindowText(edit) == text; }, 5000);
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
// `positions` rows below the list's header.
int RowsWithText(const Picture& picture, const MainWindow& window, int positions) {
  int rows = 0;
  for (int row = 0; row < positions; ++row) rows += CellHasText(picture, window.CodeCell(row));
  return rows;
}

// A shown message box (dialog class) whose caption is `caption`.
HWND FindMessageBox(const std::wstring& caption) {
  const HWND box = FindWindowW(L"#32770", caption.c_str());
  return box && IsWindowVisible(box) ? box : nullptr;
}

DWORD SecondsArgument(const wchar_t* text, DWORD fallback) {
  const int seconds = text ? _wtoi(text) : 0;
  return seconds > 0 ? static_cast<DWORD>(seconds) * 1000 : fallback;
}

// The static text of a message box.
constexpr int kMessageBoxTextId = 0xFFFF;

// Prints `text` as a line of UTF-8.
void PrintLine(const char* label, const std::wstring& text) {
  std::string bytes(text.size() * 3, '\0');
  const int count = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                        static_cast<int>(bytes.size()), nullptr, nullptr);
  bytes.resize(count > 0 ? static_cast<size_t>(count) : 0);
  std::printf("%s: %s\n", label, bytes.c_str());
  std::fflush(stdout);
}

// `answer` is IDYES, IDNO or IDOK.
int AnswerBox(const std::wstring& caption, int answer, DWORD waitMs) {
  HWND box = nullptr;
  if (!WaitFor([&] { return (box = FindMessageBox(caption)) != nullptr; }, waitMs)) {
    std::fprintf(stderr, "tavora-drive: no question came\n");
    return 1;
  }
  const HWND text = FindChild(box, kMessageBoxTextId);
  PrintLine("text", text ? WindowText(text) : L"");
  const HWND button = FindChild(box, answer);
  if (!button) return 1;
  SetForegroundWindow(box);
  Pause(300);
  Click(CentreOf(button));
  if (!WaitFor([&] { return !IsWindow(box); }, 10000)) {
    std::fprintf(stderr, "tavora-drive: the question stayed\n");
    return 1;
  }
  std::printf("answered: %s\n", answer == IDYES ? "yes" : answer == IDNO ? "no" : "ok");
  return 0;
}

// Clicks the 时刻表查询 tab head, types `code` into its train box and clicks
// its search button; true once its list holds the train's stops.
// Clicks tab head `index` (0 is 余票查询), at the main layer's 100 % place
// scaled to the window's size (the layer is 680 pixels wide, the heads 76
// apart).
void ClickTabHead(const MainWindow& window, int index) {
  RECT client = {};
  GetClientRect(window.frame, &client);
  const double scale = client.right / 680.0;
  POINT head = {static_cast<LONG>((39 + 76 * index) * scale), static_cast<LONG>(68 * scale)};
  ClientToScreen(window.frame, &head);
  Click(head);
  Pause(500);
}

// Clicks the 票价查询 tab head, types the stations into its boxes and clicks
// its search button; true once its list has rows.
bool ShowFares(const MainWindow& window, const std::wstring& from, const std::wstring& to) {
  ClickTabHead(window, 2);
  const HWND fromEdit = FindChild(window.frame, MainWindow::kFareFromEditId);
  const HWND toEdit = FindChild(window.frame, MainWindow::kFareToEditId);
  const HWND fares = FindChild(window.frame, MainWindow::kFareListId);
  if (!fromEdit || !toEdit || !fares || !WaitFor([&] { return IsWindowVisible(fromEdit) != FALSE; }, 5000)) return false;
  if (!EnterText(fromEdit, from) || !EnterText(toEdit, to)) return false;
  const int before = ItemCount(fares);
  RECT listRect = {};
  GetWindowRect(fares, &listRect);
  Click(POINT{listRect.right - 30, listRect.top - 30});
  const bool answered = WaitFor([&] { return ItemCount(fares) != before; }, 5000);
  Pause(1000);
  return answered;
}

bool ShowTimetable(const MainWindow& window, const std::wstring& code) {
  ClickTabHead(window, 1);
  const HWND codeEdit = FindChild(window.frame, MainWindow::kTrainCodeEditId);
  const HWND stops = FindChild(window.frame, MainWindow::kStopListId);
  if (!codeEdit || !stops || !WaitFor([&] { return IsWindowVisible(codeEdit) != FALSE; }, 5000)) return false;
  if (!EnterText(codeEdit, code)) return false;
  const int before = ItemCount(stops);
  RECT listRect = {};
  GetWindowRect(stops, &listRect);
  Click(POINT{listRect.right - 30, listRect.top - 30});
  // A train of more stops than the list's blank positions changes its count;
  // a shorter one is given the time an answer from the demo site takes.
  WaitFor([&] { return ItemCount(stops) != before; }, 3000);
  Pause(1000);
  return true;
}

int CloseMain(DWORD waitMs) {
  HWND frame = nullptr;
  if (!WaitFor([&] { return (frame = FindWindowW(L"TavoraSkinFrame", nullptr)) != nullptr; }, waitMs)) {
    std::fprintf(stderr, "tavora-drive: no main window came\n");
    return 1;
  }
  PostMessageW(frame, WM_CLOSE, 0, 0);
  return WaitFor([&] { return !IsWindow(frame); }, waitMs) ? 0 : 1;
}

// Presses and releases `keys` in order (virtual keys), holding each earlier
// one while the later ones go down: {VK_SHIFT, VK_TAB} is Shift+Tab.
void PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (const WORD key : keys) {
    INPUT down = {};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = key;
    inputs.push_back(down);
  }
  for (auto key = keys.end(); key != keys.begin();) {
    INPUT up = {};
    up.type = INPUT_KEYBOARD;
    up.ki.wVk = *--key;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(up);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"--answer" && (argc == 4 || argc == 5)) {
    const std::wstring choice = argv[3];
    const int answer = choice == L"yes" ? IDYES : choice == L"no" ? IDNO : choice == L"ok" ? IDOK : 0;
    if (answer != 0) return AnswerBox(argv[2], answer, SecondsArgument(argc == 5 ? argv[4] : nullptr, 120000));
  }
  if (mode == L"--wait-box" && argc == 4) {
    HWND box = nullptr;
    return WaitFor([&] { return (box = FindMessageBox(argv[2])) != nullptr; }, SecondsArgument(argv[3], 1000)) ? 0 : 1;
  }
  if (mode == L"--close-main" && argc == 3) return CloseMain(SecondsArgument(argv[2], 1000));
  if (mode == L"--hold" && argc == 4) {
    const HANDLE file = CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::printf("holding\n");
    std::fflush(stdout);
    Sleep(SecondsArgument(argv[3], 1000));
    CloseHandle(file);
    return 0;
  }
  if (argc < 4 || argc > 6 ||
      (argc == 6 && std::wstring(argv[4]) != L"timetable" && std::wstring(argv[4]) != L"tab" &&
       std::wstring(argv[4]) != L"complete")) {
    std::fprintf(stderr,
                 "usage: tavora-drive FROM TO SCREENSHOT.bmp [SORT_COLUMN|menu|fares|focus|maximised|timetable CODE|\n"
                 "                                              tab INDEX|complete TEXT]\n"
                 "       tavora-drive --answer CAPTION yes|no|ok [SECONDS]\n"
                 "       tavora-drive --wait-box CAPTION SECONDS\n"
                 "       tavora-drive --close-main SECONDS\n"
                 "       tavora-drive --hold FILE SECONDS\n");
    return 2;
  }
  // Optional: the list column whose header is clicked once the rows are in,
  // "menu": the third row's right-click menu is open in the screenshot, or
  // "timetable CODE": the 时刻表查询 tab asked for train CODE.
  const bool menu = argc == 5 && std::wstring(argv[4]) == L"menu";
  const bool timetable = argc == 6 && std::wstring(argv[4]) == L"timetable";
  const bool tab = argc == 6 && std::wstring(argv[4]) == L"tab";
  // "complete TEXT": TEXT typed into the 出发站 box, its drop-down open.
  const bool complete = argc == 6 && std::wstring(argv[4]) == L"complete";
  const bool fares = argc == 5 && std::wstring(argv[4]) == L"fares";
  // "focus": the keyboard focus on the search button, its ring shown.
  const bool focus = argc == 5 && std::wstring(argv[4]) == L"focus";
  // "maximised": the header's maximise button clicked after the query.
  const bool maximised = argc == 5 && std::wstring(argv[4]) == L"maximised";
  const int sortColumn = argc == 5 && !menu && !fares && !focus && !maximised ? _wtoi(argv[4]) : -1;
  const std::wstring from = argv[1];
  const std::wstring to = argv[2];
  const std::wstring screenshot = argv[3];

  MainWindow window;
  const bool found = WaitFor([&] { return window.Find(); }, kWindowWaitMs);
  if (!found) {
    std::fprintf(stderr, "tavora-drive: the main window did not appear\n");
    return 1;
  }
  SetForegroundWindow(window.frame);
  Pause(500);
  if (!EnterText(window.fromEdit, from) || !EnterText(window.toEdit, to)) {
    std::fprintf(stderr, "tavora-drive: the stations could not be typed\n");
    return 1;
  }

  const HWND list = window.list;
  const int before = ItemCount(list);
  Click(window.SearchButton());
  // The list holds every train once the answer is in; with fewer trains than
  // its blank positions the count stays, and the trains are counted from the
  // rows' pixels instead.
  WaitFor([&] { return ItemCount(list) != before; }, kRowsWaitMs);
  Pause(1000);
  if (sortColumn >= 0) {
    Click(window.ColumnHeader(sortColumn));
    Pause(500);
  }

  if (timetable && !ShowTimetable(window, argv[5])) {
    std::fprintf(stderr, "tavora-drive: the timetable page did not answer\n");
    PostMessageW(window.frame, WM_CLOSE, 0, 0);
    return 1;
  }
  if (tab) ClickTabHead(window, _wtoi(argv[5]));
  if (complete && !EnterText(window.fromEdit, argv[5])) {
    std::fprintf(stderr, "tavora-drive: the station could not be typed\n");
    PostMessageW(window.frame, WM_CLOSE, 0, 0);
    return 1;
  }
  if (fares && !ShowFares(window, from, to)) {
    std::fprintf(stderr, "tavora-drive: the fare page did not answer\n");
    PostMessageW(window.frame, WM_CLOSE, 0, 0);
    return 1;
  }
  // The maximise button, 67 pixels from the frame's right at 100 %, 19 high.
  const auto maximiseButton = [&] {
    RECT frame = {};
    GetWindowRect(window.frame, &frame);
    return POINT{frame.right - 67 + 14, frame.top + 9};
  };
  if (maximised) {
    Click(maximiseButton());
    if (!WaitFor([&] { return IsZoomed(window.frame) != FALSE; }, 5000)) {
      std::fprintf(stderr, "tavora-drive: the window did not maximise\n");
      PostMessageW(window.frame, WM_CLOSE, 0, 0);
      return 1;
    }
    Pause(500);
  }
  if (menu) {
    // Rows are 24 pixels high below the list's header.
    RECT header = {};
    GetWindowRect(FindWindowExW(list, nullptr, L"SysHeader32", nullptr), &header);
    MouseTo(POINT{header.left + 120, header.bottom + 2 * 24 + 12});
    Pause(100);
    INPUT press[2] = {};
    press[0].type = press[1].type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    press[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, press, sizeof(INPUT));
    Pause(800);
  } else if (focus) {
    // The first row takes the focus; Shift+Tab goes back to the search
    // button before it in the reading order.
    Click(POINT{CentreOf(list).x, CentreOf(list).y});
    Pause(300);
    MouseTo(POINT{0, 0});
    PressKeys({VK_SHIFT, VK_TAB});
    Pause(500);
  } else if (!complete) {
    MouseTo(POINT{0, 0});
    Pause(300);
  } else {
    Pause(500);
  }
  // A maximised window reaches a pixel past the screen on each side.
  RECT shown = {};
  GetWindowRect(window.frame, &shown);
  const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  IntersectRect(&shown, &shown, &screen);
  const Picture picture = CaptureRect(shown);
  const bool saved = SaveBmp(picture, screenshot);
  const int count = ItemCount(list);
  const int rows =
      count > MainWindow::kMinimumListRows ? count : RowsWithText(picture, window, MainWindow::kMinimumListRows);
  std::printf("rows: %d\n", rows);
  std::fflush(stdout);
  // Restored before closing: the next start would otherwise remember it.
  if (maximised) {
    Click(maximiseButton());
    WaitFor([&] { return !IsZoomed(window.frame); }, 5000);
  }

  PostMessageW(window.frame, WM_CLOSE, 0, 0);
  return rows > 0 && saved ? 0 : 1;
}
