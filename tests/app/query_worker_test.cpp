#include "app/query_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "app/query_session.h"
#include "app/result_page.h"
#include "skin/resources/unique_handle.h"
#include "tests/app/silent_server.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

namespace {

// A query session wired to real windows: a hidden owner that counts
// completion messages and two edit controls holding the station names. The
// rows a finished query installed are taken on this thread, as the main
// window does when the completion message arrives.
class QueryWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(0, SharedDemoSite().Port()) << "the demo site did not start";
    SharedDemoSite().ClearLog();
    session_->SetOwnerWindow(owner_.hwnd());
    fromEdit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 100, 20, owner_.hwnd(), nullptr, nullptr, nullptr);
    toEdit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 30, 100, 20, owner_.hwnd(), nullptr, nullptr, nullptr);
    ASSERT_TRUE(fromEdit_ && toEdit_ && owner_.hwnd());
  }

  // What the user-interface thread does on the completion message.
  void TakeRows() { takes_ += session_->TakeNewRows(taken_) ? 1 : 0; }

  // Runs one query as the main window does: this thread reads the names and
  // starts the worker with them, pumps its messages until the completion
  // message arrives (and a little longer, to catch a second one), and then
  // handles it.
  void RunWorker(const std::wstring& from, const std::wstring& to) {
    SetWindowTextW(fromEdit_, from.c_str());
    SetWindowTextW(toEdit_, to.c_str());
    owner_.Reset();
    std::thread worker(QueryWorker, session_, ReadStations(fromEdit_, toEdit_));
    const bool done = PumpUntil([&] { return owner_.Count(WM_TICKET_QUERY_DONE) > 0; }, 30000);
    PumpUntil([] { return false; }, 150);
    worker.join();
    ASSERT_TRUE(done);
    EXPECT_EQ(1, owner_.Count(WM_TICKET_QUERY_DONE));
    TakeRows();
  }

  MessageCounterWindow owner_;
  HWND fromEdit_ = nullptr;
  HWND toEdit_ = nullptr;
  std::shared_ptr<QuerySession> session_ = std::make_shared<QuerySession>(SharedDemoSite().HostPort().c_str());
  std::vector<TicketRow> taken_;
  int takes_ = 0;
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
  const std::vector<TicketRow> rows = session_->rows.Snapshot();
  ASSERT_GE(rows.size(), 25u);
  for (const TicketRow& row : rows) {
    EXPECT_FALSE(row.trainCode.empty());
    EXPECT_NE(std::wstring::npos, row.fromStation.find(L"北京")) << row.fromStation;
    EXPECT_NE(std::wstring::npos, row.toStation.find(L"上海")) << row.toStation;
    EXPECT_EQ(5u, row.departTime.size());
    EXPECT_FALSE(row.trainType.empty());
  }
  // The user-interface thread took a copy of exactly these rows.
  EXPECT_EQ(1, takes_);
  ASSERT_EQ(rows.size(), taken_.size());
  EXPECT_EQ(rows.back().trainCode, taken_.back().trainCode);
  // Trimmed names, raw UTF-8 on the wire.
  EXPECT_EQ("GET " + BuildQueryPath(L"北京", L"上海") + " HTTP/1.1\n", SharedDemoSite().RequestLog());
}

TEST_F(QueryWorkerTest, BlankNamesSendNothing) {
  const std::wstring names[][2] = {{L"", L""}, {L" \t ", L"上海"}, {L"北京", L"\t"}};
  for (const auto& pair : names) {
    RunWorker(pair[0], pair[1]);
  }
  EXPECT_EQ("", SharedDemoSite().RequestLog());
  EXPECT_EQ(0, takes_);
}

TEST_F(QueryWorkerTest, EscapesNamesThatWouldBreakTheRequest) {
  RunWorker(L"a b&c", L"#1%");
  EXPECT_EQ("GET /Default.aspx?A=a%20b%26c&B=%231%25&C=&D=1&S=0 HTTP/1.1\n", SharedDemoSite().RequestLog());
  // An unknown pair answers a table with only its header row.
  EXPECT_EQ(0u, session_->rows.Size());
}

TEST_F(QueryWorkerTest, UnknownPairEmptiesTheRows) {
  RunWorker(L"北京", L"上海");
  ASSERT_GT(session_->rows.Size(), 0u);
  ASSERT_FALSE(taken_.empty());
  RunWorker(L"北京", L"不存在站");
  EXPECT_EQ(0u, session_->rows.Size());
  EXPECT_EQ(2, takes_);
  EXPECT_TRUE(taken_.empty());
}

