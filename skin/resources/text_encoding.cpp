#include "text_encoding.h"

#include <windows.h>

#include <climits>

std::wstring MultiByteToWide(std::string_view bytes, unsigned codePage) {
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return std::wstring();
  const int inLength = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), inLength, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(needed), L'\0');
  const int written = MultiByteToWideChar(codePage, 0, bytes.data(), inLength, &out[0], needed);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}

std::string WideToMultiByte(std::wstring_view text, unsigned codePage) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return std::string();
  const int inLength = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(codePage, 0, text.data(), inLength, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string out(static_cast<size_t>(needed), '\0');
  const int written = WideCharToMultiByte(codePage, 0, text.data(), inLength, &out[0], needed, nullptr, nullptr);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}
