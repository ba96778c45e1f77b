#include "app/window/station_catalog.h"

#include <utility>

CStationCatalog::CStationCatalog(const wchar_t* queryHost, std::wstring key, std::string path)
    : key_(std::move(key)), path_(std::move(path)), session_(std::make_shared<QuerySession>(queryHost)) {}

CStationCatalog::~CStationCatalog() { Close(); }

void CStationCatalog::Start(const TravelDate& today) {
  list_ = key_.empty() ? EmbeddedStationList() : LoadStationList(key_);
  if (key_.empty() || !StationRefreshDue(key_, today)) return;
  worker_.Start([session = session_, path = path_] { return FetchStationList(session->queryClient, path); },
                [this, today](StationFetch fetch) { OnFetched(std::move(fetch), today); });
}

void CStationCatalog::Close() {
  session_->Close();
  worker_.Close(kWorkerJoinMs);
}

void CStationCatalog::OnFetched(StationFetch fetch, const TravelDate& today) {
  // A site that could not be reached is asked again at the next start; one
  // that answered, with a list or not, only on the next day.
  if (fetch.answered) StoreStations(key_, fetch.text, today);
  if (fetch.hasList) list_ = std::move(fetch.list);
  if (refreshed_) refreshed_();
}
