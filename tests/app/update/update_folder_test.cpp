// The update folder: kept to administrators, checked before each use, never
// reached through a link.
#include "app/update/update_folder.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>

#include "skin/resources/text_encoding.h"
#include "tests/app/update/update_test_util.h"
#include "tests/support/test_support.h"

namespace {

// The descriptor an SDDL text describes.
struct Descriptor {
  explicit Descriptor(const wchar_t* sddl) {
    ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &value, nullptr);
  }
  ~Descriptor() { LocalFree(value); }
  PSECURITY_DESCRIPTOR value = nullptr;
};

// Runs a Unix program of the system with `arguments`.
void RunUnixProgram(const wchar_t* program, const std::wstring& arguments) {
  RunProcess(std::wstring(program) + L" " + arguments, 30000, program);
}

// Whether the folder at `path` is kept to administrators as the system
// reports it now.
bool KeptToAdministrators(const std::wstring& path) {
  ScopedEnvironment configured(L"TAVORA_UPDATE_FOLDER", path);
  CUpdateFolder folder;
  return folder.Open();
}

}  // namespace

// The rule itself, on descriptors as Windows keeps them.
TEST(UpdateFolder, KeepsToAdministratorsOnlyWithTheirOwnerAndNoOtherWriter) {
  const wchar_t kUser[] = L"S-1-5-21-1-2-3-1001";
  PSID user = nullptr;
  ASSERT_TRUE(ConvertStringSidToSidW(kUser, &user));
  const struct {
    const wchar_t* sddl;
    bool kept;
    bool keptWithUser;  // with the user accepted as an owner, as under Wine
  } cases[] = {
      {L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", true, true},
      {L"O:SYD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)", true, true},
      {L"O:S-1-5-80-956008885-3418522649-1831038044-1850883720-4186078451D:(A;;FA;;;BA)", true, true},
      {L"O:BAD:(A;OICIIO;FA;;;CO)(A;;FA;;;BA)", true, true},
      {L"O:BAD:(D;;FA;;;WD)(A;;FA;;;BA)", true, true},
      {L"O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;BA)", false, true},
      {L"O:BAD:(A;OICI;FA;;;S-1-5-21-1-2-3-1001)", false, true},
      {L"O:BAD:(A;;0x2;;;BU)", false, false},       // users may add files
      {L"O:BAD:(A;;0x4;;;AU)", false, false},       // users may add folders
      {L"O:BAD:(A;;0x10000;;;WD)", false, false},  // anyone may delete it
      {L"O:BAD:(A;;WD;;;BU)", false, false},        // users may change its access list
      {L"O:BAD:(A;;GA;;;WD)", false, false},
      {L"O:BAD:(A;OICIIO;FA;;;BU)", false, false},  // inherited by what is made inside
      {L"O:BA", false, false},                       // no access list: everyone
  };
  for (const auto& c : cases) {
    const Descriptor descriptor(c.sddl);
    ASSERT_NE(nullptr, descriptor.value) << WideToUtf8(c.sddl);
    EXPECT_EQ(c.kept, KeepsToAdministrators(descriptor.value, nullptr)) << WideToUtf8(c.sddl);
    EXPECT_EQ(c.keptWithUser, KeepsToAdministrators(descriptor.value, user)) << WideToUtf8(c.sddl);
  }
  // A null access list lets everyone in.
  SECURITY_DESCRIPTOR open = {};
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(administrators);
  ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size));
  ASSERT_TRUE(InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorOwner(&open, administrators, FALSE));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE));
  EXPECT_FALSE(KeepsToAdministrators(&open, user));
  LocalFree(user);
}

// The folder the program makes is accepted and held; one that others may
// write, a link, or a file in its place is refused, and no check uses it.
TEST(UpdateFolder, OpensOnlyAFolderKeptToAdministrators) {
  const std::wstring scratch = MakeScratchFolder("update-folder-open");
  const std::wstring made = scratch + L"\\made\\updates";
  const std::wstring open = scratch + L"\\open";
  ASSERT_TRUE(CreateDirectoryW(open.c_str(), nullptr));
  const std::wstring file = scratch + L"\\file";
  ASSERT_TRUE(WriteFileBytes(file, "not a folder"));
  const std::wstring link = scratch + L"\\link";
  ASSERT_TRUE(CreateDirectoryW((scratch + L"\\made").c_str(), nullptr));
  // As a program of the user would make them: a folder anyone may write and
  // a link, by the system's own tools (Wine neither waits for nor reports on
  // a Unix program, so their results are waited for).
  const std::wstring openUnix = Utf8ToWide(UnixPath(open));
  RunUnixProgram(L"Z:\\bin\\chmod", L"777 \"" + openUnix + L"\"");
  RunUnixProgram(L"Z:\\bin\\ln", L"-s \"" + Utf8ToWide(UnixPath(scratch + L"\\made")) + L"\" \"" +
                                        Utf8ToWide(UnixPath(link)) + L"\"");
  ASSERT_TRUE(PumpUntil([&] { return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000));
  ASSERT_TRUE(PumpUntil([&] { return !KeptToAdministrators(open); }, 30000)) << "the folder did not open to everyone";

  const struct {
    const char* name;
    std::wstring path;
    bool opens;
  } cases[] = {
      {"made by the program, with its parent", made, true},
      {"open to everyone", open, false},
      {"inside a folder open to everyone", open + L"\\updates", false},
      {"a file", file, false},
      {"through a link", link + L"\\updates", false},
      {"a link", link, false},
  };
  for (const auto& c : cases) {
    ScopedEnvironment configured(L"TAVORA_UPDATE_FOLDER", c.path);
    CUpdateFolder folder;
    EXPECT_EQ(c.opens, folder.Open()) << c.name;
    EXPECT_EQ(c.opens, folder.IsOpen()) << c.name;
    if (!c.opens) continue;
    const std::wstring path = folder.NewFilePath(L"tavoSetup-", L".exe");
    EXPECT_EQ(folder.Path().size() + 10 + 16 + 4, path.size()) << c.name;
    EXPECT_NE(path, folder.NewFilePath(L"tavoSetup-", L".exe")) << c.name;
    EXPECT_TRUE(folder.Contains(path)) << c.name;
    EXPECT_FALSE(folder.Contains(folder.Path() + L"sub\\file.exe")) << c.name;
    EXPECT_FALSE(folder.Contains(scratch + L"\\tavoSetup-0.exe")) << c.name;
    // Held: it cannot be renamed while the check uses it.
    EXPECT_FALSE(MoveFileExW(made.c_str(), (made + L"-moved").c_str(), 0)) << c.name;
  }
}
