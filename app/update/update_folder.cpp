#include "app/update/update_folder.h"

#include <aclapi.h>
#include <bcrypt.h>
#include <sddl.h>
#include <shlobj.h>

#include <vector>

#include "app/platform/program_folder.h"

namespace {

void FreeLocal(void* memory) { LocalFree(memory); }
using UniqueLocalMemory = UniqueHandle<NullInvalidTraits<void*, FreeLocal>>;
// Searches of FindFirstFileW, which reports failure as INVALID_HANDLE_VALUE.
struct FindTraits {
  using Handle = HANDLE;
  static constexpr Handle kNone = nullptr;
  static bool IsValid(Handle handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) noexcept { FindClose(handle); }
};
using UniqueFind = UniqueHandle<FindTraits>;

// The folder's own descriptor: Administrators own it, and only they and
// SYSTEM have any access, inherited by everything made inside.
constexpr wchar_t kFolderDescriptor[] = L"O:BAG:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
constexpr wchar_t kTrustedInstaller[] = L"S-1-5-80-956008885-3418522649-1831038044-1850883720-4186078451";
// Rights that let the holder change the folder or what is in it.
constexpr ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                      FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                      GENERIC_ALL | MAXIMUM_ALLOWED | ACCESS_SYSTEM_SECURITY;

bool IsTrustedOwner(PSID sid, PSID alsoOwner) {
  if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid)) return true;
  if (alsoOwner && EqualSid(sid, alsoOwner)) return true;
  PSID installer = nullptr;
  if (!ConvertStringSidToSidW(kTrustedInstaller, &installer)) return false;
  const UniqueLocalMemory owned(installer);
  return EqualSid(sid, installer) != FALSE;
}

// Entry kinds that only take rights away, audit or label: they grant nothing.
bool GrantsNothing(BYTE type) {
  switch (type) {
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
    case SYSTEM_AUDIT_ACE_TYPE:
    case SYSTEM_ALARM_ACE_TYPE:
    case SYSTEM_AUDIT_OBJECT_ACE_TYPE:
    case SYSTEM_ALARM_OBJECT_ACE_TYPE:
    case SYSTEM_AUDIT_CALLBACK_ACE_TYPE:
    case SYSTEM_ALARM_CALLBACK_ACE_TYPE:
    case SYSTEM_AUDIT_CALLBACK_OBJECT_ACE_TYPE:
    case SYSTEM_ALARM_CALLBACK_OBJECT_ACE_TYPE:
    case SYSTEM_MANDATORY_LABEL_ACE_TYPE:
      return true;
    default:
      return false;
  }
}

// Wine keeps no owner of its own for files: it reports the Unix user that
// owns them, the same user for every program of the session (Wine separates
// no privileges). There the process's own user stands for Administrators as
// the owner; the access list is held to the same rule.
std::vector<BYTE> OwnerWhereFilesHaveNone() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return {};
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  const UniqueKernelHandle token(raw);
  DWORD needed = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &needed);
  if (needed < sizeof(TOKEN_USER)) return {};
  std::vector<BYTE> buffer(needed);
  if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), needed, &needed)) return {};
  const PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  std::vector<BYTE> sid(GetLengthSid(user));
  if (!CopySid(static_cast<DWORD>(sid.size()), sid.data(), user)) return {};
  return sid;
}

bool IsPlainFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// The folder at `path`, held open, when it is a plain folder kept to
// administrators; empty otherwise. Links are looked at, never followed: the
// path's own attributes and the handle's must both show a plain folder.
UniqueKernelHandle OpenCheckedFolder(const std::wstring& path, PSID alsoOwner) {
  if (!IsPlainFolder(GetFileAttributesW(path.c_str()))) return UniqueKernelHandle();
  // Not shared for deleting: the folder cannot be renamed while it is held.
  UniqueKernelHandle folder(CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder) return UniqueKernelHandle();
  BY_HANDLE_FILE_INFORMATION information = {};
  if (!GetFileInformationByHandle(folder.get(), &information) || !IsPlainFolder(information.dwFileAttributes))
    return UniqueKernelHandle();
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (GetSecurityInfo(folder.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                      nullptr, nullptr, nullptr, &raw) != ERROR_SUCCESS)
    return UniqueKernelHandle();
  const UniqueLocalMemory descriptor(raw);
  if (!KeepsToAdministrators(descriptor.get(), alsoOwner)) return UniqueKernelHandle();
  return folder;
}

