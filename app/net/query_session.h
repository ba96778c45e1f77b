// What query workers share with the query page: the page client. The page
// and every worker it starts hold the session through a shared pointer, so
// the page may close while a worker still waits on the network: the worker
// then finishes on a session nobody else sees, and its result is dropped by
// the closed queue of the page's worker slot.
#pragma once

#include "app/net/http_page_client.h"

class QuerySession {
 public:
  // `queryHost` is the query site's "host[:port]"; null means the configured one.
  explicit QuerySession(const wchar_t* queryHost = nullptr) : queryClient(queryHost) {}

  // The page is going: the page client ends the request in progress (see
  // CHttpPageClient::Cancel).
  void Close() { queryClient.Cancel(); }

  CHttpPageClient queryClient;
};
