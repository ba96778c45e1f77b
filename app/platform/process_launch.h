// Starting a program: through the shell (the elevation relaunch, the
// downloaded setup), or directly with its standard output read back (the
// window's "-Update:" instance, which says there when the setup has started).
#pragma once

#include <windows.h>

#include <string>

#include "skin/resources/unique_handle.h"

// Starts `path` with `parameters` through the shell: the verb "runas" when
// `elevate` (which asks the user for elevation), else "open". Waits for the
// process without limit only when `wait`. True when the start succeeded; a
// path that is empty or MAX_PATH characters or longer is refused. The shell
// shows no error box of its own: callers report failures themselves.
bool LaunchProcess(const std::wstring& path, const std::wstring& parameters, bool elevate, bool wait);
// The same without waiting, handing back the started process (empty when
// nothing started, or when the shell gave no process handle).
UniqueKernelHandle LaunchProcessHandle(const std::wstring& path, const std::wstring& parameters, bool elevate);

// A program started with its standard output going to a pipe of ours.
struct ProcessWithOutput {
  UniqueKernelHandle process;
  UniqueKernelHandle output;  // the pipe's read end
};
// Starts `path` with `parameters` directly (with this process's own rights
// and environment), its standard output the write end of a new pipe and no
// standard input or error. Empty handles when it did not start; the same
// path limit as above.
ProcessWithOutput StartProcessWithOutput(const std::wstring& path, const std::wstring& parameters);
