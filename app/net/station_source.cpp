#include "app/net/station_source.h"

#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "app/platform/registry.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/text_encoding.h"

namespace {

constexpr unsigned kStationListResource = 1;
constexpr wchar_t kListValue[] = L"List";
constexpr wchar_t kFetchedValue[] = L"Fetched";
// "2026-12-08" and its terminating zero.
constexpr size_t kDayChars = 10;

bool ReadDay(HKEY key, std::wstring& day) {
  wchar_t buffer[kDayChars + 2] = {};
  DWORD type = 0;
  DWORD size = sizeof(buffer) - sizeof(wchar_t);
  if (RegQueryValueExW(key, kFetchedValue, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
      type != REG_SZ || size != (kDayChars + 1) * sizeof(wchar_t))
    return false;
  day.assign(buffer, kDayChars);
  return true;
}

}  // namespace

StationList EmbeddedStationList() {
  StationList list;
  std::string bytes;
  if (LoadModuleResource(kStationListResource, bytes, L"STATIONS")) StationList::Parse(bytes, list);
  return list;
}

StoredStations ReadStoredStations(const std::wstring& key) {
  StoredStations stored;
  const UniqueRegistryKey opened = OpenRegistryKey(HKEY_CURRENT_USER, key.c_str(), KEY_QUERY_VALUE);
  if (!opened) return stored;
  ReadDay(opened.get(), stored.fetchedDay);
  std::string bytes;
  if (ReadRegistryBytes(opened.get(), kListValue, kMaxStationListBytes, bytes))
    stored.hasList = StationList::Parse(bytes, stored.list);
  return stored;
}

StationList LoadStationList(const std::wstring& key) {
  StoredStations stored = ReadStoredStations(key);
  return stored.hasList ? std::move(stored.list) : EmbeddedStationList();
}

bool StationRefreshDue(const std::wstring& key, const TravelDate& today) {
  std::wstring day;
  const UniqueRegistryKey opened = OpenRegistryKey(HKEY_CURRENT_USER, key.c_str(), KEY_QUERY_VALUE);
  return !opened || !ReadDay(opened.get(), day) || day != FormatTravelDate(today);
}

bool StoreStations(const std::wstring& key, const std::string& text, const TravelDate& today) {
  const UniqueRegistryKey opened = CreateRegistryKey(HKEY_CURRENT_USER, key.c_str(), KEY_SET_VALUE);
  if (!opened) return false;
  StationList check;
  bool written = true;
  if (StationList::Parse(text, check)) written = WriteRegistryBytes(opened.get(), kListValue, text);
  return WriteRegistryString(opened.get(), kFetchedValue, FormatTravelDate(today)) && written;
}

StationFetch FetchStationList(CHttpPageClient& client, const std::string& path) {
  StationFetch fetch;
  try {
    const std::wstring page = client.Get(path, kCodePageUtf8);
    fetch.answered = !page.empty() || client.lastFailure() == PageFailure::BadAnswer;
    if (page.size() > kMaxStationListBytes) return fetch;
    fetch.text = WideToUtf8(page);
    fetch.hasList = StationList::Parse(fetch.text, fetch.list);
    if (!fetch.hasList) fetch.text.clear();
  } catch (const std::bad_alloc&) {
    fetch = StationFetch();
  } catch (const std::length_error&) {
    fetch = StationFetch();
  }
  return fetch;
}
