#include "app/net/file_downloader.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <vector>

#include "app/net/internet_handle.h"
#include "app/net/owned_http_request.h"
#include "app/platform/worker_thread.h"
#include "skin/resources/text_encoding.h"

namespace {

// Nothing from or into WinINet's cache or the user's cookies: the body goes
// only to the target file, and the request carries nothing the user's store
// holds (the program runs elevated; the store is the user's to write).
const DWORD kRequestFlags =
    INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES;
constexpr DWORD kCanonicalFirstLength = 2084;
// A canonical URL longer than this cannot be split into parts that fit.
constexpr DWORD kCanonicalMaxLength = 32768;

std::wstring FieldText(const std::vector<wchar_t>& buffer, DWORD length) { return std::wstring(buffer.data(), length); }

DWORD ShownCount(unsigned long long count) { return static_cast<DWORD>(std::min<unsigned long long>(count, MAXDWORD)); }

// Marks the open file for deletion when its handle closes: the file this
// download made goes, whatever has happened to its name meanwhile.
void DiscardOnClose(HANDLE file) {
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = TRUE;
  SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition));
}

// The URL as a browser would send it; empty when the system refuses it.
std::wstring CanonicalUrl(const std::wstring& url) {
  std::vector<wchar_t> buffer(kCanonicalFirstLength);
  DWORD length = static_cast<DWORD>(buffer.size());
  if (!InternetCanonicalizeUrlW(url.c_str(), buffer.data(), &length, ICU_BROWSER_MODE)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || length == 0 || length > kCanonicalMaxLength) {
      return std::wstring();
    }
    buffer.assign(length + 1, L'\0');
    length = static_cast<DWORD>(buffer.size());
    if (!InternetCanonicalizeUrlW(url.c_str(), buffer.data(), &length, ICU_BROWSER_MODE)) return std::wstring();
  }
  return std::wstring(buffer.data(), length);
}

}  // namespace

// What one download's thread uses. Everything but the gate is fixed before
// the thread starts; the thread alone opens and closes the file and the
// WinINet handles. Stop sets `cancel`, which ends the request's waits, and
// closes the gate, after which no event passes.
struct CFileDownloader::Session {
  CFileDownloader::Callback callback = nullptr;
  void* context = nullptr;
  std::wstring filePath;
  std::wstring host;
  std::wstring user;
  std::wstring password;
  std::string urlPath;
  INTERNET_PORT port = 0;
  unsigned long long maxBytes = kNoByteLimit;
  DWORD stepTimeoutMs = 0;
  DWORD deadlineMs = 0;
  UniqueKernelHandle cancel{CreateEventW(nullptr, TRUE, FALSE, nullptr)};

  std::mutex mutex;
  std::condition_variable idle;
  bool closed = false;
  bool reporting = false;
  std::atomic<DWORD> threadId{0};

