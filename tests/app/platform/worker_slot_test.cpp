// The page's one worker at a time: busy until its result has been handled on
// this thread, whatever its thread still does after handing the result over.
#include "app/platform/worker_slot.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <utility>

#include "tests/support/test_support.h"

namespace {

// Held by a job: its thread cannot end before `release` is set, because the
// job (and this with it) is freed only after the result has been handed over.
class HoldsThread {
 public:
  explicit HoldsThread(HANDLE release) : release_(release) {}
  ~HoldsThread() { WaitForSingleObject(release_, 10000); }
  HoldsThread(const HoldsThread&) = delete;
  HoldsThread& operator=(const HoldsThread&) = delete;

 private:
  HANDLE release_;
};

}  // namespace

// A thread that has handed its result over but not yet ended does not keep
// the next job out: a click on search right after an answer starts a query.
TEST(WorkerSlot, FreeOnceTheResultIsHandledWhileItsThreadStillEnds) {
  const UniqueKernelHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(release);
  WorkerSlot slot;
  std::vector<int> results;
  auto first = [hold = std::make_unique<HoldsThread>(release.get())] { return 1; };
  ASSERT_TRUE(slot.Start(std::move(first), [&](int value) { results.push_back(value); }));
  EXPECT_TRUE(slot.Running());
  EXPECT_FALSE(slot.Start([] { return 9; }, [&](int value) { results.push_back(value); })) << "one job at a time";

  ASSERT_TRUE(PumpUntil([&] { return results.size() == 1; }, 10000));
  EXPECT_FALSE(slot.WaitForThread(0)) << "the first job's thread is still held";
  EXPECT_FALSE(slot.Running());
  EXPECT_TRUE(slot.Start([] { return 2; }, [&](int value) { results.push_back(value); }));
  SetEvent(release.get());
  ASSERT_TRUE(PumpUntil([&] { return results.size() == 2; }, 10000));
  EXPECT_EQ((std::vector<int>{1, 2}), results);
  EXPECT_TRUE(slot.WaitForThread(10000));
}

// A job owns what it holds and may hand over a result that only moves; a
// result dropped by a closing slot is freed unseen, and so is a job that
// could not hand its result over.
TEST(WorkerSlot, ClosingDropsTheResultAndFreesWhatItHolds) {
  std::weak_ptr<int> watch;
  int handled = 0;
  {
    WorkerSlot slot;
    auto data = std::make_shared<int>(7);
    watch = data;
    const UniqueKernelHandle go(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(slot.Start(
        [data = std::move(data), gate = go.get()] {
          WaitForSingleObject(gate, 10000);
          return std::make_unique<std::shared_ptr<int>>(data);
        },
        [&](std::unique_ptr<std::shared_ptr<int>>) { ++handled; }));
    slot.Close(0);
    EXPECT_FALSE(slot.Start([] { return 0; }, [&](int) { ++handled; })) << "a closed slot takes no job";
    SetEvent(go.get());
    EXPECT_TRUE(slot.WaitForThread(10000));
    PumpUntil([] { return false; }, 100);
  }
  EXPECT_EQ(0, handled);
  EXPECT_TRUE(watch.expired());
}

// A job that throws ends without a result and leaves the slot free: the
// page is never left waiting for an answer that cannot come.
TEST(WorkerSlot, AJobThatThrowsFreesTheSlot) {
  WorkerSlot slot;
  int handled = 0;
  ASSERT_TRUE(slot.Start([]() -> std::string { throw std::bad_alloc(); }, [&](std::string) { ++handled; }));
  EXPECT_TRUE(slot.WaitForThread(10000));
  EXPECT_FALSE(slot.Running());
  ASSERT_TRUE(slot.Start([] { return std::string("next"); }, [&](std::string) { ++handled; }));
  EXPECT_TRUE(PumpUntil([&] { return handled == 1; }, 10000));
}
