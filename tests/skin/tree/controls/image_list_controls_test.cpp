#include "skin/tree/image_list_controls.h"

#include <shellapi.h>
#include <gtest/gtest.h>

#include <string>

#include "skin/resources/text_encoding.h"
#include "skin/tree/element_factory.h"
#include "tests/skin/tree/controls/controls_test_util.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// ---- "imglisth" -------------------------------------------------------------------

TEST(ImageList, SlotsDrawSideBySideWithTheirSubsAndNoGapForEmptySlots) {
  LoadProgramSkins();
  // Slot 0: the four-state skin (20 wide) in state 1; slot 1 empty; slot 2:
  // the one-colour skin (state 0) right after the first.
  auto root = LayOut("<dlg><imglisth pos='10,0,70,12' imagecount='3' skinlist='skin0=test4states,skin2=test48x24' "
                     "sublist='sub0=1,sub2=0'/></dlg>",
                     200, 20);
  auto* list = dynamic_cast<CBkImageListHWnd*>(root->ChildAt(0));
  ASSERT_NE(list, nullptr);
  TestSkin("test4states")->drawn.clear();
  TestSkin("test48x24")->drawn.clear();
  DibCanvas canvas(200, 20, kWhite);
  Paint(*list, canvas.dc());
  EXPECT_EQ(TestSkin("test4states")->drawn, std::vector<int>{1});
  EXPECT_EQ(TestSkin("test48x24")->drawn, std::vector<int>{0});
  // The first skin fills the element's rectangle, the second the same
  // rectangle moved right by the first one's width, past the element.
  EXPECT_TRUE(canvas.AllPixels(RECT{10, 0, 30, 12}, kStateColours[1]));
  EXPECT_TRUE(canvas.AllPixels(RECT{30, 0, 90, 12}, kSkinColour));
  EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 10, 20}, kWhite));
  EXPECT_TRUE(canvas.AllPixels(RECT{90, 0, 200, 20}, kWhite));
  EXPECT_TRUE(canvas.AllPixels(RECT{10, 12, 90, 20}, kWhite));
}

TEST(ImageList, ListsOverrideTheSlotResetWhateverTheirPlaceInTheDocument) {
  LoadProgramSkins();
  struct Case {
    const char* attributes;
    const char* slot;
    bool hasSkin;
    int sub;
  };
  const Case cases[] = {
      // Lists before the count still win over the reset.
      {"skinlist='skin1=test48x24' sublist='sub1=3' imagecount='2'", "1", true, 3},
      {"imagecount='2'", "1", false, -1},
      // Pieces without '=' or starting with it are skipped; later pairs win.
      {"imagecount='2' skinlist='test48x24,=test48x24,,skin1=test48x24' sublist='sub1,=4,sub1=2,sub1=x'", "1", true,
       0},
      // A skin the pool lacks leaves the slot empty.
      {"imagecount='2' skinlist='skin1=no_such_skin'", "1", false, -1},
      {"imagecount='2' skinlist='skin1=test48x24,skin1=no_such_skin'", "1", false, -1},
      {"imagecount='2' skinlist='' sublist=''", "1", false, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attributes);
    auto list = LoadAs<CBkImageListHWnd>(std::string("<imglisth ") + c.attributes + "/>");
    EXPECT_EQ(list->SlotSkin(std::string("skin") + c.slot) != nullptr, c.hasSkin);
    EXPECT_EQ(list->SlotSub(std::string("sub") + c.slot), c.sub);
  }
  auto kept = LoadAs<CBkImageListHWnd>("<imglisth skinlist='skin0=test48x24' sublist='sub0=2' sub='9'/>");
  EXPECT_EQ(kept->SkinList(), "skin0=test48x24");
  EXPECT_EQ(kept->SubList(), "sub0=2");
  EXPECT_EQ(kept->Sub(), 9);
}

