// Whether this process runs below the high integrity level on a Windows that
// has integrity levels, and starting a program through the shell, elevated
// when asked.
#pragma once

#include <windows.h>

#include <string>

// The decision itself: true on Windows Vista and later (major version 6 or
// more) when the integrity RID is below the high mandatory level (0x3000).
bool IntegrityNeedsElevation(DWORD majorVersion, DWORD integrityRid);

// Reads this process's integrity RID from its token; false when the token or
// its integrity level cannot be read.
bool ReadProcessIntegrityRid(DWORD& rid);

// True when this process should relaunch itself elevated: a Windows with
// integrity levels and a token below high integrity. Any failure to read the
// version or the token answers false (no elevation needed).
bool NeedsElevation();

// Starts `path` with `parameters` through the shell: the verb "runas" when
// `elevate` (which asks the user for elevation), else "open". Waits for the
// process without limit only when `wait`. True when the start succeeded; a
// path that is empty or MAX_PATH characters or longer is refused. The shell
// shows no error box of its own: callers report failures themselves.
bool LaunchProcess(const std::wstring& path, const std::wstring& parameters, bool elevate, bool wait);
