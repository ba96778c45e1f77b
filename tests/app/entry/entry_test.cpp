// The built program, run as the installer and the user would run it: the
// installer switches, the update launch, elevation and a second instance.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "app/entry/single_instance.h"
#include "skin/resources/text_encoding.h"
#include "tests/app/net/silent_server.h"
#include "tests/app/update/update_test_util.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

namespace {

const char kInstallLine[] = "GET /tavo/stat/install.php?i=10 HTTP/1.1\n";
const char kUninstallLine[] = "GET /tavo/stat/uninstall.php?i=10 HTTP/1.1\n";
constexpr DWORD kRunLimitMs = 60000;

std::wstring TavoraCommand(const std::wstring& arguments) {
  return L"\"" + ProgramFolder() + L"..\\..\\app\\tavora.exe\" " + arguments;
}

// The test build of the program: setups signed with the test key.
std::wstring TestKeyCommand(const std::wstring& arguments) {
  return L"\"" + ProgramFolder() + L"tavora_test_key.exe\" " + arguments;
}

std::wstring RecordArgsProgram() { return ProgramFolder() + L"record_args.exe"; }

// record_args.exe copied to `path` and signed with the test key: the
// signature's text, "" when that failed.
std::wstring SignedRecorderAt(const std::wstring& path) {
  if (!CopyFileW(RecordArgsProgram().c_str(), path.c_str(), FALSE)) return std::wstring();
  return SignWithTestKey(path);
}

bool WaitForFile(const std::wstring& path, DWORD ms) {
  return PumpUntil([&] { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }, ms);
}

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(0, SharedDemoSite().Port()) << "the demo site did not start";
    SharedDemoSite().ClearLog();
  }
  ScopedEnvironment stat_{L"TAVORA_STAT_HOST", SharedDemoSite().HostPort()};
};

bool IsTavoraProcess(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return false;
  wchar_t image[MAX_PATH] = L"";
  DWORD length = MAX_PATH;
  const BOOL named = QueryFullProcessImageNameW(process, 0, image, &length);
  CloseHandle(process);
  const std::wstring name(image, named ? length : 0);
  const std::wstring tail = L"\\tavora.exe";
  return name.size() >= tail.size() && _wcsicmp(name.c_str() + name.size() - tail.size(), tail.c_str()) == 0;
}

BOOL CALLBACK CountTavoraWindow(HWND window, LPARAM counter) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (IsWindowVisible(window) && processId != GetCurrentProcessId() && IsTavoraProcess(processId)) {
    ++*reinterpret_cast<int*>(counter);
  }
  return TRUE;
}

// Visible top-level windows that belong to a running tavora.exe.
int CountTavoraWindows() {
  int count = 0;
  EnumWindows(CountTavoraWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// Runs the program on a worker thread while this thread pumps messages, so
// that messages it sends to windows of this process are delivered. Meanwhile
// it looks for windows the program shows; the most seen at once go to
// `shownWindows`.
ProcessResult RunWhilePumping(const std::wstring& command, int* shownWindows = nullptr) {
  ProcessResult result;
  std::atomic<bool> done{false};
  std::thread runner([&] {
    result = RunProcess(command, kRunLimitMs);
    done = true;
  });
  int most = 0;
  PumpUntil(
      [&] {
        most = std::max(most, CountTavoraWindows());
        return done.load();
      },
      kRunLimitMs + 10000);
  runner.join();
  if (shownWindows) *shownWindows = most;
  return result;
}

// Records the WM_SYSCOMMAND codes a window receives, on top of its own procedure.
class SysCommandRecorder {
 public:
  explicit SysCommandRecorder(HWND window) : window_(window) {
    SetPropW(window_, kProp, this);
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SysCommandRecorder::Proc)));
  }
  ~SysCommandRecorder() {
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    RemovePropW(window_, kProp);
  }
  int restores = 0;
  int others = 0;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<SysCommandRecorder*>(GetPropW(hwnd, kProp));
    if (message == WM_SYSCOMMAND) ((wParam & 0xFFF0) == SC_RESTORE ? self->restores : self->others)++;
    return CallWindowProcW(self->previous_, hwnd, message, wParam, lParam);
  }
  static constexpr const wchar_t* kProp = L"TavoraSysCommandRecorder";
  HWND window_;
  WNDPROC previous_ = nullptr;
};

}  // namespace

TEST_F(EntryTest, InstallReportsOnceAndExitsWithZero) {
  const ProcessResult result = RunProcess(TavoraCommand(L"-Install"), kRunLimitMs);
  EXPECT_EQ(0u, result.exitCode);
  EXPECT_EQ(kInstallLine, SharedDemoSite().RequestLog());
}

TEST_F(EntryTest, InstallSwitchIgnoresLetterCase) {
  for (const wchar_t* arguments : {L"/INSTALL", L"-install"}) {
    SharedDemoSite().ClearLog();
    const ProcessResult result = RunProcess(TavoraCommand(arguments), kRunLimitMs);
    EXPECT_EQ(0u, result.exitCode) << arguments;
    EXPECT_EQ(kInstallLine, SharedDemoSite().RequestLog()) << arguments;
  }
}

