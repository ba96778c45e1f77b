#include "app/net/owned_http_request.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "app/platform/environment_setting.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/text_encoding.h"
#include "skin/resources/unique_handle.h"

// What one request handle shares with WinINet's threads: the step results
// and everything WinINet may still write after the owner has given up. The
// owner holds one share and the status callback the other, which it lets go
// of when WinINet reports that handle closed.
struct OwnedHttpRequest::Pending {
  std::atomic<long> shares{2};
  UniqueKernelHandle done{CreateEventW(nullptr, FALSE, FALSE, nullptr)};  // a step has completed
  std::atomic<HINTERNET> request{nullptr};
  // Written by the callback before `done` is set.
  DWORD_PTR result = 0;
  DWORD error = 0;
  // Written by WinINet when a query or a read completes asynchronously.
  DWORD available = 0;
  DWORD got = 0;
  char buffer[http_limits::kReadBlockBytes];

  void Release() {
    if (--shares == 0) delete this;
  }
};

namespace {

using http_limits::kReadBlockBytes;

void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, void* info, DWORD length) {
  // Roots and connections carry context 0; requests their Pending block.
  auto* pending = reinterpret_cast<OwnedHttpRequest::Pending*>(context);
  if (!pending || !info) return;
  if (status == INTERNET_STATUS_REQUEST_COMPLETE && length >= sizeof(INTERNET_ASYNC_RESULT)) {
    const auto* outcome = static_cast<const INTERNET_ASYNC_RESULT*>(info);
    pending->result = outcome->dwResult;
    pending->error = outcome->dwError;
    SetEvent(pending->done.get());
  } else if (status == INTERNET_STATUS_HANDLE_CLOSING && length >= sizeof(HINTERNET)) {
    // Only the closing of the block's own request lets go of it.
    const HINTERNET closing = *static_cast<const HINTERNET*>(info);
    const HINTERNET own = pending->request.load();
    if (own && closing == own) pending->Release();
  }
}

bool IsRedirect(unsigned long long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

DWORD HttpStepTimeoutMs() {
  return EnvironmentMilliseconds(L"TAVORA_HTTP_TIMEOUT_MS", http_limits::kDefaultStepTimeoutMs,
                                 http_limits::kMaxStepTimeoutMs);
}

DWORD HttpAnswerDeadlineMs() {
  return EnvironmentMilliseconds(L"TAVORA_HTTP_DEADLINE_MS", http_limits::kDefaultAnswerDeadlineMs,
                                 http_limits::kMaxAnswerDeadlineMs);
}

DWORD DownloadDeadlineMs() {
  return EnvironmentMilliseconds(L"TAVORA_DOWNLOAD_DEADLINE_MS", http_limits::kDefaultDownloadDeadlineMs,
                                 http_limits::kMaxDownloadDeadlineMs);
}

InternetHandle OpenAsyncInternet(const wchar_t* userAgent) {
  InternetHandle root(InternetOpenW(userAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC));
  if (root && InternetSetStatusCallbackW(root.get(), StatusCallback) == INTERNET_INVALID_STATUS_CALLBACK) {
    root.reset();
  }
  return root;
}

OwnedHttpRequest::OwnedHttpRequest(HANDLE cancel, DWORD deadlineMs, DWORD stepTimeoutMs)
    : cancel_(cancel), deadline_(GetTickCount64() + deadlineMs), stepTimeoutMs_(stepTimeoutMs) {}

OwnedHttpRequest::~OwnedHttpRequest() { CloseRequest(); }

bool OwnedHttpRequest::OpenRequest(const HttpOrigin& origin, const std::string& path, const char* version,
                                   const char** acceptTypes, DWORD flags) {
  CloseRequest();
  auto* pending = new (std::nothrow) Pending;
  if (!pending) return false;
  if (!pending->done) {
    delete pending;
    return false;
  }
  // Redirects are followed here, where their target can be checked.
  InternetHandle request(HttpOpenRequestA(origin.connection, "GET", path.c_str(), version, nullptr, acceptTypes,
                                          flags | INTERNET_FLAG_NO_AUTO_REDIRECT,
                                          reinterpret_cast<DWORD_PTR>(pending)));
  if (!request) {
    delete pending;  // no handle: no closing notice will come for it
    return false;
  }
  pending->request = request.get();
  pending_ = pending;
  request_ = std::move(request);
  SetInternetTimeouts(request_.get(), stepTimeoutMs_);
  return true;
}

void OwnedHttpRequest::CloseRequest() {
  request_.reset();
  if (pending_) pending_->Release();
  pending_ = nullptr;
}

bool OwnedHttpRequest::MayContinue() {
  if (cancelled_ || expired_) return false;
  if (cancel_ && WaitForSingleObject(cancel_, 0) == WAIT_OBJECT_0) {
    cancelled_ = true;
  } else if (GetTickCount64() >= deadline_) {
    expired_ = true;
  }
  return !cancelled_ && !expired_;
}

bool OwnedHttpRequest::timedOut() const { return expired_ || (pending_ && pending_->error == ERROR_INTERNET_TIMEOUT); }

bool OwnedHttpRequest::WaitStep() {
  const ULONGLONG now = GetTickCount64();
  const DWORD left = now >= deadline_ ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(deadline_ - now, INFINITE - 1));
  const HANDLE events[] = {pending_->done.get(), cancel_};
  const DWORD wait = WaitForMultipleObjects(cancel_ ? 2 : 1, events, FALSE, left);
  if (wait == WAIT_OBJECT_0) return true;
  if (wait == WAIT_OBJECT_0 + 1) {
    cancelled_ = true;
  } else {
    expired_ = true;
  }
  return false;
}

