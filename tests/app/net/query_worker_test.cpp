#include "app/net/query_worker.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "app/core/query_request.h"
#include "app/core/result_page.h"
#include "app/net/query_session.h"
#include "app/platform/window_text.h"
#include "app/platform/worker_slot.h"
#include "tests/app/net/silent_server.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

namespace {

// A query session wired as the main window wires it: two edit controls hold
// the station names, this thread reads them and starts the worker in its
// slot, and the result arrives through the slot's queue on this thread.
class QueryWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(0, SharedDemoSite().Port()) << "the demo site did not start";
    SharedDemoSite().ClearLog();
    fromEdit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 100, 20, owner_.hwnd(), nullptr, nullptr, nullptr);
    toEdit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 30, 100, 20, owner_.hwnd(), nullptr, nullptr, nullptr);
    ASSERT_TRUE(fromEdit_ && toEdit_ && owner_.hwnd());
  }

  // What the main window does with a result: rows only when the query
  // produced them.
  bool Start(std::shared_ptr<QuerySession> session) {
    const QueryStations stations = MakeQueryStations(ReadWindowText(fromEdit_), ReadWindowText(toEdit_));
    return slot_.Start(QueryJob(std::move(session), stations), [this](QueryResult result) {
      ++results_;
      outcome_ = result.outcome;
      if (result.outcome == QueryOutcome::RowsReplaced) rows_ = std::move(result.rows);
    });
  }

  // Runs one query and pumps this thread's messages until its result has
  // arrived (and a little longer, to catch a second one).
  void RunWorker(const std::wstring& from, const std::wstring& to) {
    SetWindowTextW(fromEdit_, from.c_str());
    SetWindowTextW(toEdit_, to.c_str());
    const int before = results_;
    ASSERT_TRUE(Start(session_));
    const bool done = PumpUntil([&] { return results_ > before; }, 30000);
    PumpUntil([] { return false; }, 150);
    slot_.WaitForThread(30000);
    ASSERT_TRUE(done);
    EXPECT_EQ(before + 1, results_);
  }

  MessageCounterWindow owner_;
  HWND fromEdit_ = nullptr;
  HWND toEdit_ = nullptr;
  WorkerSlot slot_;
  std::shared_ptr<QuerySession> session_ = std::make_shared<QuerySession>(SharedDemoSite().HostPort().c_str());
  std::vector<TicketRow> rows_;
  QueryOutcome outcome_ = QueryOutcome::NoPage;
  int results_ = 0;
};

// Leaves this process no room for large blocks: its free address space is
// reserved but for separate holes, where threads and small blocks still fit.
class AddressSqueeze {
 public:
  AddressSqueeze(size_t holeBytes, size_t holes) {
    for (size_t size : {holeBytes, size_t{64} << 10}) {
      while (char* at = static_cast<char*>(VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS)))
        reserved_.push_back(at);
    }
    std::set<char*> freed;
    for (char*& at : reserved_) {
      if (freed.size() == holes || freed.count(at - holeBytes) || freed.count(at + holeBytes)) continue;
      VirtualFree(at, 0, MEM_RELEASE);
      freed.insert(std::exchange(at, nullptr));
    }
  }
  ~AddressSqueeze() {
    for (char* at : reserved_) VirtualFree(at, 0, MEM_RELEASE);
  }

 private:
  std::vector<char*> reserved_;
};

}  // namespace

TEST_F(QueryWorkerTest, FillsRowsFromTheSiteAndRedrawsTheList) {
  RunWorker(L"  北京\t", L"上海 ");
  const std::vector<TicketRow>& rows = rows_;
  ASSERT_GE(rows.size(), 25u);
  for (const TicketRow& row : rows) {
    EXPECT_FALSE(row.trainCode.empty());
    EXPECT_NE(std::wstring::npos, row.fromStation.find(L"北京")) << row.fromStation;
    EXPECT_NE(std::wstring::npos, row.toStation.find(L"上海")) << row.toStation;
    EXPECT_EQ(5u, row.departTime.size());
    EXPECT_FALSE(row.trainType.empty());
  }
  // Trimmed names, raw UTF-8 on the wire.
  EXPECT_EQ("GET " + BuildQueryPath(L"北京", L"上海") + " HTTP/1.1\n", SharedDemoSite().RequestLog());
}

TEST_F(QueryWorkerTest, BlankNamesSendNothing) {
  const std::wstring names[][2] = {{L"", L""}, {L" \t ", L"上海"}, {L"北京", L"\t"}};
  for (const auto& pair : names) {
    RunWorker(pair[0], pair[1]);
  }
  EXPECT_EQ("", SharedDemoSite().RequestLog());
  EXPECT_TRUE(rows_.empty());
}

TEST_F(QueryWorkerTest, EscapesNamesThatWouldBreakTheRequest) {
  RunWorker(L"a b&c", L"#1%");
  EXPECT_EQ("GET /Default.aspx?A=a%20b%26c&B=%231%25&C=&D=1&S=0 HTTP/1.1\n", SharedDemoSite().RequestLog());
  // An unknown pair answers a table with only its header row.
  EXPECT_TRUE(rows_.empty());
}

