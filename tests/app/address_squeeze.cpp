#include "tests/app/address_squeeze.h"

#include <set>

namespace {

constexpr size_t kGranularity = 64 * 1024;

}  // namespace

AddressSqueeze::AddressSqueeze(HANDLE process, size_t holeBytes, int holes) : process_(process) {
  // Whole holes first, then whatever smaller stretches are left.
  std::vector<char*> chunks;
  for (void* at; (at = VirtualAllocEx(process_, nullptr, holeBytes, MEM_RESERVE, PAGE_NOACCESS)) != nullptr;)
    chunks.push_back(static_cast<char*>(at));
  for (void* at; (at = VirtualAllocEx(process_, nullptr, kGranularity, MEM_RESERVE, PAGE_NOACCESS)) != nullptr;)
    reserved_.push_back(at);

  // Chunks next to each other would make one larger hole.
  std::set<char*> freed;
  for (char* chunk : chunks) {
    const bool besideHole = freed.count(chunk - holeBytes) != 0 || freed.count(chunk + holeBytes) != 0;
    if (static_cast<int>(freed.size()) < holes && !besideHole) {
      VirtualFreeEx(process_, chunk, 0, MEM_RELEASE);
      freed.insert(chunk);
    } else {
      reserved_.push_back(chunk);
    }
  }
}

AddressSqueeze::~AddressSqueeze() {
  for (void* at : reserved_) VirtualFreeEx(process_, at, 0, MEM_RELEASE);
}

size_t AddressSqueeze::LargestFree() const {
  size_t largest = 0;
  MEMORY_BASIC_INFORMATION region = {};
  for (const char* at = nullptr; VirtualQueryEx(process_, at, &region, sizeof(region)) == sizeof(region);) {
    if (region.State == MEM_FREE && region.RegionSize > largest) largest = region.RegionSize;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return largest;
}
