// Conversions between the program's wide (UTF-16) text and the narrow byte
// strings of XML documents, the network and the console. Every conversion in
// the program goes through here.
#pragma once

#include <cstddef>
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
// Utf8ToWide into an existing string, reusing its storage.
void AssignUtf8ToWide(std::wstring& out, std::string_view bytes);
inline std::string WideToUtf8(std::wstring_view text, size_t spareCapacity = 0) {
  return WideToMultiByte(text, kCodePageUtf8, spareCapacity);
}

// Length of the well-formed UTF-8 sequence at `p` (1 to 4 bytes, never past
// `end`); for a malformed one, the negated length of its longest well-formed
// prefix (at least 1). Malformed: stray continuation bytes, lead bytes C0, C1
// and F5 to FF, missing continuation bytes, overlong forms, surrogates and
// values past U+10FFFF.
int Utf8SequenceLength(const unsigned char* p, const unsigned char* end);

// Offset of the first malformed sequence in `bytes`, or its size when it is
// well-formed UTF-8.
size_t FirstMalformedUtf8(std::string_view bytes);
