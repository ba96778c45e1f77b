// A small synchronous HTTP client bound to one host: GET a path, get the body
// back decoded from a named code page. Every failure yields an empty string.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstddef>
#include <mutex>
#include <string>

#include "app/internet_handle.h"

class CHttpPageClient {
 public:
  // Bodies announced larger than this are refused rather than allocated.
  static constexpr size_t kMaxBodyBytes = 32u << 20;
  static constexpr DWORD kDefaultTimeoutMs = 30000;

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
  // Without a connection the default host is connected first.
  std::wstring Get(const std::string& path, UINT codePage);
  // The same with a wide path, sent as its UTF-8 bytes.
  std::wstring Get(const std::wstring& path, UINT codePage);

  // Connect, send and receive time-outs of the handles, applied at once and
  // to every later connection.
  void SetTimeout(DWORD milliseconds);

  // Ends the client's use, from any thread: a Get in progress on another
  // thread has its request handle closed, so a read waiting for data returns
  // at once (a request still waiting for the answer's headers may wait out
  // its time-out under Wine), and that Get and every later one answer "".
  // Closing a handle frees its value for the next handle any thread opens,
  // and the Get in progress may make one more call with the old value: call
  // Cancel only when no other thread of the process opens WinINet handles
  // any more (at the end of the run).
  void Cancel();
  bool cancelled() const;

 private:
  class ActiveRequest;
  DWORD timeoutMs_ = kDefaultTimeoutMs;
  // Declared root first: members are destroyed in reverse order, and the
  // connection must close before the root that it was opened from.
  InternetHandle internetHandle_;
  InternetHandle connectHandle_;

  // The request handle of the Get in progress, for Cancel to close.
  mutable std::mutex requestLock_;
  HINTERNET activeRequest_ = nullptr;  // borrowed from that Get
  bool closedByCancel_ = false;
  bool cancelled_ = false;
};
