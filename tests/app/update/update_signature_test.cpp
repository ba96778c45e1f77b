// The signature check of setup programs, through the system's own
// cryptography, against signatures made by tools/sign_release.py: the
// version offered and the file's bytes are signed together.
#include "app/update/update_signature.h"

#include <gtest/gtest.h>

#include "tests/app/update/update_test_util.h"
#include "tests/support/test_support.h"

TEST(UpdateSignature, ParsesExactly128HexadecimalDigits) {
  const std::wstring good = std::wstring(64, L'a') + std::wstring(62, L'F') + L"09";
  const struct {
    std::wstring text;
    bool ok;
  } cases[] = {
      {good, true},
      {good.substr(1), false},
      {good + L"0", false},
      {good.substr(0, 127) + L"g", false},
      {L" " + good.substr(1), false},
      {L"", false},
  };
  for (const auto& c : cases) {
    UpdateSignature signature{};
    signature[0] = 0x5A;
    EXPECT_EQ(c.ok, ParseUpdateSignature(c.text, signature)) << c.text.size();
    if (c.ok) {
      EXPECT_EQ(0xAA, signature[0]);
      EXPECT_EQ(0xFF, signature[62]);
      EXPECT_EQ(0x09, signature[63]);
    } else {
      EXPECT_EQ(0x5A, signature[0]) << "a refused text leaves the signature as it was";
    }
  }
}

TEST(UpdateSignature, AcceptsOnlyTheSignedBytesUnderTheRightKey) {
  const std::wstring folder = MakeScratchFolder("update-signature");
  const std::wstring file = folder + L"\\setup.exe";
  const std::string bytes = std::string("MZ") + std::string(100000, '\x90') + "end";
  ASSERT_TRUE(WriteFileBytes(file, bytes));
  UpdateSignature signature{};
  ASSERT_TRUE(ParseUpdateSignature(SignWithTestKey(file), signature)) << "tools/sign_release.py did not sign";
  const std::wstring empty = folder + L"\\empty.exe";
  ASSERT_TRUE(WriteFileBytes(empty, ""));
  UpdateSignature emptySignature{};
  ASSERT_TRUE(ParseUpdateSignature(SignWithTestKey(empty), emptySignature));

  UpdateSignature flipped = signature;
  flipped[10] ^= 1;
  const std::wstring changed = folder + L"\\changed.exe";
  std::string changedBytes = bytes;
  changedBytes[50000] ^= 1;
  ASSERT_TRUE(WriteFileBytes(changed, changedBytes));
  const std::wstring longer = folder + L"\\longer.exe";
  ASSERT_TRUE(WriteFileBytes(longer, bytes + "x"));

  UpdateVersion offered{}, older{}, later{};
  ASSERT_TRUE(ParseUpdateVersion(kOfferedVersion, offered));
  ASSERT_TRUE(ParseUpdateVersion(L"1,0,0,20", older));
  ASSERT_TRUE(ParseUpdateVersion(L"1,0,0,37", later));
  // An old setup offered again as a newer version: the same bytes, signed
  // for the version they were released as.
  UpdateSignature olderSignature{};
  ASSERT_TRUE(ParseUpdateSignature(SignWithTestKey(file, L"1,0,0,20"), olderSignature));

  const struct {
    const char* name;
    std::wstring path;
    const UpdateVersion& version;
    const UpdateSignature& signature;
    const UpdatePublicKey& key;
    bool ok;
  } cases[] = {
      {"signed file", file, offered, signature, TestUpdateKey(), true},
      {"empty file", empty, offered, emptySignature, TestUpdateKey(), true},
      {"old release as it was", file, older, olderSignature, TestUpdateKey(), true},
      {"old release as a newer version", file, later, olderSignature, TestUpdateKey(), false},
      {"signed for another version", file, later, signature, TestUpdateKey(), false},
      {"release key", file, offered, signature, ReleaseUpdateKey(), false},
      {"changed byte", changed, offered, signature, TestUpdateKey(), false},
      {"appended byte", longer, offered, signature, TestUpdateKey(), false},
      {"changed signature", file, offered, flipped, TestUpdateKey(), false},
      {"other file's signature", file, offered, emptySignature, TestUpdateKey(), false},
      {"no file", folder + L"\\missing.exe", offered, signature, TestUpdateKey(), false},
      {"a folder", folder, offered, signature, TestUpdateKey(), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.ok, VerifyFileSignature(c.path, c.version, c.signature, c.key)) << c.name;
  }
}

TEST(UpdateSignature, FileCannotChangeWhileItIsRead) {
  // A writer that already holds the file keeps the check from opening it.
  const std::wstring file = MakeScratchFolder("update-signature-open") + L"\\setup.exe";
  ASSERT_TRUE(WriteFileBytes(file, "MZ bytes"));
  UpdateSignature signature{};
  ASSERT_TRUE(ParseUpdateSignature(SignWithTestKey(file), signature));
  const HANDLE writer = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, writer);
  UpdateVersion version{};
  ASSERT_TRUE(ParseUpdateVersion(kOfferedVersion, version));
  EXPECT_FALSE(VerifyFileSignature(file, version, signature, TestUpdateKey()));
  CloseHandle(writer);
  EXPECT_TRUE(VerifyFileSignature(file, version, signature, TestUpdateKey()));
}
