// A real parent window with a real child host window, for elements that talk
// to their host: the host records the redraw requests and height notices it
// is sent, the parent the click records and the button releases posted to it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "skin/tree/notifications.h"

struct SeenCommand {
  HWND from;
  UINT_PTR fromId;
  WPARAM wParam;
  int item;
  std::string itemClass;
};

class NotifyHost {
 public:
  // The host is a visible child of a hidden parent, with control id `controlId`.
  explicit NotifyHost(int controlId = 1000);
  ~NotifyHost();
  NotifyHost(const NotifyHost&) = delete;
  NotifyHost& operator=(const NotifyHost&) = delete;

  HWND host() const { return host_; }
  HWND parent() const { return parent_; }

  // The first parameters of the WM_LBUTTONUP messages posted to the parent
  // since the last call, in order (taken from its queue).
  std::vector<WPARAM> TakePostedReleases();

  std::vector<RedrawRectNotify> redraws;
  std::vector<RealWndResizedNotify> heightNotices;
  std::vector<SeenCommand> commands;
  // Run after each redraw request or height notice is recorded.
  std::function<void()> onRedraw;
  std::function<void()> onHeightNotice;

  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  HWND parent_ = nullptr;
  HWND host_ = nullptr;
};
