#include "app/update/update_signature.h"

#include <bcrypt.h>

#include <string>
#include <vector>

#include "app/platform/program_folder.h"
#include "skin/resources/text_encoding.h"
#include "skin/resources/unique_handle.h"
#include "tavora_build.h"

namespace {

void CloseAlgorithm(BCRYPT_ALG_HANDLE algorithm) { BCryptCloseAlgorithmProvider(algorithm, 0); }

using AlgorithmTraits = NullInvalidTraits<BCRYPT_ALG_HANDLE, CloseAlgorithm>;
using KeyTraits = NullInvalidTraits<BCRYPT_KEY_HANDLE, BCryptDestroyKey>;
using HashTraits = NullInvalidTraits<BCRYPT_HASH_HANDLE, BCryptDestroyHash>;

constexpr size_t kReadBlock = 64 * 1024;
constexpr ULONG kDigestBytes = 32;

// The release key; its private half is kept off the repository (see
// README, "Making a release"). A build may name another key
// (cmake/version.cmake): a release signed with a key of its own carries that
// key's public half instead.
const UpdatePublicKey kReleaseKey = {{
#ifdef TAVORA_HAS_BUILD_KEY
    TAVORA_UPDATE_KEY_BYTES
#else
    0x2B, 0x51, 0x2F, 0xC4, 0x20, 0xBB, 0xF5, 0xBC, 0x7E, 0x2B, 0x98, 0xFE, 0xD2, 0x9A, 0x4B, 0x00,
    0xAC, 0x81, 0xAD, 0x96, 0xB3, 0xB2, 0x9B, 0xCC, 0xD5, 0x51, 0x29, 0xA9, 0x3D, 0x52, 0x70, 0x36,
    0xA9, 0xF8, 0xD0, 0xFB, 0xEF, 0x1E, 0x13, 0xB2, 0x8A, 0xF4, 0x85, 0x8C, 0xEB, 0xC4, 0xE0, 0x34,
    0x21, 0x9B, 0x9A, 0xF9, 0x32, 0x42, 0x55, 0x82, 0x00, 0x36, 0xFE, 0x4D, 0x28, 0x0F, 0xBC, 0x7B,
#endif
}};

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// A SHA-256 digest being made by the system's hash.
class Sha256 {
 public:
  Sha256() {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) return;
    algorithm_.reset(algorithm);
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (BCryptCreateHash(algorithm_.get(), &hash, nullptr, 0, nullptr, 0, 0) == 0) hash_.reset(hash);
  }
  bool Add(const void* bytes, ULONG size) {
    return hash_ && BCryptHashData(hash_.get(), static_cast<PUCHAR>(const_cast<void*>(bytes)), size, 0) == 0;
  }
  bool Finish(unsigned char (&digest)[kDigestBytes]) {
    return hash_ && BCryptFinishHash(hash_.get(), digest, kDigestBytes, 0) == 0;
  }

 private:
  // The algorithm goes after the hash made from it.
  UniqueHandle<AlgorithmTraits> algorithm_;
  UniqueHandle<HashTraits> hash_;
};

// SHA-256 of everything readable from `file`; false on a read failure.
bool DigestFile(HANDLE file, unsigned char (&digest)[kDigestBytes]) {
  Sha256 hash;
  std::vector<unsigned char> block(kReadBlock);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &read, nullptr)) return false;
    if (read == 0) break;
    if (!hash.Add(block.data(), read)) return false;
  }
  return hash.Finish(digest);
}

// What a release signs for `version` and a setup of digest `fileDigest`.
std::string SignedText(const UpdateVersion& version, const unsigned char (&fileDigest)[kDigestBytes]) {
  static const char kHex[] = "0123456789abcdef";
  std::string text = "tavora-update\nversion=" + WideToUtf8(FormatUpdateVersion(version)) + "\nsha256=";
  for (const unsigned char byte : fileDigest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 0x0F];
  }
  return text + "\n";
}

