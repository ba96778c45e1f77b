#include "app/update/update_switches.h"

const wchar_t kUpdateSwitch[] = L"Update";
const wchar_t kUpdateSignatureSwitch[] = L"UpdateSignature";

std::wstring UpdateSwitchParameters(const std::wstring& setupPath, const UpdateSignature& signature) {
  return std::wstring(L"-") + kUpdateSwitch + L":\"" + setupPath + L"\" -" + kUpdateSignatureSwitch + L":" +
         FormatUpdateSignature(signature);
}
