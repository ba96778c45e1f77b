// A small synchronous HTTP client bound to one host: GET a path, get the body
// back decoded from a named code page. Every failure yields an empty string.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstddef>
#include <string>

#include "app/net/internet_handle.h"
#include "app/net/owned_http_request.h"
#include "skin/resources/unique_handle.h"

// Why the last Get answered nothing.
enum class PageFailure {
  None,          // a body came
  NoConnection,  // no connection, or no answer to the request at all
  TimedOut,      // the answer did not come within its time
  BadAnswer,     // an answer came, but not a page that could be read
  Cancelled,     // the client was cancelled
};

class CHttpPageClient {
 public:
  // Bodies announced larger than this are refused rather than allocated;
  // bodies without an announced length are not read at all.
  static constexpr size_t kMaxBodyBytes = 32u << 20;
  static constexpr DWORD kDefaultTimeoutMs = http_limits::kDefaultStepTimeoutMs;

  // `host` is "name" or "name:port"; null means the default host (the
  // configured query site). Never fails: a failed connect leaves the client
  // unconnected.
  explicit CHttpPageClient(const wchar_t* host = nullptr);

  // Closes what is open, then opens the root handle and a connection to
  // `host` (null: the default host). True when the connection was opened.
  BOOL Connect(const wchar_t* host);
  // Closes the connection, then the root handle. The next Get connects again.
  void Close();

  // Whether a connection is open (the connection handle exists).
  bool connected() const { return static_cast<bool>(connectHandle_); }
  BorrowedInternetHandle internetHandle() const { return internetHandle_; }
  BorrowedInternetHandle connectHandle() const { return connectHandle_; }

  // GET `path` (raw request bytes: sent exactly as given) and decode the body.
  // Without a connection the default host is connected first. A redirect is
  // followed only on the same host and port; the whole answer may take
  // HttpAnswerDeadlineMs() (read when the client is made).
  std::wstring Get(const std::string& path, UINT codePage);
  // The same with a wide path, sent as its UTF-8 bytes.
  std::wstring Get(const std::wstring& path, UINT codePage);

  // Connect, send and receive time-outs of each step, applied at once and to
  // every later connection and request.
  void SetTimeout(DWORD milliseconds);

  // Ends the client's use, from any thread: a Get in progress on another
  // thread stops waiting at once and answers "" (that thread closes its own
  // request), and every later Get answers "" without sending anything.
  void Cancel();
  bool cancelled() const { return cancelled_; }

  // Why the last Get answered "" (None when it answered a body). Read it on
  // the thread that called Get.
  PageFailure lastFailure() const { return lastFailure_; }

 private:
  DWORD timeoutMs_ = kDefaultTimeoutMs;
  DWORD deadlineMs_;
  HttpOrigin origin_;
  // Declared root first: members are destroyed in reverse order, and the
  // connection must close before the root that it was opened from.
  InternetHandle internetHandle_;
  InternetHandle connectHandle_;
  // Set by Cancel; the Get in progress waits on it.
  UniqueKernelHandle cancelEvent_;
  std::atomic<bool> cancelled_{false};
  PageFailure lastFailure_ = PageFailure::None;
};
