// Starting a program through the shell: the elevation relaunch, the
// downloaded setup and the program's own "-Update:" instance.
#pragma once

#include <windows.h>

#include <string>

// Starts `path` with `parameters` through the shell: the verb "runas" when
// `elevate` (which asks the user for elevation), else "open". Waits for the
// process without limit only when `wait`. True when the start succeeded; a
// path that is empty or MAX_PATH characters or longer is refused. The shell
// shows no error box of its own: callers report failures themselves.
bool LaunchProcess(const std::wstring& path, const std::wstring& parameters, bool elevate, bool wait);
