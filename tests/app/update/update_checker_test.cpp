// The update checker against the demo site, with a real hidden owner window
// and the offer answered on this thread, as the main window answers it:
// every INI variant, the 24-hour rule, the question, signed and unsigned
// setups, size limits, stopping at every kind of wait, squatted names, and
// two checks in two processes.
#include "app/update/update_checker.h"

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "tests/app/update/update_test_util.h"
#include "tests/support/test_support.h"

namespace {

using Result = UpdateCheckResult;

class UpdateCheckerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(0, UpdateDemoSite().Port()) << "the demo site did not start";
    UpdateDemoSite().ClearLog();
    ClearLastCheck();
    ASSERT_TRUE(owner_.hwnd());
    ASSERT_TRUE(tasks_.IsOpen());
  }

  std::shared_ptr<CUpdateChecker> MakeChecker(const std::wstring& url) {
    return std::make_shared<CUpdateChecker>(TestUpdateKey(), url);
  }

  // Starts a check whose offer is answered on this thread.
  bool StartCheck(const std::shared_ptr<CUpdateChecker>& checker) {
    owner_.Reset();
    offers_.clear();
    setupRuns_ = 0;
    return checker->Start(tasks_.Poster(), [this](const UpdateOffer& offer) {
      offers_.push_back(offer);
      if (AcceptUpdateOffer(owner_.hwnd(), offer)) ++setupRuns_;
    });
  }

  // Runs a check to its end and delivers what it posted.
  Result RunCheck(const std::shared_ptr<CUpdateChecker>& checker) {
    if (!StartCheck(checker)) return Result::kRunning;
    if (!PumpUntil([&] { return checker->Finished(); }, 240000)) return Result::kRunning;
    Drain();
    return checker->result();
  }

  static void Drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }

  bool TemporaryIniLeft() const { return !folder_.Files(L"update-*.ini").empty(); }

  // The setups the update folder holds, with their paths.
  std::vector<std::wstring> StagedSetups() const {
    std::vector<std::wstring> paths;
    for (const std::wstring& name : folder_.Files(L"tavoSetup-*.exe")) paths.push_back(folder_.Path() + L"\\" + name);
    return paths;
  }

  // The user's temporary folder: the elevated check writes nothing there.
  const std::wstring temp_ = MakeScratchFolder("update-temp");
  const std::wstring userSetup_ = temp_ + L"\\tavoSetup.exe";
  ScratchUpdateFolder folder_{"checker"};
  MessageCounterWindow owner_;
  UiTaskQueue tasks_;
  std::vector<UpdateOffer> offers_;
  int setupRuns_ = 0;
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
  EXPECT_STREQ(L"1,0,0,35", CUpdateChecker::kProgramVersion);
}

