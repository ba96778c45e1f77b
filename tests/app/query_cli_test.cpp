// Runs the built tavora-query program against the demo site.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

namespace {

std::wstring Command(const std::wstring& arguments) {
  return L"\"" + ProgramFolder() + L"..\\..\\app\\tavora-query.exe\" " + arguments;
}

}  // namespace

TEST(QueryCli, PrintsTheTrainsAsUtf8Table) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  const ProcessResult result = RunProcess(Command(L"北京 上海"), 60000);
  ASSERT_EQ(0u, result.exitCode) << result.err;
  EXPECT_EQ("", result.err);
  // UTF-8 bytes of the header and of station names.
  EXPECT_EQ(0u, result.out.find("\xE8\xBD\xA6\xE6\xAC\xA1"));  // 车次
  EXPECT_NE(std::string::npos, result.out.find("\xE5\x8C\x97\xE4\xBA\xAC"));  // 北京
  const size_t lines = std::count(result.out.begin(), result.out.end(), '\n');
  EXPECT_GE(lines, 26u);  // header and at least 25 trains
}

TEST(QueryCli, ExplainsWhyNothingCameBack) {
  ASSERT_NE(0, SharedDemoSite().Port());
  {
    ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
    const ProcessResult unknown = RunProcess(Command(L"北京 不存在站"), 60000);
    EXPECT_EQ(1u, unknown.exitCode);
    EXPECT_EQ("", unknown.out);
    EXPECT_NE(std::string::npos, unknown.err.find("no trains"));
    EXPECT_EQ(1, std::count(unknown.err.begin(), unknown.err.end(), '\n'));

    const ProcessResult usage = RunProcess(Command(L"北京"), 60000);
    EXPECT_EQ(2u, usage.exitCode);
    EXPECT_NE(std::string::npos, usage.err.find("usage"));
  }
  ScopedEnvironment dead(L"TAVORA_QUERY_HOST", L"127.0.0.1:1");
  const ProcessResult down = RunProcess(Command(L"北京 上海"), 60000);
  EXPECT_EQ(1u, down.exitCode);
  EXPECT_NE(std::string::npos, down.err.find("no result page from 127.0.0.1:1"));
}

// Pages built to reach the parser's recursion or its per-attribute scan end
// like any broken page: no table, no crash, exit code 1.
TEST(QueryCli, HostilePagesEndLikeBrokenOnes) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  for (const wchar_t* departure : {L"fault-deep", L"fault-hiddenDeep", L"fault-attributes"}) {
    SCOPED_TRACE(testing::Message() << static_cast<const void*>(departure));
    const ProcessResult result = RunProcess(Command(std::wstring(departure) + L" 上海"), 60000);
    EXPECT_EQ(1u, result.exitCode) << result.err;
    EXPECT_EQ("", result.out);
    EXPECT_NE(std::string::npos, result.err.find("held no result table")) << result.err;
    EXPECT_EQ(std::string::npos, result.err.find("Unhandled")) << result.err;
  }
}
