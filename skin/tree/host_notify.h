// How an element asks its host window to repaint part of it, tells it a new
// size, and reports a click to the host's parent: all are WM_NOTIFY records
// (notifications.h), sent only while the host window exists.
#pragma once

#include <windows.h>

class CBkWindow;

// Sends SKN_REDRAWRECT for `rect` to the element's host, with wParam the
// element's id, when the element and every ancestor are visible and the host
// window exists; false when nothing was sent. The caller looks the element up
// again afterwards: the host's handler may change the tree.
bool SendRedrawRequest(const CBkWindow& element, const RECT& rect);

// Sends SKN_REALWNDRESIZED with `id` and `rect` to `host`, as if from the host
// itself. Nothing without a host. The caller looks its element up again.
void SendResizedNotice(HWND host, int id, const RECT& rect);

// Sends SKN_COMMAND with `itemId` and `itemClass` to the parent of `host`, as
// if from the host itself (its window and control id). Nothing without a host
// or a parent.
void SendCommandFromHost(HWND host, int itemId, const char* itemClass);

// Tells assistive technology of a change of the element (EVENT_OBJECT_*): the
// host window, OBJID_CLIENT and the element's handle as child id. Nothing
// without a host window. It calls no handler of ours.
void AnnounceElementEvent(const CBkWindow& element, DWORD event);