TEST_F(EntryTest, UninstallReportsOnceAndExitsWithZero) {
  const ProcessResult result = RunProcess(TavoraCommand(L"-Uninstall"), kRunLimitMs);
  EXPECT_EQ(0u, result.exitCode);
  EXPECT_EQ(kUninstallLine, SharedDemoSite().RequestLog());
}

TEST_F(EntryTest, InstallWinsOverUpdate) {
  const std::wstring record = MakeScratchFolder("entry-install-update") + L"\\args.txt";
  ScopedEnvironment target(L"TAVORA_RECORD_ARGS_FILE", record);
  const ProcessResult result = RunProcess(TavoraCommand(L"-Update:" + RecordArgsProgram() + L" -Install"), kRunLimitMs);
  EXPECT_EQ(0u, result.exitCode);
  EXPECT_EQ(kInstallLine, SharedDemoSite().RequestLog());
  EXPECT_FALSE(WaitForFile(record, 1500));  // the setup program was not started
}

TEST_F(EntryTest, DeadStatisticsServerStillEndsWithZero) {
  ScopedEnvironment dead(L"TAVORA_STAT_HOST", L"127.0.0.1:1");
  ScopedEnvironment timeout(L"TAVORA_HTTP_TIMEOUT_MS", L"3000");
  for (const wchar_t* arguments : {L"-Install", L"-Uninstall"}) {
    const ProcessResult result = RunProcess(TavoraCommand(arguments), kRunLimitMs);
    EXPECT_EQ(0u, result.exitCode) << arguments;
    EXPECT_LT(result.elapsedMs, 30000u) << arguments;
  }
}

TEST_F(EntryTest, SilentStatisticsServerIsGivenUpWithinTheTimeout) {
  SilentServer server;
  ASSERT_NE(0, server.Port());
  ScopedEnvironment silent(L"TAVORA_STAT_HOST", server.HostPort());
  ScopedEnvironment timeout(L"TAVORA_HTTP_TIMEOUT_MS", L"2000");
  int shown = -1;
  const ProcessResult result = RunWhilePumping(TavoraCommand(L"-Install"), &shown);
  EXPECT_EQ(0u, result.exitCode);
  EXPECT_EQ(0, shown);                 // the report shows nothing while it waits
  EXPECT_GE(result.elapsedMs, 1500u);  // it did wait for an answer
  EXPECT_LT(result.elapsedMs, 30000u);
  EXPECT_EQ(0u, server.Received().find("GET /tavo/stat/install.php?i=10 HTTP/1.1\r\n")) << server.Received();
}

TEST_F(EntryTest, UpdateStartsTheSetupWithTheRebuiltSwitches) {
  const std::wstring folder = MakeScratchFolder("entry-update");
  const std::wstring record = folder + L"\\args.txt";
  ScopedEnvironment target(L"TAVORA_RECORD_ARGS_FILE", record);
  const std::wstring setup = folder + L"\\tavoSetup.exe";
  const std::wstring signature = SignedRecorderAt(setup);
  ASSERT_FALSE(signature.empty());
  const ProcessResult result =
      RunProcess(TestKeyCommand(L"-Update:" + setup + L" /x -Name:\"a b\" -UpdateSignature:" + signature), kRunLimitMs);
  EXPECT_EQ(0u, result.exitCode);
  ASSERT_TRUE(WaitForFile(record, 30000));
  const std::wstring line = Utf8ToWide(ReadFileBytes(record));
  EXPECT_NE(std::wstring::npos, line.find(L" -Update:" + setup)) << line;
  EXPECT_NE(std::wstring::npos, line.find(L" -x")) << line;
  EXPECT_NE(std::wstring::npos, line.find(L" -Name:\"a b\"")) << line;
  EXPECT_EQ("", SharedDemoSite().RequestLog());
}

TEST_F(EntryTest, UpdateSetupPathWithBlanksReachesTheSetupWhole) {
  const std::wstring folder = MakeScratchFolder("entry-update-blank") + L"\\setup dir";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring setup = folder + L"\\record args.exe";
  const std::wstring signature = SignedRecorderAt(setup);
  ASSERT_FALSE(signature.empty());
  const std::wstring record = folder + L"\\args.txt";
  DeleteFileW(record.c_str());
  ScopedEnvironment target(L"TAVORA_RECORD_ARGS_FILE", record);

  const ProcessResult result =
      RunProcess(TestKeyCommand(L"-Update:\"" + setup + L"\" -UpdateSignature:" + signature), kRunLimitMs);
  EXPECT_EQ(0u, result.exitCode);
  ASSERT_TRUE(WaitForFile(record, 30000));
  const std::wstring line = Utf8ToWide(ReadFileBytes(record));
  // Quoted again, so that the setup program reads the same path back.
  EXPECT_NE(std::wstring::npos, line.find(L" -Update:\"" + setup + L"\"")) << line;
}

