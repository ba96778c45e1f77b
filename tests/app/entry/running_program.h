// tavora.exe as a real process driven from a test: started, its main window
// found with its list and edit boxes, a real click on its search button, and
// its exit awaited.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

constexpr DWORD kWindowWaitMs = 60000;
constexpr DWORD kCloseLimitMs = 2000;
constexpr int kListId = 2100;
constexpr int kFromEditId = 2220;
constexpr int kToEditId = 2230;

// The built tavora.exe, from a test program in tests/app.
std::wstring ProgramPath();
// The test build of the program, beside the test program: downloaded setups
// are checked against the demo site's test key.
std::wstring TestKeyProgramPath();

// A tavora.exe started by a test; terminated if it is still running at the
// end of the test.
class RunningProgram {
 public:
  explicit RunningProgram(const std::wstring& program, const std::wstring& arguments = L"");
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool started() const { return process_ != nullptr; }

  // The main window once it is shown with its list and edit boxes; null
  // when it did not come within `ms`.
  HWND WaitForWindow(DWORD ms = kWindowWaitMs);

  HWND Child(int id) const;

  // Waits up to `ms` for the process to end; its exit code, or -1 when it
  // is still running.
  long WaitForExit(DWORD ms);

 private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  HWND window_ = nullptr;
};

// A real left click at a screen position.
void MouseClick(POINT at);

// Clicks the search button: 30 pixels above the list's top and in from its
// right edge (the main layer's layout).
void ClickSearch(const RunningProgram& program);

// The list's item count, asked across processes; 0 when it does not answer.
int ItemCount(HWND list);

// Cases that run tavora.exe against the shared demo site: queries and
// statistics go there, update checks to a dead port that is retried at once,
// and the mouse starts in the screen's corner.
class RunningProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(0, SharedDemoSite().Port()) << "the demo site did not start";
    SharedDemoSite().ClearLog();
    MouseClick(POINT{GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2});
  }

  ScopedEnvironment query_{L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort()};
  ScopedEnvironment stat_{L"TAVORA_STAT_HOST", SharedDemoSite().HostPort()};
  ScopedEnvironment update_{L"TAVORA_UPDATE_HOST", L"127.0.0.1:1"};
  ScopedEnvironment retries_{L"TAVORA_UPDATE_RETRY_MS", L"1"};
};
