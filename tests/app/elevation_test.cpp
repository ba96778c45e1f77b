// The elevation decision, the token read under a real process, and starting
// programs through the shell.
#include "app/elevation.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

std::wstring RecordArgsProgram() { return ProgramFolder() + L"record_args.exe"; }

}  // namespace

TEST(Elevation, AskedOnlyBelowHighIntegrityFromVistaOn) {
  EXPECT_FALSE(IntegrityNeedsElevation(5, 0x0000));  // Windows XP: never
  EXPECT_FALSE(IntegrityNeedsElevation(5, 0x2000));
  EXPECT_TRUE(IntegrityNeedsElevation(6, 0x0000));  // untrusted
  EXPECT_TRUE(IntegrityNeedsElevation(6, 0x1000));  // low
  EXPECT_TRUE(IntegrityNeedsElevation(6, 0x2000));  // medium
  EXPECT_TRUE(IntegrityNeedsElevation(10, 0x2FFF));
  EXPECT_FALSE(IntegrityNeedsElevation(6, 0x3000));   // high
  EXPECT_FALSE(IntegrityNeedsElevation(10, 0x4000));  // system
}

TEST(Elevation, ThisProcessRunsHighAndNeedsNoElevation) {
  DWORD rid = 0;
  ASSERT_TRUE(ReadProcessIntegrityRid(rid));
  EXPECT_GE(rid, 0x3000u);
  EXPECT_FALSE(NeedsElevation());
}

TEST(Elevation, LaunchWaitsWhenAskedAndPassesParameters) {
  const std::wstring folder = MakeScratchFolder("launch-wait");
  const std::wstring record = folder + L"\\args.txt";
  ScopedEnvironment target(L"TAVORA_RECORD_ARGS_FILE", record);
  ASSERT_TRUE(LaunchProcess(RecordArgsProgram(), L" -x -Name:\"a b\"", true, true));
  // Waiting means the file is there the moment the call returns.
  const std::string written = ReadFileBytes(record);
  EXPECT_NE(std::string::npos, written.find(" -x -Name:\"a b\"")) << written;
}

TEST(Elevation, LaunchWithoutWaitingReturnsAndTheProgramRuns) {
  const std::wstring folder = MakeScratchFolder("launch-nowait");
  const std::wstring record = folder + L"\\args.txt";
  ScopedEnvironment target(L"TAVORA_RECORD_ARGS_FILE", record);
  ASSERT_TRUE(LaunchProcess(RecordArgsProgram(), L" -go", false, false));
  EXPECT_TRUE(PumpUntil([&] { return !ReadFileBytes(record).empty(); }, 30000));
  EXPECT_NE(std::string::npos, ReadFileBytes(record).find(" -go"));
}

TEST(Elevation, MissingOrEmptyProgramFailsQuietly) {
  const DWORD start = GetTickCount();
  EXPECT_FALSE(LaunchProcess(L"", L" -x", true, false));
  EXPECT_FALSE(LaunchProcess(MakeScratchFolder("launch-missing") + L"\\no-such-setup.exe", L" -x", true, false));
  // No error box waits for a click: the calls come back at once.
  EXPECT_LT(GetTickCount() - start, 20000u);
}
