// The whole program as a user runs it: tavora.exe started without a switch
// shows its main window, queries the demo site through it, ends with 0 within
// two seconds however it is closed (during a query too), brings its window
// forward for a second start, takes documents from its skin folder, and runs
// a signed update the update server asks for.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "app/result_page.h"
#include "skin/resources/text_encoding.h"
#include "tests/app/update_test_util.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

namespace {

constexpr DWORD kWindowWaitMs = 60000;
constexpr DWORD kCloseLimitMs = 2000;
constexpr int kListId = 2100;
constexpr int kFromEditId = 2220;
constexpr int kToEditId = 2230;

std::wstring ProgramPath() { return ProgramFolder() + L"..\\..\\app\\tavora.exe"; }

// The test build of the program, beside this test program.
std::wstring TestKeyProgramPath() { return ProgramFolder() + L"tavora_test_key.exe"; }

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

struct FrameSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK MatchFrame(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<FrameSearch*>(data);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  wchar_t className[64] = L"";
  GetClassNameW(window, className, 64);
  if (processId != search->processId || !IsWindowVisible(window) || std::wstring(className) != L"TavoraSkinFrame")
    return TRUE;
  search->found = window;
  return FALSE;
}

// A tavora.exe started by a test; terminated if it is still running at the
// end of the test.
class RunningProgram {
 public:
  explicit RunningProgram(const std::wstring& program, const std::wstring& arguments = L"") {
    std::wstring line = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
      processId_ = info.dwProcessId;
    }
  }
  ~RunningProgram() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool started() const { return process_ != nullptr; }

  // The main window once it is shown with its list and edit boxes; null
  // when it did not come.
  HWND WaitForWindow() {
    PumpUntil(
        [&] {
          FrameSearch search = {processId_, nullptr};
          EnumWindows(MatchFrame, reinterpret_cast<LPARAM>(&search));
          window_ = search.found;
          return window_ && Child(kListId) && Child(kFromEditId) && Child(kToEditId);
        },
        kWindowWaitMs);
    return window_;
  }

  HWND Child(int id) const {
    ChildSearch search = {id, nullptr};
    if (window_) EnumChildWindows(window_, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // Waits up to `ms` for the process to end; its exit code, or -1 when it
  // is still running.
  long WaitForExit(DWORD ms) {
    if (!process_) return -1;
    PumpUntil([&] { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }, ms);
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code) || code == STILL_ACTIVE) return -1;
    return static_cast<long>(code);
  }

 private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  HWND window_ = nullptr;
};

void MouseClick(POINT at) {
  INPUT input[3] = {};
  for (INPUT& i : input) i.type = INPUT_MOUSE;
  input[0].mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input[0].mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &input[0], sizeof(INPUT));
  PumpUntil([] { return false; }, 100);
  SendInput(2, &input[1], sizeof(INPUT));
  PumpUntil([] { return false; }, 100);
}

// The search button is 30 pixels above the list's top and in from its right
// edge (the main layer's layout).
void ClickSearch(const RunningProgram& program) {
  RECT list = {};
  GetWindowRect(program.Child(kListId), &list);
  SetForegroundWindow(GetAncestor(program.Child(kListId), GA_ROOT));
  MouseClick(POINT{list.right - 30, list.top - 30});
}

int ItemCount(HWND list) {
  DWORD_PTR count = 0;
  SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
  return static_cast<int>(count);
}

class ProgramTest : public ::testing::Test {
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

}  // namespace

TEST_F(ProgramTest, EveryWayOfClosingEndsWithZeroWithinTwoSeconds) {
  const struct {
    const char* name;
    std::function<void(HWND)> close;
  } ways[] = {
      {"system close", [](HWND w) { PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"escape", [](HWND w) { PostMessageW(w, WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"close button",
       [](HWND w) {
         RECT frame = {};
         GetWindowRect(w, &frame);
         SetForegroundWindow(w);
         MouseClick(POINT{frame.right - 20, frame.top + 10});
       }},
  };
  for (const auto& way : ways) {
    RunningProgram program(ProgramPath());
    ASSERT_TRUE(program.started());
    const HWND window = program.WaitForWindow();
    ASSERT_NE(nullptr, window) << way.name;
    const DWORD start = GetTickCount();
    way.close(window);
    EXPECT_EQ(0, program.WaitForExit(10000)) << way.name;
    EXPECT_LT(GetTickCount() - start, kCloseLimitMs) << way.name;
  }
  // Nothing was queried along the way.
  EXPECT_EQ("", SharedDemoSite().RequestLog());
}

TEST_F(ProgramTest, QueryInTheRealWindowFillsTheList) {
  RunningProgram program(ProgramPath());
  ASSERT_NE(nullptr, program.WaitForWindow());
  const HWND list = program.Child(kListId);
  EXPECT_EQ(20, ItemCount(list));
  SendMessageW(program.Child(kFromEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"北京"));
  SendMessageW(program.Child(kToEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"上海"));
  ClickSearch(program);
  EXPECT_TRUE(PumpUntil([&] { return ItemCount(list) == 32; }, 30000)) << ItemCount(list);
  EXPECT_EQ("GET " + BuildQueryPath(L"北京", L"上海") + " HTTP/1.1\n", SharedDemoSite().RequestLog());
  PostMessageW(GetAncestor(list, GA_ROOT), WM_CLOSE, 0, 0);
  EXPECT_EQ(0, program.WaitForExit(10000));
}

TEST_F(ProgramTest, ClosingDuringASlowQueryEndsWithZeroWithinTwoSeconds) {
  RunningProgram program(ProgramPath());
  const HWND window = program.WaitForWindow();
  ASSERT_NE(nullptr, window);
  SendMessageW(program.Child(kFromEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"fault-slow-10000"));
  SendMessageW(program.Child(kToEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"上海"));
  ClickSearch(program);
  ASSERT_TRUE(PumpUntil([] { return SharedDemoSite().RequestLog().find("fault-slow") != std::string::npos; }, 10000));
  const DWORD start = GetTickCount();
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, program.WaitForExit(10000));
  EXPECT_LT(GetTickCount() - start, kCloseLimitMs);
}

TEST_F(ProgramTest, SecondStartBringsTheFirstWindowForwardAndEndsWithZero) {
  RunningProgram first(ProgramPath());
  const HWND window = first.WaitForWindow();
  ASSERT_NE(nullptr, window);
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(window) != FALSE; }, 5000));

  RunningProgram second(ProgramPath());
  EXPECT_EQ(0, second.WaitForExit(30000));
  EXPECT_TRUE(PumpUntil([&] { return IsIconic(window) == FALSE; }, 5000));
  EXPECT_TRUE(IsWindowVisible(window));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, first.WaitForExit(10000));
}

