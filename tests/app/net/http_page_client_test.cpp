#include "app/net/http_page_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/core/query_request.h"
#include "app/core/result_page.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

namespace {

const std::string kBeijingShanghai = BuildQueryPath(L"北京", L"上海");

class PageClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(0, site().Port()) << "the demo site did not start";
    site().ClearLog();
  }
  static DemoSite& site() { return SharedDemoSite(); }
  CHttpPageClient client_{SharedDemoSite().HostPort().c_str()};
};

size_t CountLines(const std::string& log) {
  size_t n = 0;
  for (char c : log) n += c == '\n';
  return n;
}

}  // namespace

TEST_F(PageClientTest, FetchesAndDecodesAUtf8Page) {
  ASSERT_TRUE(client_.connected());
  const std::wstring page = client_.Get(kBeijingShanghai, 65001);
  EXPECT_NE(std::wstring::npos, page.find(L"<html")) << "no page";
  EXPECT_NE(std::wstring::npos, page.find(L"北京"));
  EXPECT_NE(std::wstring::npos, page.find(L"上海"));
  // The request went out with the raw UTF-8 bytes of the names.
  EXPECT_EQ("GET " + kBeijingShanghai + " HTTP/1.1\n", site().RequestLog());
}

TEST_F(PageClientTest, TwoGetsAreTwoRequests) {
  EXPECT_FALSE(client_.Get(kBeijingShanghai, 65001).empty());
  EXPECT_FALSE(client_.Get(std::wstring(L"/Default.aspx?A=南京&B=杭州&C=&D=1&S=0"), 65001).empty());
  const std::string log = site().RequestLog();
  EXPECT_EQ(2u, CountLines(log));
  EXPECT_NE(std::string::npos, log.find("A=\xE5\x8D\x97\xE4\xBA\xAC&B=\xE6\x9D\xAD\xE5\xB7\x9E"));
}

TEST_F(PageClientTest, FailuresGiveAnEmptyPage) {
  EXPECT_EQ(L"", client_.Get("/fault/404" + kBeijingShanghai, 65001));
  EXPECT_EQ(L"", client_.Get("/fault/zero" + kBeijingShanghai, 65001));
  // Without a Content-Length nothing is read, even though a body came.
  EXPECT_EQ(L"", client_.Get("/fault/chunked" + kBeijingShanghai, 65001));
  // An absurd announced length is refused rather than allocated, and an
  // endless body without a length is not read.
  EXPECT_EQ(L"", client_.Get("/fault/hugelen" + kBeijingShanghai, 65001));
  EXPECT_EQ(L"", client_.Get("/fault/endless" + kBeijingShanghai, 65001));
  EXPECT_EQ(L"", client_.Get(std::string("/no/such/page"), 65001));
  // The client still works after all of that.
  EXPECT_FALSE(client_.Get(kBeijingShanghai, 65001).empty());
}

TEST_F(PageClientTest, FollowsRedirectsOnlyOnItsOwnHostAndPortAndOnlyAFew) {
  const std::wstring whole = client_.Get(kBeijingShanghai, 65001);
  ASSERT_FALSE(whole.empty());
  std::string sixHops;
  for (int hop = 0; hop < 6; ++hop) sixHops += "/fault/redirect";
  const struct {
    std::string prefix;
    bool followed;
    size_t requests;  // on the site, both of its addresses
  } cases[] = {
      {"/fault/redirect", true, 2},
      {sixHops.substr(0, 5 * 15), true, 6},
      {sixHops, false, 6},
      {"/fault/offsite", false, 1},  // 127.0.0.1 to 127.0.0.2
  };
  for (const auto& c : cases) {
    site().ClearLog();
    EXPECT_EQ(c.followed ? whole : L"", client_.Get(c.prefix + kBeijingShanghai, 65001)) << c.prefix;
    EXPECT_EQ(c.requests, CountLines(site().RequestLog())) << c.prefix;
  }
}

// The whole answer has a deadline, however steadily its bytes trickle in.
TEST(PageClient, AnswerThatTricklesInEndsAtTheDeadline) {
  ScopedEnvironment deadline(L"TAVORA_HTTP_DEADLINE_MS", L"2000");
  CHttpPageClient client(SharedDemoSite().HostPort().c_str());
  client.SetTimeout(5000);  // every step is well within this
  for (const char* fault : {"/fault/drip", "/fault/slowhead"}) {
    const DWORD start = GetTickCount();
    EXPECT_EQ(L"", client.Get(fault + kBeijingShanghai, 65001)) << fault;
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 1900u) << fault;
    EXPECT_LT(elapsed, 3500u) << fault;
  }
}

