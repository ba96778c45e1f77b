#include "app/http_page_client.h"

#include <algorithm>
#include <vector>

#include "app/server_config.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/text_encoding.h"

namespace {

const wchar_t kUserAgent[] = L"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)";
// Reload from the server, keep nothing in the cache, no cookies either way.
const DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES;
const DWORD kReadPiece = 64 * 1024;

bool QueryNumber(HINTERNET request, DWORD level, unsigned long long& value) {
  char buffer[80] = "";
  DWORD length = sizeof(buffer);
  if (!HttpQueryInfoA(request, level, buffer, &length, nullptr)) return false;
  buffer[std::min<DWORD>(length, sizeof(buffer) - 1)] = '\0';
  value = ParseLeadingDecimal(buffer);
  return true;
}

}  // namespace

// Makes the request of one Get known to Cancel for as long as the Get uses
// it. Every call on the request passes Open() first: a cancelled request is
// not used again. A handle that Cancel closed is let go of, not closed twice.
class CHttpPageClient::ActiveRequest {
 public:
  ActiveRequest(CHttpPageClient& client, InternetHandle& request) : client_(client), request_(request) {
    std::lock_guard<std::mutex> lock(client_.requestLock_);
    if (client_.cancelled_) return;
    client_.activeRequest_ = request_.get();
    client_.closedByCancel_ = false;
  }
  ~ActiveRequest() {
    std::lock_guard<std::mutex> lock(client_.requestLock_);
    if (client_.activeRequest_ != request_.get()) return;
    if (client_.closedByCancel_) request_.release();
    client_.activeRequest_ = nullptr;
    client_.closedByCancel_ = false;
  }
  ActiveRequest(const ActiveRequest&) = delete;
  ActiveRequest& operator=(const ActiveRequest&) = delete;

  // Whether the request may be used for the next call.
  bool Open() const {
    std::lock_guard<std::mutex> lock(client_.requestLock_);
    return !client_.cancelled_ && client_.activeRequest_ == request_.get();
  }

 private:
  CHttpPageClient& client_;
  InternetHandle& request_;
};

CHttpPageClient::CHttpPageClient(const wchar_t* host) { Connect(host); }

BOOL CHttpPageClient::Connect(const wchar_t* host) {
  Close();
  internetHandle_.reset(InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!internetHandle_) return FALSE;
  SetInternetTimeouts(internetHandle_.get(), timeoutMs_);

  ServerAddress address = GetServerAddress(ServerKind::Query);
  if (host) ParseServerAddress(host, address);
  connectHandle_.reset(InternetConnectW(internetHandle_.get(), address.host.c_str(), address.port, nullptr, nullptr,
                                        INTERNET_SERVICE_HTTP, 0, 1));
  SetInternetTimeouts(connectHandle_.get(), timeoutMs_);
  return connected() ? TRUE : FALSE;
}

void CHttpPageClient::Close() {
  // The connection first: closing the root handle would close it underneath.
  connectHandle_.reset();
  internetHandle_.reset();
}

void CHttpPageClient::Cancel() {
  std::lock_guard<std::mutex> lock(requestLock_);
  cancelled_ = true;
  if (activeRequest_ && !closedByCancel_) {
    InternetCloseHandle(activeRequest_);
    closedByCancel_ = true;
  }
}

bool CHttpPageClient::cancelled() const {
  std::lock_guard<std::mutex> lock(requestLock_);
  return cancelled_;
}

void CHttpPageClient::SetTimeout(DWORD milliseconds) {
  timeoutMs_ = milliseconds;
  SetInternetTimeouts(internetHandle_.get(), timeoutMs_);
  SetInternetTimeouts(connectHandle_.get(), timeoutMs_);
}

std::wstring CHttpPageClient::Get(const std::wstring& path, UINT codePage) {
  return Get(WideToUtf8(path), codePage);
}

std::wstring CHttpPageClient::Get(const std::string& path, UINT codePage) {
  if (cancelled()) return std::wstring();
  if (!connected() && !Connect(nullptr)) return std::wstring();

  // The narrow entry point sends the path bytes as they are; the wide one
  // would squeeze them through the ANSI code page first.
  const char* acceptTypes[] = {"*/*", nullptr};
  InternetHandle request(HttpOpenRequestA(connectHandle_.get(), "GET", path.c_str(), "HTTP/1.1", nullptr,
                                          acceptTypes, kRequestFlags, 0));
  if (!request) return std::wstring();
  const ActiveRequest active(*this, request);
  if (!active.Open()) return std::wstring();
  SetInternetTimeouts(request.get(), timeoutMs_);
  if (!HttpSendRequestA(request.get(), nullptr, static_cast<DWORD>(-1), nullptr, 0) || !active.Open())
    return std::wstring();

  unsigned long long status = 0;
  if (!QueryNumber(request.get(), HTTP_QUERY_STATUS_CODE, status) || status != 200) return std::wstring();
  unsigned long long announced = 0;
  if (!QueryNumber(request.get(), HTTP_QUERY_CONTENT_LENGTH, announced) || announced == 0) return std::wstring();
  if (announced > kMaxBodyBytes) return std::wstring();

  // Read until the announced length has arrived or the response ends; the
  // body may come in many pieces.
  const size_t length = static_cast<size_t>(announced);
  std::string body;
  body.resize(std::min<size_t>(length, 4u << 20));
  size_t received = 0;
  while (received < length) {
    if (body.size() - received < kReadPiece && body.size() < length) {
      body.resize(std::min<size_t>(length, body.size() * 2));
    }
    const DWORD want = static_cast<DWORD>(std::min<size_t>(kReadPiece, body.size() - received));
    DWORD got = 0;
    if (!active.Open() || !InternetReadFile(request.get(), &body[received], want, &got)) return std::wstring();
    if (got == 0) break;
    received += got;
  }
  if (!active.Open()) return std::wstring();
  body.resize(received);

  // The body ends at its first zero byte.
  const size_t zero = body.find('\0');
  if (zero != std::string::npos) body.resize(zero);
  return MultiByteToWide(body, codePage);
}
