#include "app/query_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/query_page.h"
#include "app/result_page.h"
#include "skin/resources/unique_handle.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

namespace {

// A query page wired to real windows: a hidden owner that counts completion
// messages, two edit controls holding the station names and a visible list
// stand-in that counts its paints.
class QueryWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(0, SharedDemoSite().Port()) << "the demo site did not start";
    SharedDemoSite().ClearLog();
    page_.ownerWindow = owner_.hwnd();
    page_.listWindow = list_.hwnd();
    page_.fromEditWindow = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 100, 20, owner_.hwnd(), nullptr, nullptr, nullptr);
    page_.toEditWindow = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 30, 100, 20, owner_.hwnd(), nullptr, nullptr, nullptr);
    ASSERT_TRUE(page_.fromEditWindow && page_.toEditWindow && owner_.hwnd() && list_.hwnd());
    // Let the list's first paint pass before counting.
    PumpUntil([] { return false; }, 100);
    list_.Reset();
  }

  // Runs one query as the main window does: this thread reads the names and
  // starts the worker with them, pumps its messages until the completion
  // message arrives (and a little longer, to catch a second one), and then
  // handles it.
  void RunWorker(const std::wstring& from, const std::wstring& to) {
    SetWindowTextW(page_.fromEditWindow, from.c_str());
    SetWindowTextW(page_.toEditWindow, to.c_str());
    owner_.Reset();
    std::thread worker(QueryWorker, &page_, page_.ReadStations());
    const bool done = PumpUntil([&] { return owner_.Count(WM_TICKET_QUERY_DONE) > 0; }, 30000);
    PumpUntil([] { return false; }, 150);
    worker.join();
    ASSERT_TRUE(done);
    EXPECT_EQ(1, owner_.Count(WM_TICKET_QUERY_DONE));
    page_.OnQueryDone();
  }

  MessageCounterWindow owner_;
  MessageCounterWindow list_{true};
  CQueryPage page_{SharedDemoSite().HostPort().c_str()};
};

}  // namespace

TEST_F(QueryWorkerTest, FillsRowsFromTheSiteAndRedrawsTheList) {
  RunWorker(L"  北京\t", L"上海 ");
  const std::vector<TicketRow> rows = page_.rows.Snapshot();
  ASSERT_GE(rows.size(), 25u);
  for (const TicketRow& row : rows) {
    EXPECT_FALSE(row.trainCode.empty());
    EXPECT_NE(std::wstring::npos, row.fromStation.find(L"北京")) << row.fromStation;
    EXPECT_NE(std::wstring::npos, row.toStation.find(L"上海")) << row.toStation;
    EXPECT_EQ(5u, row.departTime.size());
    EXPECT_FALSE(row.trainType.empty());
  }
  EXPECT_GE(list_.Count(WM_PAINT), 1);
  EXPECT_GE(list_.Count(WM_ERASEBKGND), 1);
  // Trimmed names, raw UTF-8 on the wire.
  EXPECT_EQ("GET " + BuildQueryPath(L"北京", L"上海") + " HTTP/1.1\n", SharedDemoSite().RequestLog());
}

TEST_F(QueryWorkerTest, BlankNamesSendNothing) {
  const std::wstring names[][2] = {{L"", L""}, {L" \t ", L"上海"}, {L"北京", L"\t"}};
  for (const auto& pair : names) {
    RunWorker(pair[0], pair[1]);
  }
  EXPECT_EQ("", SharedDemoSite().RequestLog());
  EXPECT_EQ(0, list_.Count(WM_PAINT));
}

TEST_F(QueryWorkerTest, EscapesNamesThatWouldBreakTheRequest) {
  RunWorker(L"a b&c", L"#1%");
  EXPECT_EQ("GET /Default.aspx?A=a%20b%26c&B=%231%25&C=&D=1&S=0 HTTP/1.1\n", SharedDemoSite().RequestLog());
  // An unknown pair answers a table with only its header row.
  EXPECT_EQ(0u, page_.rows.Size());
}

TEST_F(QueryWorkerTest, UnknownPairEmptiesTheRows) {
  RunWorker(L"北京", L"上海");
  ASSERT_GT(page_.rows.Size(), 0u);
  list_.Reset();
  RunWorker(L"北京", L"不存在站");
  EXPECT_EQ(0u, page_.rows.Size());
  EXPECT_GE(list_.Count(WM_PAINT), 1);
}

