// Looks on the update server for a newer version of the program, at most
// once a day after an offer: fetches the update INI, compares versions,
// downloads the setup program into the temporary folder and checks its
// signature. Then it hands an UpdateOffer to the user-interface thread,
// where AcceptUpdateOffer asks the user (when the INI says so) and acts on
// the INI's close command (8 starts the downloaded setup through
// "-Update:").
//
// The check runs on a thread of its own that shares ownership of the
// checker, so a checker dropped by the main window lives until its thread
// ends. The thread never calls into the user-interface thread: it gets its
// inputs by value and posts the offer as a task. Stop ends the thread within
// a bound and nothing is posted after it.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "app/net/file_downloader.h"
#include "app/platform/ui_tasks.h"
#include "app/update/update_folder.h"
#include "app/update/update_signature.h"
#include "skin/resources/unique_handle.h"
#include "tavora_build.h"

// A downloaded setup whose signature was checked, with what the INI says to
// do about it; everything by value.
struct UpdateOffer {
  std::wstring setupPath;  // in the update folder (app/update/update_folder.h)
  UpdateVersion version{};
  UpdateSignature signature{};
  bool showTip = false;
  std::wstring message;  // "\n" pairs already turned into line breaks
  std::wstring caption;
  UINT closeCommand = 2;
};

using UpdateOfferHandler = std::function<void(const UpdateOffer&)>;

// The close command that starts the downloaded setup.
constexpr UINT kRunSetupCommand = 8;

// How a check ended (or that it has not yet).
enum class UpdateCheckResult : int {
  kRunning = 0,
  kNotDue,           // an offer was made within the last 24 hours
  kNoProgramFolder,  // the program's own path is unknown or too long
  kOtherCheckRuns,   // another process checks (it holds the named mutex)
  kNoEvent,          // the completion event could not be made
  kNoUpdateFolder,   // the update folder cannot be made, or is not kept to administrators
  kNoIni,            // no INI, no version, no download URL
  kNotNewer,         // the server's version is not newer (or unreadable)
  kNoVerifiedSetup,  // no setup file, or one without a valid signature
  kOffered,          // the offer went to the user-interface thread
  kStopped,          // Stop ended the check
  kNoMemory,         // an allocation failed
};

class CUpdateChecker : public std::enable_shared_from_this<CUpdateChecker> {
 public:
  // Made and trusted as app/update/named_guard.h describes: a mutex of that name
  // made by another program does not stop checks.
  static constexpr wchar_t kMutexName[] = L"Local\\{FB32C970-0E33-4eb1-8778-3B405A1C5A1A}";
  // The build's version (1,0,0,35 unless the build sets another).
  static constexpr wchar_t kProgramVersion[] = TAVORA_UPDATE_VERSION;
  // Downloaded setups are named kSetupPrefix, 16 random hexadecimal digits,
  // kSetupSuffix, in the update folder.
  static constexpr wchar_t kSetupPrefix[] = L"tavoSetup-";
  static constexpr wchar_t kSetupSuffix[] = L".exe";
  static constexpr DWORD kDefaultDownloadWaitMs = 300000;
  static constexpr DWORD kDefaultRetryPauseMs = 60000;
  static constexpr int kIniAttempts = 3;
  static constexpr int kSetupAttempts = 30;
  static constexpr DWORD kCheckHours = 24;
  // How long Stop waits for the check's thread.
  static constexpr DWORD kStopWaitMs = 1500;
  // How long a stopped check waits for its download's thread.
  static constexpr DWORD kStoppedDownloadWaitMs = 100;
  // The most an INI (kilobytes) and a setup program (megabytes) may bring; a
  // longer download stops, its file is deleted and it counts as failed.
  static constexpr DWORD kIniLimitKb = 64;
  static constexpr DWORD kSetupLimitMb = 256;
  static constexpr DWORD kMaxIniLimitKb = 1024;
  static constexpr DWORD kMaxSetupLimitMb = 2048;

  // `key` is the key setup programs must be signed with; `updateUrl` is
  // where the INI is fetched (default: "/tavo/update.php?v=" and kProgramVersion on the
  // configured update server). The wait for one download and the pause
  // after a failed one are 300 s and 60 s unless TAVORA_UPDATE_WAIT_MS and
  // TAVORA_UPDATE_RETRY_MS hold other millisecond counts (1 to 600000); the
  // size limits are kIniLimitKb and kSetupLimitMb unless
  // TAVORA_UPDATE_INI_LIMIT_KB (1 to 1024) and TAVORA_UPDATE_SETUP_LIMIT_MB
  // (1 to 2048) hold others.
  explicit CUpdateChecker(const UpdatePublicKey& key = ReleaseUpdateKey(), std::wstring updateUrl = DefaultUpdateUrl());
  ~CUpdateChecker();
  CUpdateChecker(const CUpdateChecker&) = delete;
  CUpdateChecker& operator=(const CUpdateChecker&) = delete;

  static std::wstring DefaultUpdateUrl();

