#include "app/platform/ui_tasks.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <vector>

#include "app/platform/worker_thread.h"
#include "tests/support/test_support.h"

namespace {

// Posts `count` tasks from a thread of their own; each appends its number
// and the thread it ran on.
UniqueKernelHandle PostNumbers(const UiTaskPoster& poster, int first, int count, std::vector<int>& order,
                               std::vector<DWORD>& threads) {
  return StartThread([=, &order, &threads] {
    for (int i = first; i < first + count; ++i) {
      poster.Post([i, &order, &threads] {
        order.push_back(i);
        threads.push_back(GetCurrentThreadId());
      });
    }
  });
}

// Counts how often its int is freed.
struct CountFree {
  int* frees;
  void operator()(int* value) const {
    ++*frees;
    delete value;
  }
};
using CountedInt = std::unique_ptr<int, CountFree>;

}  // namespace

TEST(UiTaskQueue, RunsTasksOfOtherThreadsHereInOrder) {
  UiTaskQueue queue;
  ASSERT_TRUE(queue.IsOpen());
  std::vector<int> order;
  std::vector<DWORD> threads;
  const UniqueKernelHandle poster = PostNumbers(queue.Poster(), 0, 500, order, threads);
  ASSERT_TRUE(poster);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(poster.get(), 10000));
  // Nothing runs until this thread reads its messages.
  EXPECT_TRUE(order.empty());
  ASSERT_TRUE(PumpUntil([&] { return order.size() == 500; }, 5000));
  for (int i = 0; i < 500; ++i) ASSERT_EQ(i, order[i]);
  for (const DWORD thread : threads) ASSERT_EQ(GetCurrentThreadId(), thread);
}

// A task that runs a message loop of its own (a message box) leaves the
// tasks after it to that loop, still in order.
TEST(UiTaskQueue, ANestedLoopRunsTheLaterTasksInOrder) {
  UiTaskQueue queue;
  const UiTaskPoster poster = queue.Poster();
  std::vector<int> order;
  poster.Post([&] {
    order.push_back(0);
    poster.Post([&] { order.push_back(2); });
    PumpUntil([&] { return order.size() == 3; }, 2000);
    order.push_back(3);
  });
  poster.Post([&] { order.push_back(1); });
  PumpUntil([&] { return order.size() == 4; }, 5000);
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), order);
}

// Closing drops what waits and refuses what comes later: neither runs, and
// the data each task owns is freed at once.
TEST(UiTaskQueue, ClosedQueueFreesTasksWithoutRunningThem) {
  UiTaskQueue queue;
  const UiTaskPoster poster = queue.Poster();
  auto waiting = std::make_shared<int>(1);
  auto late = std::make_shared<int>(2);
  const std::weak_ptr<int> waitingWatch = waiting, lateWatch = late;
  int ran = 0;
  EXPECT_TRUE(poster.Post([&ran, data = std::move(waiting)] { ran += *data; }));
  // A task may close the queue; the task after it does not run either.
  EXPECT_TRUE(poster.Post([&queue] { queue.Close(); }));
  EXPECT_TRUE(poster.Post([&ran] { ran += 100; }));
  PumpUntil([&] { return !queue.IsOpen(); }, 5000);
  EXPECT_EQ(1, ran);
  EXPECT_FALSE(poster.Post([&ran, data = std::move(late)] { ran += *data; }));
  EXPECT_TRUE(lateWatch.expired());
  EXPECT_TRUE(waitingWatch.expired());
  PumpUntil([] { return false; }, 100);
  EXPECT_EQ(1, ran);
}

// A task that throws ends there, with what it holds; the exception never
// unwinds through the system's message dispatch, and the tasks after it run.
TEST(UiTaskQueue, ATaskThatThrowsFailsAloneAndTheQueueGoesOn) {
  UiTaskQueue queue;
  const UiTaskPoster poster = queue.Poster();
  auto data = std::make_shared<int>(1);
  const std::weak_ptr<int> watch = data;
  std::vector<int> order;
  EXPECT_TRUE(poster.Post([&order, data = std::move(data)] {
    order.push_back(*data);
    throw std::bad_alloc();
  }));
  EXPECT_TRUE(poster.Post([&order] { order.push_back(2); }));
  ASSERT_TRUE(PumpUntil([&] { return order.size() == 2; }, 5000));
  EXPECT_EQ((std::vector<int>{1, 2}), order);
  EXPECT_TRUE(watch.expired());
  EXPECT_TRUE(queue.IsOpen());
}

// Tasks and thread bodies own what they hold, also what only moves (a handle,
// a buffer): it goes with a task that ran, and at once with one refused.
TEST(UiTaskQueue, TasksAndThreadBodiesOwnWhatOnlyMoves) {
  UiTaskQueue queue;
  const UiTaskPoster poster = queue.Poster();
  int frees = 0;
  int seen = 0;
  CountedInt owned(new int(5), CountFree{&frees});
  const UniqueKernelHandle thread = StartThread([poster, &seen, owned = std::move(owned)]() mutable {
    poster.Post([&seen, owned = std::move(owned)] { seen = *owned; });
  });
  ASSERT_TRUE(thread);
  ASSERT_TRUE(PumpUntil([&] { return seen == 5; }, 5000));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 5000));
  EXPECT_EQ(1, frees) << "freed once, with the task that ran";
  queue.Close();
  EXPECT_FALSE(poster.Post([refused = CountedInt(new int(6), CountFree{&frees})] {}));
  EXPECT_EQ(2, frees) << "a refused task is freed at once";
}

TEST(StartThread, AnEscapingExceptionEndsOnlyItsThread) {
  const UniqueKernelHandle thread = StartThread([] { throw std::bad_alloc(); });
  ASSERT_TRUE(thread);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 10000));
  DWORD code = STILL_ACTIVE;
  EXPECT_TRUE(GetExitCodeThread(thread.get(), &code));
  EXPECT_EQ(0u, code);
  EXPECT_FALSE(StartThread(nullptr));
}
