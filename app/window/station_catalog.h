// The station list the window's station boxes complete from: the copy of the
// query site's list kept per user, or the program's own, and once a day a
// fresh copy from the site, fetched on a thread of its own.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/core/station_list.h"
#include "app/core/travel_date.h"
#include "app/net/query_session.h"
#include "app/net/station_source.h"
#include "app/platform/worker_slot.h"

class CStationCatalog {
 public:
  // How long closing the window waits for a fetch still running.
  static constexpr DWORD kWorkerJoinMs = 500;

  // `queryHost` is the query site ("host[:port]"; null: the configured one).
  // `key` is where the site's list is kept under HKEY_CURRENT_USER: empty
  // keeps nothing and never asks the site. `path` is the list's path there.
  CStationCatalog(const wchar_t* queryHost, std::wstring key, std::string path = kStationListPath);
  ~CStationCatalog();
  CStationCatalog(const CStationCatalog&) = delete;
  CStationCatalog& operator=(const CStationCatalog&) = delete;

  // Reads the kept list (the program's own when there is none that reads
  // whole) and, unless the site was asked on `today` already, asks it for
  // its list. Call on the user-interface thread.
  void Start(const TravelDate& today);
  // Ends a fetch in progress; its answer is dropped.
  void Close();

  const StationList& List() const { return list_; }
  bool Refreshing() const { return worker_.Running(); }
  // Runs after each fetch has been handled (the list may have changed).
  void SetRefreshed(std::function<void()> refreshed) { refreshed_ = std::move(refreshed); }

 private:
  void OnFetched(StationFetch fetch, const TravelDate& today);

  std::wstring key_;
  std::string path_;
  StationList list_;
  std::shared_ptr<QuerySession> session_;
  WorkerSlot worker_;
  std::function<void()> refreshed_;
};
