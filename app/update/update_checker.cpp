#include "app/update/update_checker.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <vector>

#include "app/net/server_config.h"
#include "app/platform/environment_setting.h"
#include "app/platform/program_folder.h"
#include "app/platform/registry.h"
#include "app/platform/worker_thread.h"
#include "app/update/named_guard.h"
#include "app/update/update_switches.h"

namespace {

const wchar_t kLastTimeKey[] = L"SOFTWARE\\tavo\\LastTime";
const wchar_t kLastTimeValue[] = L"LastCheckUpdate";
const wchar_t kUpdatePathFormat[] = L"/tavo/update.php?v=";
constexpr DWORD kMaxConfiguredMs = 600000;
// Buffer sizes in characters, terminating zero included; a value that fills
// its buffer counts as cut. A URL may be as long as the downloader takes
// (one character short of its limit), so its buffer has room for one more.
constexpr DWORD kVersionChars = 64;
constexpr DWORD kUrlChars = CFileDownloader::kUrlLimit + 1;
constexpr DWORD kSignatureChars = 256;
constexpr DWORD kMessageChars = 2048;
constexpr DWORD kCaptionChars = MAX_PATH;
constexpr int kLastUrlNumber = 99;
constexpr DWORD kDefaultCloseCommand = 2;
constexpr unsigned long long kBytesPerKb = 1024;
constexpr unsigned long long kBytesPerMb = 1024 * 1024;

// A value of the INI read into a buffer of `limit` characters. A value that
// fills the buffer may have been cut: it is cut when `whole` is false (texts
// only shown), else it counts as absent (a cut version, URL or signature
// would name something else).
std::wstring ReadIniText(const std::wstring& path, const wchar_t* section, const wchar_t* key, DWORD limit,
                         bool whole) {
  std::vector<wchar_t> buffer(limit, L'\0');
  const DWORD length = GetPrivateProfileStringW(section, key, L"", buffer.data(), limit, path.c_str());
  if (whole && length + 1 >= limit) return std::wstring();
  return std::wstring(buffer.data(), length);
}

// Names of the files a check makes in the update folder.
constexpr wchar_t kIniPrefix[] = L"update-";
constexpr wchar_t kIniSuffix[] = L".ini";

}  // namespace

CUpdateChecker::CUpdateChecker(const UpdatePublicKey& key, std::wstring url)
    : updateUrl_(std::move(url)),
      key_(key),
      downloadWaitMs_(EnvironmentMilliseconds(L"TAVORA_UPDATE_WAIT_MS", kDefaultDownloadWaitMs, kMaxConfiguredMs)),
      retryPauseMs_(EnvironmentMilliseconds(L"TAVORA_UPDATE_RETRY_MS", kDefaultRetryPauseMs, kMaxConfiguredMs)),
      // The same plain decimal reading as the durations above.
      iniLimitBytes_(kBytesPerKb * EnvironmentMilliseconds(L"TAVORA_UPDATE_INI_LIMIT_KB", kIniLimitKb, kMaxIniLimitKb)),
      setupLimitBytes_(kBytesPerMb *
                       EnvironmentMilliseconds(L"TAVORA_UPDATE_SETUP_LIMIT_MB", kSetupLimitMb, kMaxSetupLimitMb)),
      stopEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CUpdateChecker::~CUpdateChecker() { Cleanup(); }

std::wstring CUpdateChecker::DefaultUpdateUrl() {
  return L"http://" + GetServerAddress(ServerKind::Update).HostPort() + kUpdatePathFormat + kProgramVersion;
}

bool CUpdateChecker::Start(UiTaskPoster poster, UpdateOfferHandler onOffer,
                           std::function<void(UpdateCheckResult)> onEnd) {
  if (!onOffer || thread_ || !stopEvent_) return false;
  std::shared_ptr<CUpdateChecker> self = weak_from_this().lock();
  if (!self) return false;
  poster_ = std::move(poster);
  onOffer_ = std::move(onOffer);
  onEnd_ = std::move(onEnd);
  // The thread's share keeps the checker alive until the check has ended.
  thread_ = StartThread([self = std::move(self)] { self->Run(); });
  return static_cast<bool>(thread_);
}

