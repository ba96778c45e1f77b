// Entry of the resource tests: runs them, then ends the process at once.
// Under Wine this program now and then died with a segmentation fault while
// the process unloaded its libraries (version, GDI+, OLE), after every test
// had passed and its result had been written. The outcome is settled by then,
// so the process ends without unloading them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::fflush(nullptr);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
  return result;
}
