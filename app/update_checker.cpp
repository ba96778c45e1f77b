#include "app/update_checker.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "app/environment_setting.h"
#include "app/program_folder.h"
#include "app/server_config.h"

namespace {

const wchar_t kLastTimeKey[] = L"SOFTWARE\\tavo\\LastTime";
const wchar_t kLastTimeValue[] = L"LastCheckUpdate";
const wchar_t kUpdatePathFormat[] = L"/tavo/update.php?v=";
constexpr DWORD kMaxConfiguredMs = 600000;
constexpr DWORD kVersionChars = 64;
constexpr DWORD kUrlChars = MAX_PATH;
constexpr DWORD kSignatureChars = 256;
constexpr DWORD kMessageChars = 2048;
constexpr DWORD kCaptionChars = MAX_PATH;
constexpr int kLastUrlNumber = 99;
constexpr DWORD kDefaultCloseCommand = 2;
constexpr DWORD kBoxPollMs = 50;

using RegistryKeyTraits = NullInvalidTraits<HKEY, RegCloseKey>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;

std::wstring ReadIniText(const std::wstring& path, const wchar_t* section, const wchar_t* key, DWORD limit) {
  std::vector<wchar_t> buffer(limit, L'\0');
  const DWORD length = GetPrivateProfileStringW(section, key, L"", buffer.data(), limit, path.c_str());
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

bool ReadVersion(const std::wstring& text, unsigned (&fields)[4]) {
  return swscanf(text.c_str(), L"%u,%u,%u,%u", &fields[0], &fields[1], &fields[2], &fields[3]) == 4;
}

// Posts "No" to every message box of `threadId`.
BOOL CALLBACK AnswerNo(HWND window, LPARAM) {
  wchar_t className[16] = L"";
  if (GetClassNameW(window, className, 16) && wcscmp(className, L"#32770") == 0) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
  }
  return TRUE;
}

struct PendingSetup {
  std::mutex mutex;
  std::wstring path;
  UpdateSignature signature{};
  UpdatePublicKey key{};
};

PendingSetup& Pending() {
  static PendingSetup pending;
  return pending;
}

}  // namespace

CUpdateChecker::CUpdateChecker(const UpdatePublicKey& key, std::wstring url)
    : updateUrl(std::move(url)),
      key_(key),
      downloadWaitMs_(EnvironmentMilliseconds(L"TAVORA_UPDATE_WAIT_MS", kDefaultDownloadWaitMs, kMaxConfiguredMs)),
      retryPauseMs_(EnvironmentMilliseconds(L"TAVORA_UPDATE_RETRY_MS", kDefaultRetryPauseMs, kMaxConfiguredMs)),
      stopEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CUpdateChecker::~CUpdateChecker() { Cleanup(); }

std::wstring CUpdateChecker::DefaultUpdateUrl() {
  return L"http://" + GetServerAddress(ServerKind::Update).HostPort() + kUpdatePathFormat + kProgramVersion;
}

bool CUpdateChecker::Start(HWND owner) {
  if (!IsWindow(owner) || thread_ || !stopEvent_) return false;
  std::shared_ptr<CUpdateChecker> self = weak_from_this().lock();
  if (!self) return false;
  ownerWindow = owner;
  auto* threadShare = new std::shared_ptr<CUpdateChecker>(std::move(self));
  thread_.reset(CreateThread(nullptr, 0, ThreadMain, threadShare, 0, &threadId_));
  if (!thread_) {
    delete threadShare;
    return false;
  }
  return true;
}

DWORD WINAPI CUpdateChecker::ThreadMain(void* parameter) {
  const std::unique_ptr<std::shared_ptr<CUpdateChecker>> self(static_cast<std::shared_ptr<CUpdateChecker>*>(parameter));
  (*self)->Run();
  return 0;
}

