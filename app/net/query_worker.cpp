#include "app/net/query_worker.h"

#include <new>
#include <stdexcept>
#include <utility>

#include "app/core/result_page.h"
#include "app/net/query_session.h"
#include "skin/resources/text_encoding.h"

QueryOutcome RunQuery(CHttpPageClient& client, const QueryStations& query, std::vector<TicketRow>& rows,
                      std::wstring& message) {
  if (query.from.empty() || query.to.empty()) return QueryOutcome::MissingStation;

  std::wstring page = client.Get(BuildQueryPath(query.from, query.to, query.date), kCodePageUtf8);
  if (page.empty()) return QueryOutcome::NoPage;

  switch (ParseResultPage(RepairMarkup(std::move(page)), rows, message)) {
    case ResultPage::NoTable:
      return message.empty() ? QueryOutcome::NoResultTable : QueryOutcome::SiteMessage;
    case ResultPage::TooLarge:
      return QueryOutcome::PageTooLarge;
    case ResultPage::Rows:
      break;
  }
  return QueryOutcome::RowsReplaced;
}

QueryResult QueryWorker(CHttpPageClient& client, const QueryStations& stations) {
  QueryResult result;
  // A query that runs out of memory has failed: what it held is freed on the
  // way out, and the window goes on with the rows it had.
  try {
    result.outcome = RunQuery(client, stations, result.rows, result.message);
  } catch (const std::bad_alloc&) {
    result = QueryResult{QueryOutcome::OutOfMemory, {}, PageFailure::None, {}, {}};
  } catch (const std::length_error&) {
    result = QueryResult{QueryOutcome::OutOfMemory, {}, PageFailure::None, {}, {}};
  }
  if (result.outcome != QueryOutcome::RowsReplaced) result.rows.clear();
  if (result.outcome != QueryOutcome::SiteMessage) result.message.clear();
  if (result.outcome == QueryOutcome::NoPage) result.failure = client.lastFailure();
  result.stations = stations;
  return result;
}

MoveOnlyFunction<QueryResult()> QueryJob(std::shared_ptr<QuerySession> session, QueryStations stations) {
  return [session = std::move(session), stations = std::move(stations)] {
    return QueryWorker(session->queryClient, stations);
  };
}
