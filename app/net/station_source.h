// Where the station list comes from: the program's own (resource 1 of type
// STATIONS) or the copy of the query site's list kept per user in the
// registry with the day it was fetched, refreshed at most once a day.
#pragma once

#include <memory>
#include <string>

#include "app/core/station_list.h"
#include "app/core/travel_date.h"
#include "app/net/http_page_client.h"
#include "app/platform/move_only_function.h"

// The key the program keeps the site's list under (HKEY_CURRENT_USER).
constexpr wchar_t kStationListKey[] = L"Software\\Tavora\\Stations";
// The path of the list on the query site.
constexpr char kStationListPath[] = "/stations.txt";

// The list built into the program; empty when the resource is missing or
// damaged.
StationList EmbeddedStationList();

// What the store under `key` holds: the list (true when it reads whole) and
// the day of the last fetch ("2026-12-08"; empty when none is stored).
struct StoredStations {
  bool hasList = false;
  StationList list;
  std::wstring fetchedDay;
};
StoredStations ReadStoredStations(const std::wstring& key);
// The stored list when it reads whole, otherwise the built-in one.
StationList LoadStationList(const std::wstring& key);
// Whether the store under `key` was last fetched on another day than
// `today` (or never).
bool StationRefreshDue(const std::wstring& key, const TravelDate& today);
// Keeps `text` (a list that reads whole; otherwise only the day is kept) as
// fetched on `today`. False when the store could not be written.
bool StoreStations(const std::wstring& key, const std::string& text, const TravelDate& today);

// One fetch of the site's list.
struct StationFetch {
  bool answered = false;  // the site sent a page (a list or not)
  bool hasList = false;   // the page is a list that reads whole
  std::string text;       // the list's text when it does
  StationList list;
};
// Fetches `path` (the site's list) and reads it; never throws (running out of
// memory is a fetch without a list).
StationFetch FetchStationList(CHttpPageClient& client, const std::string& path = kStationListPath);
