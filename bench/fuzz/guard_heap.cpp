#include "bench/fuzz/guard_heap.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr size_t kPage = 4096;
// Every block takes whole pages plus one uncommitted page after it; a parse of
// 20,000 nested elements holds tens of thousands of blocks at once. The
// largest region the address space still has room for is taken.
constexpr size_t kMaxRegionBytes = 768u << 20;
constexpr size_t kMinRegionBytes = 64u << 20;
constexpr size_t kPageCount = kMaxRegionBytes / kPage;
// Each live block splits the region into two more memory mappings of the
// host; Linux allows about 65,000 per process and Wine needs some of its own.
constexpr size_t kMaxLiveBlocks = 20000;

struct GuardState {
  SRWLOCK lock = SRWLOCK_INIT;
  GuardMode mode = GuardMode::Off;
  char* region = nullptr;
  size_t regionPages = 0;
  size_t cursor = 0;
  size_t fallbacks = 0;
  size_t liveBlocks = 0;
  // Set when a search found no room; cleared by the next free, so that a full
  // region costs one scan instead of one per allocation.
  bool full = false;
  // Bit per page: taken by a block or its trailing guard page.
  uint32_t used[kPageCount / 32] = {};
  // Data pages of the block whose run starts at that page.
  uint32_t runPages[kPageCount] = {};
};

// Constant-initialised, so it is usable by allocations made before main.
GuardState gState;

bool Used(size_t page) { return (gState.used[page / 32] >> (page % 32)) & 1u; }

void Mark(size_t first, size_t count, bool used) {
  for (size_t page = first; page < first + count; ++page) {
    if (used) {
      gState.used[page / 32] |= 1u << (page % 32);
    } else {
      gState.used[page / 32] &= ~(1u << (page % 32));
    }
  }
}

// Next fit from the cursor: short-lived blocks have been freed again by the
// time the cursor comes round.
bool FindRun(size_t count, size_t& first) {
  if (gState.full) return false;
  size_t start = gState.cursor;
  size_t run = 0;
  const size_t pages = gState.regionPages;
  for (size_t scanned = 0; scanned < pages + count; ++scanned) {
    const size_t page = (start + scanned) % pages;
    if (page == 0) run = 0;  // runs do not wrap around the region's end
    if (Used(page)) {
      run = 0;
      continue;
    }
    if (++run == count) {
      first = page + 1 - count;
      gState.cursor = (page + 1) % pages;
      return true;
    }
  }
  gState.full = true;
  return false;
}

void* GuardAllocate(size_t size) {
  if (size == 0) size = 1;
  const size_t dataPages = (size + kPage - 1) / kPage;
  AcquireSRWLockExclusive(&gState.lock);
  size_t first = 0;
  void* block = nullptr;
  if (gState.liveBlocks < kMaxLiveBlocks && FindRun(dataPages + 1, first)) {
    char* base = gState.region + first * kPage;
    if (VirtualAlloc(base, dataPages * kPage, MEM_COMMIT, PAGE_READWRITE)) {
      Mark(first, dataPages + 1, true);
      gState.runPages[first] = static_cast<uint32_t>(dataPages);
      ++gState.liveBlocks;
      uintptr_t start = reinterpret_cast<uintptr_t>(base + dataPages * kPage - size);
      if (gState.mode == GuardMode::Aligned) start &= ~static_cast<uintptr_t>(15);
      block = reinterpret_cast<void*>(start);
    }
  }
  if (!block) ++gState.fallbacks;
  ReleaseSRWLockExclusive(&gState.lock);
  return block ? block : std::malloc(size);
}

bool InRegion(void* block) {
  const char* p = static_cast<const char*>(block);
  return gState.region && p >= gState.region && p < gState.region + gState.regionPages * kPage;
}

void GuardFree(void* block) {
  AcquireSRWLockExclusive(&gState.lock);
  // A block starts within the first page of its run (the slack before it is
  // less than a page).
  const size_t first = (static_cast<char*>(block) - gState.region) / kPage;
  const size_t dataPages = gState.runPages[first];
  VirtualFree(gState.region + first * kPage, dataPages * kPage, MEM_DECOMMIT);
  Mark(first, dataPages + 1, false);
  gState.runPages[first] = 0;
  --gState.liveBlocks;
  gState.full = false;
  ReleaseSRWLockExclusive(&gState.lock);
}

void* Allocate(size_t size) {
  if (gState.mode != GuardMode::Off) return GuardAllocate(size);
  return std::malloc(size ? size : 1);
}

void Free(void* block) {
  if (!block) return;
  if (InRegion(block)) {
    GuardFree(block);
  } else {
    std::free(block);
  }
}

void* AllocateOrThrow(size_t size) {
  for (;;) {
    if (void* block = Allocate(size)) return block;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

}  // namespace

bool SetGuardMode(GuardMode mode) {
  AcquireSRWLockExclusive(&gState.lock);
  for (size_t bytes = kMaxRegionBytes; mode != GuardMode::Off && !gState.region && bytes >= kMinRegionBytes;
       bytes /= 2) {
    gState.region = static_cast<char*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS));
    if (gState.region) gState.regionPages = bytes / kPage;
  }
  const bool ok = mode == GuardMode::Off || gState.region;
  if (ok) gState.mode = mode;
  ReleaseSRWLockExclusive(&gState.lock);
  return ok;
}

GuardMode CurrentGuardMode() { return gState.mode; }

size_t GuardFallbackCount() { return gState.fallbacks; }

void* operator new(size_t size) { return AllocateOrThrow(size); }
void* operator new[](size_t size) { return AllocateOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { Free(block); }
void operator delete[](void* block) noexcept { Free(block); }
void operator delete(void* block, size_t) noexcept { Free(block); }
void operator delete[](void* block, size_t) noexcept { Free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Free(block); }
