// Checks that a downloaded setup program is what a release offered: a
// signature (ECDSA on P-256, verified by the system's own cryptography, CNG)
// over the offered version and the SHA-256 digest of the whole file together,
// as the text
//
//   tavora-update\n
//   version=1,0,0,36\n
//   sha256=<64 lower-case hexadecimal digits>\n
//
// so that an old signed setup cannot be offered again as a newer version.
// The update INI carries the signature as [Version] Signature=, 128
// hexadecimal digits (r then s, big-endian); tools/sign_release.py makes it.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <string_view>

#include "skin/resources/unique_handle.h"

// The public half of a signing key: X then Y of its point, 32 big-endian
// bytes each.
struct UpdatePublicKey {
  std::array<unsigned char, 64> point;
};

// A signature as carried by the INI: r then s, 32 big-endian bytes each.
using UpdateSignature = std::array<unsigned char, 64>;

// The key the program's releases are signed with.
const UpdatePublicKey& ReleaseUpdateKey();

// A version of the program: four numbers, the most significant first.
using UpdateVersion = std::array<DWORD, 4>;

// Four decimal numbers separated by commas ("1,0,0,36"), each of digits only
// and at most 4294967295; false for anything else (a sign, a blank, an
// overflow, another character, a missing or extra number), with `version`
// left as it was.
bool ParseUpdateVersion(std::wstring_view text, UpdateVersion& version);
// The version as ParseUpdateVersion reads it, without leading zeros.
std::wstring FormatUpdateVersion(const UpdateVersion& version);
// Whether `offered` is a later version than `current`, field by field.
bool IsNewerVersion(const UpdateVersion& offered, const UpdateVersion& current);
// This build's own version.
const UpdateVersion& ProgramVersion();

// Exactly 128 hexadecimal digits (either case, nothing else) → the
// signature; false otherwise, with `signature` left as it was.
bool ParseUpdateSignature(std::wstring_view text, UpdateSignature& signature);

// The signature as 128 upper-case hexadecimal digits, as ParseUpdateSignature
// reads it.
std::wstring FormatUpdateSignature(const UpdateSignature& signature);

// A setup program held open from its check until whatever starts it is done:
// read-shared only, so that nobody can write, replace, rename or delete it
// meanwhile, and checked through the held handle, so that the bytes checked
// are the bytes that run. A process started from it while it is held runs
// what was checked; the system's loader may still open it for reading.
class CVerifiedFile {
 public:
  CVerifiedFile() = default;

  // Opens and checks the file at `path`: an existing file (no link to one),
  // the path shorter than MAX_PATH, whose digest with `version` carries
  // `signature` under `key`. False (and nothing held) otherwise.
  bool Open(const std::wstring& path, const UpdateVersion& version, const UpdateSignature& signature,
            const UpdatePublicKey& key);
  bool IsOpen() const { return static_cast<bool>(file_); }
  void Close() { file_.reset(); }

  // The held file's own path with every link and junction on the way
  // resolved, for starting it: NTFS renames no folder that holds an open
  // file, so this path leads to the held file until it is closed. Empty when
  // not open, or when the path cannot be read or does not fit MAX_PATH.
  std::wstring LaunchPath() const;

 private:
  UniqueKernelHandle file_;
};

// Whether the file at `path` with `version` carries `signature` under `key`:
// a CVerifiedFile opened and closed again. Any failure (no file, unreadable,
// a wrong signature or version, a path of MAX_PATH characters or more) is
// false.
bool VerifyFileSignature(const std::wstring& path, const UpdateVersion& version, const UpdateSignature& signature,
                         const UpdatePublicKey& key);