TEST(PageClient, DeadServerGivesAnEmptyPage) {
  // Port 1 on the loopback address: nothing listens there.
  CHttpPageClient client(L"127.0.0.1:1");
  client.SetTimeout(2000);
  EXPECT_EQ(L"", client.Get(std::string("/Default.aspx?A=a&B=b&C=&D=1&S=0"), 65001));
}

TEST(PageClient, GetAfterCloseReconnectsToTheDefaultHost) {
  ASSERT_NE(0, SharedDemoSite().Port());
  // The default host is the configured query host: the demo site here. The
  // client itself is first connected to a dead port, which Close forgets.
  ScopedEnvironment queryHost(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  CHttpPageClient client(L"127.0.0.1:1");
  client.SetTimeout(2000);
  SharedDemoSite().ClearLog();
  for (int round = 0; round < 2; ++round) {
    client.Close();
    EXPECT_FALSE(client.connected()) << round;
    const std::wstring page = client.Get(kBeijingShanghai, 65001);
    EXPECT_NE(std::wstring::npos, page.find(L"北京")) << round;
    EXPECT_TRUE(client.connected()) << round;
  }
  EXPECT_EQ("GET " + kBeijingShanghai + " HTTP/1.1\nGET " + kBeijingShanghai + " HTTP/1.1\n",
            SharedDemoSite().RequestLog());
}

TEST(PageClient, ConnectAfterCloseUsesTheNamedHost) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment queryHost(L"TAVORA_QUERY_HOST", L"127.0.0.1:1");
  CHttpPageClient client(SharedDemoSite().HostPort().c_str());
  client.Close();
  ASSERT_TRUE(client.Connect(SharedDemoSite().HostPort().c_str()));
  EXPECT_TRUE(client.connected());
  EXPECT_TRUE(client.internetHandle());
  EXPECT_TRUE(client.connectHandle());
  EXPECT_FALSE(client.Get(kBeijingShanghai, 65001).empty());
}

TEST(PageClient, CloseTwiceIsHarmless) {
  CHttpPageClient client(L"127.0.0.1:1");
  client.Close();
  client.Close();
  EXPECT_FALSE(client.internetHandle());
  EXPECT_FALSE(client.connectHandle());
  EXPECT_FALSE(client.connected());
}

// Cancel from another thread ends a Get at once, whether it waits for more of
// a slowly sent body or for the headers of a server that never answers, and
// the client sends nothing afterwards.
TEST(PageClient, CancelEndsAGetAtOnceAndEveryLaterGet) {
  for (const char* fault : {"/fault/trickle", "/fault/hang"}) {
    CHttpPageClient client(SharedDemoSite().HostPort().c_str());
    SharedDemoSite().ClearLog();
    std::wstring page = L"not yet";
    std::atomic<bool> finished{false};
    std::thread reader([&] {
      page = client.Get(fault + BuildQueryPath(L"fault-rows-3000", L"x"), 65001);
      finished = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return SharedDemoSite().RequestLog().find(fault) != std::string::npos; }, 10000));
    Sleep(300);
    EXPECT_FALSE(finished) << fault;
    client.Cancel();
    const bool ended = PumpUntil([&] { return finished.load(); }, 1000);
    reader.join();
    EXPECT_TRUE(ended) << fault << ": the Get went on after Cancel";
    EXPECT_EQ(L"", page) << fault;
    EXPECT_TRUE(client.cancelled()) << fault;

    SharedDemoSite().ClearLog();
    EXPECT_EQ(L"", client.Get(kBeijingShanghai, 65001)) << fault;
    EXPECT_EQ("", SharedDemoSite().RequestLog()) << fault;
  }
}

TEST(PageClient, CancelWithoutARequestOnlyRefusesLaterGets) {
  CHttpPageClient client(SharedDemoSite().HostPort().c_str());
  client.Cancel();
  client.Cancel();
  SharedDemoSite().ClearLog();
  EXPECT_EQ(L"", client.Get(kBeijingShanghai, 65001));
  EXPECT_EQ("", SharedDemoSite().RequestLog());
}