void CUpdateChecker::Signal() {
  std::lock_guard<std::mutex> lock(stopMutex_);
  stopped_ = true;
  if (stopEvent_) SetEvent(stopEvent_.get());
}

bool CUpdateChecker::Stop() {
  Signal();
  return !thread_ || WaitForSingleObject(thread_.get(), kStopWaitMs) == WAIT_OBJECT_0;
}

bool CUpdateChecker::Finished() const { return !thread_ || WaitForSingleObject(thread_.get(), 0) == WAIT_OBJECT_0; }

bool CUpdateChecker::Stopped() const {
  std::lock_guard<std::mutex> lock(stopMutex_);
  return stopped_;
}

bool CUpdateChecker::Pause(DWORD ms) const {
  return stopEvent_ && WaitForSingleObject(stopEvent_.get(), ms) == WAIT_TIMEOUT;
}

UpdateCheckResult CUpdateChecker::Run() {
  UpdateCheckResult outcome = UpdateCheckResult::kNoMemory;
  try {
    outcome = RunSteps();
  } catch (const std::bad_alloc&) {
    // A failed check like any other: cleaned up below.
  }
  Cleanup();
  result_ = static_cast<int>(outcome);
  if (onEnd_) {
    // Telling of the end is worth no failed thread: without memory for the
    // task the end goes untold.
    try {
      UiTask task = [handler = onEnd_, outcome] { handler(outcome); };
      std::lock_guard<std::mutex> lock(stopMutex_);
      if (!stopped_) poster_.Post(std::move(task));
    } catch (const std::bad_alloc&) {
    }
  }
  return outcome;
}

UpdateCheckResult CUpdateChecker::RunSteps() {
  if (!IsCheckDue(checkHours_)) return UpdateCheckResult::kNotDue;
  // Every path used is a full one: the process's current folder, which the
  // user-interface thread shares, is left alone.
  if (CheckFolder(ProgramFilePath()).empty()) return UpdateCheckResult::kNoProgramFolder;
  const NamedObjectState mutex = CreateNamedObject(
      [](SECURITY_ATTRIBUTES* attributes) { return CreateMutexW(attributes, FALSE, kMutexName); }, runMutex_);
  // Only the program's own mutex means that another check runs; a name taken
  // by something else keeps no check from running.
  if (mutex == NamedObjectState::kFound) {
    runMutex_.reset();
    return UpdateCheckResult::kOtherCheckRuns;
  }
  doneEvent_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!doneEvent_) return UpdateCheckResult::kNoEvent;
  // Everything the check writes goes into the update folder, which programs
  // of the user cannot write; files earlier checks left there go first.
  if (!folder_.Open()) return UpdateCheckResult::kNoUpdateFolder;
  folder_.DeleteLeftovers(kIniPrefix, kIniSuffix);
  folder_.DeleteLeftovers(kSetupPrefix, kSetupSuffix);
  folder_.DeleteLeftovers(kInstanceCopyPrefix, kInstanceCopySuffix);
  if (!FetchIni()) return Stopped() ? UpdateCheckResult::kStopped : UpdateCheckResult::kNoIni;
  if (!hasVersion_ || !IsNewerVersion(offeredVersion_, ProgramVersion())) return UpdateCheckResult::kNotNewer;
  if (DownloadSetup() && Notify()) return UpdateCheckResult::kOffered;
  return Stopped() ? UpdateCheckResult::kStopped : UpdateCheckResult::kNoVerifiedSetup;
}

