// One HTTP GET that a single thread opens, waits on and closes, that another
// thread can end at any moment by setting an event, and that ends by itself
// at a deadline. Every limit of the program's HTTP exchanges is stated here.
//
// The handles run in WinINet's asynchronous mode: connecting, sending,
// waiting for the headers and waiting for body bytes happen on WinINet's
// own threads, while the owning thread waits for "step done", the cancel
// event or the deadline, whichever comes first. On cancel or deadline the
// owner closes its own request handle and goes on at once. (Closing a
// handle from another thread instead would free a value the owner may still
// pass to WinINet, and under Wine it does not end a blocked send or read.)
// WinINet may finish the abandoned step later; what it writes then (step
// results, byte counts, read data) lives in a block that the status callback
// frees when WinINet reports the handle closed.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstddef>
#include <string>

#include "app/net/internet_handle.h"

namespace http_limits {
// WinINet's own connect, send and receive time-outs, set on every handle:
// one step waits at most this long (TAVORA_HTTP_TIMEOUT_MS, 1 to 600000).
constexpr DWORD kDefaultStepTimeoutMs = 30000;
constexpr DWORD kMaxStepTimeoutMs = 600000;
// A whole answer (a page, an install report) from the request to its last
// byte (TAVORA_HTTP_DEADLINE_MS, 1 to 600000).
constexpr DWORD kDefaultAnswerDeadlineMs = 60000;
constexpr DWORD kMaxAnswerDeadlineMs = 600000;
// A whole download (TAVORA_DOWNLOAD_DEADLINE_MS, 1 to 3600000).
constexpr DWORD kDefaultDownloadDeadlineMs = 600000;
constexpr DWORD kMaxDownloadDeadlineMs = 3600000;
// Redirects followed per request; each must stay on the same host and port.
constexpr int kMaxRedirects = 5;
// A Location header longer than this is not followed.
constexpr size_t kMaxLocationBytes = 4096;
// The most one read hands back.
constexpr DWORD kReadBlockBytes = 64 * 1024;
}  // namespace http_limits

DWORD HttpStepTimeoutMs();
DWORD HttpAnswerDeadlineMs();
DWORD DownloadDeadlineMs();

// How the page client and the downloader name themselves to a server: as the
// browser the query site was made for.
constexpr wchar_t kBrowserUserAgent[] = L"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)";

// A root handle in asynchronous mode whose request handles report to
// OwnedHttpRequest. Null when it cannot be opened.
InternetHandle OpenAsyncInternet(const wchar_t* userAgent);

// The connection a request is opened on (context 0, opened from a root of
// OpenAsyncInternet) and the host and port it names, which a redirect may
// not leave.
struct HttpOrigin {
  HINTERNET connection = nullptr;
  std::wstring host;
  INTERNET_PORT port = 0;
};

class OwnedHttpRequest {
 public:
  // `cancel` is a manual-reset event that another thread sets to end the
  // request (borrowed; null: none). The deadline counts from here.
  OwnedHttpRequest(HANDLE cancel, DWORD deadlineMs, DWORD stepTimeoutMs);
  // Closes the request handle.
  ~OwnedHttpRequest();
  OwnedHttpRequest(const OwnedHttpRequest&) = delete;
  OwnedHttpRequest& operator=(const OwnedHttpRequest&) = delete;

  // GETs `path` (raw bytes, sent as given) over `origin` and waits for the
  // answer's headers. A redirect (301, 302, 303, 307, 308) to the same host
  // and port is followed, at most kMaxRedirects times; any other redirect is
  // the answer. False when no answer came: refused, failed, cancelled or
  // past the deadline.
  bool Send(const HttpOrigin& origin, const std::string& path, const char* version, const char** acceptTypes,
            DWORD flags);
  // The leading decimal number of a header (HTTP_QUERY_STATUS_CODE,
  // HTTP_QUERY_CONTENT_LENGTH); false when the answer does not have it.
  bool QueryNumber(DWORD level, unsigned long long& value) const;
  // Up to `size` bytes of the body (at most kReadBlockBytes); `got` is 0 at
  // its end. False when reading failed, was cancelled or passed the deadline.
  bool Read(char* buffer, DWORD size, DWORD& got);

  // Whether the cancel event or the deadline ended a step.
  bool cancelled() const { return cancelled_; }
  bool expired() const { return expired_; }
  // Whether the last step failed for lack of time: the deadline passed, or
  // WinINet's own step time-out ended it.
  bool timedOut() const;

  struct Pending;

 private:
  bool OpenRequest(const HttpOrigin& origin, const std::string& path, const char* version, const char** acceptTypes,
                   DWORD flags);
  void CloseRequest();
  // Waits for the step just started; false when cancelled or expired.
  bool WaitStep();
  // Whether the request may start another step.
  bool MayContinue();
  // The path a redirect answer leads to on `origin`; false when it leaves it.
  bool RedirectPath(const HttpOrigin& origin, std::string& path) const;

  HANDLE cancel_;
  ULONGLONG deadline_;
  DWORD stepTimeoutMs_;
  Pending* pending_ = nullptr;  // the current request's shared block
  InternetHandle request_;
  bool cancelled_ = false;
  bool expired_ = false;
};
