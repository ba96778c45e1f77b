// Closing the real program while a query waits on a slow server and while an
// update download stalls, a hundred times each in the long run and ten times
// otherwise: every tavora.exe ends with 0, none hangs, and the longest close
// is printed.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/app/entry/running_program.h"
#include "tests/app/update/update_test_util.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

namespace {

const int kRuns = LongOrShortRun(100, 10);
// Generous: a program still running after this has hung.
constexpr DWORD kExitLimitMs = 10000;

// The closes of one series: how many ended with 0, the longest and how many
// took longer than two seconds.
struct CloseFigures {
  int endedWithZero = 0;
  DWORD worstMs = 0;
  int overTwoSeconds = 0;

  void Add(long code, DWORD ms) {
    endedWithZero += code == 0;
    worstMs = std::max(worstMs, ms);
    overTwoSeconds += ms > kCloseLimitMs;
  }
  void Print(const char* what) const {
    std::printf("%s: %d of %d ended with 0, longest close %lu ms, %d over %lu ms\n", what, endedWithZero, kRuns,
                static_cast<unsigned long>(worstMs), overTwoSeconds, static_cast<unsigned long>(kCloseLimitMs));
  }
};

// Posts WM_CLOSE and waits for the program's exit.
void CloseAndTime(RunningProgram& program, HWND window, CloseFigures& figures) {
  const DWORD start = GetTickCount();
  PostMessageW(window, WM_CLOSE, 0, 0);
  const long code = program.WaitForExit(kExitLimitMs);
  figures.Add(code, GetTickCount() - start);
}

using ProgramCloseLoadTest = RunningProgramTest;

}  // namespace

TEST_F(ProgramCloseLoadTest, ClosesDuringASlowQueryAllEndWithZero) {
  CloseFigures figures;
  for (int run = 0; run < kRuns; ++run) {
    RunningProgram program(ProgramPath());
    const HWND window = program.WaitForWindow();
    ASSERT_NE(nullptr, window) << run;
    SendMessageW(program.Child(kFromEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"fault-slow-10000"));
    SendMessageW(program.Child(kToEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"上海"));
    ClickSearch(program);
    ASSERT_TRUE(PumpUntil([&] { return CountLines(SharedDemoSite().RequestLog(), "fault-slow") > run; }, 10000))
        << run;
    CloseAndTime(program, window, figures);
  }
  figures.Print("closes during a slow query");
  EXPECT_EQ(kRuns, figures.endedWithZero);
}

TEST_F(ProgramCloseLoadTest, ClosesDuringAStalledUpdateDownloadAllEndWithZero) {
  DemoSite updates;
  ASSERT_TRUE(updates.Start("--update-version 1,0,0,36 --update-variant stallsetup"));
  ScopedEnvironment host(L"TAVORA_UPDATE_HOST", updates.HostPort());
  CloseFigures figures;
  for (int run = 0; run < kRuns; ++run) {
    ClearLastCheck();
    RunningProgram program(TestKeyProgramPath());
    const HWND window = program.WaitForWindow();
    ASSERT_NE(nullptr, window) << run;
    ASSERT_TRUE(
        PumpUntil([&] { return CountLines(updates.RequestLog(), "tavoSetup.exe") > run; }, 30000))
        << run;
    CloseAndTime(program, window, figures);
  }
  ClearLastCheck();
  figures.Print("closes during a stalled update download");
  EXPECT_EQ(kRuns, figures.endedWithZero);
}
