// The whole program as a user runs it: tavora.exe started without a switch
// shows its main window, queries the demo site through it, ends with 0 within
// two seconds however it is closed (during a query too), brings its window
// forward for a second start (also when another program took the guard's
// name), takes documents from its skin folder, and runs a signed update the
// update server asks for, but never one changed after its check.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <functional>
#include <string>

#include "app/core/query_request.h"
#include "app/core/result_page.h"
#include "app/core/travel_date.h"
#include "app/entry/single_instance.h"
#include "app/window/date_box.h"
#include "app/window/query_settings.h"
#include "skin/resources/text_encoding.h"
#include "skin/resources/unique_handle.h"
#include "tests/app/entry/running_program.h"
#include "tests/app/update/update_test_util.h"
#include "tests/support/demo_site.h"
#include "tests/support/scratch_skin_folder.h"
#include "tests/support/test_support.h"

namespace {

using ProgramTest = RunningProgramTest;

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
  // Nothing was queried along the way; the first start of the day may refresh
  // the station list, which is no query.
  const std::string log = SharedDemoSite().RequestLog();
  EXPECT_EQ(CountLines(log, ""), CountLines(log, "GET /stations.txt ")) << log;
}

// Two starts of the program: the stations and the place of the first come
// back in the second; a store damaged between starts gives way value by value
// and is not written over by a start that changes nothing.
TEST_F(ProgramTest, TheNextStartShowsTheLastStationsAndPlace) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kQuerySettingsKey);
  // GetWindowText does not ask a window of another process.
  const auto text = [](HWND edit) {
    wchar_t buffer[64] = L"";
    SendMessageW(edit, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(buffer));
    return std::wstring(buffer);
  };
  // One start of the program: `inside` runs with its window, then it closes.
  const auto run = [](const std::function<void(RunningProgram&, HWND)>& inside) {
    RunningProgram program(ProgramPath());
    const HWND window = program.WaitForWindow();
    ASSERT_NE(nullptr, window);
    inside(program, window);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program.WaitForExit(10000));
  };
  run([&](RunningProgram& program, HWND window) {
    EXPECT_EQ(L"", text(program.Child(kFromEditId)));
    SendMessageW(program.Child(kFromEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"广州"));
    SendMessageW(program.Child(kToEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"深圳"));
    SetWindowPos(window, nullptr, 23, 29, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  });
  run([&](RunningProgram& program, HWND window) {
    EXPECT_EQ(L"广州", text(program.Child(kFromEditId)));
    EXPECT_EQ(L"深圳", text(program.Child(kToEditId)));
    RECT frame = {};
    GetWindowRect(window, &frame);
    EXPECT_EQ(23, frame.left);
    EXPECT_EQ(29, frame.top);
  });
  // A damaged value between two starts gives way alone and stays as it is.
  const BYTE garbage[] = {0xFF, 0xFE, 0x00};
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, kQuerySettingsKey, L"From", REG_BINARY, garbage, 3));
  run([&](RunningProgram& program, HWND) {
    EXPECT_EQ(L"", text(program.Child(kFromEditId)));
    EXPECT_EQ(L"深圳", text(program.Child(kToEditId)));
  });
  DWORD type = 0;
  RegGetValueW(HKEY_CURRENT_USER, kQuerySettingsKey, L"From", RRF_RT_ANY, &type, nullptr, nullptr);
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
  RegDeleteTreeW(HKEY_CURRENT_USER, kQuerySettingsKey);
}

// The size, the maximised state and the ticket list's column widths come back
// at the next start; a maximised window restores to its remembered size.
TEST_F(ProgramTest, TheNextStartShowsTheLastSizeMaximisedStateAndColumns) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kQuerySettingsKey);
  const struct { bool maximise; } starts[] = {{true}, {false}};
  for (const auto& start : starts) {
    {
      RunningProgram program(ProgramPath());
      const HWND window = program.WaitForWindow();
      ASSERT_NE(nullptr, window);
      SetWindowPos(window, nullptr, 31, 37, 900, 600, SWP_NOZORDER);
      SendMessageW(program.Child(kListId), LVM_SETCOLUMNWIDTH, 2, 111);
      if (start.maximise) SendMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
      EXPECT_EQ(start.maximise, IsZoomed(window) != FALSE);
      PostMessageW(window, WM_CLOSE, 0, 0);
      EXPECT_EQ(0, program.WaitForExit(10000));
    }
    RunningProgram program(ProgramPath());
    const HWND window = program.WaitForWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(PumpUntil([&] { return (IsZoomed(window) != FALSE) == start.maximise; }, 3000)) << start.maximise;
    EXPECT_EQ(111, SendMessageW(program.Child(kListId), LVM_GETCOLUMNWIDTH, 2, 0));
    if (start.maximise) SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    RECT frame = {};
    GetWindowRect(window, &frame);
    EXPECT_EQ(31, frame.left);
    EXPECT_EQ(37, frame.top);
    EXPECT_EQ(900, frame.right - frame.left);
    EXPECT_EQ(600, frame.bottom - frame.top);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program.WaitForExit(10000));
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, kQuerySettingsKey);
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
  // The program asks for today's seats, by date.
  EXPECT_EQ("GET " + BuildQueryPath(L"北京", L"上海", FormatTravelDate(LocalToday())) + " HTTP/1.1\n",
            SharedDemoSite().RequestLog());
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

