#include "skin/resources/skin_resource.h"

#include <windows.h>

#include <cwchar>

#include "skin/resources/unique_handle.h"

namespace {

thread_local int embeddedOnlyScopes = 0;

bool LoadSkinFile(const std::wstring& path, std::string& bytes) {
  const UniqueKernelHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
      static_cast<unsigned long long>(size.QuadPart) > kMaxSkinFileBytes) {
    return false;
  }
  const DWORD wanted = static_cast<DWORD>(size.QuadPart);
  bytes.assign(wanted, '\0');
  DWORD got = 0;
  if (!ReadFile(file.get(), &bytes[0], wanted, &got, nullptr) || got != wanted) {
    bytes.clear();
    return false;
  }
  return true;
}

struct TypeSearch {
  const wchar_t* wanted;
  std::wstring found;
};

BOOL CALLBACK MatchTypeName(HMODULE, LPWSTR type, LONG_PTR param) {
  auto* search = reinterpret_cast<TypeSearch*>(param);
  if (IS_INTRESOURCE(type)) return TRUE;
  if (CompareStringOrdinal(type, -1, search->wanted, -1, TRUE) == CSTR_EQUAL) {
    search->found = type;
    return FALSE;
  }
  return TRUE;
}

// Finds the resource; the system already compares string type names without
// case, and the enumeration covers resource tools that keep the case as
// written.
HRSRC FindTypedResource(HMODULE module, unsigned id, const wchar_t* type) {
  const wchar_t* name = MAKEINTRESOURCEW(id & 0xFFFF);
  HRSRC found = FindResourceW(module, name, type);
  if (found || IS_INTRESOURCE(type)) return found;
  TypeSearch search{type, std::wstring()};
  EnumResourceTypesW(module, MatchTypeName, reinterpret_cast<LONG_PTR>(&search));
  if (search.found.empty() || search.found == type) return nullptr;
  return FindResourceW(module, name, search.found.c_str());
}

}  // namespace

BkSkinFolder& BkSkinFolder::Instance() {
  static BkSkinFolder folder;
  return folder;
}

void SetSkinFolder(const std::wstring& path) { BkSkinFolder::Instance().SetPath(path); }

bool LoadSkinResource(unsigned id, std::string& bytes, const wchar_t* type) {
  SkinSource source = SkinSource::Module;
  return LoadSkinResource(id, bytes, type, source);
}

bool LoadSkinResource(unsigned id, std::string& bytes, const wchar_t* type, SkinSource& source) {
  source = SkinSource::Folder;
  if (LoadSkinResourceFrom(SkinSource::Folder, id, bytes, type)) return true;
  source = SkinSource::Module;
  return LoadSkinResourceFrom(SkinSource::Module, id, bytes, type);
}

bool LoadSkinResourceFrom(SkinSource source, unsigned id, std::string& bytes, const wchar_t* type) {
  bytes.clear();
  if (!type) return false;
  if (source == SkinSource::Module) return LoadModuleResource(id, bytes, type);
  const std::wstring& folder = BkSkinFolder::Instance().Path();
  if (folder.empty() || EmbeddedSkinResourcesOnly::Active()) return false;
  return LoadSkinFile(folder + L"\\" + std::to_wstring(id) + L"." + type, bytes);
}

bool LoadModuleResource(unsigned id, std::string& bytes, const wchar_t* type) {
  bytes.clear();
  if (!type || (!IS_INTRESOURCE(type) && *type == L'\0')) return false;
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindTypedResource(module, id, type);
  if (!info) return false;
  const DWORD size = SizeofResource(module, info);
  if (size == 0) return false;
  HGLOBAL loaded = LoadResource(module, info);
  if (!loaded) return false;
  // Resource memory belongs to the mapped module image; there is nothing to
  // release after copying.
  const void* data = LockResource(loaded);
  if (!data) return false;
  bytes.assign(static_cast<const char*>(data), size);
  return true;
}

EmbeddedSkinResourcesOnly::EmbeddedSkinResourcesOnly() { ++embeddedOnlyScopes; }

EmbeddedSkinResourcesOnly::~EmbeddedSkinResourcesOnly() { --embeddedOnlyScopes; }

bool EmbeddedSkinResourcesOnly::Active() { return embeddedOnlyScopes > 0; }
