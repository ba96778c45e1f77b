#include "app/worker_thread.h"

#include <process.h>

#include <memory>
#include <new>

namespace {

unsigned __stdcall ThreadMain(void* parameter) {
  const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
  try {
    (*body)();
  } catch (...) {
    // The thread's work has failed; the process goes on.
  }
  return 0;
}

}  // namespace

UniqueKernelHandle StartThread(std::function<void()> body) {
  if (!body) return UniqueKernelHandle();
  std::unique_ptr<std::function<void()>> owned;
  try {
    owned = std::make_unique<std::function<void()>>(std::move(body));
  } catch (const std::bad_alloc&) {
    return UniqueKernelHandle();
  }
  // _beginthreadex rather than CreateThread: the thread uses the C runtime.
  UniqueKernelHandle thread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadMain, owned.get(), 0, nullptr)));
  if (thread) static_cast<void>(owned.release());  // the thread owns it now
  return thread;
}
