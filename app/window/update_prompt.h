// The main window's part in the update: it starts the check when the window
// has been made, asks the user about an offer (a question box owned by the
// window), and starts the downloaded setup through a new instance of the
// program, closing the window only once that instance has started.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "app/platform/ui_tasks.h"
#include "app/update/update_signature.h"

class CUpdateChecker;
struct UpdateOffer;

class CUpdatePrompt {
 public:
  // `key` is the key downloaded setups must be signed with.
  explicit CUpdatePrompt(const UpdatePublicKey& key);
  // Stops the check (bounded, see CUpdateChecker::Stop); an offer still on
  // its way is dropped unseen.
  ~CUpdatePrompt();
  CUpdatePrompt(const CUpdatePrompt&) = delete;
  CUpdatePrompt& operator=(const CUpdatePrompt&) = delete;

  // Starts the check for `owner`, the main window. `closeWindow` ends the
  // window once the setup's instance has started.
  void Start(HWND owner, std::function<void()> closeWindow);

 private:
  // On the user-interface thread: the question, then the close command
  // (AcceptUpdateOffer); 8 runs RunDownloadedUpdate.
  void OnUpdateOffer(const UpdateOffer& offer);
  // Starts the offered setup through the program's own "-Update:" switch
  // (the setup itself when the program's file is gone), once the setup has
  // been checked again. True when something started.
  bool RunDownloadedUpdate(const UpdateOffer& offer);

  const UpdatePublicKey key_;
  HWND owner_ = nullptr;
  std::function<void()> closeWindow_;
  std::shared_ptr<CUpdateChecker> checker_;
  // Where the offer arrives; closed first when the prompt goes.
  UiTaskQueue offers_;
};
