// Leaves a process almost no room for large allocations: every free stretch
// of its address space is reserved except a few holes, so that one block
// larger than a hole cannot be had while small ones still can. The process
// may be this one or another (reserved through its handle).
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

class AddressSqueeze {
 public:
  AddressSqueeze(HANDLE process, size_t holeBytes, int holes);
  ~AddressSqueeze();
  AddressSqueeze(const AddressSqueeze&) = delete;
  AddressSqueeze& operator=(const AddressSqueeze&) = delete;

  // The largest free stretch of the process's address space now.
  size_t LargestFree() const;

 private:
  HANDLE process_;
  std::vector<void*> reserved_;
};
