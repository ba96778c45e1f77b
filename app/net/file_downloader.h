// Fetches one URL into one file over HTTP on a thread of its own, telling a
// callback how it goes (the codes of DownloadEvent). One download at a time;
// Stop ends the current one at once, even in the middle of a stalled read.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <memory>
#include <string>

#include "skin/resources/unique_handle.h"

// Every outcome but kDownloadDone leaves no file behind: the download's
// thread deletes what it wrote before it reports the outcome.
enum DownloadEvent : int {
  kDownloadFileFailed = 0,     // the target file cannot be made new (it exists, or its folder does not)
  kDownloadStarted = 1,        // the file is open; the request starts
  kDownloadRequestFailed = 2,  // not connected (a refusal comes at once), not sent, no status or no answer in time
  kDownloadBadStatus = 3,      // the status is not 200 (also a redirect that leaves the host or port)
  kDownloadLength = 4,         // first value: Content-Length (0 when absent)
  kDownloadBodyBegins = 5,
  kDownloadProgress = 6,  // values: bytes so far, Content-Length
  kDownloadDone = 7,      // the body ended with at least Content-Length bytes
  kDownloadFailed = 8,    // a read or a write failed, the body ended short, or the deadline passed
  kDownloadTooLarge = 9,  // the announced length (right after 1) or the body (after 6) passes the byte limit
};

class CFileDownloader {
 public:
  // Called on the download's thread, never with a lock held; never after
  // Stop has returned (unless Stop is called from the callback itself).
  using Callback = void (*)(int code, DWORD first, DWORD second, void* context);

  static constexpr unsigned long long kNoByteLimit = ~0ull;
  static constexpr size_t kUrlLimit = 2085;  // characters, terminating zero included
  static constexpr size_t kPathLimit = MAX_PATH;
  static constexpr size_t kHostLimit = 256;
  static constexpr size_t kUrlPathLimit = 2048;
  static constexpr size_t kUserLimit = 128;
  static constexpr size_t kPasswordLimit = 128;
  static constexpr DWORD kBlockBytes = 2048;
  // How long Stop waits for the download's thread once it has been told to end.
  static constexpr DWORD kStopWaitMs = 2000;

  CFileDownloader() = default;
  ~CFileDownloader() { Stop(); }
  CFileDownloader(const CFileDownloader&) = delete;
  CFileDownloader& operator=(const CFileDownloader&) = delete;

  // Takes the URL (canonicalised in the browser's manner and split into its
  // parts), the target file (a new one: a name that exists already, as a
  // file or as a link, is never written through) and the most bytes the
  // body may have. False for a missing string, a URL of 2085 characters or
  // more, a path of 260 or more, a URL the system cannot canonicalise or
  // split, or one that is not http; the downloader is then not ready.
  bool Setup(const wchar_t* url, const wchar_t* filePath, Callback callback, void* context,
             unsigned long long maxBytes = kNoByteLimit);
  // Starts the download's thread, which opens the file and the connection.
  // Each step of its request (connect, send, each wait for bytes) gives up
  // after HttpStepTimeoutMs(), the whole download after DownloadDeadlineMs().
  // False when not ready or when no thread starts (no event comes then).
  bool Begin();
  // Tells the download's thread to end, waits for it up to `waitMs` and
  // forgets it; no event of that download reaches the callback afterwards.
  // True when no thread of it still runs. The thread closes its own handles
  // and deletes its partial file, promptly also during a stalled read.
  bool Stop(DWORD waitMs = kStopWaitMs);

  bool ready() const { return ready_; }
  const std::wstring& hostName() const { return hostName_; }
  const std::wstring& urlPath() const { return urlPath_; }
  const std::wstring& userName() const { return userName_; }
  const std::wstring& password() const { return password_; }
  INTERNET_PORT port() const { return port_; }
  INTERNET_SCHEME scheme() const { return scheme_; }
  unsigned long long maxBytes() const { return maxBytes_; }
  // Whether a download's thread is still known (between Begin and Stop).
  bool running() const { return static_cast<bool>(thread_); }

 private:
  struct Session;

  Callback callback_ = nullptr;
  void* context_ = nullptr;
  std::wstring url_;
  std::wstring filePath_;
  std::wstring hostName_;
  std::wstring urlPath_;
  std::wstring userName_;
  std::wstring password_;
  INTERNET_PORT port_ = 0;
  INTERNET_SCHEME scheme_ = INTERNET_SCHEME_UNKNOWN;
  unsigned long long maxBytes_ = kNoByteLimit;
  bool ready_ = false;
  // What the running download uses, shared with its thread so that a thread
  // outliving Stop's wait still has it.
  std::shared_ptr<Session> session_;
  UniqueKernelHandle thread_;
};