bool OwnedHttpRequest::Send(const HttpOrigin& origin, const std::string& path, const char* version,
                            const char** acceptTypes, DWORD flags) {
  std::string target = path;
  for (int hop = 0;; ++hop) {
    if (!MayContinue() || !OpenRequest(origin, target, version, acceptTypes, flags)) return false;
    if (!HttpSendRequestA(request_.get(), nullptr, 0, nullptr, 0) &&
        (GetLastError() != ERROR_IO_PENDING || !WaitStep() || !pending_->result)) {
      return false;
    }
    unsigned long long status = 0;
    if (!QueryNumber(HTTP_QUERY_STATUS_CODE, status)) return false;
    if (!IsRedirect(status) || hop == http_limits::kMaxRedirects || !RedirectPath(origin, target)) return true;
  }
}

bool OwnedHttpRequest::RedirectPath(const HttpOrigin& origin, std::string& path) const {
  std::string location(http_limits::kMaxLocationBytes + 1, '\0');
  DWORD length = static_cast<DWORD>(location.size());
  if (!HttpQueryInfoA(request_.get(), HTTP_QUERY_LOCATION, &location[0], &length, nullptr) || length == 0 ||
      length > http_limits::kMaxLocationBytes) {
    return false;
  }
  location.resize(length);
  if (location[0] == '/' && (length == 1 || location[1] != '/')) {
    path = location;
    return true;
  }
  // An absolute URL: it must name this scheme, host and port.
  std::string host(INTERNET_MAX_HOST_NAME_LENGTH + 1, '\0');
  std::string urlPath(length + 1, '\0');
  std::string extra(length + 1, '\0');
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = &host[0];
  parts.dwHostNameLength = static_cast<DWORD>(host.size());
  parts.lpszUrlPath = &urlPath[0];
  parts.dwUrlPathLength = static_cast<DWORD>(urlPath.size());
  parts.lpszExtraInfo = &extra[0];
  parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
  if (!InternetCrackUrlA(location.c_str(), length, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP ||
      parts.nPort != origin.port) {
    return false;
  }
  const std::wstring hostName = Utf8ToWide(host.substr(0, parts.dwHostNameLength));
  if (hostName.empty() || CompareStringOrdinal(hostName.c_str(), static_cast<int>(hostName.size()), origin.host.c_str(),
                                               static_cast<int>(origin.host.size()), TRUE) != CSTR_EQUAL) {
    return false;
  }
  path = urlPath.substr(0, parts.dwUrlPathLength) + extra.substr(0, parts.dwExtraInfoLength);
  if (path.empty() || path[0] != '/') path.insert(0, 1, '/');
  return true;
}

bool OwnedHttpRequest::QueryNumber(DWORD level, unsigned long long& value) const {
  char text[80] = "";
  DWORD length = sizeof(text);
  if (!request_ || !HttpQueryInfoA(request_.get(), level, text, &length, nullptr)) return false;
  text[std::min<DWORD>(length, sizeof(text) - 1)] = '\0';
  value = ParseLeadingDecimal(text);
  return true;
}

bool OwnedHttpRequest::Read(char* buffer, DWORD size, DWORD& got) {
  got = 0;
  if (!pending_ || !MayContinue()) return false;
  // How much is there: asked again after an asynchronous answer, which only
  // says that bytes have arrived.
  for (;;) {
    if (InternetQueryDataAvailable(request_.get(), &pending_->available, 0, 0)) break;
    if (GetLastError() != ERROR_IO_PENDING || !WaitStep() || !pending_->result || !MayContinue()) return false;
  }
  const DWORD want = std::min({size, pending_->available, kReadBlockBytes});
  if (want == 0) return true;
  pending_->got = 0;
  if (!InternetReadFile(request_.get(), pending_->buffer, want, &pending_->got) &&
      (GetLastError() != ERROR_IO_PENDING || !WaitStep() || !pending_->result)) {
    return false;
  }
  got = std::min(pending_->got, want);
  std::memcpy(buffer, pending_->buffer, got);
  return true;
}
