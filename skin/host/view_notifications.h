// Notifications a host window sends to its parent with WM_NOTIFY, and the
// element ids with a fixed meaning in the header of a skinned frame.
#pragma once

#include <windows.h>

// The control id of the view that fills a skinned frame.
constexpr UINT VIEW_ID = 1000;

// A click on an element with an id (or a frame's OK, Cancel and maximise).
constexpr UINT SKN_COMMAND = 1;
// The mouse entered or left the view: the standard header alone.
constexpr UINT SKN_MOUSEENTER = 3;
constexpr UINT SKN_MOUSELEAVE = 4;

struct CommandNotify {
  NMHDR hdr;                // hwndFrom: the view (or frame); idFrom: VIEW_ID; code: SKN_COMMAND
  int uItemID;              // the clicked element's id
  const char* szItemClass;  // the element's tag; "" when the sender is not an element
};

// Header elements of a skinned frame.
constexpr int ID_CLOSE = 60001;
constexpr int ID_MAXIMIZE = 60002;
constexpr int ID_MINIMIZE = 60003;
constexpr int ID_TITLE = 60004;