// Makes `path` with the folder's descriptor; an existing one is left as it
// is (the check that follows decides about it).
void MakeFolder(const std::wstring& path) {
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kFolderDescriptor, SDDL_REVISION_1, &raw, nullptr)) return;
  const UniqueLocalMemory descriptor(raw);
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.get(), FALSE};
  CreateDirectoryW(path.c_str(), &attributes);
}

}  // namespace

bool KeepsToAdministrators(PSECURITY_DESCRIPTOR descriptor, PSID alsoOwner) {
  if (!descriptor || !IsValidSecurityDescriptor(descriptor)) return false;
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner || !IsValidSid(owner) ||
      !IsTrustedOwner(owner, alsoOwner))
    return false;
  BOOL present = FALSE;
  PACL dacl = nullptr;
  if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl) return false;
  ACL_SIZE_INFORMATION size = {};
  if (!GetAclInformation(dacl, &size, sizeof(size), AclSizeInformation)) return false;
  for (DWORD i = 0; i < size.AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(dacl, i, &entry)) return false;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if (GrantsNothing(header->AceType)) continue;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || header->AceSize < sizeof(ACCESS_ALLOWED_ACE)) return false;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    const PSID sid = &allowed->SidStart;
    if ((allowed->Mask & kChangeRights) == 0) continue;
    if (!IsValidSid(sid)) return false;
    if (!IsTrustedOwner(sid, alsoOwner) && !IsWellKnownSid(sid, WinCreatorOwnerSid)) return false;
  }
  return true;
}

std::wstring CUpdateFolder::ConfiguredPath() {
  wchar_t configured[MAX_PATH + 1] = L"";
  const DWORD length = GetEnvironmentVariableW(L"TAVORA_UPDATE_FOLDER", configured, MAX_PATH + 1);
  if (length > 0 && length <= MAX_PATH) return std::wstring(configured, length);
  wchar_t common[MAX_PATH] = L"";
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common))) {
    return std::wstring();
  }
  return std::wstring(common) + L"\\Tavora\\Updates";
}

bool CUpdateFolder::Open() {
  folder_.reset();
  path_.clear();
  std::wstring path = ConfiguredPath();
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  std::wstring parent = FolderOfPath(path);
  if (!parent.empty()) parent.pop_back();
  if (path.empty() || parent.empty() || path.size() >= MAX_PATH - 40) return false;
  std::vector<BYTE> unixOwner = OwnerWhereFilesHaveNone();
  const PSID alsoOwner = unixOwner.empty() ? nullptr : unixOwner.data();
  MakeFolder(parent);
  MakeFolder(path);
  const UniqueKernelHandle parentFolder = OpenCheckedFolder(parent, alsoOwner);
  UniqueKernelHandle folder = OpenCheckedFolder(path, alsoOwner);
  if (!parentFolder || !folder) return false;
  const std::wstring final = FinalPathOfHandle(folder.get());
  if (final.empty() || final.size() >= MAX_PATH - 40) return false;
  folder_ = std::move(folder);
  path_ = final + L"\\";
  return true;
}

std::wstring CUpdateFolder::NewFilePath(const wchar_t* prefix, const wchar_t* suffix) const {
  if (!folder_) return std::wstring();
  unsigned char random[8];
  if (BCryptGenRandom(nullptr, random, sizeof(random), BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) return std::wstring();
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring name = prefix;
  for (const unsigned char byte : random) {
    name += kHex[byte >> 4];
    name += kHex[byte & 0x0F];
  }
  return path_ + name + suffix;
}

bool CUpdateFolder::Contains(const std::wstring& path) const {
  if (!folder_ || path.size() <= path_.size()) return false;
  if (CompareStringOrdinal(path.c_str(), static_cast<int>(path_.size()), path_.c_str(), static_cast<int>(path_.size()),
                           TRUE) != CSTR_EQUAL)
    return false;
  return path.find_first_of(L"\\/", path_.size()) == std::wstring::npos;
}

void CUpdateFolder::DeleteLeftovers(const wchar_t* prefix, const wchar_t* suffix) const {
  if (!folder_) return;
  WIN32_FIND_DATAW found = {};
  const UniqueFind search(FindFirstFileW((path_ + prefix + L"*" + suffix).c_str(), &found));
  if (!search) return;
  do {
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) continue;
    DeleteFileW((path_ + found.cFileName).c_str());
  } while (FindNextFileW(search.get(), &found));
}
