// The statistics reports against the demo site, a dead port and a server that
// never answers.
#include "app/entry/install_reporter.h"

#include <gtest/gtest.h>

#include "tests/app/net/silent_server.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

namespace {

const char kInstallLine[] = "GET /tavo/stat/install.php?i=10 HTTP/1.1\n";
const char kUninstallLine[] = "GET /tavo/stat/uninstall.php?i=10 HTTP/1.1\n";

class InstallReporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(0, SharedDemoSite().Port()) << "the demo site did not start";
    SharedDemoSite().ClearLog();
  }
};

}  // namespace

TEST_F(InstallReporterTest, UrlIsTheFullAddressOnTheStatisticsServer) {
  {
    ScopedEnvironment stat(L"TAVORA_STAT_HOST", L"127.0.0.1:8123");
    EXPECT_EQ(L"http://127.0.0.1:8123/tavo/stat/install.php?i=10", CInstallReporter::ReportUrl(1));
    EXPECT_EQ(L"http://127.0.0.1:8123/tavo/stat/uninstall.php?i=10", CInstallReporter::ReportUrl(0));
    EXPECT_EQ(L"", CInstallReporter::ReportUrl(2));
    EXPECT_EQ(L"", CInstallReporter::ReportUrl(-1));
  }
  ScopedEnvironment stat(L"TAVORA_STAT_HOST", L"stats.example.org");
  EXPECT_EQ(L"http://stats.example.org/tavo/stat/install.php?i=10", CInstallReporter::ReportUrl(1));
}

TEST_F(InstallReporterTest, EachKindFetchesItsPageOnce) {
  ScopedEnvironment stat(L"TAVORA_STAT_HOST", SharedDemoSite().HostPort());
  CInstallReporter reporter;
  ASSERT_TRUE(reporter.internetHandle());
  reporter.Report(CInstallReporter::Install);
  EXPECT_EQ(kInstallLine, SharedDemoSite().RequestLog());
  SharedDemoSite().ClearLog();
  reporter.Report(CInstallReporter::Uninstall);
  EXPECT_EQ(kUninstallLine, SharedDemoSite().RequestLog());
  SharedDemoSite().ClearLog();
  reporter.Report(7);
  reporter.Report(-1);
  EXPECT_EQ("", SharedDemoSite().RequestLog());
}

TEST_F(InstallReporterTest, ShutdownClosesOnceAndLaterReportsDoNothing) {
  ScopedEnvironment stat(L"TAVORA_STAT_HOST", SharedDemoSite().HostPort());
  CInstallReporter reporter;
  ASSERT_TRUE(reporter.internetHandle());
  reporter.Shutdown();
  EXPECT_FALSE(reporter.internetHandle());
  reporter.Shutdown();
  reporter.Report(CInstallReporter::Install);
  EXPECT_EQ("", SharedDemoSite().RequestLog());
}

TEST_F(InstallReporterTest, TimeoutComesFromTheEnvironmentWithinBounds) {
  {
    ScopedEnvironment none(L"TAVORA_HTTP_TIMEOUT_MS", L"");
    EXPECT_EQ(30000u, HttpStepTimeoutMs());
  }
  const struct {
    const wchar_t* text;
    DWORD expected;
  } cases[] = {{L"2500", 2500}, {L"1", 1},      {L"600000", 600000}, {L"600001", 30000},
               {L"0", 30000},   {L"-5", 30000}, {L"12ab", 30000},    {L"99999999999999999999", 30000},
               {L" 100", 30000}};
  for (const auto& c : cases) {
    ScopedEnvironment timeout(L"TAVORA_HTTP_TIMEOUT_MS", c.text);
    EXPECT_EQ(c.expected, HttpStepTimeoutMs()) << c.text;
  }
  ScopedEnvironment timeout(L"TAVORA_HTTP_TIMEOUT_MS", L"4321");
  CInstallReporter reporter;
  ASSERT_TRUE(reporter.internetHandle());
  DWORD value = 0;
  DWORD size = sizeof(value);
  ASSERT_TRUE(InternetQueryOptionW(reporter.internetHandle().get(), INTERNET_OPTION_CONNECT_TIMEOUT, &value, &size));
  EXPECT_EQ(4321u, value);
  // Not every WinINet keeps the send and receive time-outs on the root handle
  // (Wine does not); where it does, they are the same.
  for (DWORD option : {INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    value = 0;
    size = sizeof(value);
    if (InternetQueryOptionW(reporter.internetHandle().get(), option, &value, &size)) {
      EXPECT_EQ(4321u, value) << option;
    }
  }
}

TEST_F(InstallReporterTest, DeadServerIsIgnoredQuickly) {
  ScopedEnvironment stat(L"TAVORA_STAT_HOST", L"127.0.0.1:1");
  ScopedEnvironment timeout(L"TAVORA_HTTP_TIMEOUT_MS", L"3000");
  const DWORD start = GetTickCount();
  CInstallReporter reporter;
  reporter.Report(CInstallReporter::Install);
  reporter.Shutdown();
  EXPECT_LT(GetTickCount() - start, 15000u);
}

TEST_F(InstallReporterTest, SilentServerIsGivenUpAfterTheTimeoutAndSawTheRequest) {
  SilentServer server;
  ASSERT_NE(0, server.Port());
  ScopedEnvironment stat(L"TAVORA_STAT_HOST", server.HostPort());
  ScopedEnvironment timeout(L"TAVORA_HTTP_TIMEOUT_MS", L"1500");
  const DWORD start = GetTickCount();
  CInstallReporter reporter;
  reporter.Report(CInstallReporter::Uninstall);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 1000u);  // it did wait for an answer
  EXPECT_LT(elapsed, 2 * 1500u + 2000u);
  const std::string request = server.Received();
  EXPECT_EQ(0u, request.find("GET /tavo/stat/uninstall.php?i=10 HTTP/1.1\r\n")) << request;
  EXPECT_NE(std::string::npos, request.find("\r\nUser-Agent: KAVRO Gather\r\n")) << request;
  EXPECT_NE(std::string::npos, request.find("\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"))
      << request;
  // PRAGMA_NOCACHE asks any cache on the way for a fresh answer.
  EXPECT_NE(std::string::npos, request.find("no-cache")) << request;
}

// A report given up on leaves nothing waiting on the server: its request
// carries its own time-outs, so the connection ends within one of them.
TEST_F(InstallReporterTest, AReportGivenUpLeavesNoConnectionBehind) {
  SilentServer server;
  ASSERT_NE(0, server.Port());
  ScopedEnvironment stat(L"TAVORA_STAT_HOST", server.HostPort());
  ScopedEnvironment timeout(L"TAVORA_HTTP_TIMEOUT_MS", L"1500");
  {
    CInstallReporter reporter;
    reporter.Report(CInstallReporter::Install);
    reporter.Shutdown();
  }
  EXPECT_EQ(1, server.Connections());
  EXPECT_TRUE(PumpUntil([&] { return server.OpenConnections() == 0; }, 3000));
}
