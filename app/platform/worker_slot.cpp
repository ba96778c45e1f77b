#include "app/platform/worker_slot.h"

bool WorkerSlot::WaitForThread(DWORD waitMs) const {
  return !thread_ || WaitForSingleObject(thread_.get(), waitMs) == WAIT_OBJECT_0;
}

void WorkerSlot::Close(DWORD waitMs) {
  tasks_.Close();
  WaitForThread(waitMs);
}
