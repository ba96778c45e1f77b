#include "app/net/timetable_worker.h"

#include <new>
#include <stdexcept>
#include <utility>

#include "app/core/query_request.h"
#include "app/core/result_page.h"
#include "app/net/query_session.h"
#include "skin/resources/text_encoding.h"

TimetableOutcome RunTimetableQuery(CHttpPageClient& client, const TimetableQuery& query, std::wstring& code,
                                   std::vector<TrainStop>& stops) {
  if (!NormalizeTrainCode(query.code, code)) return TimetableOutcome::BadCode;

  std::wstring page = client.Get(BuildTimetablePath(code, query.date), kCodePageUtf8);
  if (page.empty()) return TimetableOutcome::NoPage;

  switch (ParseTimetablePage(RepairMarkup(std::move(page)), stops)) {
    case TimetablePage::NoTable:
      return TimetableOutcome::UnknownTrain;
    case TimetablePage::TooLarge:
      return TimetableOutcome::PageTooLarge;
    case TimetablePage::Stops:
      break;
  }
  return TimetableOutcome::Stops;
}

TimetableResult TimetableWorker(CHttpPageClient& client, const TimetableQuery& query) {
  TimetableResult result;
  std::wstring code;
  // As in QueryWorker: running out of memory fails this query only.
  try {
    result.outcome = RunTimetableQuery(client, query, code, result.stops);
  } catch (const std::bad_alloc&) {
    result = TimetableResult{TimetableOutcome::OutOfMemory, {}, PageFailure::None, {}};
  } catch (const std::length_error&) {
    result = TimetableResult{TimetableOutcome::OutOfMemory, {}, PageFailure::None, {}};
  }
  if (result.outcome != TimetableOutcome::Stops) result.stops.clear();
  if (result.outcome == TimetableOutcome::NoPage) result.failure = client.lastFailure();
  result.query = query;
  if (!code.empty()) result.query.code = std::move(code);
  return result;
}

MoveOnlyFunction<TimetableResult()> TimetableJob(std::shared_ptr<QuerySession> session, TimetableQuery query) {
  return [session = std::move(session), query = std::move(query)] {
    return TimetableWorker(session->queryClient, query);
  };
}
