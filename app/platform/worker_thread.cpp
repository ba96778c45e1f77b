#include "app/platform/worker_thread.h"

#include <process.h>

#include <memory>
#include <new>

namespace {

unsigned __stdcall ThreadMain(void* parameter) {
  const std::unique_ptr<ThreadBody> body(static_cast<ThreadBody*>(parameter));
  try {
    (*body)();
  } catch (...) {
    // The thread's work has failed; the process goes on.
  }
  return 0;
}

}  // namespace

UniqueKernelHandle StartThread(ThreadBody body) {
  if (!body) return UniqueKernelHandle();
  std::unique_ptr<ThreadBody> owned;
  try {
    owned = std::make_unique<ThreadBody>(std::move(body));
  } catch (const std::bad_alloc&) {
    return UniqueKernelHandle();
  }
  // _beginthreadex rather than CreateThread: the thread uses the C runtime.
  UniqueKernelHandle thread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadMain, owned.get(), 0, nullptr)));
  if (thread) static_cast<void>(owned.release());  // the thread owns it now
  return thread;
}
