#include "app/net/station_source.h"

#include <gtest/gtest.h>

#include <string>

#include "skin/resources/text_encoding.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

namespace {

std::string ShippedText() { return ReadFileBytes(SourcePath("res/stations.txt")); }

size_t ShippedCount() {
  StationList list;
  EXPECT_TRUE(StationList::Parse(ShippedText(), list));
  return list.Size();
}

}  // namespace

// The site's list reads whole, byte for byte the shipped one; its damaged,
// oversized and missing variants give no list though the site answered.
TEST(FetchStationList, ReadsTheSitesListAndRefusesBrokenOnes) {
  ASSERT_NE(0, SharedDemoSite().Port());
  CHttpPageClient client(SharedDemoSite().HostPort().c_str());
  const StationFetch good = FetchStationList(client);
  EXPECT_TRUE(good.answered);
  ASSERT_TRUE(good.hasList);
  EXPECT_EQ(ShippedText(), good.text);
  EXPECT_EQ(ShippedCount(), good.list.Size());
  for (const char* variant : {"fault-damaged", "fault-large", "FAULT-MISSING"}) {
    const StationFetch broken = FetchStationList(client, std::string(kStationListPath) + "?v=" + variant);
    EXPECT_TRUE(broken.answered) << variant;
    EXPECT_FALSE(broken.hasList) << variant;
    EXPECT_TRUE(broken.text.empty()) << variant;
    EXPECT_TRUE(broken.list.Empty()) << variant;
  }
  CHttpPageClient dead(L"127.0.0.1:1");
  const StationFetch none = FetchStationList(dead);
  EXPECT_FALSE(none.answered);
  EXPECT_FALSE(none.hasList);
}

class StationStoreTest : public testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }

  // Writes the stored list's value as it is kept: REG_BINARY bytes.
  static void WriteList(const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"List", 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                                            static_cast<DWORD>(bytes.size())));
    RegCloseKey(key);
  }

  static constexpr wchar_t kKey[] = L"Software\\Tavora\\Tests\\Stations";
  static constexpr char kSmallList[] = "tavora-stations 1\n北京|beijing|bj|1\n上海|shanghai|sh|2\n";
  const TravelDate today_{2026, 12, 8};
};

TEST_F(StationStoreTest, KeepsTheListWithItsDayAndRefreshesOnceADay) {
  EXPECT_FALSE(ReadStoredStations(kKey).hasList);
  EXPECT_TRUE(StationRefreshDue(kKey, today_));
  ASSERT_TRUE(StoreStations(kKey, kSmallList, today_));
  StoredStations stored = ReadStoredStations(kKey);
  ASSERT_TRUE(stored.hasList);
  EXPECT_EQ(2u, stored.list.Size());
  EXPECT_EQ(L"上海", stored.list.Stations()[1].name);
  EXPECT_EQ(L"2026-12-08", stored.fetchedDay);
  EXPECT_FALSE(StationRefreshDue(kKey, today_));
  EXPECT_TRUE(StationRefreshDue(kKey, {2026, 12, 9}));
  EXPECT_TRUE(StationRefreshDue(kKey, {2025, 12, 8}));
  EXPECT_EQ(2u, LoadStationList(kKey).Size());

  // A list that does not read keeps the stored one; only the day moves on.
  ASSERT_TRUE(StoreStations(kKey, "tavora-stations 1\n北京|beijing|b|1\n", {2026, 12, 9}));
  stored = ReadStoredStations(kKey);
  EXPECT_TRUE(stored.hasList);
  EXPECT_EQ(2u, stored.list.Size());
  EXPECT_EQ(L"2026-12-09", stored.fetchedDay);
  EXPECT_FALSE(StationRefreshDue(kKey, {2026, 12, 9}));
}

TEST_F(StationStoreTest, FallsBackToTheBuiltInListWhenTheStoredOneDoesNotRead) {
  const size_t shipped = ShippedCount();
  ASSERT_EQ(shipped, EmbeddedStationList().Size());
  EXPECT_EQ(shipped, LoadStationList(kKey).Size());  // nothing stored

  std::string large = kSmallList;
  large.resize(kMaxStationListBytes, '\n');
  WriteList(large);
  EXPECT_TRUE(ReadStoredStations(kKey).hasList);  // at the bound: read
  EXPECT_EQ(2u, LoadStationList(kKey).Size());

  for (const std::string& bad :
       {std::string(kSmallList) + "北京|beijing|bj|3\n", std::string("\xFF\xFE\x00\x01", 4), large + "\n"}) {
    WriteList(bad);
    EXPECT_FALSE(ReadStoredStations(kKey).hasList) << bad.size();
    const StationList loaded = LoadStationList(kKey);
    EXPECT_EQ(shipped, loaded.Size()) << bad.size();
    EXPECT_NE(nullptr, loaded.Find(L"六安"));
  }
}