TEST_F(QueryWorkerTest, FailedQueriesKeepThePreviousRows) {
  RunWorker(L"北京", L"上海");
  const std::vector<TicketRow> before = session_->rows.Snapshot();
  ASSERT_FALSE(before.empty());
  ASSERT_EQ(1, takes_);

  RunWorker(L"fault-deep", L"x");       // 200,000 nested elements
  RunWorker(L"fault-noSibling", L"x");  // no result table
  ASSERT_EQ(before.size(), session_->rows.Size());
  EXPECT_EQ(before[0].trainCode, session_->rows.Snapshot()[0].trainCode);
  EXPECT_EQ(1, takes_);
  EXPECT_EQ(before.size(), taken_.size());

  // A dead site: nothing changes either.
  auto dead = std::make_shared<QuerySession>(L"127.0.0.1:1");
  dead->SetOwnerWindow(owner_.hwnd());
  dead->queryClient.SetTimeout(2000);
  owner_.Reset();
  std::thread worker(QueryWorker, dead, ReadStations(fromEdit_, toEdit_));
  EXPECT_TRUE(PumpUntil([&] { return owner_.Count(WM_TICKET_QUERY_DONE) > 0; }, 30000));
  worker.join();
  EXPECT_EQ(1, owner_.Count(WM_TICKET_QUERY_DONE));
  EXPECT_EQ(0u, dead->rows.Size());
  std::vector<TicketRow> none;
  EXPECT_FALSE(dead->TakeNewRows(none));
}

TEST_F(QueryWorkerTest, FinishesWhileTheUserInterfaceThreadWaitsForIt) {
  SetWindowTextW(fromEdit_, L" 北京");
  SetWindowTextW(toEdit_, L"上海\t");
  owner_.Reset();
  const UniqueKernelHandle finished(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(finished);
  std::thread worker([this, &finished, stations = ReadStations(fromEdit_, toEdit_)] {
    QueryWorker(session_, stations);
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
  EXPECT_GE(session_->rows.Size(), 25u);
  EXPECT_EQ("GET " + BuildQueryPath(L"北京", L"上海") + " HTTP/1.1\n", SharedDemoSite().RequestLog());

  // The completion message is waiting; the rows are taken once, on this
  // thread, when it is handled.
  EXPECT_TRUE(PumpUntil([&] { return owner_.Count(WM_TICKET_QUERY_DONE) > 0; }, 5000));
  PumpUntil([] { return false; }, 150);
  EXPECT_EQ(1, owner_.Count(WM_TICKET_QUERY_DONE));
  TakeRows();
  EXPECT_EQ(1, takes_);
  EXPECT_GE(taken_.size(), 25u);
  TakeRows();
  EXPECT_EQ(1, takes_);
}

TEST_F(QueryWorkerTest, ReadsEveryRowOfALargeTable) {
  RunWorker(L"fault-rows-2000", L"x");
  const std::vector<TicketRow> rows = session_->rows.Snapshot();
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
  EXPECT_EQ(3u, session_->rows.Size());
  EXPECT_EQ(1, takes_);
  RunWorker(L"fault-rows-10000", L"x");
  EXPECT_EQ(kMaxResultRows, taken_.size());
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

// The page closes while its worker waits on a server that never answers: the
// worker keeps the session alive by itself, ends with its time-out and posts
// nothing to the window that is gone.
TEST(QuerySession, ClosedSessionOutlivesItsPageAndHearsNothing) {
  SilentServer silent;
  ASSERT_NE(0, silent.Port());
  MessageCounterWindow owner;
  auto session = std::make_shared<QuerySession>(silent.HostPort().c_str());
  session->SetOwnerWindow(owner.hwnd());
  session->queryClient.SetTimeout(1500);
  std::weak_ptr<QuerySession> watch = session;
  std::thread worker(QueryWorker, session, QueryStations{L"北京", L"上海"});
  ASSERT_TRUE(PumpUntil([&] { return silent.Connections() > 0; }, 5000));

  // What the page does when it goes: close, then let go of the session.
  session->Close();
  session.reset();
  worker.join();
  EXPECT_TRUE(watch.expired());
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(0, owner.Count(WM_TICKET_QUERY_DONE));
}
