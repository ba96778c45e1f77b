// The built program, run as the installer and the user would run it: the
// installer switches, the update launch, elevation and a second instance.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "app/entry/single_instance.h"
#include "app/entry/tavo_module.h"
#include "app/platform/process_launch.h"
#include "app/update/update_signature.h"
#include "app/window/update_prompt.h"
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

// The arguments of a "-Update:" start for `setup` offered as `version`.
std::wstring UpdateArguments(const std::wstring& setup, const std::wstring& signature,
                             const std::wstring& version = kOfferedVersion) {
  return L"-Update:\"" + setup + L"\" -UpdateVersion:" + version + L" -UpdateSignature:" + signature;
}

// The setup gets its own path and nothing else: no switch the user gave the
// program (a "/D=" among them) reaches the elevated setup. Its temporary
// folder is the update folder.
TEST_F(EntryTest, UpdateStartsTheSetupWithItsOwnPathOnly) {
  const ScratchUpdateFolder folder("entry-own-path");
  const std::wstring record = MakeScratchFolder("entry-update") + L"\\args.txt";
  ScopedEnvironment target(L"TAVORA_RECORD_ARGS_FILE", record);
  const std::wstring setup = folder.Path() + L"\\tavoSetup-entry.exe";
  const std::wstring signature = SignedRecorderAt(setup);
  ASSERT_FALSE(signature.empty());
  const ProcessResult result = RunProcess(
      TestKeyCommand(L"/x -Name:\"a b\" -Foo:\"a /D=C:\\evil\" " + UpdateArguments(setup, signature)), kRunLimitMs);
  EXPECT_EQ(0u, result.exitCode);
  ASSERT_TRUE(WaitForFile(record, 30000));
  const std::wstring recorded = Utf8ToWide(ReadFileBytes(record));
  const std::wstring line = recorded.substr(0, recorded.find(L'\n'));
  EXPECT_NE(std::wstring::npos, line.find(L" -Update:\"")) << line;
  EXPECT_NE(std::wstring::npos, line.find(L"tavoSetup-entry.exe\"")) << line;
  for (const wchar_t* absent : {L"-x", L"Name", L"a b", L"/D=", L"Foo", L"UpdateSignature", L"UpdateVersion"})
    EXPECT_EQ(std::wstring::npos, line.find(absent)) << line;
  EXPECT_NE(std::wstring::npos, recorded.find(L"\nTMP=" + folder.Path())) << recorded;
  EXPECT_EQ("", SharedDemoSite().RequestLog());
  EXPECT_TRUE(folder.Files(L"tavoSetup-*.exe").empty()) << "the setup goes once it has run";
}

TEST_F(EntryTest, UpdateSetupPathWithBlanksReachesTheSetupWhole) {
  const std::wstring scratch = MakeScratchFolder("entry-update-blank");
  const std::wstring updates = scratch + L"\\update folder";
  CreateDirectoryW(updates.c_str(), nullptr);
  ScopedEnvironment folder(L"TAVORA_UPDATE_FOLDER", updates);
  const std::wstring setup = updates + L"\\record args.exe";
  const std::wstring signature = SignedRecorderAt(setup);
  ASSERT_FALSE(signature.empty());
  const std::wstring record = scratch + L"\\args.txt";
  DeleteFileW(record.c_str());
  ScopedEnvironment target(L"TAVORA_RECORD_ARGS_FILE", record);

  const ProcessResult result = RunProcess(TestKeyCommand(UpdateArguments(setup, signature)), kRunLimitMs);
  EXPECT_EQ(0u, result.exitCode);
  ASSERT_TRUE(WaitForFile(record, 30000));
  const std::wstring line = Utf8ToWide(ReadFileBytes(record));
  // Quoted again, so that the setup program reads the same path back.
  EXPECT_NE(std::wstring::npos, line.find(L"\\update folder\\record args.exe\"")) << line;
}

