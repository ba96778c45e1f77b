// Start-up to first paint: tavora.exe against a bare window that paints with
// one BitBlt (bare_window.exe), both started and timed the same way, side by
// side in one run:
//
//   startup_timer.exe RUNS BARE_WINDOW.exe TAVORA.exe
//
// Each run starts the program, polls every millisecond for its top-level
// window and for a column of pixels through the window's centre to show what
// that program shows once painted (a reference column taken from a settled
// first start), then closes the window and waits for the process to end.
// The programs take turns, so load on the machine falls on both alike.
// Prints medians and minimums and the ratio of the medians.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "tools/driver/window_probe.h"

namespace {

using namespace window_probe;

constexpr DWORD kStartWaitMs = 60000;
constexpr DWORD kExitWaitMs = 10000;
constexpr DWORD kSettleMs = 3000;

struct Program {
  const wchar_t* name;
  std::wstring path;
  const wchar_t* windowClass;
  std::vector<BYTE> reference;  // the settled centre column
  std::vector<double> times;
};

HWND ShownWindow(const Program& program, DWORD processId) {
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, program.windowClass, nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == processId && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

std::vector<BYTE> CentreColumn(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  const int x = (rect.left + rect.right) / 2;
  return CaptureRect(RECT{x, rect.top, x + 1, rect.bottom}).bits;
}

// Whether at least 98 in 100 bytes match (a caret or a hover may differ).
bool LooksLike(const std::vector<BYTE>& column, const std::vector<BYTE>& reference) {
  if (column.size() != reference.size() || column.empty()) return false;
  size_t same = 0;
  for (size_t i = 0; i < column.size(); ++i) same += column[i] == reference[i];
  return same * 100 >= column.size() * 98;
}

// Starts the program and answers the seconds to its painted window, or a
// negative value; with `settle`, takes the reference column instead.
double StartOnce(Program& program, bool settle) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::wstring commandLine = L"\"" + program.path + L"\"";
  const double start = Now();
  if (!CreateProcessW(program.path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  HWND window = nullptr;
  const bool painted = WaitFor(
      [&] {
        if (!window) window = ShownWindow(program, process.dwProcessId);
        if (!window) return false;
        if (settle) return true;
        return LooksLike(CentreColumn(window), program.reference);
      },
      kStartWaitMs, 1);
  const double seconds = Now() - start;
  if (painted && settle) {
    Pause(kSettleMs);
    program.reference = CentreColumn(window);
  }
  if (window) PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, kExitWaitMs) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // The screen under the closed window settles before the next start.
  Pause(300);
  return painted ? seconds : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: startup_timer RUNS BARE_WINDOW.exe TAVORA.exe\n");
    return 2;
  }
  const int runs = std::max(1, _wtoi(argv[1]));
  Program programs[] = {{L"bare window, one BitBlt", argv[2], L"TavoraBareWindow", {}, {}},
                        {L"tavora.exe main window", argv[3], L"TavoraSkinFrame", {}, {}}};
  for (Program& program : programs) {
    if (StartOnce(program, true) < 0 || program.reference.empty()) {
      std::fprintf(stderr, "startup_timer: %ls showed no window\n", program.path.c_str());
      return 1;
    }
  }
  for (int run = 0; run < runs; ++run) {
    for (Program& program : programs) {
      const double seconds = StartOnce(program, false);
      if (seconds < 0) {
        std::fprintf(stderr, "startup_timer: %ls did not paint\n", program.path.c_str());
        return 1;
      }
      program.times.push_back(seconds);
    }
  }
  std::printf("Start-up: process start to the first paint on the screen, %d runs each, taking turns\n", runs);
  std::printf("target: tavora.exe at most 2.0 x the bare window\n");
  std::printf("%-28s %12s %12s %8s\n", "program", "median ms", "min ms", "ratio");
  const double floor = Median(programs[0].times);
  for (const Program& program : programs) {
    const double median = Median(program.times);
    std::printf("%-28ls %12.1f %12.1f %8.2f\n", program.name, median * 1000,
                *std::min_element(program.times.begin(), program.times.end()) * 1000, median / floor);
  }
  return 0;
}
