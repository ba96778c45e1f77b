#include "app/net/fare_worker.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "app/net/query_session.h"
#include "app/platform/worker_slot.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

// A fare query runs as a job in a worker slot, as the window runs it: the
// trimmed names go out as raw UTF-8 and the site's fares come back.
TEST(FareWorker, FetchesTheFaresOfTheTrimmedStations) {
  ASSERT_NE(0, SharedDemoSite().Port());
  SharedDemoSite().ClearLog();
  WorkerSlot slot;
  auto session = std::make_shared<QuerySession>(SharedDemoSite().HostPort().c_str());
  std::vector<FareResult> results;
  ASSERT_TRUE(slot.Start(FareJob(session, MakeQueryStations(L" 北京\t", L"上海 ")),
                         [&](FareResult result) { results.push_back(std::move(result)); }));
  ASSERT_TRUE(PumpUntil([&] { return !results.empty(); }, 30000));
  EXPECT_TRUE(slot.WaitForThread(30000));
  EXPECT_EQ("GET /fare.aspx?A=\xE5\x8C\x97\xE4\xBA\xAC&B=\xE4\xB8\x8A\xE6\xB5\xB7&C= HTTP/1.1\n",
            SharedDemoSite().RequestLog());
  ASSERT_EQ(FareOutcome::RowsReplaced, results[0].outcome);
  ASSERT_EQ(32u, results[0].rows.size());
  EXPECT_EQ(L"G1 606.5", results[0].rows[1].trainCode + L" " + results[0].rows[1].fares[kFareSecond]);
}
