#include "skin/resources/icon_holder.h"

#include <gtest/gtest.h>

#include "tests/support/dib_canvas.h"

// Icon 101 of images/image_test.rc: 16 x 16, every pixel opaque RGB(220, 30, 40).

namespace {

const COLORREF kBackground = RGB(0, 200, 0);
const COLORREF kIconColour = RGB(220, 30, 40);

bool IconAlive(HICON icon) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return false;
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return true;
}

TEST(IconHolder, ResourceIconDrawsAtItsOwnSize) {
  IconHolder icon;
  ASSERT_TRUE(icon.LoadFromResource(101, 16, 16, 0));
  DibCanvas canvas(24, 24, kBackground);
  EXPECT_TRUE(icon.Draw(canvas.dc(), 3, 4, 0, 0));
  EXPECT_TRUE(canvas.AllPixels(RECT{3, 4, 19, 20}, kIconColour));
  EXPECT_EQ(canvas.CountOutside(RECT{3, 4, 19, 20}, kBackground), 0);
}

TEST(IconHolder, RequestedSizeScalesTheIcon) {
  IconHolder icon;
  ASSERT_TRUE(icon.LoadFromResource(101, 32, 32, 0));
  DibCanvas canvas(40, 40, kBackground);
  EXPECT_TRUE(icon.Draw(canvas.dc(), 0, 0, 0, 0));
  EXPECT_TRUE(canvas.AllPixels(RECT{0, 0, 32, 32}, kIconColour));
  EXPECT_EQ(canvas.CountOutside(RECT{0, 0, 32, 32}, kBackground), 0);
  // An explicit draw size wins over the icon's own.
  canvas.Fill(kBackground);
  EXPECT_TRUE(icon.Draw(canvas.dc(), 1, 1, 8, 8));
  EXPECT_TRUE(canvas.AllPixels(RECT{1, 1, 9, 9}, kIconColour));
  EXPECT_EQ(canvas.CountOutside(RECT{1, 1, 9, 9}, kBackground), 0);
}

TEST(IconHolder, MissingIconDrawsNothing) {
  IconHolder icon;
  EXPECT_FALSE(icon.LoadFromResource(999, 16, 16, 0));
  EXPECT_FALSE(icon.LoadFromResource(0, 16, 16, 0));
  EXPECT_FALSE(icon.LoadFromResource(-5, 16, 16, 0));
  EXPECT_EQ(icon.get(), nullptr);
  DibCanvas canvas(8, 8, kBackground);
  EXPECT_FALSE(icon.Draw(canvas.dc(), 0, 0, 0, 0));
  EXPECT_EQ(canvas.CountOutside(RECT{}, kBackground), 0);
}

TEST(IconHolder, OwnIconIsDestroyedSharedOnesAreLeftAlone) {
  HICON own = nullptr;
  {
    IconHolder icon;
    ASSERT_TRUE(icon.LoadFromResource(101, 16, 16, 0));
    own = icon.get();
    EXPECT_TRUE(IconAlive(own));
  }
  EXPECT_FALSE(IconAlive(own));

  HICON shared = nullptr;
  {
    IconHolder icon;
    ASSERT_TRUE(icon.LoadFromResource(101, 16, 16, LR_SHARED));
    shared = icon.get();
  }
  EXPECT_TRUE(IconAlive(shared));

  IconHolder reload;
  ASSERT_TRUE(reload.LoadFromResource(101, 16, 16, 0));
  HICON first = reload.get();
  ASSERT_TRUE(reload.LoadFromResource(101, 24, 24, 0));  // replaces and destroys the first
  EXPECT_FALSE(IconAlive(first));
  reload.Destroy();
  EXPECT_EQ(reload.get(), nullptr);
  DibCanvas canvas(4, 4, kBackground);
  EXPECT_FALSE(reload.Draw(canvas.dc(), 0, 0, 0, 0));
}

TEST(IconHolder, SystemIconDrawsAndOutlivesTheHolder) {
  HICON system = nullptr;
  const int cx = GetSystemMetrics(SM_CXICON);
  const int cy = GetSystemMetrics(SM_CYICON);
  DibCanvas canvas(cx + 4, cy + 4, kBackground);
  {
    IconHolder icon;
    ASSERT_TRUE(icon.LoadSystem(IDI_APPLICATION));
    system = icon.get();
    EXPECT_TRUE(icon.Draw(canvas.dc(), 2, 2, 0, 0));
  }
  EXPECT_GT(canvas.CountOutside(RECT{}, kBackground), 0);
  EXPECT_EQ(canvas.CountOutside(RECT{2, 2, 2 + cx, 2 + cy}, kBackground), 0);
  EXPECT_TRUE(IconAlive(system));
  EXPECT_EQ(LoadIconW(nullptr, IDI_APPLICATION), system);
}

}  // namespace
