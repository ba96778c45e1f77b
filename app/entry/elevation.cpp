#include "app/entry/elevation.h"

#include <vector>

#include "skin/host/system_version.h"
#include "skin/resources/unique_handle.h"

namespace {

constexpr DWORD kHighMandatoryRid = 0x3000;  // SECURITY_MANDATORY_HIGH_RID

}  // namespace

bool IntegrityNeedsElevation(DWORD majorVersion, DWORD integrityRid) {
  return majorVersion > 5 && integrityRid < kHighMandatoryRid;
}

bool ReadProcessIntegrityRid(DWORD& rid) {
  HANDLE rawToken = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &rawToken) || !rawToken) return false;
  const UniqueKernelHandle token(rawToken);

  DWORD size = 0;
  GetTokenInformation(token.get(), TokenIntegrityLevel, nullptr, 0, &size);
  if (size < sizeof(TOKEN_MANDATORY_LABEL)) return false;
  std::vector<BYTE> buffer(size);
  if (!GetTokenInformation(token.get(), TokenIntegrityLevel, buffer.data(), size, &size)) return false;

  const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data());
  PSID sid = label->Label.Sid;
  if (!sid || !IsValidSid(sid)) return false;
  const UCHAR* count = GetSidSubAuthorityCount(sid);
  if (!count || *count == 0) return false;
  rid = *GetSidSubAuthority(sid, 0);
  return true;
}

bool NeedsElevation() {
  DWORD major = 0;
  DWORD minor = 0;
  if (!ReadSystemVersion(major, minor) || major <= 5) return false;
  DWORD rid = 0;
  if (!ReadProcessIntegrityRid(rid)) return false;
  return IntegrityNeedsElevation(major, rid);
}