bool CUpdateChecker::IsCheckDue(DWORD hours) {
  if (hours == 0) return true;
  const long long difference = static_cast<long long>(_time64(nullptr)) - static_cast<long long>(ReadLastCheck());
  return difference < 0 || difference > static_cast<long long>(hours) * 3600;
}

DWORD CUpdateChecker::ReadLastCheck() {
  const UniqueRegistryKey key = OpenRegistryKey(HKEY_LOCAL_MACHINE, kLastTimeKey, KEY_QUERY_VALUE);
  DWORD value = 0;
  return key && ReadRegistryDword(key.get(), kLastTimeValue, value) ? value : 0;
}

bool CUpdateChecker::WriteLastCheck() {
  const UniqueRegistryKey key = CreateRegistryKey(HKEY_LOCAL_MACHINE, kLastTimeKey, KEY_SET_VALUE);
  return key && WriteRegistryDword(key.get(), kLastTimeValue, static_cast<DWORD>(_time64(nullptr)));
}

std::wstring CUpdateChecker::CheckFolder(const std::wstring& programPath) {
  if (programPath.empty() || programPath.size() >= MAX_PATH) return std::wstring();
  return FolderOfPath(programPath);
}

bool CUpdateChecker::FetchIni() {
  for (int attempt = 0; attempt < kIniAttempts; ++attempt) {
    // A new file each time: nothing is ever written through a name that
    // existed before.
    iniPath_ = folder_.NewFilePath(kIniPrefix, kIniSuffix);
    if (iniPath_.empty()) return false;
    if (Download(updateUrl_, iniPath_, downloadWaitMs_, iniLimitBytes_)) {
      const std::wstring version = ReadIniText(iniPath_, L"Version", L"CurrentVersion", kVersionChars, true);
      hasVersion_ = ParseUpdateVersion(version, offeredVersion_);
      hasSignature_ =
          ParseUpdateSignature(ReadIniText(iniPath_, L"Version", L"Signature", kSignatureChars, true), signature_);
      if (version.empty()) return false;
      downloadUrl_ = PickDownloadUrl(iniPath_);
      return !downloadUrl_.empty();
    }
    if (!Pause(retryPauseMs_)) return false;
  }
  return false;
}

std::wstring CUpdateChecker::PickDownloadUrl(const std::wstring& path) {
  wchar_t key[8];
  int count = 0;
  for (int number = 1; number <= kLastUrlNumber; ++number) {
    swprintf(key, 8, L"url%02d", number);
    if (ReadIniText(path, L"DownloadUrls", key, kUrlChars, true).empty()) break;
    count = number;
  }
  if (count == 0) return std::wstring();
  int picked = 1;
  if (count > 1) {
    // The last of several URLs is never picked.
    srand(static_cast<unsigned>(time(nullptr)));
    picked = 1 + rand() % (count - 1);
  }
  swprintf(key, 8, L"url%02d", picked);
  return ReadIniText(path, L"DownloadUrls", key, kUrlChars, true);
}

bool CUpdateChecker::DownloadSetup() {
  // Without a signature nothing downloaded could ever be run: nothing is.
  if (!hasSignature_) return false;
  for (int attempt = 0; attempt < kSetupAttempts; ++attempt) {
    setupPath_ = folder_.NewFilePath(kSetupPrefix, kSetupSuffix);
    if (setupPath_.empty()) return false;
    // A file that fails its check is deleted; another download would bring
    // the same bytes.
    if (Download(downloadUrl_, setupPath_, downloadWaitMs_, setupLimitBytes_)) return SetupVerified();
    if (!Pause(retryPauseMs_)) return false;
  }
  return false;
}

bool CUpdateChecker::SetupVerified() {
  if (hasSignature_ && VerifyFileSignature(setupPath_, offeredVersion_, signature_, key_)) return true;
  DeleteFileW(setupPath_.c_str());
  return false;
}

