// The module object run in this process: the early exits of the entry, the
// installer commands and the main-run path up to the single-instance guard.
#include "app/entry/tavo_module.h"

#include <gtest/gtest.h>

#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

TEST(TavoModule, StartsWithTheMainDialogEnabled) {
  CtavoModule module;
  EXPECT_EQ(1, module.showMainDialog);
  EXPECT_TRUE(module.modulePath.empty());
  EXPECT_FALSE(module.instanceMapping.IsOpen());
}

TEST(TavoModule, FailedModuleStartEndsWithMinusOne) {
  CtavoModule module;
  EXPECT_EQ(-1, module.Run(nullptr, L"-Install"));
  EXPECT_TRUE(module.commandLine.switches.empty());  // nothing after the failed start
}

TEST(TavoModule, NoCommandLineEndsWithMinusTwo) {
  CtavoModule module;
  EXPECT_EQ(-2, module.Run(GetModuleHandleW(nullptr), nullptr));
  // The program's own path was taken right after the start.
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  EXPECT_EQ(std::wstring(path, length), module.modulePath);
  EXPECT_FALSE(module.instanceMapping.IsOpen());
}

TEST(TavoModule, SkinFolderIsBesideTheProgram) {
  CtavoModule module;
  module.modulePath = L"C:\\Program Files\\tavo\\tavora.exe";
  EXPECT_EQ(L"C:\\Program Files\\tavo\\res\\zelka", module.SkinFolderPath());
  module.modulePath = L"tavora.exe";
  EXPECT_EQ(L"res\\zelka", module.SkinFolderPath());
}

TEST(TavoModule, InstallerCommandsInTheirOrder) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment stat(L"TAVORA_STAT_HOST", SharedDemoSite().HostPort());
  const std::wstring record = MakeScratchFolder("module-order") + L"\\args.txt";
  ScopedEnvironment target(L"TAVORA_RECORD_ARGS_FILE", record);
  const std::wstring update = L" -Update:" + ProgramFolder() + L"record_args.exe";

  struct Case {
    std::wstring text;
    const char* expectedRequest;  // null: no statistics request
  } cases[] = {
      {L"-Install -Uninstall" + update, "GET /tavo/stat/install.php?i=10 HTTP/1.1"},
      {L"/uninstall" + update, "GET /tavo/stat/uninstall.php?i=10 HTTP/1.1"},
  };
  for (const Case& c : cases) {
    SharedDemoSite().ClearLog();
    CtavoModule module;
    ASSERT_TRUE(module.ParseCommandLine(c.text.c_str()));
    EXPECT_TRUE(module.HandleInstallerCommands());
    const std::string log = SharedDemoSite().RequestLog();
    EXPECT_EQ(std::string(c.expectedRequest) + "\n", log);
  }
  // Neither report started the setup program.
  Sleep(300);
  EXPECT_EQ("", ReadFileBytes(record));

  CtavoModule none;
  ASSERT_TRUE(none.ParseCommandLine(L"-Installer -x:Install"));
  SharedDemoSite().ClearLog();
  EXPECT_FALSE(none.HandleInstallerCommands());
  EXPECT_EQ("", SharedDemoSite().RequestLog());
}

// This test program embeds no skin documents: the first run takes the guard
// but can make no main window, and says so in its exit code; a second
// instance was never to make one and ends with 0.
TEST(TavoModule, PlainRunTakesTheGuardAndAWindowThatCannotBeMadeEndsNonZero) {
  CtavoModule module;
  EXPECT_EQ(CtavoModule::kNoMainWindow, module.Run(GetModuleHandleW(nullptr), L""));
  EXPECT_NE(0, CtavoModule::kNoMainWindow);
  EXPECT_TRUE(module.instanceMapping.IsOpen());  // held until the module goes
  CtavoModule later;
  EXPECT_EQ(0, later.Run(GetModuleHandleW(nullptr), L"-anything"));
  EXPECT_FALSE(later.instanceMapping.IsOpen());
}
