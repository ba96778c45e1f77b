// How the window tells a user who is looking elsewhere that a watched train
// gained tickets: the taskbar button flashes, and an icon in the notification
// area shows a balloon. The icon stays while the watch runs; its clicks reach
// the window as `callbackMessage`.
#pragma once

#include <windows.h>

#include <string>

class TrayNotice {
 public:
  TrayNotice() = default;
  ~TrayNotice() { Remove(); }
  TrayNotice(const TrayNotice&) = delete;
  TrayNotice& operator=(const TrayNotice&) = delete;

  // Adds the icon when it is not there yet and shows the balloon. False when
  // the notification area refused it (the flash happens regardless).
  bool Show(HWND window, UINT callbackMessage, HICON icon, const std::wstring& title, const std::wstring& text);
  // Takes the icon out of the notification area.
  void Remove();
  bool IsShown() const { return window_ != nullptr; }

 private:
  HWND window_ = nullptr;
};

// Flashes `window`'s taskbar button until the window comes forward.
void FlashTaskbarButton(HWND window);
// Ends the flashing.
void StopFlashing(HWND window);