TEST_F(UpdateCheckerTest, EveryServerAnswerEndsAsItShould) {
  const std::string recorder = ReadFileBytes(ProgramFolder() + L"record_args.exe");
  ASSERT_FALSE(recorder.empty());
  const struct {
    std::wstring url;
    Result result;
    WPARAM command;  // the offer's close command; 0: no offer
    bool lastWritten;
    int iniRequests;
    int setupRequests;  // requests for a setup file
  } cases[] = {
      {VariantUrl(L"newer"), Result::kOffered, 2, true, 1, 1},
      {VariantUrl(L"minor"), Result::kOffered, 2, true, 1, 1},
      {VariantUrl(L"same"), Result::kNotNewer, 0, false, 1, 0},
      {VariantUrl(L"older"), Result::kNotNewer, 0, false, 1, 0},
      {VariantUrl(L"badversion"), Result::kNotNewer, 0, false, 1, 0},
      {VariantUrl(L"noversion"), Result::kNoIni, 0, false, 1, 0},
      {VariantUrl(L"notini"), Result::kNoIni, 0, false, 1, 0},
      {VariantUrl(L"nourl"), Result::kNoIni, 0, false, 1, 0},
      {VariantUrl(L"emptyurl"), Result::kNoIni, 0, false, 1, 0},
      {UpdateSiteUrl(L"/fault/404/tavo/update.php?v=1,0,0,35"), Result::kNoIni, 0, false, 3, 0},
      {VariantUrl(L"one"), Result::kOffered, 2, true, 1, 1},
      {VariantUrl(L"gap"), Result::kOffered, 2, true, 1, 1},
      {VariantUrl(L"close8"), Result::kOffered, 8, true, 1, 1},
      {VariantUrl(L"noclose"), Result::kOffered, 2, true, 1, 1},
      {VariantUrl(L"chunkedsetup"), Result::kOffered, 2, true, 1, 1},
      {VariantUrl(L"recorder8"), Result::kOffered, 8, true, 1, 1},
      // A refused setup leaves the next start to check again.
      {VariantUrl(L"unsigned"), Result::kNoVerifiedSetup, 0, false, 1, 0},
      {VariantUrl(L"badsig"), Result::kNoVerifiedSetup, 0, false, 1, 1},
      {VariantUrl(L"tampered"), Result::kNoVerifiedSetup, 0, false, 1, 1},
      {VariantUrl(L"shortsetup"), Result::kNoVerifiedSetup, 0, false, 1, 30},
      {VariantUrl(L"missingsetup"), Result::kNoVerifiedSetup, 0, false, 1, 30},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.url.begin(), c.url.end()));
    ClearLastCheck();
    UpdateDemoSite().ClearLog();
    // One setup left by an earlier check, and the user's own file of the
    // name setups once had in the temporary folder.
    ASSERT_TRUE(WriteFileBytes(folder_.Path() + L"\\tavoSetup-0123456789abcdef.exe", "left by an earlier check"));
    ASSERT_TRUE(WriteFileBytes(userSetup_, "the user's own file"));
    auto checker = MakeChecker(c.url);
    EXPECT_EQ(c.result, RunCheck(checker));
    // Command 8 starts the setup; any other is posted to the window.
    EXPECT_EQ(c.command == kRunSetupCommand ? 1 : 0, setupRuns_);
    EXPECT_EQ(c.command != 0 && c.command != kRunSetupCommand ? 1 : 0, owner_.Count(WM_COMMAND));
    EXPECT_EQ(c.command == kRunSetupCommand ? 0 : c.command, owner_.LastWParam(WM_COMMAND));
    EXPECT_EQ(c.lastWritten, CUpdateChecker::ReadLastCheck() != 0);
    const std::string log = UpdateDemoSite().RequestLog();
    EXPECT_EQ(c.iniRequests, CountLines(log, "update.php?v=1,0,0,35 HTTP/1.0")) << log;
    EXPECT_EQ(c.setupRequests, CountLines(log, "tavoSetup.exe")) << log;
    EXPECT_FALSE(TemporaryIniLeft()) << "the temporary INI is always deleted";
    EXPECT_EQ("the user's own file", ReadFileBytes(userSetup_)) << "nothing is written into the user's folder";
    const std::vector<std::wstring> staged = StagedSetups();
    if (c.result == Result::kOffered) {
      ASSERT_EQ(1u, offers_.size());
      ASSERT_EQ(1u, staged.size()) << "the earlier check's setup is gone";
      EXPECT_EQ(0, CompareStringOrdinal(staged[0].c_str(), -1, offers_[0].setupPath.c_str(), -1, TRUE) - CSTR_EQUAL);
      const std::string setup = ReadFileBytes(staged[0]);
      EXPECT_TRUE(VerifyFileSignature(staged[0], offers_[0].version, offers_[0].signature, TestUpdateKey()));
      EXPECT_FALSE(setup.empty());
      if (c.url.find(L"recorder") != std::wstring::npos) {
        EXPECT_EQ(recorder, setup);
      }
    } else {
      EXPECT_TRUE(offers_.empty());
      if (c.setupRequests > 0 || c.result == Result::kNoVerifiedSetup) {
        EXPECT_TRUE(staged.empty()) << "a setup that cannot be run is not kept";
      }
    }
  }
}

TEST_F(UpdateCheckerTest, CheckIsDueOnlyADayAfterAnOffer) {
  ClearLastCheck();
  EXPECT_TRUE(CUpdateChecker::IsCheckDue(24)) << "never offered";
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
      const bool due = CUpdateChecker::IsCheckDue(24);
      if (_time64(nullptr) != now) continue;
      EXPECT_EQ(c.due, due) << c.age;
      EXPECT_TRUE(CUpdateChecker::IsCheckDue(0)) << "0 hours is always due";
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
  EXPECT_TRUE(offers_.empty());
  // An offer stores the time it was made.
  ClearLastCheck();
  const DWORD before = static_cast<DWORD>(_time64(nullptr));
  EXPECT_EQ(Result::kOffered, RunCheck(MakeChecker(VariantUrl(L"newer"))));
  const DWORD stored = CUpdateChecker::ReadLastCheck();
  EXPECT_GE(stored, before);
  EXPECT_LE(stored, static_cast<DWORD>(_time64(nullptr)));
}

