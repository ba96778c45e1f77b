// Values of the program's registry keys: each read on its own and trusted
// only with the type and size it was written with.
#pragma once

#include <windows.h>

#include <string>

#include "skin/resources/unique_handle.h"

// `path` under `root` opened for `access`; empty when it cannot be opened.
UniqueRegistryKey OpenRegistryKey(HKEY root, const wchar_t* path, REGSAM access);
// The same, made first when it does not exist.
UniqueRegistryKey CreateRegistryKey(HKEY root, const wchar_t* path, REGSAM access);

// A REG_DWORD of four bytes; false (and `value` untouched) for anything else.
bool ReadRegistryDword(HKEY key, const wchar_t* name, DWORD& value);
bool WriteRegistryDword(HKEY key, const wchar_t* name, DWORD value);
// A REG_SZ with its terminating zero.
bool WriteRegistryString(HKEY key, const wchar_t* name, const std::wstring& value);
// A REG_BINARY of at most `maxBytes`; false (and `bytes` untouched) for any
// other type or a larger value.
bool ReadRegistryBytes(HKEY key, const wchar_t* name, size_t maxBytes, std::string& bytes);
bool WriteRegistryBytes(HKEY key, const wchar_t* name, const std::string& bytes);
