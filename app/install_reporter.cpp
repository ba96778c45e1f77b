#include "app/install_reporter.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "app/environment_setting.h"
#include "app/server_config.h"

namespace {

const wchar_t kUserAgent[] = L"KAVRO Gather";
const wchar_t kInstallPath[] = L"/tavo/stat/install.php?i=10";
const wchar_t kUninstallPath[] = L"/tavo/stat/uninstall.php?i=10";
// INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE
constexpr DWORD kOpenUrlFlags = 0x84000100;
constexpr DWORD kMaxTimeoutMs = 600000;

// What the report's worker thread and the waiting thread share; it lives as
// long as either of them still needs it.
struct PendingOpen {
  std::mutex mutex;
  std::condition_variable changed;
  bool finished = false;
};

// Opens the URL (sending the request and waiting for the answer's headers)
// and closes the answer at once: nothing of it is read.
void OpenAndClose(HINTERNET internet, const std::wstring& url, const std::shared_ptr<PendingOpen>& pending) {
  {
    const InternetHandle answer(InternetOpenUrlW(internet, url.c_str(), nullptr, 0, kOpenUrlFlags, 0));
  }
  std::lock_guard<std::mutex> lock(pending->mutex);
  pending->finished = true;
  pending->changed.notify_all();
}

}  // namespace

CInstallReporter::CInstallReporter() {
  internetHandle_.reset(InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  SetInternetTimeouts(internetHandle_.get(), TimeoutMs());
  InternetAttemptConnect(0);
}

std::wstring CInstallReporter::ReportUrl(int kind) {
  const wchar_t* path = kind == Install ? kInstallPath : kind == Uninstall ? kUninstallPath : nullptr;
  if (!path) return std::wstring();
  return L"http://" + GetServerAddress(ServerKind::Statistics).HostPort() + path;
}

DWORD CInstallReporter::TimeoutMs() {
  return EnvironmentMilliseconds(L"TAVORA_HTTP_TIMEOUT_MS", kDefaultTimeoutMs, kMaxTimeoutMs);
}

void CInstallReporter::Report(int kind) {
  const std::wstring url = ReportUrl(kind);
  if (url.empty() || !internetHandle_) return;
  // The time-outs set on the Internet handle bound each step of the request
  // on Windows, but not every WinINet passes the send and receive time-outs
  // of the root handle on to the requests opened from it (Wine does not), and
  // a server that accepts and never answers would then hold the installer
  // forever. So the request runs on a worker thread and the report waits for
  // it at most twice the time-out (connecting, then waiting for the answer).
  // A request still pending then is abandoned: Shutdown closes the root
  // handle, which cancels it where WinINet can, and the process ends anyway.
  auto pending = std::make_shared<PendingOpen>();
  std::thread worker;
  try {
    worker = std::thread(OpenAndClose, internetHandle_.get(), url, pending);
  } catch (const std::system_error&) {
    OpenAndClose(internetHandle_.get(), url, pending);  // no thread: wait in place
    return;
  }
  std::unique_lock<std::mutex> lock(pending->mutex);
  const bool finished =
      pending->changed.wait_for(lock, std::chrono::milliseconds(2ull * TimeoutMs()), [&] { return pending->finished; });
  lock.unlock();
  if (finished) {
    worker.join();
  } else {
    worker.detach();
  }
}

void CInstallReporter::Shutdown() { internetHandle_.reset(); }
