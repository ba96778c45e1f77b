// How the program hands a downloaded setup to a new instance of itself, and
// that instance to the setup. The window starts the program with
// `-Update:"<setup>" -UpdateVersion:<version> -UpdateSignature:<hex>`; that
// instance checks the setup again (it must lie in the update folder and carry
// the signature over that version, newer than the program's own), starts it
// with nothing but `-Update:"<setup>"`, writes kSetupStartedLine to its
// standard output, and holds the setup's file until the setup has ended.
#pragma once

#include <string>

#include "app/update/update_signature.h"

extern const wchar_t kUpdateSwitch[];           // the setup's path
extern const wchar_t kUpdateVersionSwitch[];    // the version it was offered as
extern const wchar_t kUpdateSignatureSwitch[];  // its signature, 128 hexadecimal digits
// What the "-Update:" instance writes once the setup has started.
extern const char kSetupStartedLine[];
// The instance runs from a copy of the program in the update folder, named
// this prefix, 16 random hexadecimal digits and ".exe": the setup replaces
// the installed program's file, which a running instance would keep in use
// until it has ended. The next check deletes the copies left there.
extern const wchar_t kInstanceCopyPrefix[];
extern const wchar_t kInstanceCopySuffix[];

// The switches for the "-Update:" instance; the path is quoted, so that a
// path with blanks stays one value.
std::wstring UpdateSwitchParameters(const std::wstring& setupPath, const UpdateVersion& version,
                                    const UpdateSignature& signature);
// The setup's own switches: its path after "-Update:", quoted, and nothing
// else (no switch the user gave the program reaches the setup).
std::wstring SetupSwitchParameters(const std::wstring& setupPath);
