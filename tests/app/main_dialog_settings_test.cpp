// The query the main window remembers: what real input changed comes back in
// the next window, a damaged store falls back value by value and is left as
// it was when nothing changed, and a position off every monitor comes back
// onto one.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/query_bar_boxes.h"
#include "app/query_settings.h"
#include "tests/app/main_dialog_fixture.h"

namespace {

struct StoredValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
  bool operator==(const StoredValue& other) const { return type == other.type && bytes == other.bytes; }
};

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

  std::unique_ptr<CMainDlg> MakeRemembering() {
    auto dialog = std::make_unique<CMainDlg>(nullptr, SharedDemoSite().HostPort().c_str(), key_.c_str());
    EXPECT_NE(nullptr, dialog->Create(nullptr));
    ShowWindow(dialog->GetHwnd(), SW_SHOWNORMAL);
    UpdateWindow(dialog->GetHwnd());
    return dialog;
  }

  void Store(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }
  void StoreDword(const wchar_t* name, DWORD value) { Store(name, REG_DWORD, &value, sizeof(value)); }
  void StoreText(const wchar_t* name, const std::wstring& text) {
    Store(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

  StoredValue Stored(const wchar_t* name) const {
    StoredValue value;
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &value.type, nullptr, &size) !=
        ERROR_SUCCESS)
      return value;
    value.bytes.resize(size);
    RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &value.type, value.bytes.data(),
                 &size);
    value.bytes.resize(size);
    return value;
  }

  static bool Checked(CMainDlg& dialog, int id) {
    const CBkWindow* box = dialog.GetView().FindElement(id);
    return box && (box->GetState() & StateChecked) != 0;
  }

  static POINT TopLeft(HWND window) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    return POINT{frame.left, frame.top};
  }

  const std::wstring key_ = L"Software\\Tavora\\Test\\LastQuery-" + std::to_wstring(GetCurrentProcessId());
};

TEST_F(SettingsTest, WhatTheUserChangedComesBackInTheNextWindow) {
  {
    auto dialog = MakeRemembering();
    CQueryPage& page = dialog->QueryPage();
    Type(page.fromEdit.GetHwnd(), L"南京");
    Type(page.toEdit.GetHwnd(), L"杭州");
    ClickElement(*dialog, QueryBarBoxes::kFirstKindId + 1);  // 高铁 off
    ClickElement(*dialog, QueryBarBoxes::kReturnTripId);
    ASSERT_TRUE(PumpUntil([&] { return page.queryBarBoxes.ReturnTripChecked(dialog->GetView()); }, 5000));
    page.OnColumnClick(3);
    page.OnColumnClick(3);
    SetWindowPos(dialog->GetHwnd(), nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  const QuerySettings stored = LoadQuerySettings(key_);
  EXPECT_EQ(L"南京", stored.from);
  EXPECT_EQ(kAllTrainKinds & ~kKindHighSpeed, stored.kinds);

  auto dialog = MakeRemembering();
  CQueryPage& page = dialog->QueryPage();
  EXPECT_EQ(L"南京", ReadWindowTextOf(page.fromEdit.GetHwnd()));
  EXPECT_EQ(L"杭州", ReadWindowTextOf(page.toEdit.GetHwnd()));
  EXPECT_FALSE(Checked(*dialog, QueryBarBoxes::kFirstKindId + 1));
  EXPECT_TRUE(Checked(*dialog, QueryBarBoxes::kFirstKindId));
  EXPECT_FALSE(Checked(*dialog, QueryBarBoxes::kAllKindsId));
  EXPECT_TRUE(Checked(*dialog, QueryBarBoxes::kReturnTripId));
  EXPECT_EQ(3, page.SortColumn());
  EXPECT_TRUE(page.SortDescending());
  const POINT at = TopLeft(dialog->GetHwnd());
  EXPECT_EQ(37, at.x);
  EXPECT_EQ(41, at.y);
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
  std::vector<StoredValue> before;
  for (const wchar_t* name : names) before.push_back(Stored(name));

  const QuerySettings loaded = LoadQuerySettings(key_);
  EXPECT_EQ(L"", loaded.from);
  EXPECT_EQ(L"上海", loaded.to);
  EXPECT_EQ(kAllTrainKinds, loaded.kinds);
  EXPECT_TRUE(loaded.returnTrip);
  EXPECT_EQ(-1, loaded.sortColumn);
  EXPECT_FALSE(loaded.sortDescending);
  EXPECT_FALSE(loaded.hasPosition);

  // Texts too long or with control characters are no stations either.
  StoreText(L"From", std::wstring(QuerySettings::kMaxStationChars + 1, L'站'));
  StoreText(L"To", L"上\n海");
  EXPECT_EQ(L"", LoadQuerySettings(key_).from);
  EXPECT_EQ(L"", LoadQuerySettings(key_).to);
  StoreText(L"To", L"  上海 ");
  Store(L"From", REG_DWORD, &number, sizeof(number));

  {
    auto dialog = MakeRemembering();
    EXPECT_EQ(L"上海", ReadWindowTextOf(dialog->QueryPage().toEdit.GetHwnd()));
    EXPECT_TRUE(Checked(*dialog, QueryBarBoxes::kReturnTripId));
    EXPECT_TRUE(Checked(*dialog, QueryBarBoxes::kAllKindsId));
  }
  for (size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(before[i] == Stored(names[i])) << i;

  // A value the user changes is written; the damaged ones stay as they are.
  {
    auto dialog = MakeRemembering();
    SetWindowTextW(dialog->QueryPage().fromEdit.GetHwnd(), L"北京");
  }
  EXPECT_EQ(L"北京", LoadQuerySettings(key_).from);
  EXPECT_TRUE(before[2] == Stored(L"Kinds"));
}

TEST_F(SettingsTest, PositionOffEveryMonitorComesBackOntoOne) {
  const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const POINT cases[] = {{-5000, 200}, {60000, 60000}, {100, -400}, {screen.right - 10, 100}};
  for (const POINT& stored : cases) {
    StoreDword(L"WindowLeft", static_cast<DWORD>(stored.x));
    StoreDword(L"WindowTop", static_cast<DWORD>(stored.y));
    auto dialog = MakeRemembering();
    RECT frame = {};
    GetWindowRect(dialog->GetHwnd(), &frame);
    EXPECT_GE(frame.left, screen.left) << stored.x << "," << stored.y;
    EXPECT_GE(frame.top, screen.top) << stored.x << "," << stored.y;
    EXPECT_LE(frame.right, screen.right) << stored.x << "," << stored.y;
    EXPECT_LE(frame.bottom, screen.bottom) << stored.x << "," << stored.y;
  }
  // A place on the screen is kept as it is.
  EXPECT_EQ(100, PlaceOnAMonitor(POINT{100, 120}, SIZE{680, 430}).x);
  EXPECT_EQ(120, PlaceOnAMonitor(POINT{100, 120}, SIZE{680, 430}).y);
}

}  // namespace
