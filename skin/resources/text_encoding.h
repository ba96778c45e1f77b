// Conversions between the program's wide (UTF-16) text and the narrow byte
// strings of XML documents, the network and the console. Every conversion in
// the program goes through here.
#pragma once

#include <string>
#include <string_view>

// Windows code page identifiers used by callers.
constexpr unsigned kCodePageAnsi = 0;      // CP_ACP
constexpr unsigned kCodePageThreadAnsi = 3; // CP_THREAD_ACP
constexpr unsigned kCodePageUtf8 = 65001;  // CP_UTF8

// Decodes bytes of the given code page as the platform converter does by
// default (invalid sequences become replacement characters, no error).
std::wstring MultiByteToWide(std::string_view bytes, unsigned codePage);
// Encodes wide text into the given code page; characters the code page cannot
// represent become its default character. `spareCapacity` bytes of room are
// left after the text for a caller that appends to it.
std::string WideToMultiByte(std::wstring_view text, unsigned codePage, size_t spareCapacity = 0);

inline std::wstring Utf8ToWide(std::string_view bytes) { return MultiByteToWide(bytes, kCodePageUtf8); }
inline std::string WideToUtf8(std::wstring_view text, size_t spareCapacity = 0) {
  return WideToMultiByte(text, kCodePageUtf8, spareCapacity);
}
