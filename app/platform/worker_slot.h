// One background job at a time for a page of the window: the job runs on a
// thread of its own (StartThread) and its result comes back to the
// user-interface thread as a task of the slot's own queue.
//
// The slot is busy from Start until the job's result has been handed to
// `done`, not until the job's thread has ended: the thread hands its result
// over and only then ends, so a page that asked its thread would refuse a
// new job for the moment in between.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <utility>

#include "app/platform/ui_tasks.h"
#include "app/platform/worker_thread.h"
#include "skin/resources/unique_handle.h"

class WorkerSlot {
 public:
  // Call on the user-interface thread: the slot's queue is made there.
  WorkerSlot() = default;
  ~WorkerSlot() { Close(0); }
  WorkerSlot(const WorkerSlot&) = delete;
  WorkerSlot& operator=(const WorkerSlot&) = delete;

  // Runs `job` on a new thread and hands its result to `done` on this
  // thread. False (and neither is called) while a job is running, after
  // Close, or when no thread starts. The job must not wait for this thread;
  // one that throws, or whose result cannot be handed over for lack of
  // memory, frees the slot without calling `done`.
  template <typename Job, typename Done>
  bool Start(Job job, Done done) {
    if (Running() || !tasks_.IsOpen()) return false;
    // A finished job's thread ends on its own.
    thread_.reset();
    auto pending = std::make_shared<std::atomic<bool>>(true);
    pending_ = pending;
    thread_ = StartThread([job = std::move(job), done = std::move(done), pending, poster = tasks_.Poster()]() mutable {
      bool handedOver = false;
      try {
        handedOver = poster.Post([result = job(), done = std::move(done), pending]() mutable {
          pending->store(false);
          done(std::move(result));
        });
      } catch (...) {
        // The job failed: no result, and the slot is free again.
      }
      if (!handedOver) pending->store(false);
    });
    if (!thread_) pending_.reset();
    return static_cast<bool>(thread_);
  }

  // Whether a job's result is still to come.
  bool Running() const { return pending_ && pending_->load(); }
  // Whether the last job's thread has ended within `waitMs` (true when none
  // ran).
  bool WaitForThread(DWORD waitMs) const;
  // Drops a result not yet handed over (unrun, its data freed), takes no job
  // afterwards, and waits at most `waitMs` for the last job's thread, which
  // otherwise finishes on its own.
  void Close(DWORD waitMs);

 private:
  UiTaskQueue tasks_;
  UniqueKernelHandle thread_;
  // The running job's "result still to come", shared with its thread.
  std::shared_ptr<std::atomic<bool>> pending_;
};
