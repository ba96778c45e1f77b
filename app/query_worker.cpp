#include "app/query_worker.h"

#include <utility>

#include "app/query_session.h"
#include "app/result_page.h"
#include "skin/resources/text_encoding.h"

QueryOutcome RunQuery(CHttpPageClient& client, const std::wstring& from, const std::wstring& to,
                      std::vector<TicketRow>& rows) {
  const std::wstring departure = TrimStationName(from);
  const std::wstring arrival = TrimStationName(to);
  if (departure.empty() || arrival.empty()) return QueryOutcome::MissingStation;

  std::wstring page = client.Get(BuildQueryPath(departure, arrival), kCodePageUtf8);
  if (page.empty()) return QueryOutcome::NoPage;

  page = RepairMarkup(std::move(page));
  if (!ParseResultPage(page, rows)) return QueryOutcome::NoResultTable;
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

void QueryWorker(std::shared_ptr<QuerySession> session, QueryStations stations) {
  if (!session) return;
  std::vector<TicketRow> rows;
  if (RunQuery(session->queryClient, stations.from, stations.to, rows) == QueryOutcome::RowsReplaced) {
    session->InstallRows(std::move(rows));
  }
  if (const HWND owner = session->OwnerWindow()) PostMessageW(owner, WM_TICKET_QUERY_DONE, 0, 0);
}
