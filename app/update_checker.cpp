#include "app/update_checker.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <vector>

#include "app/environment_setting.h"
#include "app/named_guard.h"
#include "app/program_folder.h"
#include "app/server_config.h"
#include "app/worker_thread.h"

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

using RegistryKeyTraits = NullInvalidTraits<HKEY, RegCloseKey>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;

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

std::wstring TempFolder() {
  wchar_t folder[MAX_PATH + 1] = L"";
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(folder, length);
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

CUpdateChecker::CUpdateChecker(const UpdatePublicKey& key, std::wstring url)
    : updateUrl(std::move(url)),
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

bool CUpdateChecker::Start(UiTaskPoster poster, UpdateOfferHandler onOffer) {
  if (!onOffer || thread_ || !stopEvent_) return false;
  std::shared_ptr<CUpdateChecker> self = weak_from_this().lock();
  if (!self) return false;
  poster_ = std::move(poster);
  onOffer_ = std::move(onOffer);
  // The thread's share keeps the checker alive until the check has ended.
  thread_ = StartThread([self = std::move(self)] { self->Run(); });
  return static_cast<bool>(thread_);
}

bool CUpdateChecker::Stop() {
  {
    std::lock_guard<std::mutex> lock(stopMutex_);
    stopped_ = true;
    if (stopEvent_) SetEvent(stopEvent_.get());
  }
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
  return outcome;
}

UpdateCheckResult CUpdateChecker::RunSteps() {
  if (!IsCheckDue(kCheckHours)) return UpdateCheckResult::kNotDue;
  // Every path used is a full one: the process's current folder, which the
  // user-interface thread shares, is left alone.
  if (CheckFolder(ProgramFilePath()).empty()) return UpdateCheckResult::kNoProgramFolder;
  const NamedObjectState mutex = CreateNamedObject(
      [](SECURITY_ATTRIBUTES* attributes) { return CreateMutexW(attributes, FALSE, kMutexName); }, runMutex);
  // Only the program's own mutex means that another check runs; a name taken
  // by something else keeps no check from running.
  if (mutex == NamedObjectState::kFound) {
    runMutex.reset();
    return UpdateCheckResult::kOtherCheckRuns;
  }
  doneEvent.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!doneEvent) return UpdateCheckResult::kNoEvent;
  setupDownloaded = false;
  if (!FetchIni()) return Stopped() ? UpdateCheckResult::kStopped : UpdateCheckResult::kNoIni;
  if (!IsNewer()) return UpdateCheckResult::kNotNewer;
  if (!DownloadSetup()) return UpdateCheckResult::kStopped;
  if (Notify()) return UpdateCheckResult::kOffered;
  return Stopped() ? UpdateCheckResult::kStopped : UpdateCheckResult::kNoVerifiedSetup;
}

bool CUpdateChecker::IsCheckDue(DWORD hours) const {
  if (hours == 0) return true;
  const long long difference = static_cast<long long>(_time64(nullptr)) - static_cast<long long>(ReadLastCheck());
  return difference < 0 || difference > static_cast<long long>(hours) * 3600;
}

DWORD CUpdateChecker::ReadLastCheck() {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLastTimeKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return 0;
  const UniqueRegistryKey key(raw);
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegQueryValueExW(key.get(), kLastTimeValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(value)) {
    return 0;
  }
  return value;
}

bool CUpdateChecker::WriteLastCheck() {
  HKEY raw = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLastTimeKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const UniqueRegistryKey key(raw);
  const DWORD now = static_cast<DWORD>(_time64(nullptr));
  return RegSetValueExW(key.get(), kLastTimeValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&now), sizeof(now)) ==
         ERROR_SUCCESS;
}

std::wstring CUpdateChecker::CheckFolder(const std::wstring& programPath) {
  if (programPath.empty() || programPath.size() >= MAX_PATH) return std::wstring();
  return FolderOfPath(programPath);
}

bool CUpdateChecker::FetchIni() {
  const std::wstring temp = TempFolder();
  wchar_t name[MAX_PATH] = L"";
  if (temp.empty() || !GetTempFileNameW(temp.c_str(), L"tavo", 0, name)) return false;
  iniPath = name;
  for (int attempt = 0; attempt < kIniAttempts; ++attempt) {
    if (Download(updateUrl, iniPath, downloadWaitMs_, iniLimitBytes_)) {
      serverVersion = ReadIniText(iniPath, L"Version", L"CurrentVersion", kVersionChars, true);
      hasSignature =
          ParseUpdateSignature(ReadIniText(iniPath, L"Version", L"Signature", kSignatureChars, true), signature);
      return !serverVersion.empty() && PickDownloadUrl(iniPath);
    }
    DeleteFileW(iniPath.c_str());
    if (!Pause(retryPauseMs_)) return false;
  }
  return false;
}

