#include "app/platform/ui_tasks.h"

#include <windows.h>

#include <deque>
#include <mutex>
#include <new>

#include "skin/host/window_impl.h"

namespace {

constexpr UINT kRunTasks = WM_APP + 1;

}  // namespace

struct UiTaskPoster::State {
  std::mutex lock;
  std::deque<UiTask> tasks;
  HWND window = nullptr;
  bool closed = false;
  // A wake-up message is on its way; one is enough for any number of tasks.
  bool wakePending = false;

  // The next task to run; empty when there is none or the queue has closed.
  UiTask Next() {
    std::lock_guard<std::mutex> guard(lock);
    UiTask task;
    if (closed || tasks.empty()) return task;
    task = std::move(tasks.front());
    tasks.pop_front();
    return task;
  }
};

bool UiTaskPoster::Post(UiTask task) const {
  if (!state_ || !task) return false;
  State& state = *state_;
  std::unique_lock<std::mutex> guard(state.lock);
  if (state.closed) {
    guard.unlock();
    return false;  // `task` goes with this call, outside the lock
  }
  try {
    state.tasks.push_back(std::move(task));
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!state.wakePending) state.wakePending = PostMessageW(state.window, kRunTasks, 0, 0) != FALSE;
  return true;
}

// Runs the tasks when its wake-up arrives. Tasks are taken one at a time, so
// a task that runs a nested message loop (a message box) leaves the rest in
// the queue, in order, for that loop.
class UiTaskQueue::Window : public CWindowImplBase {
 public:
  explicit Window(std::shared_ptr<UiTaskPoster::State> state) : state_(std::move(state)) {}

  bool ProcessWindowMessage(HWND, UINT message, WPARAM, LPARAM, LRESULT& result) override {
    if (message != kRunTasks) return false;
    {
      std::lock_guard<std::mutex> guard(state_->lock);
      state_->wakePending = false;
    }
    while (UiTask task = state_->Next()) {
      // An exception must not unwind through the system's message dispatch:
      // the task has failed, and goes here with what it holds.
      try {
        task();
      } catch (...) {
      }
    }
    result = 0;
    return true;
  }

  WindowClassInfo& GetWindowClassInfo() const override {
    static WindowClassInfo info = [] {
      WindowClassInfo value;
      value.className = L"TavoraUiTasks";
      value.cursor = nullptr;
      return value;
    }();
    return info;
  }

 private:
  std::shared_ptr<UiTaskPoster::State> state_;
};

UiTaskQueue::UiTaskQueue() : state_(std::make_shared<UiTaskPoster::State>()) {
  window_ = std::make_unique<Window>(state_);
  const HWND window = window_->Create(HWND_MESSAGE, nullptr, nullptr, WS_POPUP);
  std::lock_guard<std::mutex> guard(state_->lock);
  state_->window = window;
  state_->closed = window == nullptr;
}

UiTaskQueue::~UiTaskQueue() { Close(); }

void UiTaskQueue::Close() {
  std::deque<UiTask> dropped;
  {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->closed = true;
    state_->window = nullptr;
    dropped.swap(state_->tasks);
  }
  // `dropped` frees the tasks' data here, outside the lock. The window stays
  // until the queue goes, since a task may be the one closing it.
}

bool UiTaskQueue::IsOpen() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return !state_->closed;
}
