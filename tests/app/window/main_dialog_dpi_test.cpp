// The main window at display scales other than 100 %. In the default run the
// scale arrives as WM_DPICHANGED; tests/dpi/run_scales.sh runs the start case
// again in a Wine prefix whose LogPixels is 120, 144 and 192, naming the
// scale in TAVORA_TEST_DPI.
#include <cstdlib>
#include <functional>

#include "skin/resources/dpi_scale.h"
#include "skin/resources/font_pool.h"
#include "tests/app/window/main_dialog_fixture.h"

namespace {

constexpr int kLayerWidth = 680;
constexpr int kLayerHeight = 430;

int ExpectedStartDpi() {
  const char* named = std::getenv("TAVORA_TEST_DPI");
  return named ? std::atoi(named) : kBaseDpi;
}

// The first element of the view's body, depth first, that `match` accepts.
CBkWindow* FindInBody(CMainDlg& dialog, const std::function<bool(CBkWindow&)>& match) {
  std::function<CBkWindow*(CBkWindow*)> walk = [&](CBkWindow* element) -> CBkWindow* {
    if (!element) return nullptr;
    if (match(*element)) return element;
    if (auto* panel = dynamic_cast<CBkPanel*>(element)) {
      for (size_t i = 0; i < panel->ChildCount(); ++i)
        if (CBkWindow* found = walk(panel->ChildAt(i))) return found;
    }
    return nullptr;
  };
  return walk(dialog.GetView().Section(1));
}

RECT ChildRectInView(CMainDlg& dialog, HWND child) {
  RECT rect = {};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, dialog.GetView().GetHwnd(), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Pixels of `text` drawn by GDI itself with the scaled font at the label's
// scaled place, against the window's own pixels there; the smallest count of
// differing pixels over one-pixel shifts (rounding at fractional scales). A
// label stretched from a 96-DPI picture differs in most of its ink.
int DifferenceFromCrispText(const DibCanvas& window, const RECT& pixels, const std::wstring& text, UINT format,
                            int dpi) {
  const int width = pixels.right - pixels.left, height = pixels.bottom - pixels.top;
  const COLORREF background = window.Pixel(pixels.left, pixels.top);
  DibCanvas reference(width + 2, height + 2, background);
  SetBkMode(reference.dc(), TRANSPARENT);
  SetTextColor(reference.dc(), RGB(0, 0, 0));
  SelectObject(reference.dc(), BkFontPool::GetScaledFont(0, dpi));
  RECT area = {1, 1, width + 1, height + 1};
  DrawTextW(reference.dc(), text.c_str(), static_cast<int>(text.size()), &area, format);
  GdiFlush();
  int best = width * height;
  for (int dy = 0; dy <= 2; ++dy)
    for (int dx = 0; dx <= 2; ++dx) {
      int differing = 0;
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          differing += window.Pixel(pixels.left + x, pixels.top + y) != reference.Pixel(x + dx, y + dy);
      best = std::min(best, differing);
    }
  return best;
}

void ExpectShownAt(CMainDlg& dialog, int dpi) {
  SCOPED_TRACE("at " + std::to_string(dpi) + " DPI");
  EXPECT_EQ(dialog.GetDpi(), dpi);
  RECT client = {};
  GetClientRect(dialog.GetHwnd(), &client);
  EXPECT_NEAR(client.right, kLayerWidth * dpi / 96.0, 1.0);
  EXPECT_NEAR(client.bottom, kLayerHeight * dpi / 96.0, 1.0);

  // The edit boxes and the list sit on their elements' scaled rectangles.
  CQueryPage& page = dialog.QueryPage();
  const struct {
    int id;
    HWND window;
  } hosted[] = {{CQueryPage::kFromEditId, page.FromEdit().GetHwnd()},
                {CQueryPage::kDateEditId, page.DateEdit().GetHwnd()},
                {CQueryPage::kListId, page.List().GetHwnd()}};
  for (const auto& entry : hosted) {
    const CBkWindow* element = dialog.GetView().FindElement(entry.id);
    ASSERT_NE(nullptr, element);
    const RECT expected = ScaleRectOut(element->GetRect(), dpi);
    const RECT actual = ChildRectInView(dialog, entry.window);
    EXPECT_NEAR(actual.left, expected.left, 1) << "window " << entry.id;
    EXPECT_NEAR(actual.top, expected.top, 1) << "window " << entry.id;
    EXPECT_NEAR(actual.right, expected.right, 1) << "window " << entry.id;
    EXPECT_NEAR(actual.bottom, expected.bottom, 1) << "window " << entry.id;
  }

  // Rows are the template's 24 units high, and every column title fits its
  // column at the default width.
  const HWND list = page.List().GetHwnd();
  RECT row = {LVIR_BOUNDS, 0, 0, 0};
  ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)));
  EXPECT_EQ(row.bottom - row.top, ScaleToDpi(24, dpi));
  const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  const HDC headerDc = GetDC(header);
  const HGDIOBJ oldFont = SelectObject(headerDc, reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0)));
  const int padding = 6 * GetSystemMetrics(SM_CXEDGE);
  const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ(columns, 14);
  for (int i = 0; i < columns; ++i) {
    const std::wstring title = ColumnTitle(list, i);
    RECT cell = {};
    SendMessageW(header, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&cell));
    SIZE extent = {};
    GetTextExtentPoint32W(headerDc, title.c_str(), static_cast<int>(title.size()), &extent);
    EXPECT_LE(extent.cx + padding, cell.right - cell.left) << "column " << i << " cuts its title";
  }
  SelectObject(headerDc, oldFont);
  ReleaseDC(header, headerDc);

  // A label's text is drawn at the scale, as sharp as GDI draws it there.
  const std::wstring label = L"出发站(&F)";
  CBkWindow* text = FindInBody(dialog, [&](CBkWindow& element) { return element.GetText() == label; });
  ASSERT_NE(nullptr, text);
  const RECT pixels = ScaleRectOut(text->GetRect(), dpi);
  const auto window = CaptureWholeClient(dialog.GetView().GetHwnd());
  ASSERT_TRUE(window);
  const int differing = DifferenceFromCrispText(*window, pixels, label, 0x25 | DT_HIDEPREFIX, dpi);
  EXPECT_LE(differing, (pixels.right - pixels.left) * (pixels.bottom - pixels.top) / 50)
      << "the label is not drawn at the scale";
}

