#include "app/file_downloader.h"

#include <mutex>
#include <vector>

#include "app/environment_setting.h"
#include "app/internet_handle.h"

namespace {

const wchar_t kUserAgent[] = L"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)";
constexpr DWORD kCanonicalFirstLength = 2084;
// A canonical URL longer than this cannot be split into parts that fit.
constexpr DWORD kCanonicalMaxLength = 32768;
constexpr DWORD kDefaultRequestTimeoutMs = 30000;
constexpr DWORD kMaxRequestTimeoutMs = 600000;

std::wstring FieldText(const std::vector<wchar_t>& buffer, DWORD length) {
  return std::wstring(buffer.data(), length);
}

}  // namespace

// What one download's thread uses. The downloader and the thread both hold
// it; Stop marks it abandoned and closes its handles under the lock, so the
// thread neither reports nor opens anything afterwards.
struct CFileDownloader::Session {
  CFileDownloader::Callback callback = nullptr;
  void* context = nullptr;
  std::wstring filePath;
  std::wstring urlPath;
  DWORD timeoutMs = kDefaultRequestTimeoutMs;
  unsigned long long maxBytes = CFileDownloader::kNoByteLimit;

  std::mutex mutex;
  bool abandoned = false;
  // Declared root first: the connection and the request close before it.
  InternetHandle internetHandle;
  InternetHandle connectHandle;
  InternetHandle requestHandle;
  // The target file; written and closed only under the lock, so that Stop
  // can close it while the thread waits in a read.
  UniqueKernelHandle file;

  void Report(int code, DWORD first, DWORD second) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!abandoned && callback) callback(code, first, second, context);
  }

  void Abandon() {
    std::lock_guard<std::mutex> lock(mutex);
    abandoned = true;
    requestHandle.reset();
    connectHandle.reset();
    internetHandle.reset();
    file.reset();
  }

  bool OpenFile() {
    std::lock_guard<std::mutex> lock(mutex);
    if (abandoned) return false;
    file.reset(CreateFileW(filePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
  }

  // Writes the whole block; false when the file is gone or took less.
  bool Write(const char* data, DWORD size) {
    std::lock_guard<std::mutex> lock(mutex);
    DWORD written = 0;
    return !abandoned && file && WriteFile(file.get(), data, size, &written, nullptr) && written == size;
  }

  bool FlushAndClose() {
    std::lock_guard<std::mutex> lock(mutex);
    const bool flushed = !abandoned && file && FlushFileBuffers(file.get());
    file.reset();
    return flushed;
  }

  // Opens the request under the lock, so that Stop either sees it and closes
  // it or makes this fail. The raw handle stays usable until Stop closes it.
  HINTERNET OpenRequest() {
    std::lock_guard<std::mutex> lock(mutex);
    if (abandoned || !connectHandle) return nullptr;
    requestHandle.reset(HttpOpenRequestW(connectHandle.get(), L"GET", urlPath.c_str(), L"HTTP/1.0", nullptr,
                                         nullptr, INTERNET_FLAG_PRAGMA_NOCACHE, 0));
    SetInternetTimeouts(requestHandle.get(), timeoutMs);
    return requestHandle.get();
  }

  // The request and its body; the outcome code.
  int Transfer() {
    const HINTERNET request = OpenRequest();
    if (!request || !HttpSendRequestW(request, nullptr, 0, nullptr, 0)) return kDownloadRequestFailed;
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
      return kDownloadRequestFailed;
    }
    if (status != 200) return kDownloadBadStatus;
    DWORD contentLength = 0;
    size = sizeof(contentLength);
    if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &contentLength, &size,
                        nullptr)) {
      contentLength = 0;
    }
    Report(kDownloadLength, contentLength, 0);
    Report(kDownloadBodyBegins, 0, 0);
    char block[kBlockBytes];
    DWORD received = 0;
    for (;;) {
      DWORD read = 0;
      if (!InternetReadFile(request, block, sizeof(block), &read)) return kDownloadFailed;
      if (read == 0) break;
      if (received + static_cast<unsigned long long>(read) > maxBytes) {
        FlushAndClose();
        DeleteFileW(filePath.c_str());
        return kDownloadTooLarge;
      }
      if (!Write(block, read)) return kDownloadFailed;
      received += read;
      Report(kDownloadProgress, received, contentLength);
    }
    if (!FlushAndClose()) return kDownloadFailed;
    return received < contentLength ? kDownloadFailed : kDownloadDone;
  }

  void Run() {
    if (!OpenFile()) {
      Report(kDownloadFileFailed, 0, 0);
      return;
    }
    Report(kDownloadStarted, 0, 0);
    const int outcome = Transfer();
    {
      std::lock_guard<std::mutex> lock(mutex);
      file.reset();
    }
    Report(outcome, 0, 0);
  }
};

