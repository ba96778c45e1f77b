// The query the main window remembers: it comes back in the next window, a
// damaged store gives way value by value, a lost place comes back on screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/window/main_dialog.h"
#include "app/window/query_bar_boxes.h"
#include "app/window/query_settings.h"
#include "skin/resources/text_encoding.h"
#include "tests/app/window/main_dialog_fixture.h"

namespace {

class SettingsTest : public MainDialogFixture {
 protected:
  void SetUp() override {
    MainDialogFixture::SetUp();
    RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
  }
  void TearDown() override {
    SendMouseButton(false);
    RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
  }

  void Store(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name, type, data, size));
  }
  void StoreDword(const wchar_t* name, DWORD value) { Store(name, REG_DWORD, &value, sizeof(value)); }
  void StoreText(const wchar_t* name, const std::wstring& text) {
    Store(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

  // A value's type and bytes in one text; "" when it is missing.
  std::string Stored(const wchar_t* name) const {
    DWORD type = 0, size = 512;
    std::string bytes(size, '\0');
    if (RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, &bytes[0], &size))
      return "";
    return std::to_string(type) + ":" + bytes.substr(0, size);
  }

  const std::wstring key_ = L"Software\\Tavora\\Test\\LastQuery-" + std::to_wstring(GetCurrentProcessId());
};

TEST_F(SettingsTest, WhatTheUserChangedComesBackInTheNextWindow) {
  {
    auto dialog = MakeDialog(key_.c_str());
    CQueryPage& page = dialog->QueryPage();
    Type(page.FromEdit().GetHwnd(), L"南京");
    Type(page.ToEdit().GetHwnd(), L"杭州");
    ClickElement(*dialog, QueryBarBoxes::kFirstKindId + 1);  // 高铁 off
    ClickElement(*dialog, QueryBarBoxes::kReturnTripId);
    ASSERT_TRUE(PumpUntil([&] { return Checked(*dialog, QueryBarBoxes::kReturnTripId); }, 5000));
    page.OnColumnClick(3);
    page.OnColumnClick(3);
  }
  QuerySettings expected;
  expected.from = L"南京";
  expected.to = L"杭州";
  expected.kinds = kAllTrainKinds & ~kKindHighSpeed;
  expected.returnTrip = true;
  expected.sortColumn = 3;
  expected.sortDescending = true;
  auto dialog = MakeDialog(key_.c_str());
  EXPECT_TRUE(expected == dialog->QueryPage().CurrentSettings());
  EXPECT_FALSE(dialog->GetView().FindElement(QueryBarBoxes::kAllKindsId)->GetState() & StateChecked);
}

TEST_F(SettingsTest, DamagedValuesFallBackOneByOneAndStayWhenNothingChanged) {
  const DWORD number = 1;
  Store(L"From", REG_DWORD, &number, sizeof(number));  // not a text
  StoreText(L"To", L"  上海 ");                        // kept, trimmed
  StoreDword(L"Kinds", 0x1FF);                         // bits no box has
  StoreDword(L"ReturnTrip", 1);                        // kept
  StoreDword(L"SortColumn", 14);                       // no such column
  StoreDword(L"SortDescending", 1);                    // no column to reverse
  StoreText(L"WindowLeft", L"10");                     // not a number
  StoreDword(L"WindowTop", 10);
  const wchar_t* names[] = {L"From",           L"To",         L"Kinds",    L"ReturnTrip", L"SortColumn",
                            L"SortDescending", L"WindowLeft", L"WindowTop"};
  std::vector<std::string> before;
  for (const wchar_t* name : names) before.push_back(Stored(name));

  QuerySettings expected;  // the defaults, but for the two good values
  expected.to = L"上海";
  expected.returnTrip = true;
  EXPECT_TRUE(expected == LoadQuerySettings(key_));

  {
    auto dialog = MakeDialog(key_.c_str());
    EXPECT_TRUE(expected == dialog->QueryPage().CurrentSettings());
  }
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(before[i], Stored(names[i])) << i;

  // A value the user changes is written; the damaged ones stay as they are.
  {
    auto dialog = MakeDialog(key_.c_str());
    SetWindowTextW(dialog->QueryPage().FromEdit().GetHwnd(), L"北京");
  }
  EXPECT_EQ(L"北京", LoadQuerySettings(key_).from);
  EXPECT_EQ(before[2], Stored(L"Kinds"));
}

