#include "app/platform/registry.h"

#include <utility>

UniqueRegistryKey OpenRegistryKey(HKEY root, const wchar_t* path, REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, access, &key) != ERROR_SUCCESS) return UniqueRegistryKey();
  return UniqueRegistryKey(key);
}

UniqueRegistryKey CreateRegistryKey(HKEY root, const wchar_t* path, REGSAM access) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path, 0, nullptr, 0, access, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return UniqueRegistryKey();
  return UniqueRegistryKey(key);
}

bool ReadRegistryDword(HKEY key, const wchar_t* name, DWORD& value) {
  DWORD type = 0;
  DWORD read = 0;
  DWORD size = sizeof(read);
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(read))
    return false;
  value = read;
  return true;
}

bool WriteRegistryDword(HKEY key, const wchar_t* name, DWORD value) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) == ERROR_SUCCESS;
}

bool WriteRegistryString(HKEY key, const wchar_t* name, const std::wstring& value) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool ReadRegistryBytes(HKEY key, const wchar_t* name, size_t maxBytes, std::string& bytes) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_BINARY ||
      size > maxBytes)
    return false;
  std::string read(size, '\0');
  // The value may have changed in between: it must still fit what was made.
  DWORD readSize = size;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(read.data()), &readSize) != ERROR_SUCCESS ||
      type != REG_BINARY || readSize > size)
    return false;
  read.resize(readSize);
  bytes = std::move(read);
  return true;
}

bool WriteRegistryBytes(HKEY key, const wchar_t* name, const std::string& bytes) {
  return RegSetValueExW(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}
