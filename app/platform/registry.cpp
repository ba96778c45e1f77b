#include "app/platform/registry.h"

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
