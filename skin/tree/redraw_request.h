// An element asks its host window to repaint part of it (SKN_REDRAWRECT).
#pragma once

#include <windows.h>

class CBkWindow;

// Sends the redraw request for `rect` to the element's host window, with
// wParam the element's id. Nothing is sent while the element or an ancestor
// is hidden, or when the host window does not exist. The host's handler runs
// before this returns: callers look their element up again afterwards.
bool SendRedrawRequest(const CBkWindow& element, const RECT& rect);
