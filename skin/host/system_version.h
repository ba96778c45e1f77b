// The version of the running Windows, as the system reports it to this
// program.
#pragma once

#include <windows.h>

// Major and minor version; false when the system does not answer.
bool ReadSystemVersion(DWORD& major, DWORD& minor);
