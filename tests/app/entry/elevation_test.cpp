// The elevation decision, the token read under a real process, and starting
// programs through the shell.
#include "app/entry/elevation.h"
#include "app/platform/process_launch.h"

#include <gtest/gtest.h>

#include "app/update/update_signature.h"
#include "tests/app/update/update_test_util.h"
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
  // Refused before the shell sees it (Wine's own ShellExecuteExW crashes on
  // paths this long).
  EXPECT_FALSE(LaunchProcess(L"C:\\" + std::wstring(1000, L'a') + L".exe", L" -x", true, false));
  EXPECT_FALSE(LaunchProcess(L"C:\\" + std::wstring(MAX_PATH - 7, L'a') + L".exe", L" -x", true, false));
  // No error box waits for a click: the calls come back at once.
  EXPECT_LT(GetTickCount() - start, 20000u);
}

// A verified setup held for its start: nothing can write, replace, rename or
// delete it until it is let go, and it still starts elevated from there.
TEST(Elevation, HeldVerifiedSetupStartsAndCannotBeSwappedMeanwhile) {
  const std::wstring folder = MakeScratchFolder("launch-held");
  const std::wstring setup = folder + L"\\tavoSetup.exe";
  ASSERT_TRUE(CopyFileW(RecordArgsProgram().c_str(), setup.c_str(), FALSE));
  UpdateSignature signature{};
  ASSERT_TRUE(ParseUpdateSignature(SignWithTestKey(setup), signature));
  UpdateVersion version{};
  ASSERT_TRUE(ParseUpdateVersion(kOfferedVersion, version));
  const std::wstring impostor = folder + L"\\impostor.exe";
  ASSERT_TRUE(WriteFileBytes(impostor, "MZ impostor"));
  const std::wstring record = folder + L"\\args.txt";
  ScopedEnvironment target(L"TAVORA_RECORD_ARGS_FILE", record);

  CVerifiedFile held;
  ASSERT_TRUE(held.Open(setup, version, signature, TestUpdateKey()));
  const UniqueKernelHandle writer(CreateFileW(setup.c_str(), GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(writer);
  EXPECT_FALSE(MoveFileExW(impostor.c_str(), setup.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_FALSE(MoveFileExW(setup.c_str(), (setup + L".old").c_str(), 0));
  EXPECT_FALSE(DeleteFileW(setup.c_str()));
  ASSERT_TRUE(LaunchProcess(held.LaunchPath(), L" -held", true, true));
  EXPECT_NE(std::string::npos, ReadFileBytes(record).find(" -held"));

  held.Close();
  EXPECT_TRUE(MoveFileExW(impostor.c_str(), setup.c_str(), MOVEFILE_REPLACE_EXISTING)) << "let go at last";
  EXPECT_FALSE(held.Open(setup, version, signature, TestUpdateKey())) << "the impostor does not pass";
}
