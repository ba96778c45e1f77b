// Keys that belong to the skinned frame wherever the keyboard focus is in it:
// Tab and Shift+Tab (the focus walk), Ctrl+Tab and Ctrl+1 … Ctrl+9 (pages),
// Alt+letter (access keys, and Alt+Space for the system menu). The host
// windows (the dialog view, the edit boxes, the list) pass their keyboard
// messages through ForwardFrameKey first.
#pragma once

#include <windows.h>

// Posts the frame's keys to the top-level window of `from` and answers true
// (the caller drops the message); answers false for every other key. Alt
// pressed or released also shows or hides the access-key underlines of the
// whole window (WM_CHANGEUISTATE), without consuming the message.
bool ForwardFrameKey(HWND from, UINT message, WPARAM key, LPARAM keyData);

// Whether WM_KEYDOWN `key` with the current modifier keys is one of the
// frame's keys.
bool IsFrameKeyDown(WPARAM key);