  // The callback runs outside the lock; Silence waits for one in progress.
  void Report(int code, DWORD first, DWORD second) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (closed || !callback) return;
      reporting = true;
    }
    callback(code, first, second, context);
    {
      std::lock_guard<std::mutex> lock(mutex);
      reporting = false;
    }
    idle.notify_all();
  }

  // No event passes once this returns; called from the callback itself (on
  // the download's thread) it cannot wait for that callback to finish.
  void Silence() {
    SetEvent(cancel.get());
    std::unique_lock<std::mutex> lock(mutex);
    closed = true;
    if (threadId != GetCurrentThreadId()) idle.wait(lock, [this] { return !reporting; });
  }

  // The request and its body into `file`; the outcome code.
  int Transfer(HANDLE file) {
    // Declared root first: the request and the connection close before it.
    const InternetHandle root = OpenAsyncInternet(kBrowserUserAgent);
    if (!root) return kDownloadRequestFailed;
    SetInternetTimeouts(root.get(), stepTimeoutMs);
    const InternetHandle connection(
        InternetConnectW(root.get(), host.c_str(), port, user.empty() ? nullptr : user.c_str(),
                         password.empty() ? nullptr : password.c_str(), INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return kDownloadRequestFailed;
    SetInternetTimeouts(connection.get(), stepTimeoutMs);
    OwnedHttpRequest request(cancel.get(), deadlineMs, stepTimeoutMs);
    if (!request.Send(HttpOrigin{connection.get(), host, port}, urlPath, "HTTP/1.0", nullptr, kRequestFlags)) {
      return kDownloadRequestFailed;
    }
    unsigned long long status = 0;
    if (!request.QueryNumber(HTTP_QUERY_STATUS_CODE, status)) return kDownloadRequestFailed;
    if (status != 200) return kDownloadBadStatus;
    unsigned long long announced = 0;
    if (!request.QueryNumber(HTTP_QUERY_CONTENT_LENGTH, announced)) announced = 0;
    if (announced > maxBytes) return kDownloadTooLarge;
    const DWORD shownLength = ShownCount(announced);
    Report(kDownloadLength, shownLength, 0);
    Report(kDownloadBodyBegins, 0, 0);
    char block[kBlockBytes];
    unsigned long long received = 0;
    for (;;) {
      DWORD got = 0;
      if (!request.Read(block, sizeof(block), got)) return kDownloadFailed;
      if (got == 0) break;
      if (got > maxBytes - received) return kDownloadTooLarge;
      DWORD written = 0;
      if (!WriteFile(file, block, got, &written, nullptr) || written != got) return kDownloadFailed;
      received += got;
      Report(kDownloadProgress, ShownCount(received), shownLength);
    }
    if (!FlushFileBuffers(file)) return kDownloadFailed;
    return received < announced ? kDownloadFailed : kDownloadDone;
  }

  void Run() {
    threadId = GetCurrentThreadId();
    // A new file only: a name that exists already, as a file or as a link
    // to one, is never written through.
    UniqueKernelHandle file(CreateFileW(filePath.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
      Report(kDownloadFileFailed, 0, 0);
      return;
    }
    Report(kDownloadStarted, 0, 0);
    int outcome = kDownloadFailed;
    try {
      outcome = Transfer(file.get());
    } catch (const std::bad_alloc&) {
      outcome = kDownloadFailed;
    }
    if (outcome != kDownloadDone) DiscardOnClose(file.get());
    file.reset();
    Report(outcome, 0, 0);
  }
};

bool CFileDownloader::Setup(const wchar_t* url, const wchar_t* filePath, Callback callback, void* context,
                            unsigned long long maxBytes) {
  ready_ = false;
  if (!url || !filePath) return false;
  const std::wstring urlText(url);
  const std::wstring pathText(filePath);
  if (urlText.size() >= kUrlLimit || pathText.size() >= kPathLimit) return false;
  url_ = urlText;
  filePath_ = pathText;

  const std::wstring canonical = CanonicalUrl(url_);
  if (canonical.empty()) return false;
  std::vector<wchar_t> host(kHostLimit), path(kUrlPathLimit), user(kUserLimit), password(kPasswordLimit);
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = host.data();
  parts.dwHostNameLength = kHostLimit;
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = kUrlPathLimit;
  parts.lpszUserName = user.data();
  parts.dwUserNameLength = kUserLimit;
  parts.lpszPassword = password.data();
  parts.dwPasswordLength = kPasswordLimit;
  // Plain http only: other schemes would not end as an http request does.
  if (!InternetCrackUrlW(canonical.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP) return false;
  hostName_ = FieldText(host, parts.dwHostNameLength);
  urlPath_ = FieldText(path, parts.dwUrlPathLength);
  userName_ = FieldText(user, parts.dwUserNameLength);
  password_ = FieldText(password, parts.dwPasswordLength);
  port_ = parts.nPort;
  scheme_ = parts.nScheme;
  callback_ = callback;
  context_ = context;
  maxBytes_ = maxBytes;
  ready_ = true;
  return true;
}

bool CFileDownloader::Begin() {
  if (!ready_) return false;
  Stop();
  std::shared_ptr<Session> session;
  try {
    session = std::make_shared<Session>();
    session->filePath = filePath_;
    session->host = hostName_;
    session->user = userName_;
    session->password = password_;
    session->urlPath = WideToUtf8(urlPath_);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!session->cancel) return false;
  session->callback = callback_;
  session->context = context_;
  session->port = port_;
  session->maxBytes = maxBytes_;
  session->stepTimeoutMs = HttpStepTimeoutMs();
  session->deadlineMs = DownloadDeadlineMs();
  thread_ = StartThread([session] { session->Run(); });
  if (!thread_) return false;
  session_ = std::move(session);
  return true;
}

bool CFileDownloader::Stop(DWORD waitMs) {
  if (session_) session_->Silence();
  const bool ended = !thread_ || WaitForSingleObject(thread_.get(), waitMs) == WAIT_OBJECT_0;
  thread_.reset();
  session_.reset();
  return ended;
}
