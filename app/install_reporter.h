// Tells the statistics server that the installer installed or removed the
// program, by fetching one page there. Synchronous and silent: nothing of the
// answer is read, and every failure is ignored.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

#include "app/internet_handle.h"

class CInstallReporter {
 public:
  enum ReportKind { Uninstall = 0, Install = 1 };

  static constexpr DWORD kDefaultTimeoutMs = 30000;

  // Opens the Internet handle (none when that fails) and asks the system to
  // attempt a connection, whose answer is not needed.
  CInstallReporter();

  // Fetches the install page (Install) or the uninstall page (Uninstall) and
  // waits for the answer's headers, at most twice TimeoutMs(); any other
  // kind does nothing.
  void Report(int kind);
  // Closes the Internet handle; a second call does nothing.
  void Shutdown();

  // "http://host[:port]/tavo/stat/install.php?i=10" (or uninstall.php) on the
  // configured statistics server; empty for an unknown kind.
  static std::wstring ReportUrl(int kind);

  // How long one request may wait to connect, send or receive (set on the
  // Internet handle; the whole report waits at most twice this): 30 s, unless
  // the environment variable TAVORA_HTTP_TIMEOUT_MS holds a decimal number
  // of milliseconds from 1 to 600000 (used by the tests to bound the wait on
  // a server that never answers).
  static DWORD TimeoutMs();

  // The root Internet handle; empty when opening failed or after Shutdown.
  BorrowedInternetHandle internetHandle() const { return internetHandle_; }

 private:
  InternetHandle internetHandle_;
};
