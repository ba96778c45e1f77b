// One timetable query of the site, from a train code to its stops, and the
// job that runs it for the window on a thread of its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/core/timetable_page.h"
#include "app/net/http_page_client.h"
#include "app/platform/move_only_function.h"

class QuerySession;

// What a timetable query asks for.
struct TimetableQuery {
  std::wstring code;  // as typed; the query normalizes it (NormalizeTrainCode)
  std::wstring date;  // "2026-12-08"; empty for the site's today
};

enum class TimetableOutcome {
  BadCode,       // the code is no train code: nothing was sent
  NoPage,        // the page client returned nothing
  UnknownTrain,  // the page had no stop table: the site knows no such train
  PageTooLarge,  // more stops or markup than the result page's bounds allow
  OutOfMemory,   // memory ran out on the way
  Stops,         // `stops` holds the train's stops (possibly none)
};

// Fetches, repairs and parses the timetable page of `query.code` (normalized
// into `code`) for `query.date`. `stops` is replaced only when the outcome is
// Stops. Throws std::bad_alloc or std::length_error when memory runs out.
TimetableOutcome RunTimetableQuery(CHttpPageClient& client, const TimetableQuery& query, std::wstring& code,
                                   std::vector<TrainStop>& stops);

// What one timetable run hands to the user-interface thread.
struct TimetableResult {
  TimetableOutcome outcome = TimetableOutcome::NoPage;
  std::vector<TrainStop> stops;  // empty unless `outcome` is Stops
  PageFailure failure = PageFailure::None;  // when `outcome` is NoPage
  // What was asked, the code normalized when it was one.
  TimetableQuery query;
};

// RunTimetableQuery that never throws: running out of memory is the outcome
// OutOfMemory.
TimetableResult TimetableWorker(CHttpPageClient& client, const TimetableQuery& query);

// The job of one timetable query for a WorkerSlot, holding its own share of
// the session (see QueryJob).
MoveOnlyFunction<TimetableResult()> TimetableJob(std::shared_ptr<QuerySession> session, TimetableQuery query);
