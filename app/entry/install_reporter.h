// Tells the statistics server that the installer installed or removed the
// program, by fetching one page there. Synchronous and silent: nothing of the
// answer is read, and every failure is ignored. The calling thread opens,
// waits on and closes every handle of the report itself.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

#include "app/net/internet_handle.h"
#include "app/net/owned_http_request.h"

class CInstallReporter {
 public:
  enum ReportKind { Uninstall = 0, Install = 1 };

  // Opens the Internet handle (none when that fails; asynchronous, see
  // OwnedHttpRequest) and asks the system to attempt a connection, whose
  // answer is not needed.
  CInstallReporter();

  // Fetches the install page (Install) or the uninstall page (Uninstall) and
  // waits for the answer's headers, at most twice HttpStepTimeoutMs() (the
  // step time-out every handle carries) and at most HttpAnswerDeadlineMs() in
  // all; any other kind does nothing. A redirect is followed only on the same
  // host and port.
  void Report(int kind);
  // Closes the Internet handle; a second call does nothing.
  void Shutdown();

  // "http://host[:port]/tavo/stat/install.php?i=10" (or uninstall.php) on the
  // configured statistics server; empty for an unknown kind.
  static std::wstring ReportUrl(int kind);

  // The root Internet handle; empty when opening failed or after Shutdown.
  BorrowedInternetHandle internetHandle() const { return internetHandle_; }

 private:
  InternetHandle internetHandle_;
};
