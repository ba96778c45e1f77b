// High contrast: with the mode on, the main window draws its texts and
// backgrounds in the scheme's colours (read back from its pixels), the
// selected tab and list row in the selection's, links in the links'; when
// the system's settings change it takes the system's scheme again.
#include "skin/resources/high_contrast.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/window/query_page.h"
#include "skin/tree/tab_control.h"
#include "tests/app/window/main_dialog_fixture.h"
#include "tests/support/dib_canvas.h"

namespace {

// Every role its own colour, so that each pixel says which role drew it.
HighContrastScheme TestScheme() {
  HighContrastScheme scheme;
  scheme.on = true;
  const struct {
    SystemColourRole role;
    COLORREF colour;
  } colours[] = {
      {SystemColourRole::Window, RGB(0, 0, 0)},        {SystemColourRole::WindowText, RGB(255, 255, 255)},
      {SystemColourRole::Highlight, RGB(0, 0, 160)},   {SystemColourRole::HighlightText, RGB(255, 255, 0)},
      {SystemColourRole::HotLight, RGB(0, 255, 255)},  {SystemColourRole::GrayText, RGB(0, 200, 0)},
      {SystemColourRole::ButtonFace, RGB(60, 60, 60)}, {SystemColourRole::ButtonText, RGB(255, 160, 255)},
  };
  for (const auto& entry : colours) scheme.colours[static_cast<int>(entry.role)] = entry.colour;
  return scheme;
}

int CountColour(const DibCanvas& canvas, const RECT& area, COLORREF colour) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) count += canvas.Pixel(x, y) == colour ? 1 : 0;
  return count;
}

int Distance(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
         std::abs(GetBValue(a) - GetBValue(b));
}

// Pixels nearer to `text` than to `background`: text, smoothed edges included.
int CountTextPixels(const DibCanvas& canvas, const RECT& area, COLORREF text, COLORREF background) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF pixel = canvas.Pixel(x, y);
      count += Distance(pixel, text) < Distance(pixel, background) ? 1 : 0;
    }
  return count;
}

class HighContrastTest : public MainDialogFixture {
 protected:
  void TearDown() override { SetHighContrastScheme(ReadSystemHighContrast()); }
};

TEST_F(HighContrastTest, TheWindowDrawsInTheSchemeAndTakesTheSystemsBackOnAChange) {
  const HighContrastScheme scheme = TestScheme();
  ASSERT_TRUE(SetHighContrastScheme(scheme));
  auto dialog = MakeDialog();
  ASSERT_TRUE(Query(*dialog, L"北京", L"上海"));
  CQueryPage& page = dialog->QueryPage();
  const HWND list = page.List().GetHwnd();
  ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);

  CBkDialogView& view = dialog->GetView();
  const auto rectOf = [&](int id) {
    const CBkWindow* element = view.FindElement(id);
    return element ? element->GetRect() : RECT{};
  };
  auto* tabs = static_cast<CBkTabCtrl*>(view.FindElement(CMainDlg::kTabControl));
  ASSERT_NE(nullptr, tabs);
  RECT selectedHead = {}, otherHead = {};
  ASSERT_TRUE(tabs->HeadRect(0, selectedHead) && tabs->HeadRect(1, otherHead));
  auto viewPixels = CaptureWholeClient(view.GetHwnd());
  auto listPixels = CaptureWholeClient(list);
  ASSERT_NE(nullptr, viewPixels);
  ASSERT_NE(nullptr, listPixels);
  RECT rows[2] = {};
  for (int row = 0; row < 2; ++row) {
    rows[row].left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rows[row]));
  }

  using Role = SystemColourRole;
  const struct {
    const char* what;
    const DibCanvas& canvas;
    RECT area;
    Role background;
    Role text;
  } cases[] = {
      {"title on the header", *viewPixels, rectOf(ID_TITLE), Role::Window, Role::WindowText},
      {"status line on the footer", *viewPixels, rectOf(CQueryPage::kStatusText), Role::Window, Role::WindowText},
      {"selected tab", *viewPixels, selectedHead, Role::Highlight, Role::HighlightText},
      {"other tab", *viewPixels, otherHead, Role::ButtonFace, Role::ButtonText},
      {"check box text", *viewPixels, rectOf(CQueryPage::kAvailableBox), Role::Window, Role::WindowText},
      {"range link", *viewPixels, rectOf(CQueryPage::kDepartRangeLink), Role::Window, Role::HotLight},
      {"list row", *listPixels, rows[0], Role::Window, Role::WindowText},
      {"selected list row", *listPixels, rows[1], Role::Highlight, Role::HighlightText},
  };
  for (const auto& c : cases) {
    const int area = RectWidth(c.area) * RectHeight(c.area);
    ASSERT_GT(area, 0) << c.what;
    const int background = CountColour(c.canvas, c.area, scheme.Colour(c.background));
    const int text = CountTextPixels(c.canvas, c.area, scheme.Colour(c.text), scheme.Colour(c.background));
    EXPECT_GT(background, area / 3) << c.what;
    EXPECT_GT(text, 25) << c.what;
  }

  // A change of the system's settings brings the system's scheme back and
  // repaints: the footer is no longer the test's black.
  SendMessageW(dialog->GetHwnd(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  EXPECT_TRUE(CurrentHighContrast() == ReadSystemHighContrast());
  if (!CurrentHighContrast().on) {
    auto after = CaptureWholeClient(view.GetHwnd());
    const RECT status = rectOf(CQueryPage::kStatusText);
    EXPECT_LT(CountColour(*after, status, scheme.Colour(Role::Window)), RectWidth(status) * RectHeight(status) / 10);
  }
}

}  // namespace
