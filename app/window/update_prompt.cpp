#include "app/window/update_prompt.h"

#include <string>
#include <utility>

#include "app/platform/process_launch.h"
#include "app/platform/program_folder.h"
#include "app/update/update_checker.h"
#include "app/update/update_switches.h"

CUpdatePrompt::CUpdatePrompt(const UpdatePublicKey& key) : key_(key), checker_(std::make_shared<CUpdateChecker>(key)) {}

CUpdatePrompt::~CUpdatePrompt() {
  // No offer runs from here on: it refers to this prompt.
  offers_.Close();
  // The check's thread ends its own downloads once signalled; it keeps the
  // checker alive by itself if it outlasts the wait.
  checker_->Stop();
}

void CUpdatePrompt::Start(HWND owner, std::function<void()> closeWindow) {
  owner_ = owner;
  closeWindow_ = std::move(closeWindow);
  checker_->Start(offers_.Poster(), [this](const UpdateOffer& offer) { OnUpdateOffer(offer); });
}

void CUpdatePrompt::OnUpdateOffer(const UpdateOffer& offer) {
  if (AcceptUpdateOffer(owner_, offer)) RunDownloadedUpdate(offer);
}

bool CUpdatePrompt::RunDownloadedUpdate(const UpdateOffer& offer) {
  // The file waited in the temporary folder, where other programs of the
  // user may write: it is checked again, and held while anything starts.
  CVerifiedFile setup;
  if (!setup.Open(offer.setupPath, offer.signature, key_)) return false;
  const std::wstring program = ProgramFilePath();
  bool started = false;
  if (!program.empty() && GetFileAttributesW(program.c_str()) != INVALID_FILE_ATTRIBUTES) {
    // The new instance checks the file again against the signature it is
    // given.
    started = LaunchProcess(program, UpdateSwitchParameters(offer.setupPath, offer.signature), false, false);
  } else {
    started = LaunchProcess(setup.LaunchPath(), L"", false, false);
  }
  if (started && closeWindow_) closeWindow_();
  return started;
}
