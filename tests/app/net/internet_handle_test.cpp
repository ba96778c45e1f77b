#include "app/net/internet_handle.h"

#include <gtest/gtest.h>

#include "tests/support/demo_site.h"
#include "tests/support/ownership_checks.h"

namespace {

bool InternetAlive(HINTERNET handle) {
  DWORD type = 0;
  DWORD size = sizeof(type);
  return InternetQueryOptionW(handle, INTERNET_OPTION_HANDLE_TYPE, &type, &size) != FALSE;
}

HINTERNET NewRoot() { return InternetOpenW(L"tavora-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0); }

DWORD QueryTimeout(HINTERNET handle, DWORD option) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  return InternetQueryOptionW(handle, option, &value, &size) ? value : 0;
}

}  // namespace

TEST(InternetHandle, LivesExactlyAsLongAsItsLastOwner) {
  CheckOwnership(HandleKind<InternetHandleTraits>{"root handle", NewRoot, InternetAlive});
}

TEST(InternetHandle, ConnectionOwnerClosesBeforeItsRoot) {
  InternetHandle root(NewRoot());
  ASSERT_TRUE(root);
  InternetHandle connection(
      InternetConnectW(root.get(), L"127.0.0.1", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  ASSERT_TRUE(connection);
  const HINTERNET connectionHandle = connection.get();
  connection.reset();
  EXPECT_FALSE(InternetAlive(connectionHandle));
  EXPECT_TRUE(InternetAlive(root.get()));
}

TEST(InternetHandle, TimeoutsAreSetOnEveryKindOfHandle) {
  ASSERT_NE(0, SharedDemoSite().Port());
  InternetHandle root(NewRoot());
  ASSERT_TRUE(root);
  InternetHandle connection(InternetConnectW(root.get(), L"127.0.0.1", SharedDemoSite().Port(), nullptr, nullptr,
                                             INTERNET_SERVICE_HTTP, 0, 0));
  ASSERT_TRUE(connection);
  InternetHandle request(HttpOpenRequestA(connection.get(), "GET", "/", nullptr, nullptr, nullptr, 0, 0));
  ASSERT_TRUE(request);

  const struct {
    const char* name;
    HINTERNET handle;
    DWORD milliseconds;
  } cases[] = {
      {"root", root.get(), 1234},
      {"connection", connection.get(), 2345},
      {"request", request.get(), 3456},
  };
  // Not every WinINet lets the send and receive time-outs be read back (Wine
  // does not); the connect time-out can be everywhere.
  for (const auto& c : cases) {
    SetInternetTimeouts(c.handle, c.milliseconds);
    EXPECT_EQ(c.milliseconds, QueryTimeout(c.handle, INTERNET_OPTION_CONNECT_TIMEOUT)) << c.name;
  }
  SetInternetTimeouts(nullptr, 1000);  // nothing to set: no effect, no failure
}
