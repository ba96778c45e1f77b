// A small synchronous HTTP client bound to one host: GET a path, get the body
// back decoded from a named code page. Every failure yields an empty string.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstddef>
#include <string>

class CHttpPageClient {
 public:
  // Bodies announced larger than this are refused rather than allocated.
  static constexpr size_t kMaxBodyBytes = 32u << 20;
  static constexpr DWORD kDefaultTimeoutMs = 30000;

  // `host` is "name" or "name:port"; null means the default host (the
  // configured query site). Never fails: a failed connect leaves `connected` 0.
  explicit CHttpPageClient(const wchar_t* host = nullptr);
  ~CHttpPageClient();
  CHttpPageClient(const CHttpPageClient&) = delete;
  CHttpPageClient& operator=(const CHttpPageClient&) = delete;

  BOOL Connect(const wchar_t* host);
  void Close();

  // GET `path` (raw request bytes: sent exactly as given) and decode the body.
  std::wstring Get(const std::string& path, UINT codePage);
  // The same with a wide path, sent as its UTF-8 bytes.
  std::wstring Get(const std::wstring& path, UINT codePage);

  // Connect, send and receive time-outs of the handles, applied at once and
  // to every later connection.
  void SetTimeout(DWORD milliseconds);

  int connected = 0;
  HINTERNET internetHandle = nullptr;
  HINTERNET connectHandle = nullptr;

 private:
  void ApplyTimeouts(HINTERNET handle) const;

  DWORD timeoutMs_ = kDefaultTimeoutMs;
};

// "123abc" → 123, text without leading digits → 0; saturates instead of
// overflowing.
unsigned long long ParseLeadingDecimal(const char* text);
