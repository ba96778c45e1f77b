// The update checker against the demo site, with a real hidden owner window:
// every INI variant, the 24-hour rule, the question, signed and unsigned
// setups, stopping at every kind of wait, and two checks in two processes.
#include "app/update_checker.h"

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <set>

#include "tests/app/update_test_util.h"
#include "tests/support/test_support.h"

namespace {

using Result = UpdateCheckResult;

class UpdateCheckerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(0, UpdateDemoSite().Port()) << "the demo site did not start";
    UpdateDemoSite().ClearLog();
    ClearLastCheck();
    ClearPendingSetup();
    ASSERT_TRUE(owner_.hwnd());
  }

  std::shared_ptr<CUpdateChecker> MakeChecker(const std::wstring& url) {
    return std::make_shared<CUpdateChecker>(TestUpdateKey(), url);
  }

  // Runs a check to its end and delivers what it posted.
  Result RunCheck(const std::shared_ptr<CUpdateChecker>& checker) {
    owner_.Reset();
    if (!checker->Start(owner_.hwnd())) return Result::kRunning;
    if (!PumpUntil([&] { return checker->Finished(); }, 240000)) return Result::kRunning;
    Drain();
    return checker->result();
  }

  static void Drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }

  bool TemporaryIniLeft() const {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((temp_ + L"\\tav*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
  }

  const std::wstring temp_ = MakeScratchFolder("update-temp");
  const std::wstring setupPath_ = temp_ + L"\\tavoSetup.exe";
  MessageCounterWindow owner_;
  ScopedEnvironment tmp_{L"TMP", temp_};
  ScopedEnvironment temp2_{L"TEMP", temp_};
  ScopedEnvironment wait_{L"TAVORA_UPDATE_WAIT_MS", L"20000"};
  ScopedEnvironment retry_{L"TAVORA_UPDATE_RETRY_MS", L"1"};
};

// Writes an INI file of `text` (ASCII) into the scratch folder.
std::wstring WriteIni(const std::string& name, const std::string& text) {
  const std::wstring path = MakeScratchFolder("update-ini-" + name) + L"\\update.ini";
  return WriteFileBytes(path, text) ? path : std::wstring();
}

// The size of a file another thread may still be writing; 0 when absent.
unsigned long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

TEST_F(UpdateCheckerTest, UpdateUrlCarriesTheVersionOnTheUpdateServer) {
  ScopedEnvironment host(L"TAVORA_UPDATE_HOST", L"updates.example.org:8080");
  EXPECT_EQ(L"http://updates.example.org:8080/tavo/update.php?v=1,0,0,35", CUpdateChecker::DefaultUpdateUrl());
  CUpdateChecker checker;
  EXPECT_EQ(L"http://updates.example.org:8080/tavo/update.php?v=1,0,0,35", checker.updateUrl);
  EXPECT_EQ(L"1,0,0,35", checker.currentVersion);
  EXPECT_EQ(L"0,0,0,0", checker.serverVersion);
}

TEST_F(UpdateCheckerTest, EveryServerAnswerEndsAsItShould) {
  const std::string recorder = ReadFileBytes(ProgramFolder() + L"record_args.exe");
  ASSERT_FALSE(recorder.empty());
  const struct {
    std::wstring url;
    Result result;
    WPARAM command;   // 0: nothing posted
    bool lastWritten;
    int iniRequests;
    int setupRequests;  // requests for a setup file
  } cases[] = {
      {VariantUrl(L"newer"), Result::kCommandPosted, 2, true, 1, 1},
      {VariantUrl(L"minor"), Result::kCommandPosted, 2, true, 1, 1},
      {VariantUrl(L"same"), Result::kNotNewer, 0, false, 1, 0},
      {VariantUrl(L"older"), Result::kNotNewer, 0, false, 1, 0},
      {VariantUrl(L"badversion"), Result::kNotNewer, 0, false, 1, 0},
      {VariantUrl(L"noversion"), Result::kNoIni, 0, false, 1, 0},
      {VariantUrl(L"notini"), Result::kNoIni, 0, false, 1, 0},
      {VariantUrl(L"nourl"), Result::kNoIni, 0, false, 1, 0},
      {VariantUrl(L"emptyurl"), Result::kNoIni, 0, false, 1, 0},
      {UpdateSiteUrl(L"/fault/404/tavo/update.php?v=1,0,0,35"), Result::kNoIni, 0, false, 3, 0},
      {VariantUrl(L"one"), Result::kCommandPosted, 2, true, 1, 1},
      {VariantUrl(L"gap"), Result::kCommandPosted, 2, true, 1, 1},
      {VariantUrl(L"close8"), Result::kCommandPosted, 8, true, 1, 1},
      {VariantUrl(L"noclose"), Result::kCommandPosted, 2, true, 1, 1},
      {VariantUrl(L"chunkedsetup"), Result::kCommandPosted, 2, true, 1, 1},
      {VariantUrl(L"recorder8"), Result::kCommandPosted, 8, true, 1, 1},
      {VariantUrl(L"unsigned"), Result::kNoVerifiedSetup, 0, true, 1, 0},
      {VariantUrl(L"badsig"), Result::kNoVerifiedSetup, 0, true, 1, 1},
      {VariantUrl(L"tampered"), Result::kNoVerifiedSetup, 0, true, 1, 1},
      {VariantUrl(L"shortsetup"), Result::kNoVerifiedSetup, 0, true, 1, 30},
      {VariantUrl(L"missingsetup"), Result::kNoVerifiedSetup, 0, true, 1, 30},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.url.begin(), c.url.end()));
    ClearLastCheck();
    ClearPendingSetup();
    UpdateDemoSite().ClearLog();
    ASSERT_TRUE(WriteFileBytes(setupPath_, "a stale file from before"));
    auto checker = MakeChecker(c.url);
    EXPECT_EQ(c.result, RunCheck(checker));
    EXPECT_EQ(c.command != 0 ? 1 : 0, owner_.Count(WM_COMMAND));
    EXPECT_EQ(c.command, owner_.LastWParam(WM_COMMAND));
    EXPECT_EQ(c.lastWritten, CUpdateChecker::ReadLastCheck() != 0);
    const std::string log = UpdateDemoSite().RequestLog();
    EXPECT_EQ(c.iniRequests, CountLines(log, "update.php?v=1,0,0,35 HTTP/1.0")) << log;
    EXPECT_EQ(c.setupRequests, CountLines(log, "tavoSetup.exe")) << log;
    EXPECT_FALSE(TemporaryIniLeft()) << "the temporary INI is always deleted";
    const std::string setup = ReadFileBytes(setupPath_);
    if (c.result == Result::kCommandPosted) {
      EXPECT_EQ(setupPath_, PendingSetupPath());
      EXPECT_EQ(setupPath_, VerifiedPendingSetupPath());
      EXPECT_FALSE(setup.empty());
      if (c.url.find(L"recorder") != std::wstring::npos) {
        EXPECT_EQ(recorder, setup);
      }
    } else {
      EXPECT_EQ(L"", PendingSetupPath());
      if (c.setupRequests > 0 || c.result == Result::kNoVerifiedSetup) {
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(setupPath_.c_str()))
            << "a setup that cannot be run is not kept";
      }
    }
  }
}

