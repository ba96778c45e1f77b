// A page's search button and the busy image that takes its place while the
// page's query runs, its frames moved on by a timer of the page's own.
#pragma once

#include <windows.h>

class CMainDlg;

class BusySearch {
 public:
  BusySearch(int button, int image, UINT_PTR timer) : button_(button), image_(image), timer_(timer) {}

  // The image in the button's place, animated.
  void Begin(CMainDlg& owner);
  // The button back.
  void End(CMainDlg& owner);
  // A WM_TIMER of the window: true (and the image's next frame) when it was
  // this one's timer.
  bool OnTimer(CMainDlg& owner, UINT_PTR timer);

 private:
  const int button_;
  const int image_;
  const UINT_PTR timer_;
  // The frames go on from where the last query left them.
  int counter_ = 0;
};
