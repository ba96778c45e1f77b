// One query of the remaining-ticket site, from two station names to rows.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/http_page_client.h"
#include "app/ticket_row.h"

class QuerySession;

// The two station names of one query, read on the user-interface thread and
// handed to the worker by value.
struct QueryStations {
  std::wstring from;
  std::wstring to;
};

enum class QueryOutcome {
  MissingStation,  // a name was empty after trimming: nothing was sent
  NoPage,          // the page client returned nothing
  NoResultTable,   // the page was rejected or had no result table
  PageTooLarge,    // the page held more than kMaxResultRows trains or markup for more
  RowsReplaced,    // `rows` now holds the page's rows (possibly none)
};

// Trims the names, fetches and repairs the result page and parses it. `rows`
// is replaced only when the outcome is RowsReplaced. Throws std::bad_alloc
// or std::length_error when memory runs out.
QueryOutcome RunQuery(CHttpPageClient& client, const std::wstring& from, const std::wstring& to,
                      std::vector<TicketRow>& rows);

// The worker thread's body: runs the query for the names the user-interface
// thread read when the query started (ReadStations), installs the rows when
// the query produced them, and always posts WM_TICKET_QUERY_DONE to the
// session's owner window at the end (none once the session is closed). A
// query that runs out of memory has failed: the rows stay as they were. It
// never waits for the user-interface thread: the list is repainted there,
// when the completion message is handled.
void QueryWorker(std::shared_ptr<QuerySession> session, QueryStations stations);

// User-interface thread, when a query starts: the texts of the two station
// edits, trimmed. Reading them here keeps the worker from sending window
// messages to a thread that may be waiting for it.
QueryStations ReadStations(HWND fromEdit, HWND toEdit);

// The whole text of a window (WM_GETTEXT), or "" when there is no window. A
// window of another thread is read through that thread: call it on the thread
// that owns the window.
std::wstring ReadWindowText(HWND window);
