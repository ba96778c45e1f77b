// Looks on the update server for a newer version of the program, at most
// once a day after an offer: fetches the update INI, compares versions,
// downloads the setup program into the temporary folder, checks its
// signature, optionally asks the user, and posts the INI's close command to
// the main window (8 starts the downloaded setup through "-Update:").
//
// The check runs on a thread of its own that shares ownership of the
// checker, so a checker dropped by the main window lives until its thread
// ends; Stop ends the thread within a bound and nothing is shown or posted
// after it.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "app/file_downloader.h"
#include "app/update_signature.h"
#include "skin/resources/unique_handle.h"

// How a check ended (or that it has not yet).
enum class UpdateCheckResult : int {
  kRunning = 0,
  kNotDue,             // an offer was made within the last 24 hours
  kNoProgramFolder,    // the program's own path is unknown or too long
  kOtherCheckRuns,     // the named mutex exists: another process checks
  kNoEvent,            // the completion event could not be made
  kNoIni,              // no INI, no version, no download URL
  kNotNewer,           // the server's version is not newer (or unreadable)
  kNoVerifiedSetup,    // no setup file, or one without a valid signature
  kDeclined,           // the user answered No
  kCommandPosted,      // the close command went to the main window
  kStopped,            // Stop ended the check
};

class CUpdateChecker : public std::enable_shared_from_this<CUpdateChecker> {
 public:
  static constexpr wchar_t kMutexName[] = L"{FB32C970-0E33-4eb1-8778-3B405A1C5A1A}";
  static constexpr wchar_t kProgramVersion[] = L"1,0,0,35";
  static constexpr wchar_t kSetupFileName[] = L"tavoSetup.exe";
  static constexpr DWORD kDefaultDownloadWaitMs = 300000;
  static constexpr DWORD kDefaultRetryPauseMs = 60000;
  static constexpr int kIniAttempts = 3;
  static constexpr int kSetupAttempts = 30;
  static constexpr DWORD kCheckHours = 24;
  // How long Stop waits for the check's thread.
  static constexpr DWORD kStopWaitMs = 1500;
  // How long a stopped check waits for its download's thread.
  static constexpr DWORD kStoppedDownloadWaitMs = 100;

  // `key` is the key setup programs must be signed with; `updateUrl` is
  // where the INI is fetched (default: "/tavo/update.php?v=1,0,0,35" on the
  // configured update server). The wait for one download and the pause
  // after a failed one are 300 s and 60 s unless TAVORA_UPDATE_WAIT_MS and
  // TAVORA_UPDATE_RETRY_MS hold other millisecond counts (1 to 600000).
  explicit CUpdateChecker(const UpdatePublicKey& key = ReleaseUpdateKey(), std::wstring updateUrl = DefaultUpdateUrl());
  ~CUpdateChecker();
  CUpdateChecker(const CUpdateChecker&) = delete;
  CUpdateChecker& operator=(const CUpdateChecker&) = delete;

  static std::wstring DefaultUpdateUrl();

  // Starts the check on its own thread for the main window `owner`. False
  // when `owner` is not a window, when a check was started before, when the
  // checker is not held by a std::shared_ptr, or when no thread starts.
  bool Start(HWND owner);
  // Ends the check: every wait and pause ends at once, a question on screen
  // is answered No, a download is cut off; nothing is shown or posted
  // afterwards. True when the check's thread has ended (or never ran).
  // Sent messages are served while waiting, so the thread may still talk to
  // windows of the calling thread.
  bool Stop();
  UpdateCheckResult result() const { return static_cast<UpdateCheckResult>(result_.load()); }
  // Whether a started check's thread has ended.
  bool Finished() const;

  // The whole check, on the calling thread; always ends with Cleanup.
  UpdateCheckResult Run();

  bool IsCheckDue(DWORD hours) const;
  // LastCheckUpdate under HKLM\SOFTWARE\tavo\LastTime; 0 when absent.
  static DWORD ReadLastCheck();
  static bool WriteLastCheck();
  // The folder to check from: the program's folder, "" when `programPath`
  // has no folder or is 260 characters or longer.
  static std::wstring CheckFolder(const std::wstring& programPath);

  bool FetchIni();
  bool PickDownloadUrl(const std::wstring& iniPath);
  bool IsNewer() const;
  bool DownloadSetup();
  bool Notify();
  void Cleanup();
  bool Download(const std::wstring& url, const std::wstring& path, DWORD timeoutMs);

  // Whether the file at setupPath carries the INI's signature; a file that
  // does not is deleted.
  bool SetupVerified();

  HWND ownerWindow = nullptr;
  UniqueKernelHandle runMutex;
  UniqueKernelHandle doneEvent;
  std::wstring serverVersion = L"0,0,0,0";
  std::wstring currentVersion = kProgramVersion;
  std::wstring iniPath;
  std::wstring downloadUrl;
  std::wstring setupPath;
  std::wstring updateUrl;
  std::atomic<bool> downloadOk{false};
  bool setupDownloaded = false;
  bool hasSignature = false;
  UpdateSignature signature{};
  CFileDownloader downloader;

 private:
  static void DownloadEvent(int code, DWORD first, DWORD second, void* context);
  static DWORD WINAPI ThreadMain(void* parameter);
  // Waits `ms` unless stopped first; false when stopped.
  bool Pause(DWORD ms) const;
  bool Stopped() const;
  // Ends the current download; once stopped, without waiting for a thread
  // that a stalled read holds.
  void StopDownload();
  // Shows the question unless stopped; true for Yes.
  bool Ask();

  UpdatePublicKey key_;
  DWORD downloadWaitMs_;
  DWORD retryPauseMs_;
  UniqueKernelHandle stopEvent_;
  // Held while deciding to show or post, so that nothing follows a Stop.
  mutable std::mutex stopMutex_;
  bool stopped_ = false;
  UniqueKernelHandle thread_;
  DWORD threadId_ = 0;
  std::atomic<int> result_{static_cast<int>(UpdateCheckResult::kRunning)};
};

// The downloaded setup offered last, process-wide: written by the check's
// thread before it posts the close command, read on the user-interface
// thread when the command arrives.
void SetPendingSetup(const std::wstring& path, const UpdateSignature& signature, const UpdatePublicKey& key);
std::wstring PendingSetupPath();
// The pending setup's path when its file still carries the signature it was
// offered with; "" otherwise (a file that fails the check is deleted).
std::wstring VerifiedPendingSetupPath();
void ClearPendingSetup();