bool CUpdateChecker::Stop() {
  {
    std::lock_guard<std::mutex> lock(stopMutex_);
    stopped_ = true;
    if (stopEvent_) SetEvent(stopEvent_.get());
  }
  if (!thread_) return true;
  // The question may be on screen (or about to be): answer it No until the
  // thread ends. Sent messages are served meanwhile, since the box talks to
  // its owner, which may be a window of this thread.
  const DWORD start = GetTickCount();
  for (;;) {
    EnumThreadWindows(threadId_, AnswerNo, 0);
    const DWORD waited = GetTickCount() - start;
    if (waited >= kStopWaitMs) return Finished();
    const HANDLE thread = thread_.get();
    const DWORD wait = MsgWaitForMultipleObjects(1, &thread, FALSE,
                                                 std::min(kBoxPollMs, kStopWaitMs - waited), QS_SENDMESSAGE);
    if (wait == WAIT_OBJECT_0) return true;
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
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
  const UpdateCheckResult outcome = [this] {
    if (!IsCheckDue(kCheckHours)) return UpdateCheckResult::kNotDue;
    const std::wstring folder = CheckFolder(ProgramFilePath());
    if (folder.empty() || !SetCurrentDirectoryW(folder.c_str())) return UpdateCheckResult::kNoProgramFolder;
    runMutex.reset(CreateMutexW(nullptr, FALSE, kMutexName));
    if (!runMutex || GetLastError() == ERROR_ALREADY_EXISTS) {
      runMutex.reset();
      return UpdateCheckResult::kOtherCheckRuns;
    }
    doneEvent.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!doneEvent) return UpdateCheckResult::kNoEvent;
    setupDownloaded = false;
    if (!FetchIni()) return Stopped() ? UpdateCheckResult::kStopped : UpdateCheckResult::kNoIni;
    if (!IsNewer()) return UpdateCheckResult::kNotNewer;
    if (!DownloadSetup()) return UpdateCheckResult::kStopped;
    if (Notify()) return UpdateCheckResult::kCommandPosted;
    if (Stopped()) return UpdateCheckResult::kStopped;
    return FileExists(setupPath) ? UpdateCheckResult::kDeclined : UpdateCheckResult::kNoVerifiedSetup;
  }();
  Cleanup();
  result_ = static_cast<int>(outcome);
  return outcome;
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
    if (Download(updateUrl, iniPath, downloadWaitMs_)) {
      serverVersion = ReadIniText(iniPath, L"Version", L"CurrentVersion", kVersionChars);
      hasSignature =
          ParseUpdateSignature(ReadIniText(iniPath, L"Version", L"Signature", kSignatureChars), signature);
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
    if (ReadIniText(path, L"DownloadUrls", key, kUrlChars).empty()) break;
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
  downloadUrl = ReadIniText(path, L"DownloadUrls", key, kUrlChars);
  return !downloadUrl.empty();
}

bool CUpdateChecker::IsNewer() const {
  unsigned server[4];
  unsigned current[4];
  if (!ReadVersion(serverVersion, server) || !ReadVersion(currentVersion, current)) return false;
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
    if (Download(downloadUrl, setupPath, downloadWaitMs_)) {
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

bool CUpdateChecker::Ask() {
  std::wstring message = ReadIniText(iniPath, L"Tip", L"Msg", kMessageChars);
  for (size_t at = message.find(L"\\n"); at != std::wstring::npos; at = message.find(L"\\n", at + 1)) {
    message.replace(at, 2, L"\n");
  }
  const std::wstring caption = ReadIniText(iniPath, L"Tip", L"Caption", kCaptionChars);
  if (Stopped()) return false;
  return MessageBoxW(ownerWindow, message.c_str(), caption.c_str(), MB_YESNO | MB_ICONWARNING) == IDYES;
}

bool CUpdateChecker::Notify() {
  WriteLastCheck();
  if (Stopped() || !FileExists(setupPath) || !SetupVerified()) return false;
  if (GetPrivateProfileIntW(L"Tip", L"ShowTip", 0, iniPath.c_str()) != 0 && !Ask()) return false;
  // The file waited in the temporary folder while the question was up.
  if (!SetupVerified()) return false;
  const UINT command = GetPrivateProfileIntW(L"Tip", L"CloseCommand", kDefaultCloseCommand, iniPath.c_str());
  std::lock_guard<std::mutex> lock(stopMutex_);
  if (stopped_) return false;
  SetPendingSetup(setupPath, signature, key_);
  return PostMessageW(ownerWindow, WM_COMMAND, MAKEWPARAM(command, 0), 0) != FALSE;
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

bool CUpdateChecker::Download(const std::wstring& url, const std::wstring& path, DWORD timeoutMs) {
  StopDownload();
  if (!doneEvent || Stopped()) return false;
  ResetEvent(doneEvent.get());
  downloadOk = false;
  if (!downloader.Setup(url.c_str(), path.c_str(), DownloadEvent, this)) return false;
  downloader.Begin();
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

void SetPendingSetup(const std::wstring& path, const UpdateSignature& signature, const UpdatePublicKey& key) {
  PendingSetup& pending = Pending();
  std::lock_guard<std::mutex> lock(pending.mutex);
  pending.path = path;
  pending.signature = signature;
  pending.key = key;
}

std::wstring PendingSetupPath() {
  PendingSetup& pending = Pending();
  std::lock_guard<std::mutex> lock(pending.mutex);
  return pending.path;
}

std::wstring VerifiedPendingSetupPath() {
  PendingSetup& pending = Pending();
  std::lock_guard<std::mutex> lock(pending.mutex);
  if (pending.path.empty()) return std::wstring();
  if (VerifyFileSignature(pending.path, pending.signature, pending.key)) return pending.path;
  DeleteFileW(pending.path.c_str());
  return std::wstring();
}

void ClearPendingSetup() {
  PendingSetup& pending = Pending();
  std::lock_guard<std::mutex> lock(pending.mutex);
  pending.path.clear();
}