// Whether the bytes readable from `file`, offered as `version`, carry
// `signature` under `key`.
bool VerifyHeldFile(HANDLE file, const UpdateVersion& version, const UpdateSignature& signature,
                    const UpdatePublicKey& key) {
  unsigned char fileDigest[kDigestBytes];
  if (!DigestFile(file, fileDigest)) return false;
  const std::string signedText = SignedText(version, fileDigest);
  Sha256 hash;
  unsigned char digest[kDigestBytes];
  if (!hash.Add(signedText.data(), static_cast<ULONG>(signedText.size())) || !hash.Finish(digest)) return false;

  BCRYPT_ALG_HANDLE rawAlgorithm = nullptr;
  if (BCryptOpenAlgorithmProvider(&rawAlgorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) != 0) return false;
  const UniqueHandle<AlgorithmTraits> algorithm(rawAlgorithm);
  unsigned char blob[sizeof(BCRYPT_ECCKEY_BLOB) + sizeof(key.point)];
  BCRYPT_ECCKEY_BLOB header = {BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
  memcpy(blob, &header, sizeof(header));
  memcpy(blob + sizeof(header), key.point.data(), key.point.size());
  BCRYPT_KEY_HANDLE rawKey = nullptr;
  if (BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &rawKey, blob, sizeof(blob), 0) != 0) {
    return false;
  }
  const UniqueHandle<KeyTraits> publicKey(rawKey);
  UpdateSignature copy = signature;  // the call takes a non-const buffer
  return BCryptVerifySignature(publicKey.get(), nullptr, digest, kDigestBytes, copy.data(),
                               static_cast<ULONG>(copy.size()), 0) == 0;
}

}  // namespace

const UpdatePublicKey& ReleaseUpdateKey() { return kReleaseKey; }

bool ParseUpdateVersion(std::wstring_view text, UpdateVersion& version) {
  UpdateVersion parsed{};
  size_t at = 0;
  for (size_t i = 0; i < parsed.size(); ++i) {
    if (i > 0 && (at >= text.size() || text[at++] != L',')) return false;
    const size_t start = at;
    unsigned long long value = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
      value = value * 10 + static_cast<unsigned>(text[at] - L'0');
      if (value > MAXDWORD) return false;
    }
    if (at == start) return false;
    parsed[i] = static_cast<DWORD>(value);
  }
  if (at != text.size()) return false;
  version = parsed;
  return true;
}

std::wstring FormatUpdateVersion(const UpdateVersion& version) {
  std::wstring text;
  for (size_t i = 0; i < version.size(); ++i) {
    if (i > 0) text += L',';
    text += std::to_wstring(version[i]);
  }
  return text;
}

bool IsNewerVersion(const UpdateVersion& offered, const UpdateVersion& current) {
  for (size_t i = 0; i < offered.size(); ++i) {
    if (offered[i] != current[i]) return offered[i] > current[i];
  }
  return false;
}

const UpdateVersion& ProgramVersion() {
  static const UpdateVersion version = [] {
    UpdateVersion parsed{};
    ParseUpdateVersion(TAVORA_UPDATE_VERSION, parsed);
    return parsed;
  }();
  return version;
}

bool ParseUpdateSignature(std::wstring_view text, UpdateSignature& signature) {
  if (text.size() != signature.size() * 2) return false;
  UpdateSignature parsed{};
  for (size_t i = 0; i < parsed.size(); ++i) {
    const int high = HexDigit(text[2 * i]);
    const int low = HexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    parsed[i] = static_cast<unsigned char>(high << 4 | low);
  }
  signature = parsed;
  return true;
}

std::wstring FormatUpdateSignature(const UpdateSignature& signature) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  text.reserve(signature.size() * 2);
  for (const unsigned char byte : signature) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

bool CVerifiedFile::Open(const std::wstring& path, const UpdateVersion& version, const UpdateSignature& signature,
                         const UpdatePublicKey& key) {
  file_.reset();
  if (path.empty() || path.size() >= MAX_PATH) return false;
  // Reading is shared, writing and deleting are not: a handle that writes or
  // deletes keeps this open from succeeding, and none can be had after it.
  // A link is opened as itself, not followed: reading it fails the check.
  UniqueKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file || !VerifyHeldFile(file.get(), version, signature, key)) return false;
  file_ = std::move(file);
  return true;
}

std::wstring CVerifiedFile::LaunchPath() const { return file_ ? FinalPathOfHandle(file_.get()) : std::wstring(); }

bool VerifyFileSignature(const std::wstring& path, const UpdateVersion& version, const UpdateSignature& signature,
                         const UpdatePublicKey& key) {
  CVerifiedFile file;
  return file.Open(path, version, signature, key);
}
