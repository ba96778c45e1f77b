// A real, hidden host window that keeps every WM_NOTIFY record the element
// tree sends it (redraw requests and tab selection questions) and lets a test
// answer the tab questions.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "skin/tree/notifications.h"

class NotifyRecorder {
 public:
  explicit NotifyRecorder(int controlId = 1000);
  ~NotifyRecorder();
  NotifyRecorder(const NotifyRecorder&) = delete;
  NotifyRecorder& operator=(const NotifyRecorder&) = delete;

  HWND hwnd() const { return hwnd_; }
  int ControlId() const { return controlId_; }

  std::vector<RedrawRectNotify> redraws;
  std::vector<TabSelChangeNotify> tabQuestions;
  // Runs for each tab question before it is recorded; it may set `cancel`.
  std::function<void(TabSelChangeNotify&)> onTabQuestion;
  // Runs for each redraw request after it is recorded.
  std::function<void(const RedrawRectNotify&)> onRedraw;

  void Clear() {
    redraws.clear();
    tabQuestions.clear();
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  int controlId_;
};