TEST_F(QueryWorkerTest, FailedQueriesKeepThePreviousRows) {
  RunWorker(L"北京", L"上海");
  const std::vector<TicketRow> before = page_.rows.Snapshot();
  ASSERT_FALSE(before.empty());
  list_.Reset();

  RunWorker(L"fault-deep", L"x");         // 200,000 nested elements
  RunWorker(L"fault-noSibling", L"x");    // no result table
  ASSERT_EQ(before.size(), page_.rows.Size());
  EXPECT_EQ(before[0].trainCode, page_.rows.Snapshot()[0].trainCode);
  EXPECT_EQ(0, list_.Count(WM_PAINT));

  // A dead site: nothing changes either.
  CQueryPage dead(L"127.0.0.1:1");
  dead.ownerWindow = owner_.hwnd();
  dead.fromEditWindow = page_.fromEditWindow;
  dead.toEditWindow = page_.toEditWindow;
  dead.queryClient.SetTimeout(2000);
  owner_.Reset();
  std::thread worker(QueryWorker, &dead, dead.ReadStations());
  EXPECT_TRUE(PumpUntil([&] { return owner_.Count(WM_TICKET_QUERY_DONE) > 0; }, 30000));
  worker.join();
  EXPECT_EQ(1, owner_.Count(WM_TICKET_QUERY_DONE));
  EXPECT_EQ(0u, dead.rows.Size());
}

TEST_F(QueryWorkerTest, FinishesWhileTheUserInterfaceThreadWaitsForIt) {
  SetWindowTextW(page_.fromEditWindow, L" 北京");
  SetWindowTextW(page_.toEditWindow, L"上海\t");
  owner_.Reset();
  const UniqueKernelHandle finished(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(finished);
  std::thread worker([this, &finished, stations = page_.ReadStations()] {
    QueryWorker(&page_, stations);
    SetEvent(finished.get());
  });
  // As when the window closes during a query: this thread blocks on the
  // worker without pumping messages. A worker that sent this thread a
  // message (reading an edit, repainting the list now) would wait here too.
  const DWORD waited = WaitForSingleObject(finished.get(), 60000);
  if (waited != WAIT_OBJECT_0) {
    // Let a stuck worker go before joining it.
    PumpUntil([&] { return WaitForSingleObject(finished.get(), 0) == WAIT_OBJECT_0; }, 60000);
  }
  worker.join();
  ASSERT_EQ(WAIT_OBJECT_0, waited) << "the worker waited for the user-interface thread";
  EXPECT_GE(page_.rows.Size(), 25u);
  EXPECT_EQ("GET " + BuildQueryPath(L"北京", L"上海") + " HTTP/1.1\n", SharedDemoSite().RequestLog());

  // The completion message is waiting; the list is repainted only when it is
  // handled, on this thread.
  EXPECT_TRUE(PumpUntil([&] { return owner_.Count(WM_TICKET_QUERY_DONE) > 0; }, 5000));
  PumpUntil([] { return false; }, 150);
  EXPECT_EQ(1, owner_.Count(WM_TICKET_QUERY_DONE));
  EXPECT_EQ(0, list_.Count(WM_PAINT));
  page_.OnQueryDone();
  EXPECT_GE(list_.Count(WM_PAINT), 1);
  EXPECT_GE(list_.Count(WM_ERASEBKGND), 1);
  // Handled once: a second call has nothing new to show.
  list_.Reset();
  page_.OnQueryDone();
  EXPECT_EQ(0, list_.Count(WM_PAINT));
}

TEST_F(QueryWorkerTest, ReadsEveryRowOfALargeTable) {
  RunWorker(L"fault-rows-2000", L"x");
  const std::vector<TicketRow> rows = page_.rows.Snapshot();
  ASSERT_EQ(2000u, rows.size());
  for (const TicketRow& row : rows) {
    for (int i = 2; i < TicketRow::kFieldCount; ++i) {
      EXPECT_FALSE(row.Field(i).empty()) << i;
    }
  }
}

TEST(TicketRowStore, ReaderAndWriterDoNotTrip) {
  // One thread keeps installing row sets of different sizes while this one
  // reads: every read sees a whole set.
  TicketRowStore store;
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int round = 0; round < 2000; ++round) {
      std::vector<TicketRow> rows(round % 2 ? 20 : 3);
      for (TicketRow& row : rows) row.trainCode = round % 2 ? L"odd" : L"even";
      store.Replace(std::move(rows));
    }
    stop = true;
  });
  while (!stop) {
    const std::vector<TicketRow> rows = store.Snapshot();
    if (!rows.empty()) {
      const std::wstring& code = rows[0].trainCode;
      EXPECT_EQ(code == L"odd" ? 20u : 3u, rows.size());
      for (const TicketRow& row : rows) ASSERT_EQ(code, row.trainCode);
    }
    TicketRow row;
    if (store.Get(2, row)) {
      EXPECT_FALSE(row.trainCode.empty());
    }
  }
  writer.join();
  TicketRow row;
  EXPECT_FALSE(store.Get(20, row));
  EXPECT_EQ(20u, store.Size());  // the last round was odd
}
