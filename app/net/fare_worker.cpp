#include "app/net/fare_worker.h"

#include <new>
#include <stdexcept>
#include <utility>

#include "app/core/result_page.h"
#include "app/net/query_session.h"
#include "skin/resources/text_encoding.h"

FareOutcome RunFareQuery(CHttpPageClient& client, const QueryStations& query, std::vector<FareRow>& rows,
                         std::wstring& message) {
  if (query.from.empty() || query.to.empty()) return FareOutcome::MissingStation;

  std::wstring page = client.Get(BuildFarePath(query.from, query.to, query.date), kCodePageUtf8);
  if (page.empty()) return FareOutcome::NoPage;

  switch (ParseFarePage(RepairMarkup(std::move(page)), rows, message)) {
    case FarePage::NoTable:
      return message.empty() ? FareOutcome::NoResultTable : FareOutcome::SiteMessage;
    case FarePage::TooLarge:
      return FareOutcome::PageTooLarge;
    case FarePage::Rows:
      break;
  }
  return FareOutcome::RowsReplaced;
}

FareResult FareWorker(CHttpPageClient& client, const QueryStations& stations) {
  FareResult result;
  // As in QueryWorker: running out of memory fails this query only.
  try {
    result.outcome = RunFareQuery(client, stations, result.rows, result.message);
  } catch (const std::bad_alloc&) {
    result = FareResult{FareOutcome::OutOfMemory, {}, PageFailure::None, {}, {}};
  } catch (const std::length_error&) {
    result = FareResult{FareOutcome::OutOfMemory, {}, PageFailure::None, {}, {}};
  }
  if (result.outcome != FareOutcome::RowsReplaced) result.rows.clear();
  if (result.outcome != FareOutcome::SiteMessage) result.message.clear();
  if (result.outcome == FareOutcome::NoPage) result.failure = client.lastFailure();
  result.stations = stations;
  return result;
}

MoveOnlyFunction<FareResult()> FareJob(std::shared_ptr<QuerySession> session, QueryStations stations) {
  return [session = std::move(session), stations = std::move(stations)] {
    return FareWorker(session->queryClient, stations);
  };
}
