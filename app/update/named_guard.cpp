#include "app/update/named_guard.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace {

void FreeLocal(void* memory) { LocalFree(memory); }

using LocalMemoryTraits = NullInvalidTraits<void*, FreeLocal>;
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;

// The owner of this process's named objects, as an SDDL SID string: "BA"
// when the token is an elevated administrator's, else the token's user.
std::wstring OwnerSidText() {
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(administrators);
  BOOL member = FALSE;
  if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
      CheckTokenMembership(nullptr, administrators, &member) && member) {
    return L"BA";
  }
  HANDLE rawToken = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return std::wstring();
  const UniqueKernelHandle token(rawToken);
  DWORD needed = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &needed);
  if (needed < sizeof(TOKEN_USER)) return std::wstring();
  std::vector<BYTE> buffer(needed);
  if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), needed, &needed)) return std::wstring();
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return std::wstring();
  const UniqueLocalMemory owned(text);
  return text;
}

// The security descriptor named objects are made with; null when it cannot
// be built.
UniqueLocalMemory OwnSecurityDescriptor() {
  const std::wstring owner = OwnerSidText();
  if (owner.empty()) return UniqueLocalMemory();
  const std::wstring sddl = L"O:" + owner + L"D:P(A;;GA;;;" + owner + L")(A;;GA;;;SY)";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
    return UniqueLocalMemory();
  }
  return UniqueLocalMemory(descriptor);
}

}  // namespace

bool IsOwnNamedObject(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr, &raw) !=
      ERROR_SUCCESS) {
    return false;
  }
  const UniqueLocalMemory descriptor(raw);
  if (!owner || !IsValidSid(owner)) return false;
  if (IsWellKnownSid(owner, WinLocalSystemSid)) return true;
  const UniqueLocalMemory own = OwnSecurityDescriptor();
  PSID ownOwner = nullptr;
  BOOL defaulted = FALSE;
  return own && GetSecurityDescriptorOwner(own.get(), &ownOwner, &defaulted) && ownOwner && EqualSid(owner, ownOwner);
}

NamedObjectState CreateNamedObject(const std::function<HANDLE(SECURITY_ATTRIBUTES*)>& create,
                                   UniqueKernelHandle& object) {
  object.reset();
  UniqueLocalMemory descriptor = OwnSecurityDescriptor();
  if (!descriptor) return NamedObjectState::kTaken;
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.get(), FALSE};
  UniqueKernelHandle handle(create(&attributes));
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  // Access denied, another kind of object under the name, or no resources:
  // the name cannot be had either way.
  if (!handle) return NamedObjectState::kTaken;
  if (!existed) {
    object = std::move(handle);
    return NamedObjectState::kCreated;
  }
  if (!IsOwnNamedObject(handle.get())) return NamedObjectState::kTaken;
  object = std::move(handle);
  return NamedObjectState::kFound;
}
