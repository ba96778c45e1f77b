// Whether this process runs below the high integrity level on a Windows that
// has integrity levels.
#pragma once

#include <windows.h>

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
