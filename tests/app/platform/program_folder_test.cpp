#include "app/platform/program_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/net/server_config.h"

namespace {

std::wstring WholeModuleFileName(HMODULE module) {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
  path.resize(length);
  return path;
}

}  // namespace

TEST(FolderOfPath, KeepsEverythingUpToTheLastSeparator) {
  const struct {
    const wchar_t* path;
    const wchar_t* folder;
  } cases[] = {
      {L"C:\\Program Files\\tavo\\tavora.exe", L"C:\\Program Files\\tavo\\"},
      {L"Z:/build/app/app_tests.exe", L"Z:/build/app/"},
      {L"C:\\mixed/sep\\x.exe", L"C:\\mixed/sep\\"},
      {L"C:\\", L"C:\\"},
      {L"tavora.exe", L""},
      {L"", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.folder, FolderOfPath(c.path)) << c.path;
  }
}

TEST(ProgramFolder, MatchesTheSystemsWholeAnswer) {
  const std::wstring path = ProgramFilePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(WholeModuleFileName(nullptr), path);
  EXPECT_EQ(FolderOfPath(path), ProgramFolderPath());
  EXPECT_EQ(L'\\', ProgramFolderPath().back());
  EXPECT_EQ(ProgramFolderPath() + L"tavora.ini", ServerConfigPath());
}

TEST(ProgramFolder, PathsLongerThanTheFirstBufferAreReadWhole) {
  // A path longer than the first buffer is what a program deeper than
  // MAX_PATH meets; small first buffers make every path such a path.
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  ASSERT_NE(nullptr, kernel);
  for (HMODULE module : {static_cast<HMODULE>(nullptr), kernel}) {
    const std::wstring whole = WholeModuleFileName(module);
    ASSERT_GT(whole.size(), 8u);
    for (size_t first : {size_t{0}, size_t{1}, size_t{4}, whole.size() - 1, whole.size(), whole.size() + 1}) {
      EXPECT_EQ(whole, ModuleFilePath(module, first)) << first;
    }
  }
}

TEST(ProgramFolder, UnknownModuleGivesNothing) {
  // An address that is no module's.
  EXPECT_EQ(L"", ModuleFilePath(reinterpret_cast<HMODULE>(0x10), 4));
}