// Only a file that carries the signature given beside it, under the
// program's key, is started; the check is made again by the process that
// starts it, so a file replaced after the window's own check is refused.
TEST_F(EntryTest, UpdateStartsOnlyASetupCarryingItsSignature) {
  const std::wstring folder = MakeScratchFolder("entry-update-signed");
  const std::wstring setup = folder + L"\\tavoSetup.exe";
  const std::wstring signature = SignedRecorderAt(setup);
  ASSERT_FALSE(signature.empty());
  const std::wstring replaced = folder + L"\\replaced.exe";
  ASSERT_TRUE(WriteFileBytes(replaced, ReadFileBytes(setup) + "x"));
  const std::wstring record = folder + L"\\args.txt";
  ScopedEnvironment target(L"TAVORA_RECORD_ARGS_FILE", record);
  const std::wstring longPath = folder + L"\\" + std::wstring(1000, L'a') + L".exe";
  const struct {
    const char* name;
    bool testKey;
    std::wstring path;
    std::wstring signature;
    bool started;
  } cases[] = {
      {"signed", true, setup, signature, true},
      {"no signature", true, setup, L"", false},
      {"unreadable signature", true, setup, L"zz", false},
      {"replaced after the window's check", true, replaced, signature, false},
      {"signed with another key than the program's", false, setup, signature, false},
      {"path of 1000 characters", true, longPath, signature, false},
      {"missing file", true, folder + L"\\missing.exe", signature, false},
  };
  for (const auto& c : cases) {
    DeleteFileW(record.c_str());
    const std::wstring arguments = L"-Update:\"" + c.path + L"\" -UpdateSignature:" + c.signature;
    const ProcessResult result =
        RunProcess(c.testKey ? TestKeyCommand(arguments) : TavoraCommand(arguments), kRunLimitMs);
    EXPECT_EQ(0u, result.exitCode) << c.name;
    EXPECT_EQ(c.started, WaitForFile(record, c.started ? 30000 : 1500)) << c.name;
  }
}

TEST_F(EntryTest, UpdateOfMissingOrEmptyProgramEndsQuietlyWithZero) {
  const std::wstring missing = MakeScratchFolder("entry-update-missing") + L"\\tavoSetup.exe";
  for (const std::wstring& arguments :
       {L"-Update:" + missing, std::wstring(L"-Update:"), std::wstring(L"-Update:\"")}) {
    const ProcessResult result = RunProcess(TavoraCommand(arguments), kRunLimitMs);
    EXPECT_EQ(0u, result.exitCode) << arguments;
    EXPECT_LT(result.elapsedMs, 30000u) << arguments;
  }
}

TEST_F(EntryTest, SecondInstanceBringsTheFirstForwardAndEnds) {
  MessageCounterWindow first(true);
  ASSERT_TRUE(first.hwnd());
  ShowWindow(first.hwnd(), SW_SHOWMINNOACTIVE);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(first.hwnd()) != FALSE; }, 5000));
  CInstanceMapping guard;
  ASSERT_TRUE(CheckSingleInstance(guard)) << "another instance holds the guard";
  ASSERT_TRUE(guard.WriteWindow(first.hwnd()));

  SysCommandRecorder recorder(first.hwnd());
  int shown = -1;
  const ProcessResult result = RunWhilePumping(TavoraCommand(L""), &shown);
  EXPECT_EQ(0u, result.exitCode);
  EXPECT_EQ(0, shown);
  EXPECT_FALSE(IsIconic(first.hwnd()));
  EXPECT_TRUE(IsWindowVisible(first.hwnd()));
  EXPECT_EQ(1, recorder.restores);
  EXPECT_EQ(0, recorder.others);
  EXPECT_EQ(first.hwnd(), guard.ReadWindow());  // the guard is still ours
}

TEST_F(EntryTest, SecondInstanceFindingNoWindowEndsWithZero) {
  CInstanceMapping guard;
  ASSERT_TRUE(CheckSingleInstance(guard)) << "another instance holds the guard";
  HWND gone = nullptr;
  {
    MessageCounterWindow window;
    gone = window.hwnd();
  }
  for (HWND stored : {static_cast<HWND>(nullptr), gone, reinterpret_cast<HWND>(0xFFFFFFF0u)}) {
    ASSERT_TRUE(guard.WriteWindow(stored));
    const ProcessResult result = RunWhilePumping(TavoraCommand(L""));
    EXPECT_EQ(0u, result.exitCode) << stored;
    EXPECT_LT(result.elapsedMs, 30000u);
  }
}

TEST_F(EntryTest, HostileCommandLinesEndQuietlyWithZero) {
  CInstanceMapping guard;  // keeps every run a quiet second instance
  ASSERT_TRUE(CheckSingleInstance(guard));
  const std::wstring hostile[] = {
      L"-x:\"",
      L"\"",
      L"-",
      L"/",
      L"-:",
      L"- -: -\"\" /\"",
      L"-Name:" + std::wstring(30000, L'v'),
      L"-q:\"" + std::wstring(20000, L' ') + L"-Install",  // a quoted value hides the switch
  };
  for (const std::wstring& arguments : hostile) {
    const ProcessResult result = RunWhilePumping(TavoraCommand(arguments));
    EXPECT_EQ(0u, result.exitCode) << arguments.substr(0, 40);
  }
  EXPECT_EQ("", SharedDemoSite().RequestLog());
}
