// Bringing a window of the program to the user: the running instance's for a
// second start, the main window's for a click on its notification icon.
#pragma once

#include <windows.h>

// Brings `window` forward: restores it when minimised, shows it without
// moving, sizing or activating it, makes it the foreground window and gives
// it the focus. A null or stale handle (a closing instance's) does nothing,
// and a hung window's restore is waited for at most a few seconds.
void BringWindowForward(HWND window);
