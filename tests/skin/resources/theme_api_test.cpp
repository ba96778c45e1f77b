#include "skin/resources/theme_api.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/support/dib_canvas.h"
#include "tests/support/test_support.h"

namespace {

bool UxThemeLoaded() { return GetModuleHandleW(L"uxtheme.dll") != nullptr; }

// Whatever state the process is in at first use, the binding reflects it: the
// library is never loaded for theming's sake.
TEST(ThemeApiBinding, FollowsWhetherUxThemeIsAlreadyLoaded) {
  const bool loadedBefore = UxThemeLoaded();
  const ThemeApi& api = ThemeApi::Get();
  EXPECT_EQ(api.LibraryPresent(), loadedBefore);
  EXPECT_EQ(UxThemeLoaded(), loadedBefore);
  RECT rect = {0, 0, 13, 13};
  DibCanvas canvas(16, 16, RGB(1, 2, 3));
  if (!loadedBefore) {
    EXPECT_EQ(api.OpenThemeData(nullptr, L"BUTTON"), nullptr);
    EXPECT_EQ(api.CloseThemeData(nullptr), E_NOTIMPL);
    EXPECT_EQ(api.DrawThemeBackground(nullptr, canvas.dc(), kThemePartCheckBox, 1, &rect, nullptr), E_NOTIMPL);
    EXPECT_EQ(api.SetWindowTheme(nullptr, L"", L""), E_NOTIMPL);
    EXPECT_EQ(canvas.CountOutside(RECT{}, RGB(1, 2, 3)), 0);
  } else {
    EXPECT_NE(api.SetWindowTheme(nullptr, L"", L""), E_NOTIMPL);
    EXPECT_NE(api.CloseThemeData(nullptr), E_NOTIMPL);
  }
}

// A binding made without the library (here: bound to none, whatever this
// process has loaded) stays empty when the library is loaded afterwards,
// until the binding is made again.
TEST(ThemeApiBinding, WithoutUxThemeStaysEmptyEvenIfLoadedLater) {
  ThemeApi::BindTo(nullptr);
  const ThemeApi& api = ThemeApi::Get();
  EXPECT_FALSE(api.LibraryPresent());

  MessageCounterWindow window;
  ASSERT_NE(window.hwnd(), nullptr);
  ButtonThemeHandle button;
  EXPECT_EQ(button.Open(window.hwnd()), nullptr);

  HMODULE library = LoadLibraryW(L"uxtheme.dll");
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(&ThemeApi::Get(), &api);
  EXPECT_FALSE(ThemeApi::Get().LibraryPresent());
  EXPECT_EQ(ThemeApi::Get().SetWindowTheme(window.hwnd(), L"", L""), E_NOTIMPL);
  ThemeApi::Rebind();
  EXPECT_TRUE(ThemeApi::Get().LibraryPresent());
  FreeLibrary(library);
}

TEST(ThemeApiBinding, WithUxThemeLoadedFindsAllEntries) {
  HMODULE library = LoadLibraryW(L"uxtheme.dll");
  ASSERT_NE(library, nullptr);
  const ThemeApi& api = ThemeApi::Get();
  EXPECT_TRUE(api.LibraryPresent());

  MessageCounterWindow window;
  ASSERT_NE(window.hwnd(), nullptr);
  // The entry's own result comes back (frames switch theming off with two
  // empty strings; Wine answers that call with an error of its own).
  EXPECT_NE(api.SetWindowTheme(window.hwnd(), L"", L""), E_NOTIMPL);
  EXPECT_EQ(api.SetWindowTheme(window.hwnd(), L"Explorer", nullptr), S_OK);
  EXPECT_NE(api.CloseThemeData(nullptr), E_NOTIMPL);
  RECT rect = {0, 0, 13, 13};
  DibCanvas canvas(16, 16, RGB(1, 2, 3));
  EXPECT_NE(api.DrawThemeBackground(nullptr, canvas.dc(), kThemePartCheckBox, 1, &rect, nullptr), E_NOTIMPL);

  // The button theme is opened once and kept; with an active theme it draws.
  ButtonThemeHandle button;
  HTHEME theme = button.Open(window.hwnd());
  EXPECT_EQ(button.Open(window.hwnd()), theme);
  EXPECT_EQ(button.get(), theme);
  if (theme) {
    EXPECT_EQ(api.DrawThemeBackground(theme, canvas.dc(), kThemePartCheckBox, 1, &rect, nullptr), S_OK);
    EXPECT_GT(canvas.CountOutside(RECT{}, RGB(1, 2, 3)), 0);
  }
  button.Close();
  EXPECT_EQ(button.get(), nullptr);
}

TEST(ThemeApiBinding, ThreadsRacingForFirstUseShareOneInstance) {
  const bool loadedBefore = UxThemeLoaded();
  constexpr int kThreads = 8;
  std::atomic<int> ready{0};
  std::atomic<bool> go{false};
  std::vector<const ThemeApi*> seen(kThreads, nullptr);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      ++ready;
      while (!go) std::this_thread::yield();
      seen[i] = &ThemeApi::Get();
    });
  }
  while (ready < kThreads) std::this_thread::yield();
  go = true;
  for (auto& thread : threads) thread.join();
  const ThemeApi* main = &ThemeApi::Get();
  for (const ThemeApi* instance : seen) EXPECT_EQ(instance, main);
  EXPECT_EQ(main->LibraryPresent(), loadedBefore);
  EXPECT_EQ(UxThemeLoaded(), loadedBefore);
}

}  // namespace
