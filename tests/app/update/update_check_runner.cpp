// Runs one update check in a process of its own, for the test of two checks
// at once: update_check_runner.exe UPDATE-URL. An offer is taken and left
// unanswered; the exit code is the check's UpdateCheckResult (100 when it
// did not end within two minutes or could not start).
#include <windows.h>

#include <memory>

#include "app/update/update_checker.h"
#include "tests/app/update/update_test_util.h"
#include "tests/support/test_support.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 100;
  UiTaskQueue tasks;
  auto checker = std::make_shared<CUpdateChecker>(TestUpdateKey(), argv[1]);
  if (!checker->Start(tasks.Poster(), [](const UpdateOffer&) {})) return 100;
  if (!PumpUntil([&] { return checker->Finished(); }, 120000)) return 100;
  return static_cast<int>(checker->result());
}
