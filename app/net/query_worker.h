// One query of the remaining-ticket site, from two station names to rows, and
// the job that runs it for the window on a thread of its own.
#pragma once

#include <memory>
#include <vector>

#include "app/core/query_request.h"
#include "app/core/ticket_row.h"
#include "app/net/http_page_client.h"
#include "app/platform/move_only_function.h"

class QuerySession;

enum class QueryOutcome {
  MissingStation,  // a name was empty: nothing was sent
  NoPage,          // the page client returned nothing
  NoResultTable,   // the page was rejected or had no result table
  PageTooLarge,    // the page held more than kMaxResultRows trains or markup for more
  SiteMessage,     // no result table, but the site said why (`message`)
  OutOfMemory,     // memory ran out on the way: the query failed, the rows stay
  RowsReplaced,    // `rows` now holds the page's rows (possibly none)
};

// Fetches, repairs and parses the result page for the stations and the day
// of `query` as MakeQueryStations leaves them (names trimmed). `rows` is
// replaced only when the outcome is RowsReplaced; `message` holds the site's
// words (ResultPageMessage) when it is SiteMessage. Throws std::bad_alloc or
// std::length_error when memory runs out.
QueryOutcome RunQuery(CHttpPageClient& client, const QueryStations& query, std::vector<TicketRow>& rows,
                      std::wstring& message);

// What one query run hands to the user-interface thread.
struct QueryResult {
  QueryOutcome outcome = QueryOutcome::NoPage;
  // The page's rows when `outcome` is RowsReplaced; empty otherwise.
  std::vector<TicketRow> rows;
  // Why no page came, when `outcome` is NoPage.
  PageFailure failure = PageFailure::None;
  // The site's words when `outcome` is SiteMessage.
  std::wstring message;
  // The stations and the day asked for, as sent.
  QueryStations stations;
};

// The worker's whole job: RunQuery for the names the user-interface thread
// read when the query started. Never throws: running out of memory is the
// outcome OutOfMemory.
QueryResult QueryWorker(CHttpPageClient& client, const QueryStations& stations);

// The job of one query for a WorkerSlot: QueryWorker on the session's page
// client. The job holds its own share of the session, so the page may close
// while the job still waits on the network.
MoveOnlyFunction<QueryResult()> QueryJob(std::shared_ptr<QuerySession> session, QueryStations stations);
