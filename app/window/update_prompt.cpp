#include "app/window/update_prompt.h"

#include <algorithm>
#include <string>
#include <utility>

#include "app/platform/program_folder.h"
#include "app/update/update_checker.h"
#include "app/update/update_folder.h"
#include "app/update/update_switches.h"

namespace {

// How often the wait looks at the instance while it says nothing.
constexpr DWORD kPollMs = 20;
// More output than this is no word of the instance's.
constexpr size_t kMaxWordBytes = 256;

}  // namespace

bool AwaitSetupStart(const ProcessWithOutput& instance, DWORD waitMs) {
  if (!instance.process || !instance.output) return false;
  const ULONGLONG deadline = GetTickCount64() + waitMs;
  std::string said;
  bool ended = false;
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(instance.output.get(), nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available > 0) {
      char buffer[64];
      DWORD read = 0;
      const DWORD wanted = std::min<DWORD>(available, sizeof(buffer));
      if (!ReadFile(instance.output.get(), buffer, wanted, &read, nullptr) || read == 0) return false;
      said.append(buffer, read);
      if (said.find(kSetupStartedLine) != std::string::npos) return true;
      if (said.size() > kMaxWordBytes) return false;
      continue;
    }
    // Ended, and all it wrote has been read.
    if (ended) return false;
    ended = WaitForSingleObject(instance.process.get(), kPollMs) == WAIT_OBJECT_0;
    if (!ended && GetTickCount64() >= deadline) return false;
  }
}

CUpdatePrompt::CUpdatePrompt(const UpdatePublicKey& key, std::function<void()> setupStarted,
                             std::function<void()> setupNotStarted, std::wstring program, std::wstring updateUrl)
    : key_(key),
      program_(std::move(program)),
      updateUrl_(updateUrl.empty() ? CUpdateChecker::DefaultUpdateUrl() : std::move(updateUrl)),
      setupStarted_(std::move(setupStarted)),
      setupNotStarted_(std::move(setupNotStarted)),
      checker_(std::make_shared<CUpdateChecker>(key, updateUrl_)) {}

CUpdatePrompt::~CUpdatePrompt() {
  // No offer or word runs from here on: they refer to this prompt.
  offers_.Close();
  starting_.Close(0);
  // The checks' threads end their own downloads once signalled; each keeps
  // its checker alive by itself if it outlasts the wait. Both are signalled
  // first, so the waits overlap.
  checker_->Signal();
  if (nowChecker_) nowChecker_->Signal();
  checker_->Stop();
  if (nowChecker_) nowChecker_->Stop();
}

void CUpdatePrompt::Start(HWND owner) {
  owner_ = owner;
  checker_->Start(offers_.Poster(), [this](const UpdateOffer& offer) { OnUpdateOffer(offer); });
}

bool CUpdatePrompt::CheckNow(std::function<void(UpdateCheckResult, int)> ended) {
  if (CheckingNow()) return false;
  if (nowChecker_) nowChecker_->Stop();
  nowChecker_ = std::make_shared<CUpdateChecker>(key_, updateUrl_);
  nowChecker_->CheckNow();
  std::weak_ptr<CUpdateChecker> checker = nowChecker_;
  return nowChecker_->Start(
      offers_.Poster(), [this](const UpdateOffer& offer) { OnUpdateOffer(offer); },
      [checker, ended = std::move(ended)](UpdateCheckResult result) {
        const std::shared_ptr<CUpdateChecker> done = checker.lock();
        if (ended) ended(result, done ? done->LastDownloadFailure() : -1);
      });
}

bool CUpdatePrompt::CheckingNow() const { return nowChecker_ && !nowChecker_->Finished(); }

void CUpdatePrompt::OnUpdateOffer(const UpdateOffer& offer) {
  if (AcceptUpdateOffer(owner_, offer)) RunDownloadedUpdate(offer);
}

void CUpdatePrompt::Report(bool started) {
  const std::function<void()>& outcome = started ? setupStarted_ : setupNotStarted_;
  if (outcome) outcome();
}

bool CUpdatePrompt::RunDownloadedUpdate(const UpdateOffer& offer) {
  // Checked again and held: the instance opens the same file for reading
  // while this hold lasts, so nothing can take its place in between.
  CVerifiedFile setup;
  if (starting_.Running() || !setup.Open(offer.setupPath, offer.version, offer.signature, key_)) {
    Report(false);
    return false;
  }
  const std::wstring program = program_.empty() ? ProgramFilePath() : program_;
  if (program.empty() || GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
    // The program's own file is gone: the setup runs by itself, as the user
    // started it.
    const bool started = LaunchProcess(setup.LaunchPath(), L"", false, false);
    Report(started);
    return started;
  }
  // The instance runs from a copy in the update folder (see
  // kInstanceCopyPrefix); a name that exists is never copied over.
  CUpdateFolder folder;
  const std::wstring copy = folder.Open() ? folder.NewFilePath(kInstanceCopyPrefix, kInstanceCopySuffix) : L"";
  if (copy.empty() || !CopyFileW(program.c_str(), copy.c_str(), TRUE)) {
    Report(false);
    return false;
  }
  ProcessWithOutput instance =
      StartProcessWithOutput(copy, UpdateSwitchParameters(setup.LaunchPath(), offer.version, offer.signature));
  const bool waiting = instance.process &&
                       starting_.Start([instance = std::move(instance),
                                        setup = std::move(setup)] { return AwaitSetupStart(instance, kStartWaitMs); },
                                       [this](bool started) { Report(started); });
  if (!waiting) Report(false);
  return waiting;
}
