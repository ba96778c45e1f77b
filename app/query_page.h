// The query page: the state one query reads and writes. The main dialog owns
// it; the worker thread runs QueryWorker on it.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "app/http_page_client.h"
#include "app/query_worker.h"
#include "app/ticket_row.h"

// Posted to the main window once per query run, whatever the outcome.
constexpr UINT WM_TICKET_QUERY_DONE = 0x1400;

class CQueryPage {
 public:
  // `queryHost` is the query site's "host[:port]"; null means the configured one.
  explicit CQueryPage(const wchar_t* queryHost = nullptr) : queryClient(queryHost) {}

  // The windows a query talks to: the two station edit boxes (2220, 2230),
  // the result list (2100) and the main window that hears of completion.
  HWND FromEditWindow() const { return fromEditWindow; }
  HWND ToEditWindow() const { return toEditWindow; }
  HWND ListWindow() const { return listWindow; }
  HWND OwnerWindow() const { return ownerWindow; }

  // User-interface thread, when a query starts: the texts of the two station
  // edits, trimmed. Reading them here keeps the worker from sending window
  // messages to a thread that may be waiting for it.
  QueryStations ReadStations() const;

  // Worker thread: installs a query's rows and notes that the list shows
  // stale ones until OnQueryDone.
  void InstallRows(std::vector<TicketRow> replacement);

  // User-interface thread, on WM_TICKET_QUERY_DONE: when the finished query
  // installed rows, the list is invalidated, erased and repainted at once.
  void OnQueryDone();

  HWND ownerWindow = nullptr;
  HWND fromEditWindow = nullptr;
  HWND toEditWindow = nullptr;
  HWND listWindow = nullptr;

  CHttpPageClient queryClient;
  TicketRowStore rows;

 private:
  std::atomic<bool> listStale_{false};
};