  // Starts the check on its own thread. An offer goes to `onOffer` as a
  // task posted through `poster`, so it runs on the queue's thread; so does
  // `onEnd` with how the check ended, after the offer, unless Stop came
  // first. False when `onOffer` is empty, when a check was started before,
  // when the checker is not held by a std::shared_ptr, or when no thread
  // starts.
  bool Start(UiTaskPoster poster, UpdateOfferHandler onOffer,
             std::function<void(UpdateCheckResult)> onEnd = std::function<void(UpdateCheckResult)>());
  // A check asked for by the user: it runs whenever the last offer was made
  // (no 24-hour wait). Before Start.
  void CheckNow() { checkHours_ = 0; }
  // Signals the check to end without waiting for it (Stop then waits less).
  void Signal();
  // The last download event that ended a download without its file
  // (kDownloadRequestFailed and the like), -1 when none did.
  int LastDownloadFailure() const { return lastFailure_.load(); }
  // Ends the check: every wait and pause ends at once and a download is cut
  // off; nothing is posted afterwards. Waits for the check's thread at most
  // kStopWaitMs; true when it has ended (or never ran).
  bool Stop();
  UpdateCheckResult result() const { return static_cast<UpdateCheckResult>(result_.load()); }
  // Whether a started check's thread has ended.
  bool Finished() const;

  // Whether an offer was last made more than `hours` ago (or never, or in
  // the future); always true for 0 hours.
  static bool IsCheckDue(DWORD hours);
  // LastCheckUpdate under HKLM\SOFTWARE\tavo\LastTime; 0 when absent.
  static DWORD ReadLastCheck();
  // The program's folder, "" when `programPath` has no folder or is 260
  // characters or longer (the check needs a program it can name).
  static std::wstring CheckFolder(const std::wstring& programPath);
  // One of the INI's download URLs (url01, url02, ... up to the first one
  // missing, empty or cut, at most url99): the only one, or one picked at
  // random among all but the last. "" when there is none.
  static std::wstring PickDownloadUrl(const std::wstring& iniPath);

 private:
  // The whole check, on the check's thread; always ends with Cleanup.
  UpdateCheckResult Run();
  // The check's steps, without the clean-up.
  UpdateCheckResult RunSteps();
  static bool WriteLastCheck();
  // Fetches the INI and reads its version, signature and download URL.
  bool FetchIni();
  // Downloads the setup into a new file of the update folder and checks its
  // signature; true when a verified setup is in place. False also when the
  // INI brought no signature (nothing is downloaded then) or when stopped.
  bool DownloadSetup();
  // Posts the offer, then stores the time of the offer; false (and nothing
  // stored) when stopped or when the queue has closed.
  bool Notify();
  // The offer as the INI describes it, for the downloaded setup.
  UpdateOffer ReadOffer() const;
  void Cleanup();
  // One download, waited for up to `timeoutMs`; a body past `maxBytes` is a
  // failure. A download that cannot start fails at once.
  bool Download(const std::wstring& url, const std::wstring& path, DWORD timeoutMs, unsigned long long maxBytes);
  // Whether the file at setupPath_ carries the INI's signature; a file that
  // does not is deleted.
  bool SetupVerified();
  static void DownloadEvent(int code, DWORD first, DWORD second, void* context);
  // Waits `ms` unless stopped first; false when stopped.
  bool Pause(DWORD ms) const;
  bool Stopped() const;
  // Ends the current download; once stopped, without waiting for a thread
  // that a stalled read holds.
  void StopDownload();

  // Set when the checker is made, read by the check's thread only.
  const std::wstring updateUrl_;
  const UpdatePublicKey key_;
  const DWORD downloadWaitMs_;
  const DWORD retryPauseMs_;
  const unsigned long long iniLimitBytes_;
  const unsigned long long setupLimitBytes_;
  // Set by Start before the check's thread exists.
  UiTaskPoster poster_;
  UpdateOfferHandler onOffer_;
  UniqueKernelHandle thread_;
  // The check's own state: its thread alone uses it.
  UniqueKernelHandle runMutex_;
  CUpdateFolder folder_;
  bool hasVersion_ = false;
  UpdateVersion offeredVersion_{};
  std::wstring iniPath_;
  std::wstring downloadUrl_;
  std::wstring setupPath_;
  bool hasSignature_ = false;
  UpdateSignature signature_{};
  CFileDownloader downloader_;
  // Shared with the download's thread: the download's outcome and the event
  // that announces it.
  UniqueKernelHandle doneEvent_;
  std::atomic<bool> downloadOk_{false};
  // Shared with whoever calls Stop.
  UniqueKernelHandle stopEvent_;
  // Held while deciding to post, so that nothing follows a Stop.
  mutable std::mutex stopMutex_;
  bool stopped_ = false;
  std::atomic<int> result_{static_cast<int>(UpdateCheckResult::kRunning)};
  DWORD checkHours_ = kCheckHours;
  std::atomic<int> lastFailure_{-1};
  std::function<void(UpdateCheckResult)> onEnd_;
};

// On the user-interface thread, for an offer that has arrived: asks the
// question when the offer has one (a Yes/No box with a warning icon, owned
// by `owner`), then acts on the close command. True for kRunSetupCommand,
// which the caller answers by starting the setup; any other command is
// posted to `owner` as WM_COMMAND (2 closes the main window). False after a
// No, when `owner` is no window (before or after the question), and for a
// posted command.
bool AcceptUpdateOffer(HWND owner, const UpdateOffer& offer);
