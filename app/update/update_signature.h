// Checks that a downloaded setup program is the one the release was signed
// with: ECDSA on P-256 over the SHA-256 digest of the whole file, verified by
// the system's own cryptography (CNG). The update INI carries the signature
// as [Version] Signature=, 128 hexadecimal digits (r then s, big-endian);
// tools/sign_release.py makes it.
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

  // Opens and checks the file at `path`: an existing file, the path shorter
  // than MAX_PATH, carrying `signature` under `key`. False (and nothing
  // held) otherwise.
  bool Open(const std::wstring& path, const UpdateSignature& signature, const UpdatePublicKey& key);
  bool IsOpen() const { return static_cast<bool>(file_); }
  void Close() { file_.reset(); }

  // The held file's own path with every link and junction on the way
  // resolved, for starting it: NTFS renames no folder that holds an open
  // file, so this path leads to the held file until it is closed. Empty when not open, or when the path cannot be read
  // or does not fit MAX_PATH.
  std::wstring LaunchPath() const;

 private:
  UniqueKernelHandle file_;
};

// Whether the file at `path` carries `signature` under `key`: a CVerifiedFile
// opened and closed again. Any failure (no file, unreadable, a wrong
// signature, a path of MAX_PATH characters or more) is false.
bool VerifyFileSignature(const std::wstring& path, const UpdateSignature& signature, const UpdatePublicKey& key);
