// One fare query of the site, from two station names to the fares of their
// trains, and the job that runs it for the window on a thread of its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/core/fare_page.h"
#include "app/core/query_request.h"
#include "app/net/http_page_client.h"
#include "app/platform/move_only_function.h"

class QuerySession;

enum class FareOutcome {
  MissingStation,  // a name was empty: nothing was sent
  NoPage,          // the page client returned nothing
  NoResultTable,   // the page was rejected or had no fare table
  SiteMessage,     // no fare table, but the site said why (`message`)
  PageTooLarge,    // the page held more than kMaxResultRows trains or markup for more
  OutOfMemory,     // memory ran out on the way: the query failed, the rows stay
  RowsReplaced,    // `rows` now holds the page's rows (possibly none)
};

// Fetches, repairs and parses the fare page for the stations and the day of
// `query` (names as MakeQueryStations leaves them). `rows` is replaced only
// when the outcome is RowsReplaced; `message` holds the site's words when it
// is SiteMessage. Throws std::bad_alloc or std::length_error when memory
// runs out.
FareOutcome RunFareQuery(CHttpPageClient& client, const QueryStations& query, std::vector<FareRow>& rows,
                         std::wstring& message);

// What one fare query hands to the user-interface thread.
struct FareResult {
  FareOutcome outcome = FareOutcome::NoPage;
  std::vector<FareRow> rows;                // empty unless `outcome` is RowsReplaced
  PageFailure failure = PageFailure::None;  // when `outcome` is NoPage
  std::wstring message;                     // the site's words when `outcome` is SiteMessage
  QueryStations stations;                   // the stations and the day asked for, as sent
};

// RunFareQuery that never throws: running out of memory is the outcome
// OutOfMemory.
FareResult FareWorker(CHttpPageClient& client, const QueryStations& stations);

// The job of one fare query for a WorkerSlot, holding its own share of the
// session (see QueryJob).
MoveOnlyFunction<FareResult()> FareJob(std::shared_ptr<QuerySession> session, QueryStations stations);
