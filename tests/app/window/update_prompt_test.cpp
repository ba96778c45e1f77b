// The window's part in an accepted update: it closes only once the setup has
// started, as the "-Update:" instance of the program says; a setup that
// instance refuses, or that fails the window's own check, leaves the window.
#include "app/window/update_prompt.h"

#include <gtest/gtest.h>

#include <string>

#include "app/update/update_checker.h"
#include "skin/resources/text_encoding.h"
#include "tests/app/update/update_test_util.h"
#include "tests/support/test_support.h"

TEST(UpdatePrompt, TheWindowClosesOnlyOnceTheSetupHasStarted) {
  const ScratchUpdateFolder folder("prompt");
  const std::wstring record = MakeScratchFolder("update-prompt") + L"\\args.txt";
  ScopedEnvironment target(L"TAVORA_RECORD_ARGS_FILE", record);
  const std::wstring setup = folder.Path() + L"\\tavoSetup-prompt.exe";
  UpdateOffer offer;
  offer.setupPath = setup;
  ASSERT_TRUE(ParseUpdateVersion(kOfferedVersion, offer.version));
  UpdateOffer forged = offer;
  forged.signature[0] = 1;
  const struct {
    const char* name;
    std::wstring program;
    const UpdateOffer& offer;
    bool handed;   // what RunDownloadedUpdate answers
    bool started;  // the outcome
  } cases[] = {
      // The test build of the program takes the test key: the setup starts.
      {"setup started", ProgramFolder() + L"tavora_test_key.exe", offer, true, true},
      // The release build refuses what the window, with the test key, took.
      {"refused by the instance", ProgramFolder() + L"..\\..\\app\\tavora.exe", offer, true, false},
      {"refused by the window", ProgramFolder() + L"tavora_test_key.exe", forged, false, false},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"record_args.exe").c_str(), setup.c_str(), FALSE));
    ASSERT_TRUE(ParseUpdateSignature(SignWithTestKey(setup), offer.signature)) << c.name;
    DeleteFileW(record.c_str());
    int started = 0, notStarted = 0;
    {
      CUpdatePrompt prompt(
          TestUpdateKey(), [&] { ++started; }, [&] { ++notStarted; }, c.program);
      EXPECT_EQ(c.handed, prompt.RunDownloadedUpdate(c.offer)) << c.name;
      EXPECT_TRUE(PumpUntil([&] { return started + notStarted > 0; }, 60000)) << c.name;
    }
    EXPECT_EQ(c.started ? 1 : 0, started) << c.name;
    EXPECT_EQ(c.started ? 0 : 1, notStarted) << c.name;
    if (c.started) {
      // The setup ran, and its file went once it had ended.
      EXPECT_TRUE(PumpUntil([&] { return GetFileAttributesW(record.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000));
      EXPECT_TRUE(PumpUntil([&] { return GetFileAttributesW(setup.c_str()) == INVALID_FILE_ATTRIBUTES; }, 30000));
    } else {
      EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(record.c_str())) << c.name;
    }
  }
}