// Hostile skin folders beside the program: documents that include one
// another twenty times a level through seven files of 32 KB, a main layer cut
// short, every three-piece skin's pieces past its picture, and string, style
// and skin documents that do not parse. Each time the window comes, from the
// embedded documents where the folder's do not load, with bounded memory,
// and closes with 0.
TEST_F(ProgramTest, HostileSkinFoldersStillShowTheWindowWithBoundedMemory) {
  constexpr SIZE_T kMemoryBound = 256u * 1024 * 1024;
  const std::string layer = ReadFileBytes(SourcePath("res/103.xml"));
  std::string skins = ReadFileBytes(SourcePath("res/100.xml"));
  for (size_t at = skins.find("imgpos=\""); at != std::string::npos; at = skins.find("imgpos=\"", at + 1))
    skins.replace(at, skins.find('"', at + 8) + 1 - at, "imgpos=\"0,2147483647,0\"");
  const struct {
    const char* name;
    std::function<bool(const ScratchSkinFolder&)> write;
  } cases[] = {
      {"include-fan",
       [](const ScratchSkinFolder& f) {
         std::string fan = "<layer title=\"fan\" width=\"680\" height=\"430\"><body>";
         for (int i = 0; i < 20; ++i) fan += "<dlgfile pos=\"0,0,-0,-0\" src=\"900\"/>";
         fan += "<!--" + std::string(32 * 1024 - fan.size() - 22, 'x') + "--></body></layer>";
         return f.Write(103, fan) && f.WriteIncludeFan(900, 6, 20, 32 * 1024);
       }},
      {"cut-layer", [&](const ScratchSkinFolder& f) { return f.Write(103, layer.substr(0, layer.size() / 2)); }},
      {"imgpos", [&](const ScratchSkinFolder& f) { return f.Write(100, skins); }},
      {"broken-pools",
       [](const ScratchSkinFolder& f) {
         return f.Write(100, "<skins><png") && f.Write(101, "<style><class") && f.Write(102, "<string><s id=");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchSkinFolder folder(std::string("hostile-") + c.name, ProgramPath());
    ASSERT_FALSE(folder.Program().empty());
    ASSERT_TRUE(c.write(folder));
    RunningProgram program(folder.Program());
    const HWND window = program.WaitForWindow();
    ASSERT_NE(nullptr, window);
    wchar_t title[64] = L"";
    GetWindowTextW(window, title, 64);
    EXPECT_EQ(std::wstring(L"Tavora"), title);
    // Column widths come from the string table.
    EXPECT_GT(SendMessageW(program.Child(kListId), LVM_GETCOLUMNWIDTH, 0, 0), 0);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    PROCESS_MEMORY_COUNTERS memory = {};
    EXPECT_TRUE(process && GetProcessMemoryInfo(process.get(), &memory, sizeof(memory)));
    EXPECT_LT(memory.PeakPagefileUsage, kMemoryBound);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program.WaitForExit(10000));
  }
}

// Another program of the user made the single-instance name first: the
// program still shows its window, and a second start still finds it (by its
// program file) and brings it forward instead of showing another.
TEST_F(ProgramTest, NameTakenByAnotherProgramStillShowsOneWindow) {
  for (const bool block : {true, false}) {
    // A block made with default security, or a mutex under the name.
    const UniqueKernelHandle squat(
        block ? CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, kInstanceMappingName)
              : CreateMutexW(nullptr, FALSE, kInstanceMappingName));
    ASSERT_TRUE(squat);
    RunningProgram first(ProgramPath());
    const HWND window = first.WaitForWindow();
    ASSERT_NE(nullptr, window);
    ShowWindow(window, SW_MINIMIZE);
    RunningProgram second(ProgramPath());
    EXPECT_EQ(0, second.WaitForExit(30000));
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(window) == FALSE; }, 5000));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, first.WaitForExit(10000));
  }
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
  const ScratchUpdateFolder folder("program-update");
  ClearLastCheck();

  RunningProgram program(TestKeyProgramPath());
  ASSERT_TRUE(program.started());
  EXPECT_EQ(0, program.WaitForExit(60000));
  ASSERT_TRUE(PumpUntil([&] { return GetFileAttributesW(record.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000));
  const std::wstring line = Utf8ToWide(ReadFileBytes(record));
  EXPECT_NE(std::wstring::npos, line.find(L"-Update:")) << line;
  EXPECT_NE(std::wstring::npos, line.find(L"\\tavoSetup-")) << line;
  EXPECT_TRUE(PumpUntil([&] { return folder.Files(L"tavoSetup-*.exe").empty(); }, 30000))
      << "the setup goes once it has run";
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

// The setup is changed in the update folder while the question is up (a
// program of the user cannot write there on Windows; under Wine it can): a
// Yes starts nothing, and the window stays open and says so.
TEST_F(ProgramTest, SetupChangedDuringTheQuestionKeepsTheWindowOpen) {
  DemoSite updates;
  ASSERT_TRUE(updates.Start("--update-version 1,0,0,36 --update-variant tip8"));
  ScopedEnvironment host(L"TAVORA_UPDATE_HOST", updates.HostPort());
  const ScratchUpdateFolder folder("program-update-tampered");
  ClearLastCheck();

  RunningProgram program(TestKeyProgramPath());
  const HWND window = program.WaitForWindow();
  ASSERT_NE(nullptr, window);
  HWND box = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (box = FindWindowW(L"#32770", L"Tavora 更新")) != nullptr; }, 60000));
  const std::vector<std::wstring> staged = folder.Files(L"tavoSetup-*.exe");
  ASSERT_EQ(1u, staged.size());
  const std::wstring setup = folder.Path() + L"\\" + staged[0];
  std::string bytes = ReadFileBytes(setup);
  ASSERT_FALSE(bytes.empty());
  bytes[bytes.size() / 2] ^= 1;
  ASSERT_TRUE(WriteFileBytes(setup, bytes));
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &ignored);
  EXPECT_EQ(-1, program.WaitForExit(3000)) << "the window closed for a setup that did not start";
  EXPECT_TRUE(IsWindowVisible(window));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, program.WaitForExit(10000));
  ClearLastCheck();
}
