// The skin library's process-wide state as a whole.
#pragma once

// Returns every pool, table, registry and cache of the skin library to what a
// new process starts with: the resources (ResetSkinResources), the memory
// images, the file icon cache and the element registry (the registry only
// when no element is left; false otherwise). The program sets everything up
// once and never calls this; test programs call it before every case, so that
// the cases of one process may run in any order.
bool ResetSkinLibrary();
