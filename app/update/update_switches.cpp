#include "app/update/update_switches.h"

const wchar_t kUpdateSwitch[] = L"Update";
const wchar_t kUpdateVersionSwitch[] = L"UpdateVersion";
const wchar_t kUpdateSignatureSwitch[] = L"UpdateSignature";
const char kSetupStartedLine[] = "started\n";
const wchar_t kInstanceCopyPrefix[] = L"tavora-update-";
const wchar_t kInstanceCopySuffix[] = L".exe";

std::wstring SetupSwitchParameters(const std::wstring& setupPath) {
  return std::wstring(L"-") + kUpdateSwitch + L":\"" + setupPath + L"\"";
}

std::wstring UpdateSwitchParameters(const std::wstring& setupPath, const UpdateVersion& version,
                                    const UpdateSignature& signature) {
  return SetupSwitchParameters(setupPath) + L" -" + kUpdateVersionSwitch + L":" + FormatUpdateVersion(version) +
         L" -" + kUpdateSignatureSwitch + L":" + FormatUpdateSignature(signature);
}