namespace {

DWORD WINAPI DownloadThread(void* parameter) {
  const std::unique_ptr<std::shared_ptr<CFileDownloader::Session>> session(
      static_cast<std::shared_ptr<CFileDownloader::Session>*>(parameter));
  (*session)->Run();
  return 0;
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

bool CFileDownloader::Setup(const wchar_t* url, const wchar_t* filePath, Callback callback, void* context,
                            unsigned long long maxBytes) {
  ready_ = false;
  maxBytes_ = maxBytes;
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
  if (!InternetCrackUrlW(canonical.c_str(), 0, 0, &parts)) return false;
  hostName_ = FieldText(host, parts.dwHostNameLength);
  urlPath_ = FieldText(path, parts.dwUrlPathLength);
  userName_ = FieldText(user, parts.dwUserNameLength);
  password_ = FieldText(password, parts.dwPasswordLength);
  port_ = parts.nPort;
  scheme_ = parts.nScheme;
  callback_ = callback;
  context_ = context;
  ready_ = true;
  return true;
}

bool CFileDownloader::Begin() {
  if (!ready_ || !InternetCheckConnectionW(url_.c_str(), FLAG_ICC_FORCE_CONNECTION, 0)) return false;
  Stop();
  auto session = std::make_shared<Session>();
  session->callback = callback_;
  session->context = context_;
  session->filePath = filePath_;
  session->urlPath = urlPath_;
  session->maxBytes = maxBytes_;
  session->timeoutMs = RequestTimeoutMs();
  session->internetHandle.reset(InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session->internetHandle) return false;
  SetInternetTimeouts(session->internetHandle.get(), session->timeoutMs);
  session->connectHandle.reset(InternetConnectW(session->internetHandle.get(), hostName_.c_str(), port_,
                                                userName_.empty() ? nullptr : userName_.c_str(),
                                                password_.empty() ? nullptr : password_.c_str(),
                                                static_cast<DWORD>(scheme_), 0, 0));
  if (!session->connectHandle) return false;
  SetInternetTimeouts(session->connectHandle.get(), session->timeoutMs);

  auto* threadShare = new std::shared_ptr<Session>(session);
  thread_.reset(CreateThread(nullptr, 0, DownloadThread, threadShare, 0, nullptr));
  if (!thread_) {
    delete threadShare;
    return false;
  }
  session_ = std::move(session);
  return true;
}

DWORD CFileDownloader::RequestTimeoutMs() {
  return EnvironmentMilliseconds(L"TAVORA_HTTP_TIMEOUT_MS", kDefaultRequestTimeoutMs, kMaxRequestTimeoutMs);
}

bool CFileDownloader::Stop(DWORD waitMs) {
  // Closing the handles first makes a blocked send or read return; waiting
  // first would always run out on a stalled server.
  if (session_) session_->Abandon();
  const bool ended = !thread_ || WaitForSingleObject(thread_.get(), waitMs) == WAIT_OBJECT_0;
  thread_.reset();
  session_.reset();
  return ended;
}
