// The one way the program starts a thread.
#pragma once

#include "app/platform/move_only_function.h"
#include "skin/resources/unique_handle.h"

using ThreadBody = MoveOnlyFunction<void()>;

// Runs `body` on a new thread. The handle is the caller's to wait on or to
// drop; dropping it does not end the thread, which then finishes on its own
// and frees what `body` holds. Null when no thread starts (no memory, no
// thread): `body` is then destroyed without running.
//
// An exception that escapes `body` ends that thread's work, never the process:
// a body that must report an outcome catches what it can fail with itself
// (std::bad_alloc above all) and reports it as a failed operation.
UniqueKernelHandle StartThread(ThreadBody body);
