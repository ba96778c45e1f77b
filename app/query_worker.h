// One query of the remaining-ticket site, from two station names to rows.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/http_page_client.h"
#include "app/ticket_row.h"
#include "app/ui_tasks.h"
#include "skin/resources/unique_handle.h"

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

// What one query run hands to the user-interface thread.
struct QueryResult {
  QueryOutcome outcome = QueryOutcome::NoPage;
  // The page's rows when `outcome` is RowsReplaced; empty otherwise.
  std::vector<TicketRow> rows;
  // Why no page came, when `outcome` is NoPage.
  PageFailure failure = PageFailure::None;
  // The stations asked for, as sent.
  QueryStations stations;
};

// The worker's whole job: RunQuery for the names the user-interface thread
// read when the query started (ReadStations). Never throws: an answer too
// large to hold is a failed query.
QueryResult QueryWorker(CHttpPageClient& client, const QueryStations& stations);

// Receives a query's result on the user-interface thread.
using QueryDone = std::function<void(QueryResult)>;

// Starts the worker thread of one query: it runs QueryWorker on the session's
// page client and hands the result to `done` through `ui`, whatever the
// outcome. It never waits for the user-interface thread, and once that
// thread's queue has closed the result is dropped unseen. Null when no thread
// starts (`done` is then not called).
UniqueKernelHandle StartQueryWorker(std::shared_ptr<QuerySession> session, QueryStations stations, UiTaskPoster ui,
                                    QueryDone done);

// User-interface thread, when a query starts: the texts of the two station
// edits, trimmed. Reading them here keeps the worker from sending window
// messages to a thread that may be waiting for it.
QueryStations ReadStations(HWND fromEdit, HWND toEdit);

// The whole text of a window (WM_GETTEXT), or "" when there is no window. A
// window of another thread is read through that thread: call it on the thread
// that owns the window.
std::wstring ReadWindowText(HWND window);