TEST_F(UpdateCheckerTest, CheckIsDueOnlyADayAfterAnOffer) {
  CUpdateChecker checker;
  ClearLastCheck();
  EXPECT_TRUE(checker.IsCheckDue(24)) << "never offered";
  const struct {
    long long age;
    bool due;
  } cases[] = {{86400, false}, {86401, true}, {0, false}, {3600, false}, {-100, true}, {1000000, true}};
  for (const auto& c : cases) {
    // The clock may tick between storing and checking: try again then.
    bool checked = false;
    for (int attempt = 0; attempt < 5 && !checked; ++attempt) {
      const long long now = _time64(nullptr);
      StoreLastCheck(static_cast<DWORD>(now - c.age));
      const bool due = checker.IsCheckDue(24);
      if (_time64(nullptr) != now) continue;
      EXPECT_EQ(c.due, due) << c.age;
      EXPECT_TRUE(checker.IsCheckDue(0)) << "0 hours is always due";
      checked = true;
    }
    EXPECT_TRUE(checked) << c.age;
  }
}

TEST_F(UpdateCheckerTest, CheckWithinTheDayAsksNothing) {
  StoreLastCheck(static_cast<DWORD>(_time64(nullptr) - 60));
  auto checker = MakeChecker(VariantUrl(L"newer"));
  EXPECT_EQ(Result::kNotDue, RunCheck(checker));
  EXPECT_EQ("", UpdateDemoSite().RequestLog());
  EXPECT_EQ(0, owner_.Count(WM_COMMAND));
  // An offer stores the time it was made.
  ClearLastCheck();
  const DWORD before = static_cast<DWORD>(_time64(nullptr));
  EXPECT_EQ(Result::kCommandPosted, RunCheck(MakeChecker(VariantUrl(L"newer"))));
  const DWORD stored = CUpdateChecker::ReadLastCheck();
  EXPECT_GE(stored, before);
  EXPECT_LE(stored, static_cast<DWORD>(_time64(nullptr)));
}

