// The main window's part in the update: it starts the check when the window
// has been made, asks the user about an offer (a question box owned by the
// window), and hands an accepted setup to a new instance of the program
// ("-Update:", app/update/update_switches.h). The window closes only once
// that instance says the setup has started; until then the setup's file stays
// held, so that the instance checks the very bytes the window checked.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/platform/process_launch.h"
#include "app/platform/ui_tasks.h"
#include "app/platform/worker_slot.h"
#include "app/update/update_signature.h"

class CUpdateChecker;
struct UpdateOffer;
enum class UpdateCheckResult : int;

// Waits for the word of the "-Update:" instance `instance` that its setup has
// started: true once its standard output says kSetupStartedLine, false when
// it ends without saying so or `waitMs` passes first. At most a few hundred
// bytes of its output are read.
bool AwaitSetupStart(const ProcessWithOutput& instance, DWORD waitMs);

class CUpdatePrompt {
 public:
  // How long the window waits for the instance's word.
  static constexpr DWORD kStartWaitMs = 60000;

  // `key` is the key downloaded setups must be signed with. `setupStarted`
  // runs once an accepted update's setup has started (the window closes
  // then), `setupNotStarted` when it could not start (the window stays).
  // `program` is the program started with "-Update:" (empty: this program's
  // own file); `updateUrl` where the checks fetch the INI (empty: the
  // configured update server's).
  CUpdatePrompt(const UpdatePublicKey& key, std::function<void()> setupStarted, std::function<void()> setupNotStarted,
                std::wstring program = std::wstring(), std::wstring updateUrl = std::wstring());
  // Stops the check (bounded, see CUpdateChecker::Stop); an offer or an
  // instance's word still on its way is dropped unseen.
  ~CUpdatePrompt();
  CUpdatePrompt(const CUpdatePrompt&) = delete;
  CUpdatePrompt& operator=(const CUpdatePrompt&) = delete;

  // Starts the check for `owner`, the main window.
  void Start(HWND owner);
  // A check asked for now, whatever the last one found: an offer takes the
  // same way as at start; `ended` hears how the check ended, on this thread.
  // False (and nothing runs) while such a check still runs.
  bool CheckNow(std::function<void(UpdateCheckResult, int lastDownloadFailure)> ended);
  bool CheckingNow() const;

  // An accepted offer's setup (command 8): checked again and held, then
  // handed to the "-Update:" instance (the setup itself when the program's
  // own file is gone). One of the two outcomes follows on this thread. False,
  // with `setupNotStarted` run at once, when nothing could start.
  bool RunDownloadedUpdate(const UpdateOffer& offer);

 private:
  // On the user-interface thread: the question, then the close command
  // (AcceptUpdateOffer); 8 runs RunDownloadedUpdate.
  void OnUpdateOffer(const UpdateOffer& offer);
  void Report(bool started);

  const UpdatePublicKey key_;
  const std::wstring program_;
  const std::wstring updateUrl_;
  const std::function<void()> setupStarted_;
  const std::function<void()> setupNotStarted_;
  HWND owner_ = nullptr;
  std::shared_ptr<CUpdateChecker> checker_;
  // The check the user asked for, if any.
  std::shared_ptr<CUpdateChecker> nowChecker_;
  // Where the offer arrives; closed first when the prompt goes.
  UiTaskQueue offers_;
  // The wait for the instance's word.
  WorkerSlot starting_;
};
