#include "app/entry/install_reporter.h"

#include <algorithm>

#include "app/net/owned_http_request.h"
#include "app/net/server_config.h"
#include "skin/resources/text_encoding.h"

namespace {

const wchar_t kUserAgent[] = L"KAVRO Gather";
const wchar_t kInstallPath[] = L"/tavo/stat/install.php?i=10";
const wchar_t kUninstallPath[] = L"/tavo/stat/uninstall.php?i=10";
// Neither the cache nor the user's cookies, as for every request of the program.
const DWORD kRequestFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES;

const wchar_t* ReportPath(int kind) {
  return kind == CInstallReporter::Install     ? kInstallPath
         : kind == CInstallReporter::Uninstall ? kUninstallPath
                                               : nullptr;
}

}  // namespace

CInstallReporter::CInstallReporter() {
  internetHandle_ = OpenAsyncInternet(kUserAgent);
  SetInternetTimeouts(internetHandle_.get(), HttpStepTimeoutMs());
  InternetAttemptConnect(0);
}

std::wstring CInstallReporter::ReportUrl(int kind) {
  const wchar_t* path = ReportPath(kind);
  if (!path) return std::wstring();
  return L"http://" + GetServerAddress(ServerKind::Statistics).HostPort() + path;
}

void CInstallReporter::Report(int kind) {
  const wchar_t* path = ReportPath(kind);
  if (!path || !internetHandle_) return;
  const ServerAddress address = GetServerAddress(ServerKind::Statistics);
  const DWORD timeoutMs = HttpStepTimeoutMs();
  const InternetHandle connection(InternetConnectW(internetHandle_.get(), address.host.c_str(), address.port, nullptr,
                                                   nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return;
  SetInternetTimeouts(connection.get(), timeoutMs);
  // Connecting, then waiting for the answer: twice one step in all, and no
  // longer than any answer. Only the headers are waited for.
  OwnedHttpRequest request(nullptr, std::min(2 * timeoutMs, HttpAnswerDeadlineMs()), timeoutMs);
  request.Send(HttpOrigin{connection.get(), address.host, address.port}, WideToUtf8(path), "HTTP/1.1", nullptr,
               kRequestFlags);
}

void CInstallReporter::Shutdown() { internetHandle_.reset(); }
