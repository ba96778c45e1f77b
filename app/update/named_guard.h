// Named kernel objects that another program of the user cannot make first.
//
// The program runs elevated, but its named objects live in the session's
// namespace, where any program of the session may create a name first. An
// object is therefore made with a security descriptor whose owner is the
// Administrators group (an unelevated token can name no such owner: its
// Administrators entry only denies) and that grants access to that owner and
// to the system only; an object found under the name counts as the
// program's own only when its owner is that owner or the system. A process
// that is not an elevated administrator (Windows XP) uses its own user.
#pragma once

#include <windows.h>

#include <functional>

#include "skin/resources/unique_handle.h"

enum class NamedObjectState {
  kCreated,  // this call made the object
  kFound,    // the object existed and is the program's own
  kTaken,    // the name cannot be had: another program holds it, or it could not be made
};

// Creates or opens a named object through `create`, which gets the security
// attributes to make it with and returns the handle (null on failure) as
// CreateMutexW or CreateFileMappingW do. `object` receives the handle for
// kCreated and kFound and is empty for kTaken.
NamedObjectState CreateNamedObject(const std::function<HANDLE(SECURITY_ATTRIBUTES*)>& create,
                                   UniqueKernelHandle& object);

// Whether `object` is owned by the owner this process gives its named
// objects, or by the system.
bool IsOwnNamedObject(HANDLE object);
