#include "skin/tree/skin_library.h"

#include <gtest/gtest.h>

#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/style.h"
#include "skin/tree/memory_images.h"
#include "skin/tree/window_registry.h"
#include "tests/skin/tree/tree_test_util.h"

// What the program sets up once, and what elements leave in the registry,
// is gone after a reset; a reset with elements still alive keeps their
// handles unique.
TEST(SkinLibraryReset, ReturnsEveryPoolAndRegistryToTheStartState) {
  SetSkinFolder(L"C:\\nowhere");
  ASSERT_TRUE(LoadStrings(102));
  BkFontPool::SetDefaultFont(GetString(0), -12);
  ASSERT_TRUE(LoadSkins(100));
  ASSERT_TRUE(LoadStyles(101));
  ASSERT_NE(0u, RegisterMemoryImage(reinterpret_cast<Gdiplus::Image*>(0x1000)));
  BkHandle firstHandle = 0;
  {
    const auto tree = LoadElement("<dlg><text/><radio group='g'/></dlg>");
    firstHandle = tree->GetHandle();
    EXPECT_FALSE(ResetSkinLibrary()) << "elements are still registered";
    EXPECT_EQ(tree.get(), LookupElement(firstHandle));
  }
  EXPECT_TRUE(ResetSkinLibrary());

  EXPECT_TRUE(BkSkinFolder::Instance().Path().empty());
  EXPECT_EQ(0u, BkString::Instance().Count());
  EXPECT_TRUE(BkSkinPool::Instance().Skins().empty());
  EXPECT_TRUE(BkStylePool::Instance().Styles().empty());
  EXPECT_EQ(0u, MemoryImageCount());
  EXPECT_EQ(std::wstring(BkFontPool::kInitialFace), BkFontPool::BaseFace());
  EXPECT_EQ(BkFontPool::kInitialHeight, BkFontPool::BaseHeight());
  EXPECT_NE(nullptr, BkFontPool::GetFont(0));
  EXPECT_EQ(OBJ_FONT, GetObjectType(BkFontPool::GetFont(0)));
  // Handles are counted from the start again, as in a new process.
  const auto again = LoadElement("<dlg/>");
  EXPECT_EQ(firstHandle, again->GetHandle());
}