bool CUpdateChecker::PickDownloadUrl(const std::wstring& path) {
  wchar_t key[8];
  int count = 0;
  for (int number = 1; number <= kLastUrlNumber; ++number) {
    swprintf(key, 8, L"url%02d", number);
    if (ReadIniText(path, L"DownloadUrls", key, kUrlChars, true).empty()) break;
    count = number;
  }
  if (count == 0) return false;
  int picked = 1;
  if (count > 1) {
    // The last of several URLs is never picked.
    srand(static_cast<unsigned>(time(nullptr)));
    picked = 1 + rand() % (count - 1);
  }
  swprintf(key, 8, L"url%02d", picked);
  downloadUrl = ReadIniText(path, L"DownloadUrls", key, kUrlChars, true);
  return !downloadUrl.empty();
}

bool CUpdateChecker::ParseVersion(const std::wstring& text, DWORD (&fields)[4]) {
  size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    if (i > 0 && (at >= text.size() || text[at++] != L',')) return false;
    const size_t start = at;
    unsigned long long value = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
      value = value * 10 + static_cast<unsigned>(text[at] - L'0');
      if (value > MAXDWORD) return false;
    }
    if (at == start) return false;
    fields[i] = static_cast<DWORD>(value);
  }
  return at == text.size();
}

bool CUpdateChecker::IsNewer() const {
  DWORD server[4];
  DWORD current[4];
  if (!ParseVersion(serverVersion, server) || !ParseVersion(currentVersion, current)) return false;
  for (int i = 0; i < 4; ++i) {
    if (current[i] != server[i]) return current[i] < server[i];
  }
  return false;
}

bool CUpdateChecker::DownloadSetup() {
  setupDownloaded = false;
  setupPath = TempFolder() + kSetupFileName;
  DeleteFileW(setupPath.c_str());
  // Without a signature nothing downloaded could ever be run.
  for (int attempt = 0; hasSignature && attempt < kSetupAttempts; ++attempt) {
    if (Download(downloadUrl, setupPath, downloadWaitMs_, setupLimitBytes_)) {
      SetupVerified();  // a file that fails is deleted; another download would bring the same bytes
      break;
    }
    DeleteFileW(setupPath.c_str());
    if (!Pause(retryPauseMs_)) return false;
  }
  setupDownloaded = true;
  return true;
}

bool CUpdateChecker::SetupVerified() {
  if (hasSignature && VerifyFileSignature(setupPath, signature, key_)) return true;
  DeleteFileW(setupPath.c_str());
  return false;
}

UpdateOffer CUpdateChecker::ReadOffer() const {
  UpdateOffer offer;
  offer.setupPath = setupPath;
  offer.signature = signature;
  offer.showTip = GetPrivateProfileIntW(L"Tip", L"ShowTip", 0, iniPath.c_str()) != 0;
  offer.message = ReadIniText(iniPath, L"Tip", L"Msg", kMessageChars, false);
  for (size_t at = offer.message.find(L"\\n"); at != std::wstring::npos; at = offer.message.find(L"\\n", at + 1)) {
    offer.message.replace(at, 2, L"\n");
  }
  offer.caption = ReadIniText(iniPath, L"Tip", L"Caption", kCaptionChars, false);
  offer.closeCommand = GetPrivateProfileIntW(L"Tip", L"CloseCommand", kDefaultCloseCommand, iniPath.c_str());
  return offer;
}

bool CUpdateChecker::Notify() {
  WriteLastCheck();
  if (Stopped() || !FileExists(setupPath) || !SetupVerified()) return false;
  UiTask task = [handler = onOffer_, offer = ReadOffer()] { handler(offer); };
  std::lock_guard<std::mutex> lock(stopMutex_);
  return !stopped_ && poster_.Post(std::move(task));
}

void CUpdateChecker::StopDownload() {
  downloader.Stop(Stopped() ? kStoppedDownloadWaitMs : CFileDownloader::kStopWaitMs);
}

void CUpdateChecker::Cleanup() {
  StopDownload();
  doneEvent.reset();
  if (runMutex) ReleaseMutex(runMutex.get());
  runMutex.reset();
  if (!iniPath.empty()) DeleteFileW(iniPath.c_str());
}

bool CUpdateChecker::Download(const std::wstring& url, const std::wstring& path, DWORD timeoutMs,
                              unsigned long long maxBytes) {
  StopDownload();
  if (!doneEvent || Stopped()) return false;
  ResetEvent(doneEvent.get());
  downloadOk = false;
  // No event comes for a download that does not start: nothing to wait for.
  if (!downloader.Setup(url.c_str(), path.c_str(), DownloadEvent, this, maxBytes) || !downloader.Begin()) {
    return false;
  }
  const HANDLE events[] = {doneEvent.get(), stopEvent_.get()};
  if (WaitForMultipleObjects(2, events, FALSE, timeoutMs) == WAIT_OBJECT_0) return downloadOk;
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
      checker->downloadOk = false;
      SetEvent(checker->doneEvent.get());
      break;
    case kDownloadDone:
      checker->downloadOk = true;
      SetEvent(checker->doneEvent.get());
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
