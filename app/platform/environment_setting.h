// Durations that tests shorten through the environment; the program itself
// runs with the defaults.
#pragma once

#include <windows.h>

// The decimal number of milliseconds in the environment variable `name`,
// from 1 to `maxMs`; `defaultMs` when the variable is unset, empty, not a
// plain number, 0 or larger than `maxMs`.
DWORD EnvironmentMilliseconds(const wchar_t* name, DWORD defaultMs, DWORD maxMs);
