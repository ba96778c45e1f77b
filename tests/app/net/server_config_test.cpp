#include "app/net/server_config.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

TEST(ParseServerAddress, TakesHostAndOptionalPort) {
  ServerAddress address;
  ASSERT_TRUE(ParseServerAddress(L"example.net", address));
  EXPECT_EQ(L"example.net", address.host);
  EXPECT_EQ(80, address.port);
  EXPECT_EQ(L"example.net", address.HostPort());

  ASSERT_TRUE(ParseServerAddress(L"  127.0.0.1:8080 ", address));
  EXPECT_EQ(L"127.0.0.1", address.host);
  EXPECT_EQ(8080, address.port);
  EXPECT_EQ(L"127.0.0.1:8080", address.HostPort());
  ASSERT_TRUE(ParseServerAddress(L"a-b_c.d:65535", address));
  EXPECT_EQ(65535, address.port);
}

TEST(ParseServerAddress, RefusesBadValuesAndKeepsTheOldOne) {
  const wchar_t* bad[] = {L"", L"  ", L":80", L"host:", L"host:0", L"host:65536", L"host:12x", L"host:-1",
                          L"ho st", L"host/path", L"http://host", L"host:123456", L"主机"};
  for (const wchar_t* text : bad) {
    ServerAddress address{L"keep", 81};
    EXPECT_FALSE(ParseServerAddress(text, address)) << text;
    EXPECT_EQ(L"keep", address.host);
    EXPECT_EQ(81, address.port);
  }
}

TEST(GetServerAddress, EnvironmentBeatsIniBeatsDefault) {
  const std::wstring ini = ServerConfigPath();
  ASSERT_FALSE(ini.empty());
  EXPECT_EQ(ProgramFolder() + L"tavora.ini", ini);

  ScopedEnvironment clear(L"TAVORA_STAT_HOST", L"");
  const ServerAddress builtIn = GetServerAddress(ServerKind::Statistics);
  EXPECT_FALSE(builtIn.host.empty());
  EXPECT_EQ(80, builtIn.port);

  ASSERT_TRUE(WriteFileBytes(ini, "[Servers]\r\nStatistics=stats.example:8081\r\n"));
  ServerAddress fromIni = GetServerAddress(ServerKind::Statistics);
  {
    ScopedEnvironment env(L"TAVORA_STAT_HOST", L"127.0.0.1:9");
    const ServerAddress fromEnvironment = GetServerAddress(ServerKind::Statistics);
    EXPECT_EQ(L"127.0.0.1", fromEnvironment.host);
    EXPECT_EQ(9, fromEnvironment.port);
  }
  {
    // A broken value is ignored: the next source down holds.
    ScopedEnvironment env(L"TAVORA_STAT_HOST", L"bad host");
    EXPECT_EQ(L"stats.example", GetServerAddress(ServerKind::Statistics).host);
  }
  DeleteFileW(ini.c_str());
  EXPECT_EQ(L"stats.example", fromIni.host);
  EXPECT_EQ(8081, fromIni.port);
  EXPECT_EQ(builtIn.host, GetServerAddress(ServerKind::Statistics).host);
}

TEST(GetServerAddress, EachServerHasItsOwnDefault) {
  ScopedEnvironment a(L"TAVORA_QUERY_HOST", L"");
  ScopedEnvironment b(L"TAVORA_UPDATE_HOST", L"");
  ScopedEnvironment c(L"TAVORA_STAT_HOST", L"");
  const std::wstring query = GetServerAddress(ServerKind::Query).host;
  const std::wstring update = GetServerAddress(ServerKind::Update).host;
  const std::wstring stats = GetServerAddress(ServerKind::Statistics).host;
  EXPECT_NE(query, update);
  EXPECT_NE(update, stats);
  EXPECT_NE(query, stats);
}
