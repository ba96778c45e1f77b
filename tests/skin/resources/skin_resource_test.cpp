#include "skin/resources/skin_resource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "skin/resources/bk_string.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/style.h"
#include "tests/support/test_support.h"

namespace {

// Points the loader at a fresh scratch folder for one test and back to
// "embedded only" afterwards.
class SkinFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeScratchFolder("skinres-folder");
    SetSkinFolder(folder_);
  }
  void TearDown() override { SetSkinFolder(L""); }
  std::wstring File(const std::wstring& name) const { return folder_ + L"\\" + name; }

  std::wstring folder_;
};

std::string Embedded(unsigned id, const wchar_t* type) {
  std::string bytes;
  EXPECT_TRUE(LoadModuleResource(id, bytes, type));
  return bytes;
}

TEST(ModuleResource, LoadsRawBytesOfTheEmbeddedDocument) {
  std::string bytes;
  ASSERT_TRUE(LoadModuleResource(900, bytes, L"xml"));
  // Raw bytes: the byte-order mark is kept, nothing is decoded.
  ASSERT_GE(bytes.size(), 3u);
  EXPECT_EQ("\xEF\xBB\xBF", bytes.substr(0, 3));
  EXPECT_NE(std::string::npos, bytes.find("<string>"));
  EXPECT_EQ(ReadFileBytes(SourcePath("tests/skin/resources/data/strings_main.xml")), bytes);
  EXPECT_EQ('\0', bytes.c_str()[bytes.size()]);
}

TEST(ModuleResource, KeepsZeroBytesInsideBinaryData) {
  const std::string expected = ReadFileBytes(SourcePath("tests/skin/resources/data/blob.bin"));
  ASSERT_NE(std::string::npos, expected.find('\0'));
  std::string bytes;
  ASSERT_TRUE(LoadModuleResource(906, bytes, L"png"));
  EXPECT_EQ(expected, bytes);
}

TEST(ModuleResource, MatchesTheTypeNameWithoutCase) {
  const std::string upper = Embedded(900, L"XML");
  EXPECT_EQ(upper, Embedded(900, L"xml"));
  EXPECT_EQ(upper, Embedded(900, L"XmL"));
  EXPECT_EQ(Embedded(907, L"lowtype"), Embedded(907, L"LOWTYPE"));
  EXPECT_EQ(Embedded(906, L"PNG"), Embedded(907, L"LowType"));
}

TEST(ModuleResource, ResourcesCarryTheChineseLanguageAndAreFoundWithoutAskingForIt) {
  EXPECT_NE(nullptr, FindResourceExW(nullptr, L"XML", MAKEINTRESOURCEW(900),
                                     MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)));
  std::string bytes;
  EXPECT_TRUE(LoadModuleResource(900, bytes, L"xml"));
}

TEST(ModuleResource, UsesOnlyTheLow16BitsOfTheId) {
  EXPECT_EQ(Embedded(901, L"xml"), Embedded(0x10000u + 901, L"xml"));
}

TEST(ModuleResource, MissingIdTypeOrNullTypeFailsAndLeavesBytesEmpty) {
  std::string bytes = "left over";
  EXPECT_FALSE(LoadModuleResource(999, bytes, L"xml"));
  EXPECT_TRUE(bytes.empty());
  bytes = "left over";
  EXPECT_FALSE(LoadModuleResource(900, bytes, L"png"));
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(LoadModuleResource(900, bytes, L"nosuchtype"));
  EXPECT_FALSE(LoadModuleResource(900, bytes, L""));
  EXPECT_FALSE(LoadModuleResource(900, bytes, nullptr));
  EXPECT_TRUE(bytes.empty());
}

TEST(SkinResource, WithoutFolderLoadsTheEmbeddedResource) {
  SetSkinFolder(L"");
  std::string bytes;
  ASSERT_TRUE(LoadSkinResource(903, bytes, L"xml"));
  EXPECT_EQ(Embedded(903, L"xml"), bytes);
}

TEST_F(SkinFolderTest, FileInTheFolderWinsOverTheEmbeddedResource) {
  ASSERT_TRUE(WriteFileBytes(File(L"903.xml"), "<style><class name=\"disk\"/></style>"));
  std::string bytes;
  ASSERT_TRUE(LoadSkinResource(903, bytes, L"xml"));
  EXPECT_EQ("<style><class name=\"disk\"/></style>", bytes);
  EXPECT_EQ('\0', bytes.c_str()[bytes.size()]);
  // Other ids and other types of the same id still come from the program.
  ASSERT_TRUE(LoadSkinResource(902, bytes, L"xml"));
  EXPECT_EQ(Embedded(902, L"xml"), bytes);
}

TEST_F(SkinFolderTest, FileNameIsIdDotTypeAsGiven) {
  ASSERT_TRUE(WriteFileBytes(File(L"906.png"), std::string("\x89PNG\0disk", 9)));
  std::string bytes;
  ASSERT_TRUE(LoadSkinResource(906, bytes, L"png"));
  EXPECT_EQ(std::string("\x89PNG\0disk", 9), bytes);
  EXPECT_FALSE(LoadSkinResource(906, bytes, L"xml"));
  EXPECT_TRUE(bytes.empty());
}

TEST_F(SkinFolderTest, FileWithoutEmbeddedCounterpartLoads) {
  ASSERT_TRUE(WriteFileBytes(File(L"4242.xml"), "<x/>"));
  std::string bytes;
  ASSERT_TRUE(LoadSkinResource(4242, bytes, L"xml"));
  EXPECT_EQ("<x/>", bytes);
}

