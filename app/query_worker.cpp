#include "app/query_worker.h"

#include <new>
#include <stdexcept>
#include <utility>

#include "app/query_session.h"
#include "app/result_page.h"
#include "app/worker_thread.h"
#include "skin/resources/text_encoding.h"

QueryOutcome RunQuery(CHttpPageClient& client, const std::wstring& from, const std::wstring& to,
                      std::vector<TicketRow>& rows) {
  const std::wstring departure = TrimStationName(from);
  const std::wstring arrival = TrimStationName(to);
  if (departure.empty() || arrival.empty()) return QueryOutcome::MissingStation;

  std::wstring page = client.Get(BuildQueryPath(departure, arrival), kCodePageUtf8);
  if (page.empty()) return QueryOutcome::NoPage;

  switch (ParseResultPage(RepairMarkup(std::move(page)), rows)) {
    case ResultPage::NoTable:
      return QueryOutcome::NoResultTable;
    case ResultPage::TooLarge:
      return QueryOutcome::PageTooLarge;
    case ResultPage::Rows:
      break;
  }
  return QueryOutcome::RowsReplaced;
}

std::wstring ReadWindowText(HWND window) {
  if (!window || !IsWindow(window)) return std::wstring();
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

QueryStations ReadStations(HWND fromEdit, HWND toEdit) {
  return QueryStations{TrimStationName(ReadWindowText(fromEdit)), TrimStationName(ReadWindowText(toEdit))};
}

QueryResult QueryWorker(CHttpPageClient& client, const QueryStations& stations) {
  QueryResult result;
  // A query that runs out of memory has failed: what it held is freed on the
  // way out, and the window goes on with the rows it had.
  try {
    result.outcome = RunQuery(client, stations.from, stations.to, result.rows);
  } catch (const std::bad_alloc&) {
    result = QueryResult{QueryOutcome::PageTooLarge, {}, PageFailure::None, {}};
  } catch (const std::length_error&) {
    result = QueryResult{QueryOutcome::PageTooLarge, {}, PageFailure::None, {}};
  }
  if (result.outcome != QueryOutcome::RowsReplaced) result.rows.clear();
  if (result.outcome == QueryOutcome::NoPage) result.failure = client.lastFailure();
  result.stations = stations;
  return result;
}

UniqueKernelHandle StartQueryWorker(std::shared_ptr<QuerySession> session, QueryStations stations, UiTaskPoster ui,
                                    QueryDone done) {
  if (!session || !done) return UniqueKernelHandle();
  return StartThread([session = std::move(session), stations = std::move(stations), ui = std::move(ui),
                      done = std::move(done)] {
    QueryResult result = QueryWorker(session->queryClient, stations);
    ui.Post([done, result = std::move(result)]() mutable { done(std::move(result)); });
  });
}