TEST_F(UpdateCheckerTest, PicksAmongAllButTheLastUrl) {
  // URLs are read whole up to the downloader's limit; a longer one is no URL.
  const std::string longUrl = "http://127.0.0.1/" + std::string(259 - 17, 'u');
  const std::string longerUrl = longUrl + "vwxyz";
  const std::string longestUrl = "http://127.0.0.1/" + std::string(CFileDownloader::kUrlLimit - 1 - 17, 'u');
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
      {"longer than 259", "[DownloadUrls]\r\nurl01=" + longerUrl + "\r\n", {longerUrl}},
      {"at the limit", "[DownloadUrls]\r\nurl01=" + longestUrl + "\r\n", {longestUrl}},
      {"past the limit", "[DownloadUrls]\r\nurl01=" + longestUrl + "u\r\n", {}},
      {"second past", "[DownloadUrls]\r\nurl01=http://a/1\r\nurl02=" + longestUrl + "u\r\n", {"http://a/1"}},
  };
  for (const auto& c : cases) {
    const std::wstring path = WriteIni(c.name, c.ini);
    ASSERT_FALSE(path.empty());
    for (int round = 0; round < 20; ++round) {
      const std::wstring url = CUpdateChecker::PickDownloadUrl(path);
      const bool ok = !url.empty();
      EXPECT_EQ(!c.picks.empty(), ok) << c.name;
      if (!ok) break;
      const std::string picked(url.begin(), url.end());
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
  const std::wstring url = CUpdateChecker::PickDownloadUrl(WriteIni("many", many));
  ASSERT_FALSE(url.empty());
  EXPECT_NE(L"http://a/99", url);
  EXPECT_NE(L"http://a/100", url);
}

// A part that does not parse (a sign, a blank, an overflow, junk) is never
// newer.
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
      {L"-1,0,0,0", L"1,0,0,35", false},  {L"99999999999999999999,0,0,0", L"1,0,0,35", false},
      {L"4294967296,0,0,0", L"1,0,0,35", false}, {L"+2,0,0,0", L"1,0,0,35", false},
      {L"1,0,0,36junk", L"1,0,0,35", false},     {L"1,0,0,36,1", L"1,0,0,35", false},
      {L"1, 0,0,36", L"1,0,0,35", false},        {L"1,,0,36", L"1,0,0,35", false},
  };
  for (const auto& c : cases) {
    UpdateVersion server{}, current{};
    const bool newer =
        ParseUpdateVersion(c.server, server) && ParseUpdateVersion(c.current, current) && IsNewerVersion(server, current);
    EXPECT_EQ(c.newer, newer) << std::string(c.server, c.server + wcslen(c.server));
  }
  // Written back as read, without leading zeros.
  UpdateVersion version{};
  ASSERT_TRUE(ParseUpdateVersion(L"01,0,00,36", version));
  EXPECT_EQ(L"1,0,0,36", FormatUpdateVersion(version));
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

// The question is asked on the thread the offer is handed to (the main
// window's), never on the check's own thread.
TEST_F(UpdateCheckerTest, QuestionIsAskedOnTheWindowsThreadAndActsOnTheAnswer) {
  const struct {
    const wchar_t* variant;
    const wchar_t* caption;
    const wchar_t* text;
    int button;
    int setupRuns;
    WPARAM command;  // posted to the window; 0: none
  } cases[] = {
      {L"tipascii", L"Tavora update question", L"first line\nsecond line", IDNO, 0, 0},
      {L"tip16", L"Tavora 更新", L"第一行\n第二行", IDNO, 0, 0},
      {L"tip8", L"Tavora 更新", L"第一行\n第二行", IDYES, 1, 0},
      {L"tipascii", L"Tavora update question", L"first line\nsecond line", IDYES, 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.variant, c.variant + wcslen(c.variant)));
    ClearLastCheck();
    SeenBox seen;
    std::thread user = AnswerMessageBox(c.caption, c.button, seen);
    EXPECT_EQ(Result::kOffered, RunCheck(MakeChecker(VariantUrl(c.variant))));
    user.join();
    EXPECT_EQ(c.text, seen.text);
    EXPECT_EQ(owner_.hwnd(), seen.owner);
    EXPECT_EQ(GetCurrentThreadId(), seen.thread);
    EXPECT_TRUE(seen.yes && !seen.cancel);
    EXPECT_EQ(c.setupRuns, setupRuns_);
    EXPECT_EQ(c.command != 0 ? 1 : 0, owner_.Count(WM_COMMAND));
    EXPECT_EQ(c.command, owner_.LastWParam(WM_COMMAND));
    EXPECT_NE(0u, CUpdateChecker::ReadLastCheck());
    EXPECT_EQ(1u, StagedSetups().size()) << "the setup stays after No";
  }
}

