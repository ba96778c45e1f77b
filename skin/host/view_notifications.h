// Notifications a host window sends to its parent with WM_NOTIFY, and the
// element ids with a fixed meaning in the header of a skinned frame. The
// click record (SKN_COMMAND) is the tree's, since rich text sends it too.
#pragma once

#include <windows.h>

#include "skin/tree/notifications.h"

// The control id of the view that fills a skinned frame.
constexpr UINT VIEW_ID = 1000;

// The mouse entered or left the view: the standard header alone.
constexpr UINT SKN_MOUSEENTER = 3;
constexpr UINT SKN_MOUSELEAVE = 4;

// Header elements of a skinned frame.
constexpr int ID_CLOSE = 60001;
constexpr int ID_MAXIMIZE = 60002;
constexpr int ID_MINIMIZE = 60003;
constexpr int ID_TITLE = 60004;
