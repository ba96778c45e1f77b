// The one way work reaches the user-interface thread.
//
// The user-interface thread owns a UiTaskQueue: a hidden message-only window
// and a list of tasks. Any thread hands a task (a callable that owns its
// data) to a UiTaskPoster, a copyable reference to the queue; the task runs
// later on the user-interface thread, in the order posted, inside whatever
// message loop that thread runs. Once the queue is closed (or destroyed) no
// task runs any more: tasks still waiting and tasks posted later are only
// destroyed, so a task may refer to objects that live as long as the queue.
#pragma once

#include <memory>

#include "app/platform/move_only_function.h"

// A task owns its data (it may hold a handle or a buffer) and runs at most
// once; one that throws ends there, its data freed, and the queue goes on.
using UiTask = MoveOnlyFunction<void()>;

class UiTaskPoster {
 public:
  struct State;

  UiTaskPoster() = default;
  explicit UiTaskPoster(std::shared_ptr<State> state) : state_(std::move(state)) {}

  // From any thread. False when the queue has closed (or there is none, or
  // no memory): `task` is then destroyed on the calling thread, unrun.
  bool Post(UiTask task) const;

 private:
  std::shared_ptr<State> state_;
};

class UiTaskQueue {
 public:
  // Call on the user-interface thread: the window is made there.
  UiTaskQueue();
  ~UiTaskQueue();
  UiTaskQueue(const UiTaskQueue&) = delete;
  UiTaskQueue& operator=(const UiTaskQueue&) = delete;

  UiTaskPoster Poster() const { return UiTaskPoster(state_); }
  // Drops every waiting task and refuses later ones; a task may call it.
  // Call on the user-interface thread before anything the tasks refer to
  // goes. A task must not destroy the queue itself.
  void Close();
  // Whether the queue runs tasks (its window exists and it is not closed).
  bool IsOpen() const;

 private:
  class Window;
  std::shared_ptr<UiTaskPoster::State> state_;
  std::unique_ptr<Window> window_;
};
