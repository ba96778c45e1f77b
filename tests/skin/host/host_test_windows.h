// Windows for the host tests: a glue window that records what it receives
// and lets a test handle messages, and reading a window's pixels back.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/host/window_impl.h"
#include "tests/support/dib_canvas.h"

struct RecordedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// A window of its own class ("TavoraTestWindow", overlapped by default) or,
// with `superclass`, a superclass of that class. Every message is recorded;
// `handler`, when set, may handle it.
class RecordingWindow : public CWindowImplBase {
 public:
  using Handler = std::function<bool(RecordingWindow&, UINT, WPARAM, LPARAM, LRESULT&)>;

  explicit RecordingWindow(const wchar_t* superclass = nullptr) : superclass_(superclass) {}
  ~RecordingWindow() override;

  Handler handler;
  std::function<void(HWND)> onFinal;
  std::vector<RecordedMessage> messages;

  // Recorded messages of one kind, in arrival order.
  std::vector<RecordedMessage> Received(UINT message) const;
  int Count(UINT message) const { return static_cast<int>(Received(message).size()); }

  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void OnFinalMessage(HWND hwnd) override;
  WindowClassInfo& GetWindowClassInfo() const override;

 private:
  const wchar_t* superclass_;
};

// Copies the client area of `hwnd`, as it is on the screen, into a canvas
// (GetDC of the window and BitBlt).
bool CaptureClient(HWND hwnd, DibCanvas& canvas);
// The whole client area of `hwnd`, painted first (UpdateWindow), in a canvas
// of its size; a failed copy is a test failure.
std::unique_ptr<DibCanvas> CaptureWholeClient(HWND hwnd);

// Shows a top-level window, makes it the foreground window and pumps until it
// is active.
bool BringToFront(HWND hwnd);

// Sends real key strokes through SendInput: each entry is a virtual key,
// pressed when positive and released when negative.
void SendKeys(const std::vector<int>& strokes);
// Types text through SendInput as Unicode characters.
void SendUnicodeText(const std::wstring& text);

std::wstring WindowText(HWND hwnd);