// Only a file in the update folder that carries the signature given beside
// it, over the version given beside it, under the program's key, and newer
// than the program, is started; the check is made again by the process that
// starts it, so a file replaced after the window's own check is refused.
TEST_F(EntryTest, UpdateStartsOnlyANewerSignedSetupFromTheUpdateFolder) {
  const ScratchUpdateFolder updates("entry-update-signed");
  const std::wstring setup = updates.Path() + L"\\tavoSetup-signed.exe";
  const std::wstring signature = SignedRecorderAt(setup);
  ASSERT_FALSE(signature.empty());
  const std::wstring replaced = updates.Path() + L"\\tavoSetup-replaced.exe";
  ASSERT_TRUE(WriteFileBytes(replaced, ReadFileBytes(setup) + "x"));
  const std::wstring elsewhere = MakeScratchFolder("entry-update-elsewhere") + L"\\tavoSetup.exe";
  const std::wstring elsewhereSignature = SignedRecorderAt(elsewhere);
  const std::wstring sameVersion = updates.Path() + L"\\tavoSetup-same.exe";
  ASSERT_TRUE(CopyFileW(RecordArgsProgram().c_str(), sameVersion.c_str(), FALSE));
  const std::wstring sameSignature = SignWithTestKey(sameVersion, L"1,0,0,35");
  const std::wstring record = MakeScratchFolder("entry-update-signed-record") + L"\\args.txt";
  ScopedEnvironment target(L"TAVORA_RECORD_ARGS_FILE", record);
  const std::wstring longPath = updates.Path() + L"\\" + std::wstring(1000, L'a') + L".exe";
  const struct {
    const char* name;
    bool testKey;
    std::wstring arguments;
    bool started;
  } cases[] = {
      {"signed", true, UpdateArguments(setup, signature), true},
      {"no signature", true, UpdateArguments(setup, L""), false},
      {"unreadable signature", true, UpdateArguments(setup, L"zz"), false},
      {"no version", true, L"-Update:\"" + setup + L"\" -UpdateSignature:" + signature, false},
      {"another version than signed", true, UpdateArguments(setup, signature, L"1,0,0,37"), false},
      {"not newer than the program", true, UpdateArguments(sameVersion, sameSignature, L"1,0,0,35"), false},
      {"replaced after the window's check", true, UpdateArguments(replaced, signature), false},
      {"signed, outside the update folder", true, UpdateArguments(elsewhere, elsewhereSignature), false},
      {"signed with another key than the program's", false, UpdateArguments(setup, signature), false},
      {"path of 1000 characters", true, UpdateArguments(longPath, signature), false},
      {"missing file", true, UpdateArguments(updates.Path() + L"\\missing.exe", signature), false},
  };
  for (const auto& c : cases) {
    DeleteFileW(record.c_str());
    const ProcessResult result =
        RunProcess(c.testKey ? TestKeyCommand(c.arguments) : TavoraCommand(c.arguments), kRunLimitMs);
    EXPECT_EQ(0u, result.exitCode) << c.name;
    EXPECT_EQ(c.started, WaitForFile(record, c.started ? 30000 : 1500)) << c.name;
    // The one that ran is gone; the others stay for the next case.
    if (c.started) {
      ASSERT_TRUE(CopyFileW(RecordArgsProgram().c_str(), setup.c_str(), FALSE));
    }
  }
}

// A program of the same user renames the setup aside and puts its own file
// in its place, as fast as it can, while the update runs; the setup reads
// its own file again by name after a while. The file is held from the
// window's check until the setup has ended, so the setup only ever reads the
// signed bytes.
TEST_F(EntryTest, UpdateHoldsTheSetupUntilItHasEndedAgainstARacingRename) {
  const ScratchUpdateFolder updates("entry-race");
  const std::wstring setup = updates.Path() + L"\\tavoSetup-race.exe";
  const std::wstring signature = SignedRecorderAt(setup);
  ASSERT_FALSE(signature.empty());
  const std::wstring scratch = MakeScratchFolder("entry-race-files");
  const std::wstring record = scratch + L"\\args.txt";
  const std::wstring stop = scratch + L"\\stop";
  const std::wstring raced = scratch + L"\\raced.txt";
  ScopedEnvironment target(L"TAVORA_RECORD_ARGS_FILE", record);
  ScopedEnvironment reread(L"TAVORA_RECORD_SELF_AFTER_MS", L"1500");

  // As the window does: checked and held while the instance starts.
  UpdateVersion version{};
  UpdateSignature parsed{};
  ASSERT_TRUE(ParseUpdateVersion(kOfferedVersion, version));
  ASSERT_TRUE(ParseUpdateSignature(signature, parsed));
  CVerifiedFile held;
  ASSERT_TRUE(held.Open(setup, version, parsed, TestUpdateKey()));
  const std::wstring racerCommand =
      L"\"" + ProgramFolder() + L"rename_racer.exe\" \"" + setup + L"\" \"" + stop + L"\" \"" + raced + L"\"";
  std::thread racer([&] { RunProcess(racerCommand, 90000); });
  const ProcessWithOutput instance =
      StartProcessWithOutput(ProgramFolder() + L"tavora_test_key.exe", UpdateArguments(setup, signature));
  const bool started = AwaitSetupStart(instance, 30000);
  held.Close();
  ASSERT_TRUE(started) << "the instance never said the setup started";
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(instance.process.get(), 60000));
  WriteFileBytes(stop, "");
  racer.join();

  const std::string recorded = ReadFileBytes(record);
  EXPECT_NE(std::string::npos, recorded.find("\nself=" + std::to_string(ReadFileBytes(RecordArgsProgram()).size())))
      << "the setup read another file than the one checked: " << recorded;
  const std::string race = ReadFileBytes(raced);
  EXPECT_EQ(0u, race.find("tries=")) << race;
  EXPECT_EQ(std::string::npos, race.find("tries=0 ")) << "the racer never ran: " << race;
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

// A switch written whole inside quotes is refused: nothing runs, no window
// opens as if the caller had given no switch.
TEST_F(EntryTest, ASwitchInsideQuotesIsRefusedWithoutAWindow) {
  int shown = 0;
  const ProcessResult result =
      RunWhilePumping(TavoraCommand(L"\"-Update:C:\\a b\\tavoSetup.exe\" -UpdateVersion:1,0,0,36"), &shown);
  EXPECT_EQ(static_cast<DWORD>(CtavoModule::kQuotedSwitch), result.exitCode);
  EXPECT_EQ(0, shown);
  EXPECT_LT(result.elapsedMs, 30000u);
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