TEST_F(SettingsTest, PositionOffEveryMonitorComesBackOntoOne) {
  const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const POINT cases[] = {{-5000, 200}, {60000, 60000}, {100, -400}, {screen.right - 10, 100}};
  for (const POINT& stored : cases) {
    StoreDword(L"WindowLeft", static_cast<DWORD>(stored.x));
    StoreDword(L"WindowTop", static_cast<DWORD>(stored.y));
    auto dialog = MakeDialog(key_.c_str());
    RECT frame = {}, both = {};
    GetWindowRect(dialog->GetHwnd(), &frame);
    EXPECT_TRUE(IntersectRect(&both, &frame, &screen) && EqualRect(&both, &frame)) << stored.x << "," << stored.y;
  }
  // Kept when on screen; over-long stations or ones with controls are none.
  EXPECT_EQ(120, PlaceOnAMonitor(POINT{100, 120}, SIZE{680, 430}).y);
  StoreText(L"From", std::wstring(QuerySettings::kMaxStationChars + 1, L'站'));
  StoreText(L"To", L"上\n海");
  EXPECT_EQ(L"", LoadQuerySettings(key_).from + LoadQuerySettings(key_).to);
}

// The window's size, its maximised state and the columns' widths: each value
// is read alone, and one that is missing, damaged or out of bounds is none.
TEST_F(SettingsTest, SizeMaximisedStateAndColumnWidthsReadAloneWithinBounds) {
  const std::wstring widths = L"51,70,70,50,50,80,80,40,40,50,40,120,80,50";
  const struct {
    const wchar_t* columns;  // null: not stored
    DWORD width, height, maximized;
    bool hasSize, isMaximized, hasColumns;
  } cases[] = {
      {widths.c_str(), 900, 600, 1, true, true, true},
      {L"51,70,70", 900, 0, 2, false, false, false},                    // too few, no height, no flag
      {(widths + L",50").c_str(), 16385, 600, 0, false, false, false},  // too many, too wide
      {L"0,70,70,50,50,80,80,40,40,50,40,120,80,50", 1, 1, 1, true, true, false},
      {L"1001,70,70,50,50,80,80,40,40,50,40,120,80,50", 16384, 16384, 0, true, false, false},
      {L"a,70,70,50,50,80,80,40,40,50,40,120,80,50", 900, 600, 0, true, false, false},
      {nullptr, 900, 600, 0, true, false, false},
  };
  for (const auto& c : cases) {
    RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
    if (c.columns) StoreText(L"ColumnWidths", c.columns);
    StoreDword(L"WindowWidth", c.width);
    StoreDword(L"WindowHeight", c.height);
    StoreDword(L"Maximized", c.maximized);
    const QuerySettings read = LoadQuerySettings(key_);
    const std::wstring trace = c.columns ? c.columns : L"-";
    EXPECT_EQ(c.hasSize, read.hasSize) << c.width << "x" << c.height;
    if (c.hasSize) {
      EXPECT_EQ(static_cast<LONG>(c.width), read.size.cx);
    }
    EXPECT_EQ(c.isMaximized, read.maximized) << c.maximized;
    EXPECT_EQ(c.hasColumns ? 14u : 0u, read.columnWidths.size()) << WideToUtf8(trace);
  }
  // A window started from a size below the layer's is the layer's size; its
  // columns are the stored ones.
  RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
  StoreDword(L"WindowWidth", 300);
  StoreDword(L"WindowHeight", 2000);
  StoreText(L"ColumnWidths", widths);
  auto dialog = MakeDialog(key_.c_str());
  RECT frame = {};
  GetWindowRect(dialog->GetHwnd(), &frame);
  EXPECT_EQ(680, frame.right - frame.left);
  EXPECT_LE(frame.bottom - frame.top, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(51, ListView_GetColumnWidth(dialog->QueryPage().List().GetHwnd(), 0));
}

// C1 controls, separators and bidirectional marks make a station none, as the
// C0 controls do; the characters beside those ranges are kept.
TEST_F(SettingsTest, StationsWithC1ControlsOrBidirectionalMarksAreNone) {
  const std::wstring refused = {0x80, 0x85, 0x9F, 0x061C, 0x200E, 0x200F, 0x2028, 0x202E, 0x2066, 0x2069};
  const std::wstring kept = {0xA1, 0x061B, 0x200D, 0x2027, 0x202F, 0x206A};
  for (const wchar_t c : refused + kept) {
    StoreText(L"From", std::wstring(L"北") + c + L"京");
    EXPECT_EQ(kept.find(c) != std::wstring::npos ? std::wstring(L"北") + c + L"京" : L"", LoadQuerySettings(key_).from);
  }
}

}  // namespace
