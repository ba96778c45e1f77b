// Reading a window's text on the thread that owns the window.
#pragma once

#include <windows.h>

#include <string>

// The whole text of a window (WM_GETTEXT), or "" when there is no window. A
// window of another thread is read through that thread: call it on the thread
// that owns the window, never from a worker.
std::wstring ReadWindowText(HWND window);
