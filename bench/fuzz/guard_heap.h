// A guard heap for the fuzz driver: while it is on, every operator new block
// ends against a page that is not even reserved, so reading one byte past
// the block faults at once instead of reading a neighbour. Link guard_heap.cpp
// into a program to replace its global operator new and delete.
#pragma once

#include <cstddef>

enum class GuardMode {
  Off,      // the C runtime heap
  Aligned,  // block ends as close to the page end as 16-byte alignment allows
  Exact,    // block ends exactly at the page end (alignment 1)
};

// Switches the mode for allocations made from now on; blocks from before are
// still freed correctly. False when the guard region cannot be reserved.
bool SetGuardMode(GuardMode mode);
GuardMode CurrentGuardMode();

// Allocations that fell back to the C runtime heap while guarding, because
// the guard region had no room left.
size_t GuardFallbackCount();
