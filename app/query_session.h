// What a query worker shares with the query page: the page client, the row
// store the worker fills and the window that hears of completion. The page
// and every worker it starts hold the session through a shared pointer, so
// the page may close while a worker still waits on the network: the worker
// then finishes on a session nobody else sees and posts nothing.
#pragma once

#include <windows.h>

#include <atomic>
#include <vector>

#include "app/http_page_client.h"
#include "app/ticket_row.h"

// Posted to the main window once per query run, whatever the outcome.
constexpr UINT WM_TICKET_QUERY_DONE = 0x1400;

class QuerySession {
 public:
  // `queryHost` is the query site's "host[:port]"; null means the configured one.
  explicit QuerySession(const wchar_t* queryHost = nullptr) : queryClient(queryHost) {}

  // The window that hears of completion; null: nobody.
  void SetOwnerWindow(HWND window) { owner_ = window; }
  HWND OwnerWindow() const { return owner_; }

  // Worker thread: installs a query's rows for the user-interface thread to
  // take.
  void InstallRows(std::vector<TicketRow> replacement);

  // User-interface thread, on WM_TICKET_QUERY_DONE: a copy of the rows when a
  // query installed rows since the last call (true), else false and `copy`
  // unchanged. The copy is the user-interface thread's own: no worker changes
  // it while the list paints from it.
  bool TakeNewRows(std::vector<TicketRow>& copy);

  // The page is going: nobody hears of completion any more, and the page
  // client ends the request in progress (see CHttpPageClient::Cancel).
  void Close();

  CHttpPageClient queryClient;
  TicketRowStore rows;

 private:
  std::atomic<HWND> owner_{nullptr};
  std::atomic<bool> newRows_{false};
};
