// Fetches one URL into one file over HTTP on a thread of its own, telling a
// callback how it goes (the codes of DownloadEvent). One download at a time;
// Stop ends the current one at once, even in the middle of a stalled read.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <memory>
#include <string>

#include "skin/resources/unique_handle.h"

enum DownloadEvent : int {
  kDownloadFileFailed = 0,     // the target file cannot be opened for writing
  kDownloadStarted = 1,        // the file is open; the request starts
  kDownloadRequestFailed = 2,  // no request, not sent, or no status
  kDownloadBadStatus = 3,      // the status is not 200
  kDownloadLength = 4,         // first value: Content-Length (0 when absent)
  kDownloadBodyBegins = 5,
  kDownloadProgress = 6,  // values: bytes so far, Content-Length
  kDownloadDone = 7,      // the body ended with at least Content-Length bytes
  kDownloadFailed = 8,    // a read or a write failed, or the body ended short
  kDownloadTooLarge = 9,  // the body went past the byte limit; the partial file is deleted
};

class CFileDownloader {
 public:
  // Called on the download's thread; never after Stop has returned.
  using Callback = void (*)(int code, DWORD first, DWORD second, void* context);

  static constexpr size_t kUrlLimit = 2085;  // characters, terminating zero included
  static constexpr size_t kPathLimit = MAX_PATH;
  static constexpr size_t kHostLimit = 256;
  static constexpr size_t kUrlPathLimit = 2048;
  static constexpr size_t kUserLimit = 128;
  static constexpr size_t kPasswordLimit = 128;
  static constexpr DWORD kBlockBytes = 2048;
  // How long Stop waits for the download's thread once its handles are closed.
  static constexpr DWORD kStopWaitMs = 2000;
  static constexpr unsigned long long kNoByteLimit = ~0ULL;

  CFileDownloader() = default;
  ~CFileDownloader() { Stop(); }
  CFileDownloader(const CFileDownloader&) = delete;
  CFileDownloader& operator=(const CFileDownloader&) = delete;

  // Takes the URL (canonicalised in the browser's manner and split into its
  // parts) and the target file. False for a missing string, a URL of 2085
  // characters or more, a path of 260 or more, or a URL the system cannot
  // canonicalise or split; the downloader is then not ready. A body longer
  // than `maxBytes` ends the download with kDownloadTooLarge.
  bool Setup(const wchar_t* url, const wchar_t* filePath, Callback callback, void* context,
             unsigned long long maxBytes = kNoByteLimit);
  // Checks that the server can be reached, opens the Internet and connection
  // handles and starts the download's thread. False when not ready or when
  // any of that fails (no event comes then).
  bool Begin();
  // Closes the download's handles, waits for its thread up to `waitMs` and
  // forgets it; no event of that download reaches the callback afterwards.
  // True when no thread of it still runs. Where WinINet does not end a
  // blocked send or read when its handle closes (Wine), the forgotten thread
  // ends by itself at the request time-out, holding what it uses.
  bool Stop(DWORD waitMs = kStopWaitMs);

  // Each step of a request (connect, send, each read) gives up after this:
  // 30 s, or TAVORA_HTTP_TIMEOUT_MS (1 to 600000) for tests.
  static DWORD RequestTimeoutMs();

  bool ready() const { return ready_; }
  const std::wstring& hostName() const { return hostName_; }
  const std::wstring& urlPath() const { return urlPath_; }
  const std::wstring& userName() const { return userName_; }
  const std::wstring& password() const { return password_; }
  INTERNET_PORT port() const { return port_; }
  INTERNET_SCHEME scheme() const { return scheme_; }
  // Whether a download's thread is still known (between Begin and Stop).
  bool running() const { return static_cast<bool>(thread_); }

  struct Session;

 private:
  Callback callback_ = nullptr;
  void* context_ = nullptr;
  unsigned long long maxBytes_ = kNoByteLimit;
  std::wstring url_;
  std::wstring filePath_;
  std::wstring hostName_;
  std::wstring urlPath_;
  std::wstring userName_;
  std::wstring password_;
  INTERNET_PORT port_ = 0;
  INTERNET_SCHEME scheme_ = INTERNET_SCHEME_UNKNOWN;
  bool ready_ = false;
  // The running download's handles and callback, shared with its thread so
  // that a thread outliving Stop's wait still has what it uses.
  std::shared_ptr<Session> session_;
  UniqueKernelHandle thread_;
};
