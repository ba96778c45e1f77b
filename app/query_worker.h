// One query of the remaining-ticket site, from two station names to rows.
#pragma once

#include <string>
#include <vector>

#include "app/http_page_client.h"
#include "app/ticket_row.h"

class CQueryPage;

enum class QueryOutcome {
  MissingStation,  // a name was empty after trimming: nothing was sent
  NoPage,          // the page client returned nothing
  NoResultTable,   // the page was rejected or had no result table
  RowsReplaced,    // `rows` now holds the page's rows (possibly none)
};

// Trims the names, fetches and repairs the result page and parses it. `rows`
// is replaced only when the outcome is RowsReplaced.
QueryOutcome RunQuery(CHttpPageClient& client, const std::wstring& from, const std::wstring& to,
                      std::vector<TicketRow>& rows);

// The worker thread's body: reads the two station edits, runs the query,
// installs the rows and redraws the list when they changed, and always posts
// WM_TICKET_QUERY_DONE to the owner window at the end.
void QueryWorker(CQueryPage* page);

// The whole text of a window (WM_GETTEXT), or "" when there is no window.
std::wstring ReadWindowText(HWND window);
