#include "text_encoding.h"

#include <windows.h>

#include <climits>

namespace {

bool IsAscii(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::wstring MultiByteToWide(std::string_view bytes, unsigned codePage) {
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return std::wstring();
  // Short texts such as table cells are mostly ASCII: widen them directly.
  if (codePage == kCodePageUtf8 && IsAscii(bytes)) return std::wstring(bytes.begin(), bytes.end());
  const int inLength = static_cast<int>(bytes.size());
  // Common code pages give at most one UTF-16 unit a byte, so one call
  // usually fills a buffer of the byte count; otherwise ask for the size.
  std::wstring out(bytes.size(), L'\0');
  int written = MultiByteToWideChar(codePage, 0, bytes.data(), inLength, &out[0], inLength);
  if (written <= 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), inLength, nullptr, 0);
    if (needed <= 0) return std::wstring();
    out.assign(static_cast<size_t>(needed), L'\0');
    written = MultiByteToWideChar(codePage, 0, bytes.data(), inLength, &out[0], needed);
  }
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}

std::string WideToMultiByte(std::wstring_view text, unsigned codePage, size_t spareCapacity) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return std::string();
  const int inLength = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(codePage, 0, text.data(), inLength, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string out;
  out.reserve(static_cast<size_t>(needed) + spareCapacity);
  out.resize(static_cast<size_t>(needed));
  const int written = WideCharToMultiByte(codePage, 0, text.data(), inLength, &out[0], needed, nullptr, nullptr);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}