TEST_F(QueryWorkerTest, UnknownPairEmptiesTheRows) {
  RunWorker(L"北京", L"上海");
  ASSERT_FALSE(rows_.empty());
  RunWorker(L"北京", L"不存在站");
  EXPECT_TRUE(rows_.empty());
}

TEST_F(QueryWorkerTest, FailedQueriesKeepThePreviousRows) {
  RunWorker(L"北京", L"上海");
  const std::vector<TicketRow> before = rows_;
  ASSERT_FALSE(before.empty());

  RunWorker(L"fault-deep", L"x");         // 200,000 nested elements
  RunWorker(L"fault-noSibling", L"x");    // no result table
  ASSERT_EQ(before.size(), rows_.size());
  EXPECT_EQ(before[0].trainCode, rows_[0].trainCode);

  // A dead site: a result arrives, and nothing changes either.
  auto dead = std::make_shared<QuerySession>(L"127.0.0.1:1");
  dead->queryClient.SetTimeout(2000);
  const int results = results_;
  ASSERT_TRUE(Start(dead));
  EXPECT_TRUE(PumpUntil([&] { return results_ > results; }, 30000));
  slot_.WaitForThread(30000);
  EXPECT_EQ(results + 1, results_);
  EXPECT_EQ(before.size(), rows_.size());
}

TEST_F(QueryWorkerTest, FinishesWhileTheUserInterfaceThreadWaitsForIt) {
  SetWindowTextW(fromEdit_, L" 北京");
  SetWindowTextW(toEdit_, L"上海\t");
  ASSERT_TRUE(Start(session_));
  // As when the window closes during a query: this thread blocks on the
  // worker without pumping messages. A worker that sent this thread a
  // message (reading an edit, repainting the list now) would wait here too.
  const bool ended = slot_.WaitForThread(60000);
  if (!ended) {
    // Let a stuck worker go before the test ends.
    PumpUntil([&] { return slot_.WaitForThread(0); }, 60000);
  }
  ASSERT_TRUE(ended) << "the worker waited for the user-interface thread";
  EXPECT_EQ("GET " + BuildQueryPath(L"北京", L"上海") + " HTTP/1.1\n", SharedDemoSite().RequestLog());

  // The result waits in the queue and is handled once, on this thread.
  EXPECT_EQ(0, results_);
  EXPECT_TRUE(PumpUntil([&] { return results_ > 0; }, 5000));
  PumpUntil([] { return false; }, 150);
  EXPECT_EQ(1, results_);
  EXPECT_GE(rows_.size(), 25u);
}

TEST_F(QueryWorkerTest, ReadsEveryRowOfALargeTable) {
  RunWorker(L"fault-rows-2000", L"x");
  const std::vector<TicketRow>& rows = rows_;
  ASSERT_EQ(2000u, rows.size());
  for (const TicketRow& row : rows) {
    for (int i = 2; i < TicketRow::kFieldCount; ++i) {
      EXPECT_FALSE(row.Field(i).empty()) << i;
    }
  }
}

// Out of memory, a query fails like any other. The 4.7 MB page does not fit
// in holes of 3 MiB; a thread's stack and small blocks do.
TEST_F(QueryWorkerTest, RunningOutOfMemoryFailsTheQueryOnly) {
  RunWorker(L"fault-rows-3", L"x");
  {
    const AddressSqueeze squeeze(3u << 20, 16);
    RunWorker(L"fault-rows-10000", L"x");
  }
  EXPECT_EQ(QueryOutcome::OutOfMemory, outcome_) << "not a page too large: the page was within every bound";
  EXPECT_EQ(3u, rows_.size());
  RunWorker(L"fault-rows-10000", L"x");
  EXPECT_EQ(kMaxResultRows, rows_.size());
}

// The page closes while its worker waits on a server that never answers: the
// worker keeps the session alive by itself, ends with its time-out, and its
// result is dropped by the closed queue, unrun.
TEST(QuerySession, ClosedSessionOutlivesItsPageAndHearsNothing) {
  SilentServer silent;
  ASSERT_NE(0, silent.Port());
  WorkerSlot slot;
  auto session = std::make_shared<QuerySession>(silent.HostPort().c_str());
  session->queryClient.SetTimeout(1500);
  std::weak_ptr<QuerySession> watch = session;
  int results = 0;
  ASSERT_TRUE(slot.Start(QueryJob(session, MakeQueryStations(L"北京", L"上海")), [&](QueryResult) { ++results; }));
  ASSERT_TRUE(PumpUntil([&] { return silent.Connections() > 0; }, 5000));

  // What the page does when it goes: close its slot and the session, then
  // let go of the session.
  slot.Close(0);
  session->Close();
  session.reset();
  EXPECT_TRUE(slot.WaitForThread(30000));
  EXPECT_TRUE(watch.expired());
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(0, results);
}
