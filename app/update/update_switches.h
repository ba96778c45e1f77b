// How the program hands a downloaded setup to a new instance of itself: the
// window starts the program with `-Update:"<setup>" -UpdateSignature:<hex>`,
// and that instance checks the setup again against the signature before it
// starts it elevated.
#pragma once

#include <string>

#include "app/update/update_signature.h"

extern const wchar_t kUpdateSwitch[];           // the setup's path
extern const wchar_t kUpdateSignatureSwitch[];  // its signature, 128 hexadecimal digits

// The switches for `setupPath` and `signature`; the path is quoted, so that
// a path with blanks stays one value.
std::wstring UpdateSwitchParameters(const std::wstring& setupPath, const UpdateSignature& signature);
