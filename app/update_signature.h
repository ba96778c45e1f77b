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

// Whether the file at `path` carries `signature` under `key`. The file is
// opened without sharing for writing or deleting, so it cannot change while
// it is read; any failure (no file, unreadable, a wrong signature) is false.
bool VerifyFileSignature(const std::wstring& path, const UpdateSignature& signature, const UpdatePublicKey& key);
