// WinINet handles: their owner type and the time-outs every handle of the
// program carries.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "skin/resources/unique_handle.h"

// Root, connection and request handles alike. Closing a root handle closes
// the handles opened from it, so an owner of a connection or request must be
// reset before the owner of its root.
using InternetHandleTraits = NullInvalidTraits<HINTERNET, InternetCloseHandle>;
using InternetHandle = UniqueHandle<InternetHandleTraits>;
using BorrowedInternetHandle = BorrowedHandle<InternetHandleTraits>;

// Sets the connect, send and receive time-outs of `handle` to `milliseconds`
// (nothing without a handle). Whether a handle passes them on to the handles
// opened from it differs between WinINet implementations, so every handle
// that waits gets its own.
void SetInternetTimeouts(HINTERNET handle, DWORD milliseconds);