TEST_F(ProgramTest, SkinFolderBesideTheProgramOverridesAnEmbeddedDocument) {
  // A copy of the program with res\zelka\103.xml beside it: the main layer
  // with another window title.
  const std::wstring folder = MakeScratchFolder("program-skin-folder");
  const std::wstring copy = folder + L"\\tavora.exe";
  ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), copy.c_str(), FALSE));
  CreateDirectoryW((folder + L"\\res").c_str(), nullptr);
  CreateDirectoryW((folder + L"\\res\\zelka").c_str(), nullptr);
  std::string layer = ReadFileBytes(SourcePath("res/103.xml"));
  const std::string title = "title=\"Tavora\"";
  const size_t at = layer.find(title);
  ASSERT_NE(std::string::npos, at);
  layer.replace(at, title.size(), "title=\"Tavora 皮肤目录\"");
  ASSERT_TRUE(WriteFileBytes(folder + L"\\res\\zelka\\103.xml", layer));

  RunningProgram program(copy);
  const HWND window = program.WaitForWindow();
  ASSERT_NE(nullptr, window);
  wchar_t text[64] = L"";
  GetWindowTextW(window, text, 64);
  EXPECT_EQ(std::wstring(L"Tavora 皮肤目录"), text);
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, program.WaitForExit(10000));

  // The program's own folder has no skin folder: the embedded title.
  RunningProgram plain(ProgramPath());
  const HWND plainWindow = plain.WaitForWindow();
  ASSERT_NE(nullptr, plainWindow);
  GetWindowTextW(plainWindow, text, 64);
  EXPECT_EQ(std::wstring(L"Tavora"), text);
  PostMessageW(plainWindow, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, plain.WaitForExit(10000));
}

// The update server offers a newer version whose signed setup records its
// command line, without a question and with close command 8: the program
// closes and starts itself with "-Update:", which starts the setup.
TEST_F(ProgramTest, CloseCommandEightRunsTheVerifiedSetupThroughTheUpdateSwitch) {
  DemoSite updates;
  ASSERT_TRUE(updates.Start("--update-version 1,0,0,36 --update-variant recorder8 --setup-program " +
                            UnixPath(ProgramFolder() + L"record_args.exe")));
  ScopedEnvironment host(L"TAVORA_UPDATE_HOST", updates.HostPort());
  const std::wstring record = MakeScratchFolder("program-update") + L"\\args.txt";
  DeleteFileW(record.c_str());
  ScopedEnvironment target(L"TAVORA_RECORD_ARGS_FILE", record);
  ClearLastCheck();

  RunningProgram program(TestKeyProgramPath());
  ASSERT_TRUE(program.started());
  EXPECT_EQ(0, program.WaitForExit(60000));
  ASSERT_TRUE(PumpUntil([&] { return GetFileAttributesW(record.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000));
  const std::wstring line = Utf8ToWide(ReadFileBytes(record));
  EXPECT_NE(std::wstring::npos, line.find(L"-Update:")) << line;
  EXPECT_NE(std::wstring::npos, line.find(L"tavoSetup.exe")) << line;
  EXPECT_EQ(1, CountLines(updates.RequestLog(), "/tavo/update.php?v=1,0,0,35"));
  EXPECT_EQ(1, CountLines(updates.RequestLog(), "/tavo/recorder/tavoSetup.exe"));
  ClearLastCheck();
}

// Closing while the update check's download of the setup stalls: the window
// goes, the check is stopped, and the program ends with 0 within two seconds.
TEST_F(ProgramTest, ClosingDuringAStalledUpdateDownloadEndsWithZeroWithinTwoSeconds) {
  DemoSite updates;
  ASSERT_TRUE(updates.Start("--update-version 1,0,0,36 --update-variant stallsetup"));
  ScopedEnvironment host(L"TAVORA_UPDATE_HOST", updates.HostPort());
  ClearLastCheck();

  RunningProgram program(TestKeyProgramPath());
  const HWND window = program.WaitForWindow();
  ASSERT_NE(nullptr, window);
  ASSERT_TRUE(PumpUntil([&] { return CountLines(updates.RequestLog(), "tavoSetup.exe") > 0; }, 30000));
  const DWORD start = GetTickCount();
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, program.WaitForExit(10000));
  EXPECT_LT(GetTickCount() - start, kCloseLimitMs);
  ClearLastCheck();
}