TEST_F(UpdateCheckerTest, ReleaseKeyRefusesTestSignedSetups) {
  // The program's own key: the demo site's setups are signed with the test key.
  auto checker = std::make_shared<CUpdateChecker>(ReleaseUpdateKey(), VariantUrl(L"newer"));
  EXPECT_EQ(Result::kNoVerifiedSetup, RunCheck(checker));
  EXPECT_TRUE(offers_.empty());
  EXPECT_TRUE(StagedSetups().empty());
}

TEST_F(UpdateCheckerTest, StopEndsEveryWaitAtOnce) {
  enum Wait { kStalledRead, kNoAnswer, kRetryPause };
  const struct {
    const char* name;
    const wchar_t* variant;
    Wait wait;
  } cases[] = {
      {"stalled read", L"stallsetup", kStalledRead},
      {"no answer", L"hangsetup", kNoAnswer},
      {"retry pause", L"missingsetup", kRetryPause},
  };
  ScopedEnvironment wait(L"TAVORA_UPDATE_WAIT_MS", L"600000");
  ScopedEnvironment retry(L"TAVORA_UPDATE_RETRY_MS", L"600000");
  for (const auto& c : cases) {
    ClearLastCheck();
    UpdateDemoSite().ClearLog();
    auto checker = MakeChecker(VariantUrl(c.variant));
    ASSERT_TRUE(StartCheck(checker)) << c.name;
    const auto reached = [&] {
      switch (c.wait) {
        case kStalledRead:
          return !StagedSetups().empty() && FileSize(StagedSetups()[0]) >= 32768;
        case kNoAnswer:
          return CountLines(UpdateDemoSite().RequestLog(), "/fault/hang/") == 1;
        case kRetryPause:
          return CountLines(UpdateDemoSite().RequestLog(), "/tavo/missing/") == 1;
      }
      return false;
    };
    ASSERT_TRUE(PumpUntil(reached, 60000)) << c.name;
    EXPECT_TRUE(checker->Stop()) << c.name << ": the thread ended within the stop's wait";
    EXPECT_TRUE(checker->Finished()) << c.name;
    EXPECT_EQ(Result::kStopped, checker->result()) << c.name;
    Drain();
    EXPECT_TRUE(offers_.empty()) << c.name;
    EXPECT_FALSE(TemporaryIniLeft()) << c.name;
  }
}

TEST_F(UpdateCheckerTest, CheckerLivesUntilItsThreadEnds) {
  ScopedEnvironment wait(L"TAVORA_UPDATE_WAIT_MS", L"600000");
  auto checker = MakeChecker(VariantUrl(L"hangsetup"));
  const std::weak_ptr<CUpdateChecker> watch = checker;
  ASSERT_TRUE(StartCheck(checker));
  EXPECT_FALSE(StartCheck(checker)) << "one check per checker";
  checker.reset();
  EXPECT_FALSE(watch.expired()) << "the running check keeps its checker";
  ASSERT_TRUE(PumpUntil([&] { return CountLines(UpdateDemoSite().RequestLog(), "/fault/hang/") == 1; }, 60000));
  std::shared_ptr<CUpdateChecker> again = watch.lock();
  ASSERT_TRUE(again);
  EXPECT_TRUE(again->Stop());
  again.reset();
  EXPECT_TRUE(watch.expired());
}

TEST_F(UpdateCheckerTest, StartNeedsAHandlerAndASharedOwner) {
  EXPECT_FALSE(MakeChecker(VariantUrl(L"newer"))->Start(tasks_.Poster(), UpdateOfferHandler()));
  CUpdateChecker unshared(TestUpdateKey(), VariantUrl(L"newer"));
  EXPECT_FALSE(unshared.Start(tasks_.Poster(), [](const UpdateOffer&) {}));
  EXPECT_TRUE(unshared.Stop()) << "nothing to stop";
  EXPECT_EQ("", UpdateDemoSite().RequestLog());
}