TEST_F(UpdateCheckerTest, PicksAmongAllButTheLastUrl) {
  const std::string longUrl = "http://127.0.0.1/" + std::string(259 - 17, 'u');
  const std::string longerUrl = longUrl + "vwxyz";
  const struct {
    const char* name;
    std::string ini;
    std::set<std::string> picks;  // empty: the step fails
  } cases[] = {
      {"three", "[DownloadUrls]\r\nurl01=http://a/1\r\nurl02=http://a/2\r\nurl03=http://a/3\r\n",
       {"http://a/1", "http://a/2"}},
      {"two", "[DownloadUrls]\r\nurl01=http://a/1\r\nurl02=http://a/2\r\n", {"http://a/1"}},
      {"one", "[DownloadUrls]\r\nurl01=http://a/1\r\n", {"http://a/1"}},
      {"gap", "[DownloadUrls]\r\nurl01=http://a/1\r\nurl03=http://a/3\r\n", {"http://a/1"}},
      {"empty second", "[DownloadUrls]\r\nurl01=http://a/1\r\nurl02=\r\nurl03=http://a/3\r\n", {"http://a/1"}},
      {"none", "[DownloadUrls]\r\n", {}},
      {"empty first", "[DownloadUrls]\r\nurl01=\r\nurl02=http://a/2\r\n", {}},
      {"no section", "[Version]\r\nCurrentVersion=1,0,0,36\r\n", {}},
      {"259 characters", "[DownloadUrls]\r\nurl01=" + longUrl + "\r\n", {longUrl}},
      {"longer than 259", "[DownloadUrls]\r\nurl01=" + longerUrl + "\r\n", {longUrl}},
  };
  for (const auto& c : cases) {
    const std::wstring path = WriteIni(c.name, c.ini);
    ASSERT_FALSE(path.empty());
    CUpdateChecker checker;
    for (int round = 0; round < 20; ++round) {
      checker.downloadUrl.clear();
      const bool ok = checker.PickDownloadUrl(path);
      EXPECT_EQ(!c.picks.empty(), ok) << c.name;
      if (!ok) break;
      const std::string picked(checker.downloadUrl.begin(), checker.downloadUrl.end());
      EXPECT_EQ(1u, c.picks.count(picked)) << c.name << ": " << picked;
    }
  }
  // Ninety-nine keys at most: url100 is never read.
  std::string many = "[DownloadUrls]\r\n";
  char line[64];
  for (int n = 1; n <= 100; ++n) {
    snprintf(line, sizeof(line), "url%02d=http://a/%d\r\n", n, n);
    many += line;
  }
  CUpdateChecker checker;
  ASSERT_TRUE(checker.PickDownloadUrl(WriteIni("many", many)));
  EXPECT_NE(L"http://a/99", checker.downloadUrl);
  EXPECT_NE(L"http://a/100", checker.downloadUrl);
}

TEST_F(UpdateCheckerTest, NewerComparesFourNumbersFieldByField) {
  const struct {
    const wchar_t* server;
    const wchar_t* current;
    bool newer;
  } cases[] = {
      {L"1,0,0,36", L"1,0,0,35", true},   {L"1,0,1,0", L"1,0,0,35", true},    {L"1,0,0,35", L"1,0,0,35", false},
      {L"0,9,9,99", L"1,0,0,35", false},  {L"2,0,0,0", L"1,9,9,9", true},     {L"1,0,0,100", L"1,0,0,99", true},
      {L"4294967295,0,0,0", L"1,0,0,35", true}, {L"1,0,0", L"1,0,0,35", false}, {L"1.0.0.36", L"1,0,0,35", false},
      {L"", L"1,0,0,35", false},          {L"1,0,0,36", L"junk", false},      {L"1,0,0,34", L"1,0,0,35", false},
  };
  for (const auto& c : cases) {
    CUpdateChecker checker;
    checker.serverVersion = c.server;
    checker.currentVersion = c.current;
    EXPECT_EQ(c.newer, checker.IsNewer()) << std::wstring(c.server).size() << " " << c.newer;
  }
}

