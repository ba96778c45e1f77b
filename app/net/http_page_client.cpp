#include "app/net/http_page_client.h"

#include <algorithm>

#include "app/net/server_config.h"
#include "skin/resources/text_encoding.h"

namespace {

// Reload from the server, keep nothing in the cache, no cookies either way.
const DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES;
const DWORD kReadPiece = http_limits::kReadBlockBytes;
const size_t kFirstBodyBytes = 4u << 20;

}  // namespace

CHttpPageClient::CHttpPageClient(const wchar_t* host)
    : deadlineMs_(HttpAnswerDeadlineMs()), cancelEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  Connect(host);
}

BOOL CHttpPageClient::Connect(const wchar_t* host) {
  Close();
  internetHandle_ = OpenAsyncInternet(kBrowserUserAgent);
  if (!internetHandle_) return FALSE;
  SetInternetTimeouts(internetHandle_.get(), timeoutMs_);

  ServerAddress address = GetServerAddress(ServerKind::Query);
  if (host) ParseServerAddress(host, address);
  // Context 0: the status callback hears only from requests.
  connectHandle_.reset(InternetConnectW(internetHandle_.get(), address.host.c_str(), address.port, nullptr, nullptr,
                                        INTERNET_SERVICE_HTTP, 0, 0));
  SetInternetTimeouts(connectHandle_.get(), timeoutMs_);
  origin_ = HttpOrigin{connectHandle_.get(), address.host, address.port};
  return connected() ? TRUE : FALSE;
}

void CHttpPageClient::Close() {
  // The connection first: closing the root handle would close it underneath.
  connectHandle_.reset();
  internetHandle_.reset();
  origin_.connection = nullptr;
}

void CHttpPageClient::Cancel() {
  cancelled_ = true;
  if (cancelEvent_) SetEvent(cancelEvent_.get());
}

void CHttpPageClient::SetTimeout(DWORD milliseconds) {
  timeoutMs_ = milliseconds;
  SetInternetTimeouts(internetHandle_.get(), timeoutMs_);
  SetInternetTimeouts(connectHandle_.get(), timeoutMs_);
}

std::wstring CHttpPageClient::Get(const std::wstring& path, UINT codePage) { return Get(WideToUtf8(path), codePage); }

std::wstring CHttpPageClient::Get(const std::string& path, UINT codePage) {
  lastFailure_ = PageFailure::Cancelled;
  if (cancelled()) return std::wstring();
  lastFailure_ = PageFailure::NoConnection;
  if (!connected() && !Connect(nullptr)) return std::wstring();

  // The narrow entry point sends the path bytes as they are; the wide one
  // would squeeze them through the ANSI code page first.
  const char* acceptTypes[] = {"*/*", nullptr};
  OwnedHttpRequest request(cancelEvent_.get(), deadlineMs_, timeoutMs_);
  const auto failed = [&](PageFailure otherwise) {
    lastFailure_ = request.cancelled()  ? PageFailure::Cancelled
                   : request.timedOut() ? PageFailure::TimedOut
                                        : otherwise;
    return std::wstring();
  };
  if (!request.Send(origin_, path, "HTTP/1.1", acceptTypes, kRequestFlags)) return failed(PageFailure::NoConnection);

  unsigned long long status = 0;
  if (!request.QueryNumber(HTTP_QUERY_STATUS_CODE, status) || status != 200) return failed(PageFailure::BadAnswer);
  unsigned long long announced = 0;
  if (!request.QueryNumber(HTTP_QUERY_CONTENT_LENGTH, announced) || announced == 0)
    return failed(PageFailure::BadAnswer);
  if (announced > kMaxBodyBytes) return failed(PageFailure::BadAnswer);

  // Read until the announced length has arrived or the response ends; the
  // body may come in many pieces.
  const size_t length = static_cast<size_t>(announced);
  std::string body;
  body.resize(std::min(length, kFirstBodyBytes));
  size_t received = 0;
  while (received < length) {
    if (body.size() - received < kReadPiece && body.size() < length) {
      body.resize(std::min<size_t>(length, body.size() * 2));
    }
    const DWORD want = static_cast<DWORD>(std::min<size_t>(kReadPiece, body.size() - received));
    DWORD got = 0;
    if (!request.Read(&body[received], want, got)) return failed(PageFailure::BadAnswer);
    if (got == 0) break;
    received += got;
  }
  if (cancelled()) return failed(PageFailure::Cancelled);
  body.resize(received);

  // The body ends at its first zero byte.
  const size_t zero = body.find('\0');
  if (zero != std::string::npos) body.resize(zero);
  lastFailure_ = body.empty() ? PageFailure::BadAnswer : PageFailure::None;
  return MultiByteToWide(body, codePage);
}