TEST_F(UpdateCheckerTest, TwoProcessesCheckOneAtATime) {
  ScopedEnvironment wait(L"TAVORA_UPDATE_WAIT_MS", L"600000");
  auto first = MakeChecker(VariantUrl(L"hangsetup"));
  ASSERT_TRUE(StartCheck(first));
  ASSERT_TRUE(PumpUntil([&] { return CountLines(UpdateDemoSite().RequestLog(), "/fault/hang/") == 1; }, 60000));
  const std::wstring runner = L"\"" + ProgramFolder() + L"update_check_runner.exe\" ";
  const ProcessResult blocked = RunProcess(runner + VariantUrl(L"newer"), 120000);
  EXPECT_EQ(static_cast<DWORD>(Result::kOtherCheckRuns), blocked.exitCode);
  EXPECT_EQ(0, CountLines(UpdateDemoSite().RequestLog(), "/ini/newer/"));
  EXPECT_TRUE(first->Stop());

  ClearLastCheck();
  const ProcessResult alone = RunProcess(runner + VariantUrl(L"newer"), 120000);
  EXPECT_EQ(static_cast<DWORD>(Result::kOffered), alone.exitCode);
  EXPECT_EQ(1, CountLines(UpdateDemoSite().RequestLog(), "/ini/newer/"));
}

// A mutex (or anything else) that another program made under the checker's
// name first keeps no check from running; the program's own mutex does.
TEST_F(UpdateCheckerTest, NameTakenByAnotherProgramKeepsNoCheckFromRunning) {
  for (const bool mutex : {true, false}) {
    ClearLastCheck();
    const UniqueKernelHandle squat(mutex ? CreateMutexW(nullptr, FALSE, CUpdateChecker::kMutexName)
                                         : CreateEventW(nullptr, TRUE, FALSE, CUpdateChecker::kMutexName));
    ASSERT_TRUE(squat);
    EXPECT_EQ(Result::kOffered, RunCheck(MakeChecker(VariantUrl(L"newer"))));
  }
}

TEST_F(UpdateCheckerTest, CheckLeavesTheCurrentFolderAlone) {
  wchar_t before[MAX_PATH] = L"", after[MAX_PATH] = L"";
  GetCurrentDirectoryW(MAX_PATH, before);
  const std::wstring folder = MakeScratchFolder("update-current-folder");
  ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
  EXPECT_EQ(Result::kOffered, RunCheck(MakeChecker(VariantUrl(L"newer"))));
  GetCurrentDirectoryW(MAX_PATH, after);
  SetCurrentDirectoryW(before);
  EXPECT_EQ(folder, std::wstring(after));
}

// Nothing listens on port 1: no download starts, and no attempt waits for
// one (three attempts of 20 s each otherwise).
TEST_F(UpdateCheckerTest, DownloadThatCannotStartFailsAtOnce) {
  const DWORD start = GetTickCount();
  EXPECT_EQ(Result::kNoIni, RunCheck(MakeChecker(L"http://127.0.0.1:1/tavo/update.php?v=1,0,0,35")));
  EXPECT_LT(GetTickCount() - start, 10000u);
}

// An INI of more than 1 KB (its version's blanks are trimmed when read) and
// a signed setup of more than 1 MB: past the limit each attempt fails and
// leaves no file, within it the same answers make an offer.
TEST_F(UpdateCheckerTest, DownloadsPastTheirLimitFailAndLeaveNoFile) {
  DemoSite bigIni, bigSetup;
  ASSERT_TRUE(bigIni.Start("--update-version \"1,0,0,36" + std::string(1500, ' ') + "\""));
  const std::wstring setup = MakeScratchFolder("update-big-setup") + L"\\setup.exe";
  ASSERT_TRUE(WriteFileBytes(setup, "MZ" + std::string(1536 * 1024, 'b')));
  ASSERT_TRUE(bigSetup.Start("--update-version 1,0,0,36 --update-variant recorder --setup-program " + UnixPath(setup)));
  const struct {
    DemoSite& site;
    const wchar_t* variable;
    const wchar_t* limit;
    Result result;
  } cases[] = {
      {bigIni, L"TAVORA_UPDATE_INI_LIMIT_KB", L"1", Result::kNoIni},
      {bigIni, L"TAVORA_UPDATE_INI_LIMIT_KB", L"2", Result::kOffered},
      {bigSetup, L"TAVORA_UPDATE_SETUP_LIMIT_MB", L"1", Result::kNoVerifiedSetup},
      {bigSetup, L"TAVORA_UPDATE_SETUP_LIMIT_MB", L"2", Result::kOffered},
  };
  for (const auto& c : cases) {
    ClearLastCheck();
    ScopedEnvironment limit(c.variable, c.limit);
    EXPECT_EQ(c.result, RunCheck(MakeChecker(L"http://" + c.site.HostPort() + L"/tavo/update.php?v=1,0,0,35")))
        << c.variable << "=" << c.limit;
    EXPECT_FALSE(TemporaryIniLeft());
    EXPECT_EQ(c.result == Result::kOffered, !StagedSetups().empty());
  }
}