TEST_F(UpdateCheckerTest, ProgramPathOf260CharactersFailsTheStep) {
  const std::wstring base = L"C:\\folder\\";
  const struct {
    std::wstring path;
    std::wstring folder;
  } cases[] = {
      {L"C:\\Program Files\\tavo\\tavora.exe", L"C:\\Program Files\\tavo\\"},
      {base + std::wstring(259 - base.size(), L'a'), base},
      {base + std::wstring(260 - base.size(), L'a'), L""},
      {base + std::wstring(2000, L'a'), L""},
      {L"tavora.exe", L""},
      {L"", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.folder, CUpdateChecker::CheckFolder(c.path)) << c.path.size();
  }
}

TEST_F(UpdateCheckerTest, QuestionShowsTwoLinesAndNoClosesNothing) {
  const struct {
    const wchar_t* variant;
    const wchar_t* caption;
    const wchar_t* text;
  } cases[] = {
      {L"tipascii", L"Tavora update question", L"first line\nsecond line"},
      {L"tip16", L"Tavora 更新", L"第一行\n第二行"},
  };
  for (const auto& c : cases) {
    ClearLastCheck();
    auto checker = MakeChecker(VariantUrl(c.variant));
    owner_.Reset();
    ASSERT_TRUE(checker->Start(owner_.hwnd()));
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (box = FindWindowW(L"#32770", c.caption)) != nullptr; }, 60000)) << c.caption;
    wchar_t text[256] = L"";
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    EXPECT_STREQ(c.text, text);
    EXPECT_EQ(owner_.hwnd(), GetWindow(box, GW_OWNER));
    EXPECT_TRUE(GetDlgItem(box, IDYES));
    const HWND no = GetDlgItem(box, IDNO);
    ASSERT_TRUE(no);
    EXPECT_FALSE(GetDlgItem(box, IDCANCEL));
    SendMessageW(no, BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return checker->Finished(); }, 60000));
    Drain();
    EXPECT_EQ(Result::kDeclined, checker->result());
    EXPECT_EQ(0, owner_.Count(WM_COMMAND));
    EXPECT_NE(0u, CUpdateChecker::ReadLastCheck());
    EXPECT_EQ(L"", PendingSetupPath());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(setupPath_.c_str())) << "the setup stays after No";
  }
}

TEST_F(UpdateCheckerTest, YesPostsTheCloseCommand) {
  auto checker = MakeChecker(VariantUrl(L"tip8"));
  owner_.Reset();
  ASSERT_TRUE(checker->Start(owner_.hwnd()));
  HWND box = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (box = FindWindowW(L"#32770", L"Tavora 更新")) != nullptr; }, 60000));
  SendMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return owner_.Count(WM_COMMAND) > 0; }, 60000));
  EXPECT_EQ(8u, owner_.LastWParam(WM_COMMAND));
  EXPECT_TRUE(PumpUntil([&] { return checker->Finished(); }, 60000));
  EXPECT_EQ(Result::kCommandPosted, checker->result());
  EXPECT_EQ(setupPath_, PendingSetupPath());
}

TEST_F(UpdateCheckerTest, PendingSetupIsCheckedAgainBeforeItStarts) {
  ASSERT_EQ(Result::kCommandPosted, RunCheck(MakeChecker(VariantUrl(L"newer"))));
  ASSERT_EQ(setupPath_, VerifiedPendingSetupPath());
  std::string bytes = ReadFileBytes(setupPath_);
  ASSERT_FALSE(bytes.empty());
  bytes[bytes.size() / 2] ^= 1;
  ASSERT_TRUE(WriteFileBytes(setupPath_, bytes));
  EXPECT_EQ(L"", VerifiedPendingSetupPath());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(setupPath_.c_str()));
}

TEST_F(UpdateCheckerTest, ReleaseKeyRefusesTestSignedSetups) {
  // The program's own key: the demo site's setups are signed with the test key.
  auto checker = std::make_shared<CUpdateChecker>(ReleaseUpdateKey(), VariantUrl(L"newer"));
  EXPECT_EQ(Result::kNoVerifiedSetup, RunCheck(checker));
  EXPECT_EQ(0, owner_.Count(WM_COMMAND));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(setupPath_.c_str()));
}

