// Notifications the element tree sends to its host window with WM_NOTIFY. Each
// record starts with the standard header (sender window, sender control id,
// code); the host passes them on unchanged to its own parent.
#pragma once

#include <windows.h>

// A click on an element with an id (from a host), or on a rich-text link
// (from the rich text itself, with the host's window and control id).
constexpr UINT SKN_COMMAND = 1;

struct CommandNotify {
  NMHDR hdr;                // hwndFrom: the host (or frame); idFrom: its control id; code: SKN_COMMAND
  int uItemID;              // the clicked element's (or link's) id
  const char* szItemClass;  // the element's tag; "" when the sender is not an element
};

// A "realwnd" element moved or resized its native window.
constexpr UINT SKN_REALWNDRESIZED = 2;

struct RealWndResizedNotify {
  NMHDR hdr;  // hwndFrom: the host window; idFrom: its control id; code: SKN_REALWNDRESIZED
  int id;     // the element's id (the native window's control id)
  RECT rect;  // the element's new rectangle in the host's client coordinates
};

// An element asks its host to repaint part of the host's client area.
constexpr UINT SKN_REDRAWRECT = 1000;

struct RedrawRectNotify {
  NMHDR hdr;            // hwndFrom: null; idFrom: the element's id; code: SKN_REDRAWRECT
  unsigned int hbkWnd;  // the element's handle
  RECT rect;            // the area to repaint, in the host's client coordinates
};

// A tab control asks its owner before another page is selected.
constexpr UINT SKN_TABSELCHANGE = 5;

struct TabSelChangeNotify {
  NMHDR hdr;    // hwndFrom: the host window; idFrom: its control id; code: SKN_TABSELCHANGE
  int id;       // the tab control's element id
  int newSel;   // the index asked for
  int oldSel;   // the index selected now
  int cancel;   // sent as 0; the owner sets it non-zero to refuse the change
};