UpdateOffer CUpdateChecker::ReadOffer() const {
  UpdateOffer offer;
  offer.setupPath = setupPath_;
  offer.version = offeredVersion_;
  offer.signature = signature_;
  offer.showTip = GetPrivateProfileIntW(L"Tip", L"ShowTip", 0, iniPath_.c_str()) != 0;
  offer.message = ReadIniText(iniPath_, L"Tip", L"Msg", kMessageChars, false);
  for (size_t at = offer.message.find(L"\\n"); at != std::wstring::npos; at = offer.message.find(L"\\n", at + 1)) {
    offer.message.replace(at, 2, L"\n");
  }
  offer.caption = ReadIniText(iniPath_, L"Tip", L"Caption", kCaptionChars, false);
  offer.closeCommand = GetPrivateProfileIntW(L"Tip", L"CloseCommand", kDefaultCloseCommand, iniPath_.c_str());
  return offer;
}

bool CUpdateChecker::Notify() {
  if (Stopped()) return false;
  UiTask task = [handler = onOffer_, offer = ReadOffer()] { handler(offer); };
  {
    std::lock_guard<std::mutex> lock(stopMutex_);
    if (stopped_ || !poster_.Post(std::move(task))) return false;
  }
  // Only a check that made its offer counts: one that found no signed setup,
  // or was stopped, leaves the next start to check again.
  WriteLastCheck();
  return true;
}

void CUpdateChecker::StopDownload() {
  downloader_.Stop(Stopped() ? kStoppedDownloadWaitMs : CFileDownloader::kStopWaitMs);
}

void CUpdateChecker::Cleanup() {
  StopDownload();
  doneEvent_.reset();
  if (runMutex_) ReleaseMutex(runMutex_.get());
  runMutex_.reset();
  if (!iniPath_.empty()) DeleteFileW(iniPath_.c_str());
}

bool CUpdateChecker::Download(const std::wstring& url, const std::wstring& path, DWORD timeoutMs,
                              unsigned long long maxBytes) {
  StopDownload();
  if (!doneEvent_ || Stopped()) return false;
  ResetEvent(doneEvent_.get());
  downloadOk_ = false;
  // No event comes for a download that does not start: nothing to wait for.
  if (!downloader_.Setup(url.c_str(), path.c_str(), DownloadEvent, this, maxBytes) || !downloader_.Begin()) {
    return false;
  }
  const HANDLE events[] = {doneEvent_.get(), stopEvent_.get()};
  if (WaitForMultipleObjects(2, events, FALSE, timeoutMs) == WAIT_OBJECT_0) return downloadOk_;
  // No answer in time counts as no answer at all.
  if (!Stopped()) lastFailure_ = kDownloadRequestFailed;
  StopDownload();
  return false;
}

void CUpdateChecker::DownloadEvent(int code, DWORD, DWORD, void* context) {
  auto* checker = static_cast<CUpdateChecker*>(context);
  switch (code) {
    case kDownloadFileFailed:
    case kDownloadRequestFailed:
    case kDownloadBadStatus:
    case kDownloadFailed:
    case kDownloadTooLarge:
      checker->lastFailure_ = code;
      checker->downloadOk_ = false;
      SetEvent(checker->doneEvent_.get());
      break;
    case kDownloadDone:
      checker->downloadOk_ = true;
      SetEvent(checker->doneEvent_.get());
      break;
    default:
      break;
  }
}

bool AcceptUpdateOffer(HWND owner, const UpdateOffer& offer) {
  if (!IsWindow(owner)) return false;
  if (offer.showTip &&
      MessageBoxW(owner, offer.message.c_str(), offer.caption.c_str(), MB_YESNO | MB_ICONWARNING) != IDYES) {
    return false;
  }
  // The window may have gone while the question was up.
  if (!IsWindow(owner)) return false;
  if (offer.closeCommand == kRunSetupCommand) return true;
  PostMessageW(owner, WM_COMMAND, MAKEWPARAM(offer.closeCommand, 0), 0);
  return false;
}