TEST_F(UpdateCheckerTest, StopEndsEveryWaitAtOnce) {
  enum Wait { kStalledRead, kNoAnswer, kRetryPause, kQuestion };
  const struct {
    const char* name;
    const wchar_t* variant;
    Wait wait;
  } cases[] = {
      {"stalled read", L"stallsetup", kStalledRead},
      {"no answer", L"hangsetup", kNoAnswer},
      {"retry pause", L"missingsetup", kRetryPause},
      {"question", L"tipascii", kQuestion},
  };
  ScopedEnvironment wait(L"TAVORA_UPDATE_WAIT_MS", L"600000");
  ScopedEnvironment retry(L"TAVORA_UPDATE_RETRY_MS", L"600000");
  for (const auto& c : cases) {
    ClearLastCheck();
    UpdateDemoSite().ClearLog();
    auto checker = MakeChecker(VariantUrl(c.variant));
    owner_.Reset();
    ASSERT_TRUE(checker->Start(owner_.hwnd())) << c.name;
    const auto reached = [&] {
      switch (c.wait) {
        case kStalledRead:
          return FileSize(setupPath_) >= 32768;
        case kNoAnswer:
          return CountLines(UpdateDemoSite().RequestLog(), "/fault/hang/") == 1;
        case kRetryPause:
          return CountLines(UpdateDemoSite().RequestLog(), "/tavo/missing/") == 1;
        case kQuestion:
          return FindWindowW(L"#32770", L"Tavora update question") != nullptr;
      }
      return false;
    };
    ASSERT_TRUE(PumpUntil(reached, 60000)) << c.name;
    EXPECT_TRUE(checker->Stop()) << c.name << ": the thread ended within the stop's wait";
    EXPECT_TRUE(checker->Finished()) << c.name;
    EXPECT_EQ(Result::kStopped, checker->result()) << c.name;
    Drain();
    EXPECT_EQ(0, owner_.Count(WM_COMMAND)) << c.name;
    EXPECT_FALSE(FindWindowW(L"#32770", L"Tavora update question")) << c.name;
    EXPECT_FALSE(TemporaryIniLeft()) << c.name;
    EXPECT_EQ(L"", PendingSetupPath()) << c.name;
  }
}

TEST_F(UpdateCheckerTest, CheckerLivesUntilItsThreadEnds) {
  ScopedEnvironment wait(L"TAVORA_UPDATE_WAIT_MS", L"600000");
  auto checker = MakeChecker(VariantUrl(L"hangsetup"));
  const std::weak_ptr<CUpdateChecker> watch = checker;
  ASSERT_TRUE(checker->Start(owner_.hwnd()));
  EXPECT_FALSE(checker->Start(owner_.hwnd())) << "one check per checker";
  checker.reset();
  EXPECT_FALSE(watch.expired()) << "the running check keeps its checker";
  ASSERT_TRUE(PumpUntil([&] { return CountLines(UpdateDemoSite().RequestLog(), "/fault/hang/") == 1; }, 60000));
  std::shared_ptr<CUpdateChecker> again = watch.lock();
  ASSERT_TRUE(again);
  EXPECT_TRUE(again->Stop());
  again.reset();
  EXPECT_TRUE(watch.expired());
}

TEST_F(UpdateCheckerTest, StartNeedsAWindowAndASharedOwner) {
  EXPECT_FALSE(MakeChecker(VariantUrl(L"newer"))->Start(nullptr));
  EXPECT_FALSE(MakeChecker(VariantUrl(L"newer"))->Start(reinterpret_cast<HWND>(0x1234)));
  CUpdateChecker unshared(TestUpdateKey(), VariantUrl(L"newer"));
  EXPECT_FALSE(unshared.Start(owner_.hwnd()));
  EXPECT_TRUE(unshared.Stop()) << "nothing to stop";
  EXPECT_EQ("", UpdateDemoSite().RequestLog());
}

TEST_F(UpdateCheckerTest, TwoProcessesCheckOneAtATime) {
  ScopedEnvironment wait(L"TAVORA_UPDATE_WAIT_MS", L"600000");
  auto first = MakeChecker(VariantUrl(L"hangsetup"));
  ASSERT_TRUE(first->Start(owner_.hwnd()));
  ASSERT_TRUE(PumpUntil([&] { return CountLines(UpdateDemoSite().RequestLog(), "/fault/hang/") == 1; }, 60000));
  const std::wstring runner = L"\"" + ProgramFolder() + L"update_check_runner.exe\" ";
  const ProcessResult blocked = RunProcess(runner + VariantUrl(L"newer"), 120000);
  EXPECT_EQ(static_cast<DWORD>(Result::kOtherCheckRuns), blocked.exitCode);
  EXPECT_EQ(0, CountLines(UpdateDemoSite().RequestLog(), "/ini/newer/"));
  EXPECT_TRUE(first->Stop());

  ClearLastCheck();
  const ProcessResult alone = RunProcess(runner + VariantUrl(L"newer"), 120000);
  EXPECT_EQ(static_cast<DWORD>(Result::kCommandPosted), alone.exitCode);
  EXPECT_EQ(1, CountLines(UpdateDemoSite().RequestLog(), "/ini/newer/"));
}
