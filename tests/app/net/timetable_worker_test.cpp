#include "app/net/timetable_worker.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "app/net/query_session.h"
#include "app/platform/worker_slot.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

// A typed code runs as a job in a worker slot, as the window runs it: it goes
// out normalized with the day, and the site's stops come back; what is no
// code is not sent.
TEST(TimetableWorker, FetchesTheStopsOfTheNormalizedCode) {
  ASSERT_NE(0, SharedDemoSite().Port());
  SharedDemoSite().ClearLog();
  WorkerSlot slot;
  auto session = std::make_shared<QuerySession>(SharedDemoSite().HostPort().c_str());
  std::vector<TimetableResult> results;
  ASSERT_TRUE(slot.Start(TimetableJob(session, TimetableQuery{L" g1\t", L"2026-12-09"}),
                         [&](TimetableResult result) { results.push_back(std::move(result)); }));
  ASSERT_TRUE(PumpUntil([&] { return !results.empty(); }, 30000));
  EXPECT_TRUE(slot.WaitForThread(30000));
  EXPECT_EQ(TimetableOutcome::Stops, results[0].outcome);
  EXPECT_EQ(L"G1", results[0].query.code);
  ASSERT_EQ(4u, results[0].stops.size());
  EXPECT_EQ(L"上海", results[0].stops[3].station);
  EXPECT_EQ(TimetableOutcome::BadCode, TimetableWorker(session->queryClient, TimetableQuery{L"G 1", L""}).outcome);
  EXPECT_EQ("GET /train.aspx?T=G1&D=1&C=2026-12-09 HTTP/1.1\n", SharedDemoSite().RequestLog());
}
