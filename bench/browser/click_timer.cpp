// Times a running tavora.exe from the search click to the rows painted, with
// real input, for tools/bench-browser.sh. Reads one query a line from
// standard input, "FROM TO ROWS" in UTF-8, and answers each with one line:
// the milliseconds from the click to the list showing ROWS items (more than
// its 20 blank positions) with the answer's first train painted in the first
// row's train-code cell on the screen. Before each timed query it shows
// another answer (北京 to 广州, 11 trains, a different first train), so that
// the timed answer's paint is the change seen there. "quit" (or the end of
// the input) closes the window. Exit code 0, 1 when the window never came
// or a query did not end.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bench/bench_timing.h"
#include "tools/driver/window_probe.h"

namespace {

using namespace window_probe;

constexpr DWORD kWindowWaitMs = 60000;
constexpr DWORD kQueryWaitMs = 60000;
constexpr DWORD kClearedPauseMs = 1000;
// The clearing query: fewer trains than the list's blank positions, the
// first a different train from the first of any timed page.
constexpr wchar_t kClearingFrom[] = L"北京";
constexpr wchar_t kClearingTo[] = L"广州";

std::wstring Wide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

void SetText(HWND edit, const std::wstring& text) {
  SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 2000, nullptr);
}

// Clicks search for FROM and TO and waits, polling every millisecond, until
// `shown`; the seconds from the click, or a negative value on time-out.
template <typename Shown>
double TimedQuery(const MainWindow& window, const std::wstring& from, const std::wstring& to, Shown shown) {
  SetText(window.fromEdit, from);
  SetText(window.toEdit, to);
  // The pointer comes onto the button from outside, as a user's does (the
  // button takes a press only after the pointer entered it), and rests there
  // first, so that its hover paint is not timed.
  MouseTo(CentreOf(window.toEdit));
  Pause(50);
  // Presses alternate between two points of the button 16 pixels apart: two
  // presses at one point close in time make a double click, which the view
  // takes as no click (and Wine counts presses over a second apart as one).
  static bool left = false;
  left = !left;
  POINT button = window.SearchButton();
  button.x += left ? -8 : 8;
  MouseTo(button);
  Pause(200);
  const double start = Now();
  PressAndRelease();
  if (!WaitFor(shown, kQueryWaitMs, 1)) return -1;
  return Now() - start;
}

}  // namespace

int main() {
  MainWindow window;
  if (!WaitFor([&] { return window.Find(); }, kWindowWaitMs)) {
    std::fprintf(stderr, "click_timer: the main window did not appear\n");
    return 1;
  }
  SetForegroundWindow(window.frame);
  Pause(500);
  // A first click into an edit box activates the window, as a user's does.
  Click(CentreOf(window.fromEdit));
  char line[512];
  while (std::fgets(line, sizeof(line), stdin)) {
    char from[200] = "", to[200] = "";
    int rows = 0;
    if (std::strncmp(line, "quit", 4) == 0) break;
    if (std::sscanf(line, "%199s %199s %d", from, to, &rows) != 3 || rows <= MainWindow::kMinimumListRows) {
      std::printf("error: expected FROM TO ROWS, with more than %d rows\n", MainWindow::kMinimumListRows);
      std::fflush(stdout);
      continue;
    }
    const RECT cell = window.CodeCell(0);
    const double cleared = TimedQuery(window, kClearingFrom, kClearingTo, [&] {
      return ItemCount(window.list) == MainWindow::kMinimumListRows;
    });
    // The count changes before the clearing answer is painted; the answer
    // from the local site and its paint take far less than this pause.
    Pause(kClearedPauseMs);
    const Picture clearedCell = CaptureRect(cell);
    const double seconds = cleared < 0 ? -1 : TimedQuery(window, Wide(from), Wide(to), [&] {
      if (ItemCount(window.list) != rows) return false;
      const Picture shown = CaptureRect(cell);
      return shown.bits != clearedCell.bits && CellHasText(shown, cell);
    });
    if (seconds < 0) {
      std::printf("error: the %s query did not end (items %d, first row %s)\n", cleared < 0 ? "clearing" : "timed",
                  ItemCount(window.list), CellHasText(CaptureRect(cell), cell) ? "with text" : "blank");
      std::fflush(stdout);
      PostMessageW(window.frame, WM_CLOSE, 0, 0);
      return 1;
    }
    std::printf("%.3f\n", seconds * 1000);
    std::fflush(stdout);
  }
  MouseTo(POINT{0, 0});
  PostMessageW(window.frame, WM_CLOSE, 0, 0);
  return 0;
}