TEST(ImageList, ImageCountIsBoundedAndPaintsAtMostThatManySlots) {
  LoadProgramSkins();
  struct Case {
    const char* count;
    int expected;
  };
  for (const Case& c : {Case{"-5", 0}, Case{"0", 0}, Case{"7", 7}, Case{"256", 256}, Case{"257", 256},
                        Case{"99999999999", 256}, Case{"x", 0}}) {
    SCOPED_TRACE(c.count);
    std::string skins;
    for (int slot = 0; slot < 300; ++slot) skins += "skin" + std::to_string(slot) + "=test4states,";
    auto list = LoadAs<CBkImageListHWnd>(std::string("<imglisth pos='0,0,20,10' imagecount='") + c.count +
                                         "' skinlist='" + skins + "'/>");
    EXPECT_EQ(list->ImageCount(), c.expected);
    TestSkin("test4states")->drawn.clear();
    DibCanvas canvas(40, 10, kWhite);
    list->SendElementMessage(WM_PAINT, reinterpret_cast<WPARAM>(canvas.dc()));
    EXPECT_EQ(TestSkin("test4states")->drawn.size(), static_cast<size_t>(c.expected));
  }
}

TEST(ImageList, NaturalSizeTakesTheSkinsNonZeroSides) {
  LoadProgramSkins();
  auto root = LayOut("<dlg><imglisth skin='test48x24'/><imglisth pos='0,0,30,40' skin='test48x24'/>"
                     "<imglisth pos='0,0,30,40' skin='missing'/></dlg>",
                     200, 100);
  EXPECT_TRUE(RectIs(root->ChildAt(0)->GetRect(), 0, 0, 48, 24));
  EXPECT_TRUE(RectIs(root->ChildAt(1)->GetRect(), 0, 0, 48, 24));
  EXPECT_TRUE(RectIs(root->ChildAt(2)->GetRect(), 0, 0, 30, 40));
}

// ---- "iconfrommodule" ---------------------------------------------------------------

// A copy of this test program in a folder with a Chinese name below the
// temporary folder; removed with the object.
class NonAsciiCopy {
 public:
  NonAsciiCopy() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"\x56FE\x6807\x6D4B\x8BD5-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder_.c_str(), nullptr);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    path_ = folder_ + L"\\\x7A0B\x5E8F.exe";
    copied_ = CopyFileW(self, path_.c_str(), FALSE) != FALSE;
  }
  ~NonAsciiCopy() {
    DeleteFileW(path_.c_str());
    RemoveDirectoryW(folder_.c_str());
  }
  bool copied() const { return copied_; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring folder_;
  std::wstring path_;
  bool copied_ = false;
};

// The icon the shell gives for `path`, drawn as the element draws it.
DibCanvas* DrawShellIcon(const std::wstring& path, const RECT& at, DibCanvas& canvas) {
  SHFILEINFOW info = {};
  if (!SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_ICON) || !info.hIcon) return nullptr;
  DrawIconEx(canvas.dc(), at.left, at.top, info.hIcon, at.right - at.left, at.bottom - at.top, 0, nullptr, DI_NORMAL);
  DestroyIcon(info.hIcon);
  return &canvas;
}

TEST(FileIcon, NonAsciiPathShowsTheIconTheShellGivesForIt) {
  LoadProgramSkins();
  NonAsciiCopy copy;
  ASSERT_TRUE(copy.copied());
  // The path cannot be written in the ANSI code page: a narrow shell call
  // would name another file.
  EXPECT_NE(MultiByteToWide(WideToMultiByte(copy.path(), kCodePageAnsi), kCodePageAnsi), copy.path());
  const std::string utf8 = WideToUtf8(copy.path());
  auto root = LayOut("<dlg><iconfrommodule pos='4,4,36,36' srcfile='" + utf8 + "'/></dlg>", 40, 40);
  auto* icon = dynamic_cast<CBkDrawFileIcon*>(root->ChildAt(0));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->SourceFile(), utf8);

  DibCanvas drawn(40, 40, kWhite);
  const size_t cachedBefore = CachedFileIconCount();
  Paint(*icon, drawn.dc());
  EXPECT_EQ(CachedFileIconCount(), cachedBefore + 1);
  DibCanvas expected(40, 40, kWhite);
  ASSERT_NE(DrawShellIcon(copy.path(), RECT{4, 4, 36, 36}, expected), nullptr);
  EXPECT_FALSE(drawn.AllPixels(RECT{4, 4, 36, 36}, kWhite));
  EXPECT_EQ(AreaPixels(drawn, RECT{0, 0, 40, 40}), AreaPixels(expected, RECT{0, 0, 40, 40}));

  // Later paints use the cached icon.
  DibCanvas again(40, 40, kWhite);
  Paint(*icon, again.dc());
  EXPECT_EQ(CachedFileIconCount(), cachedBefore + 1);
  EXPECT_EQ(AreaPixels(again, RECT{0, 0, 40, 40}), AreaPixels(expected, RECT{0, 0, 40, 40}));
}