TEST_F(SkinFolderTest, ZeroLengthFileIsIgnored) {
  ASSERT_TRUE(WriteFileBytes(File(L"902.xml"), ""));
  std::string bytes;
  ASSERT_TRUE(LoadSkinResource(902, bytes, L"xml"));
  EXPECT_EQ(Embedded(902, L"xml"), bytes);
}

TEST_F(SkinFolderTest, DirectoryInPlaceOfTheFileIsIgnored) {
  ASSERT_TRUE(CreateDirectoryW(File(L"902.xml").c_str(), nullptr));
  std::string bytes;
  ASSERT_TRUE(LoadSkinResource(902, bytes, L"xml"));
  EXPECT_EQ(Embedded(902, L"xml"), bytes);
  RemoveDirectoryW(File(L"902.xml").c_str());
}

TEST_F(SkinFolderTest, FileLockedByAnotherWriterIsIgnored) {
  ASSERT_TRUE(WriteFileBytes(File(L"902.xml"), "<style/>"));
  HANDLE exclusive =
      CreateFileW(File(L"902.xml").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, exclusive);
  std::string bytes;
  const bool loaded = LoadSkinResource(902, bytes, L"xml");
  CloseHandle(exclusive);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(Embedded(902, L"xml"), bytes);
}

TEST_F(SkinFolderTest, OversizedFileIsIgnored) {
  const std::wstring path = File(L"902.xml");
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  LARGE_INTEGER size;
  size.QuadPart = static_cast<LONGLONG>(kMaxSkinFileBytes) + 1;
  ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(file));
  CloseHandle(file);
  std::string bytes;
  ASSERT_TRUE(LoadSkinResource(902, bytes, L"xml"));
  EXPECT_EQ(Embedded(902, L"xml"), bytes);
  // The handle was closed on the refusing path as well.
  EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST_F(SkinFolderTest, FileIsClosedAfterSuccessAndAfterEmptyFile) {
  ASSERT_TRUE(WriteFileBytes(File(L"903.xml"), "<style/>"));
  ASSERT_TRUE(WriteFileBytes(File(L"902.xml"), ""));
  std::string bytes;
  ASSERT_TRUE(LoadSkinResource(903, bytes, L"xml"));
  ASSERT_TRUE(LoadSkinResource(902, bytes, L"xml"));
  // The loader opens without delete sharing: deleting only works once it has
  // closed both files.
  EXPECT_TRUE(DeleteFileW(File(L"903.xml").c_str()));
  EXPECT_TRUE(DeleteFileW(File(L"902.xml").c_str()));
}

TEST_F(SkinFolderTest, LoadingTheSameFileTwiceGivesTheSameBytes) {
  ASSERT_TRUE(WriteFileBytes(File(L"903.xml"), "<style/>"));
  std::string first;
  std::string second = "previous content that must go";
  ASSERT_TRUE(LoadSkinResource(903, first, L"xml"));
  ASSERT_TRUE(LoadSkinResource(903, second, L"xml"));
  EXPECT_EQ(first, second);
}

TEST_F(SkinFolderTest, MissingInBothPlacesFailsWithEmptyBytes) {
  std::string bytes = "left over";
  EXPECT_FALSE(LoadSkinResource(999, bytes, L"xml"));
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ('\0', bytes.c_str()[0]);
}

TEST(SkinResource, MissingFolderFallsBackToEmbedded) {
  SetSkinFolder(L"Z:\\no\\such\\folder\\anywhere");
  std::string bytes;
  const bool loaded = LoadSkinResource(901, bytes, L"xml");
  SetSkinFolder(L"");
  ASSERT_TRUE(loaded);
  EXPECT_EQ(Embedded(901, L"xml"), bytes);
}

TEST(SkinResource, FolderIsOneProcessWideSetting) {
  SetSkinFolder(L"C:\\skins");
  EXPECT_EQ(L"C:\\skins", BkSkinFolder::Instance().Path());
  SetSkinFolder(L"");
  EXPECT_TRUE(BkSkinFolder::Instance().Path().empty());
}

}  // namespace

// A string table, style or skin document in the folder that is cut short
// gives way to the program's own: the start-up pools are never left empty.
TEST_F(SkinFolderTest, PoolLoadersPassOverABrokenFolderCopy) {
  const struct {
    unsigned id;
    bool (*load)(unsigned);
    bool (*loadedFromProgram)();
  } loaders[] = {
      {102, LoadStrings, [] { return GetString(31) != nullptr; }},
      {101, LoadStyles, [] { return GetStyle("mainbody").crtext != kColorNotSet; }},
      {100, LoadSkins, [] { return GetSkin("mainbghead") != nullptr; }},
  };
  for (const auto& loader : loaders) {
    SCOPED_TRACE(loader.id);
    const std::string embedded = Embedded(loader.id, L"xml");
    ASSERT_TRUE(WriteFileBytes(File(std::to_wstring(loader.id) + L".xml"), embedded.substr(0, embedded.size() / 2)));
    EXPECT_TRUE(loader.load(loader.id));
    EXPECT_TRUE(loader.loadedFromProgram());
    EXPECT_FALSE(EmbeddedSkinResourcesOnly::Active());  // the fallback's scope has ended
  }
}