class MainDialogDpi : public MainDialogFixture {};

TEST_F(MainDialogDpi, StartsAtTheDisplayScaleAndShowsRows) {
  auto dialog = MakeDialog();
  ExpectShownAt(*dialog, ExpectedStartDpi());
  ASSERT_TRUE(Query(*dialog, L"北京", L"上海"));
  EXPECT_GE(ItemCount(*dialog), 30);
  // The second row's background fills the scaled row below the first (its
  // last units are the row's rule).
  const HWND list = dialog->QueryPage().List().GetHwnd();
  RECT second = {LVIR_BOUNDS, 0, 0, 0};
  ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second)));
  const auto rows = CaptureWholeClient(list);
  ASSERT_TRUE(rows);
  EXPECT_EQ(rows->Pixel(second.left + 1, second.top + 1), RGB(0xA9, 0xDA, 0xF1));
  EXPECT_EQ(rows->Pixel(second.left + 1, (second.top + second.bottom) / 2), RGB(0xA9, 0xDA, 0xF1));
}

TEST_F(MainDialogDpi, TakesEachNewScaleAndComesBackUnchanged) {
  auto dialog = MakeDialog();
  const int start = dialog->GetDpi();
  ASSERT_TRUE(Query(*dialog, L"北京", L"上海"));
  const auto before = CaptureWholeClient(dialog->GetView().GetHwnd());
  ASSERT_TRUE(before);

  // Scales whose window fits the test display (1280 x 1024); 192 DPI runs in
  // tests/dpi/run_scales.sh on a larger one.
  for (const int dpi : {144, 120, start}) {
    RECT window = {};
    GetWindowRect(dialog->GetHwnd(), &window);
    const RECT suggested = {window.left, window.top, window.left + ScaleToDpi(kLayerWidth, dpi),
                            window.top + ScaleToDpi(kLayerHeight, dpi)};
    SendMessageW(dialog->GetHwnd(), kDpiChangedMessage, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    PumpUntil([] { return false; }, 50);
    ExpectShownAt(*dialog, dpi);
  }

  const auto after = CaptureWholeClient(dialog->GetView().GetHwnd());
  ASSERT_TRUE(after);
  ASSERT_EQ(after->width(), before->width());
  ASSERT_EQ(after->height(), before->height());
  int differing = 0;
  for (int y = 0; y < before->height(); ++y)
    for (int x = 0; x < before->width(); ++x) differing += before->Pixel(x, y) != after->Pixel(x, y);
  EXPECT_EQ(differing, 0) << "the window differs after coming back to its first scale";
}

}  // namespace