TEST(FileIcon, MissingFileDrawsNothingAndIsAskedForAgain) {
  LoadProgramSkins();
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring path = std::wstring(temp) + L"tavora-later-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
  DeleteFileW(path.c_str());
  auto root = LayOut("<dlg><iconfrommodule pos='0,0,32,32' srcfile='" + WideToUtf8(path) + "'/></dlg>", 32, 32);
  CBkWindow* icon = root->ChildAt(0);
  DibCanvas canvas(32, 32, kWhite);
  const size_t cachedBefore = CachedFileIconCount();
  Paint(*icon, canvas.dc());
  EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 32, 32}, kWhite));
  EXPECT_EQ(CachedFileIconCount(), cachedBefore);

  // The file appears: the next paint finds it.
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  ASSERT_TRUE(CopyFileW(self, path.c_str(), FALSE));
  Paint(*icon, canvas.dc());
  EXPECT_FALSE(canvas.AllPixels(RECT{0, 0, 32, 32}, kWhite));
  EXPECT_EQ(CachedFileIconCount(), cachedBefore + 1);
  DeleteFileW(path.c_str());
}

TEST(FileIcon, HandedOverIconWinsAndEmptyValuesAreIgnored) {
  LoadProgramSkins();
  HICON question = LoadIconW(nullptr, IDI_QUESTION);
  ASSERT_NE(question, nullptr);
  const std::string handle = std::to_string(reinterpret_cast<UINT_PTR>(question));
  auto root = LayOut("<dlg><iconfrommodule pos='0,0,32,32' srcfile='C:\\nowhere\\x.exe' iconhandle='" + handle +
                         "'/></dlg>",
                     32, 32);
  auto* icon = dynamic_cast<CBkDrawFileIcon*>(root->ChildAt(0));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->SetAttribute("srcfile", "", false), kAttributeHandled);
  EXPECT_EQ(icon->SetAttribute("iconhandle", "", false), kAttributeHandled);
  EXPECT_EQ(icon->IconHandle(), question);
  EXPECT_EQ(icon->SourceFile(), "C:\\nowhere\\x.exe");
  DibCanvas drawn(32, 32, kWhite);
  Paint(*icon, drawn.dc());
  DibCanvas expected(32, 32, kWhite);
  DrawIconEx(expected.dc(), 0, 0, question, 32, 32, 0, nullptr, DI_NORMAL);
  EXPECT_FALSE(drawn.AllPixels(RECT{0, 0, 32, 32}, kWhite));
  EXPECT_EQ(AreaPixels(drawn, RECT{0, 0, 32, 32}), AreaPixels(expected, RECT{0, 0, 32, 32}));

  // Handles that name no icon, and empty rectangles, draw nothing.
  const std::string nothingDrawn[] = {
      "<iconfrommodule pos='0,0,32,32' iconhandle='12345'/>",
      "<iconfrommodule pos='0,0,32,32' iconhandle='-1'/>",
      "<iconfrommodule pos='0,0,32,32' iconhandle='x' srcfile='\xE4\xBD'/>",
      "<iconfrommodule pos='0,0,0,0' iconhandle='" + handle + "'/>",
      "<iconfrommodule pos='0,0,-40,-40' iconhandle='" + handle + "'/>",
  };
  for (const std::string& element : nothingDrawn) {
    SCOPED_TRACE(element);
    auto other = LayOut("<dlg>" + element + "</dlg>", 32, 32);
    DibCanvas canvas(32, 32, kWhite);
    Paint(*other->ChildAt(0), canvas.dc());
    EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 32, 32}, kWhite));
  }
}

TEST(ImageListControls, FactoryMakesBothTags) {
  std::unique_ptr<CBkWindow> list = CreateChildByName("imglisth");
  EXPECT_NE(dynamic_cast<CBkImageListHWnd*>(list.get()), nullptr);
  std::unique_ptr<CBkWindow> icon = CreateChildByName("iconfrommodule");
  EXPECT_NE(dynamic_cast<CBkDrawFileIcon*>(icon.get()), nullptr);
  EXPECT_EQ(CreateChildByName("ImgListH"), nullptr);
}

}  // namespace
