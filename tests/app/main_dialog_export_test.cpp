// Copy and export in the real main window: Ctrl+C and the right-click menu
// (the skin library's own menu, driven with the real mouse) put tab-separated
// rows with their titles on the clipboard; the CSV file reads back with its
// byte-order mark and standard quoting; a failed write leaves no file.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include "app/main_dialog.h"
#include "app/query_status.h"
#include "app/row_export.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/menus.h"
#include "tests/app/main_dialog_fixture.h"

namespace {

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void ClearClipboard() {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  CloseClipboard();
}

std::string ReadFileBytes(const std::wstring& path) {
  std::string bytes;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

void SendKey(WORD key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof(input));
}

void RightClick() {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
  SendInput(2, input, sizeof(INPUT));
}

class ExportTest : public MainDialogFixture {
 protected:
  void SetUp() override {
    MainDialogFixture::SetUp();
    ClearClipboard();
  }
  void TearDown() override { SendMouseButton(false); }

  // A query for 北京 → 上海 with the rows shown.
  std::unique_ptr<CMainDlg> QueriedDialog() {
    auto dialog = MakeDialog();
    CQueryPage& page = dialog->QueryPage();
    SetWindowTextW(page.fromEdit.GetHwnd(), L"北京");
    SetWindowTextW(page.toEdit.GetHwnd(), L"上海");
    page.StartQuery();
    EXPECT_TRUE(PumpUntil([&] { return page.ShownRows().size() == 32; }, 20000));
    return dialog;
  }

  // The screen centre of list row `row`.
  static POINT RowCentre(CMainDlg& dialog, int row) {
    const HWND list = dialog.QueryPage().listView.GetHwnd();
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    POINT at = {200, (bounds.top + bounds.bottom) / 2};
    ClientToScreen(list, &at);
    return at;
  }

  static std::wstring Line(const std::vector<std::wstring>& cells) {
    std::wstring line;
    for (size_t i = 0; i < cells.size(); ++i) line += (i ? L"\t" : L"") + cells[i];
    return line + L"\r\n";
  }

  static std::wstring Titles() {
    std::vector<std::wstring> titles;
    for (int i = 0; i < 14; ++i) titles.push_back(StatusString(31 + i));
    return Line(titles);
  }
};

TEST_F(ExportTest, CtrlCCopiesTheSelectedRowOrAllShownWithTitles) {
  auto dialog = QueriedDialog();
  CQueryPage& page = dialog->QueryPage();
  const HWND list = page.listView.GetHwnd();
  const auto pressCtrlC = [&] {
    SetFocus(list);
    SendKey(VK_CONTROL, false);
    SendKey('C', false);
    SendKey('C', true);
    SendKey(VK_CONTROL, true);
    return PumpUntil([] { return !ClipboardText().empty(); }, 5000);
  };

  // Nothing selected: every shown row.
  ASSERT_TRUE(BringToFront(dialog->GetHwnd()));
  ASSERT_TRUE(pressCtrlC());
  std::wstring all = Titles();
  for (const TicketRow& row : page.ShownRows()) all += Line(RowTexts(row));
  EXPECT_EQ(all, ClipboardText());
  EXPECT_EQ(FormatText(StatusString(status_text::kCopied), {L"32"}), page.StatusText());

  // A clicked row: that row alone.
  ClearClipboard();
  const POINT third = RowCentre(*dialog, 2);
  SendClick(third.x, third.y);
  ASSERT_TRUE(PumpUntil([&] { return SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED) == 2; }, 5000));
  ASSERT_TRUE(pressCtrlC());
  EXPECT_EQ(Titles() + Line(RowTexts(page.ShownRows()[2])), ClipboardText());
}

TEST_F(ExportTest, RightClickMenuIsTheSkinsMenuAndCopiesAll) {
  auto dialog = QueriedDialog();
  CQueryPage& page = dialog->QueryPage();
  const POINT row = RowCentre(*dialog, 4);
  ASSERT_TRUE(BringToFront(dialog->GetHwnd()));
  SendMouseMove(row.x, row.y);
  RightClick();
  ASSERT_TRUE(PumpUntil([&] { return page.rowMenu.IsShown(); }, 5000));
  const CBkWindow* menu = page.rowMenu.GetView().FindElement(300);
  ASSERT_NE(nullptr, menu);
  EXPECT_STREQ("menus", menu->GetTag());
  EXPECT_EQ(3u, static_cast<const CBkMenuCtrlT*>(menu)->ItemCount());

  // Escape closes it without a choice.
  SendKey(VK_ESCAPE, false);
  SendKey(VK_ESCAPE, true);
  ASSERT_TRUE(PumpUntil([&] { return !page.rowMenu.IsShown(); }, 5000));
  EXPECT_TRUE(ClipboardText().empty());

  // 复制全部, clicked with the mouse (after the double-click time).
  PumpUntil([] { return false; }, GetDoubleClickTime() + 50);
  RightClick();
  ASSERT_TRUE(PumpUntil([&] { return page.rowMenu.IsShown(); }, 5000));
  const auto* items = static_cast<const CBkMenuCtrlT*>(page.rowMenu.GetView().FindElement(300));
  const RECT item = items->ItemAt(CRowMenu::kCopyAll)->GetRect();
  POINT at = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  ClientToScreen(page.rowMenu.GetView().GetHwnd(), &at);
  SendMouseMove(at.x - 3, at.y);
  SendClick(at.x, at.y);
  ASSERT_TRUE(PumpUntil([] { return !ClipboardText().empty(); }, 5000));
  EXPECT_FALSE(page.rowMenu.IsShown());
  const std::wstring copied = ClipboardText();
  EXPECT_EQ(33, std::count(copied.begin(), copied.end(), L'\n'));
}

TEST_F(ExportTest, CsvReadsBackWithItsMarkAndQuotingAndAFailedWriteLeavesNoFile) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  QueryResult answer;
  answer.outcome = QueryOutcome::RowsReplaced;
  TicketRow row;
  row.trainCode = L"G1";
  row.fromStation = L"北京,南";
  row.toStation = L"上海 \"虹桥\"";
  row.departTime = L"=1+1";
  row.seatHardOrSecond = L"--";
  answer.rows = {row};
  page.OnQueryDone(answer);

  const std::wstring folder = MakeScratchFolder("export");
  const std::wstring path = folder + L"\\余票.csv";
  ASSERT_TRUE(page.ExportRowsTo(path));
  const std::string csv = ReadFileBytes(path);
  ASSERT_EQ("\xEF\xBB\xBF", csv.substr(0, 3));
  const std::string expected = WideToUtf8(L"G1,\"北京,南\",\"上海 \"\"虹桥\"\"\",'=1+1,,--,,,,,, - ,,\r\n");
  EXPECT_EQ(expected, csv.substr(csv.size() - expected.size())) << csv;
  EXPECT_EQ(0u, csv.find("\xEF\xBB\xBF" + WideToUtf8(StatusString(31)) + ","));

  // A folder that does not exist, and a file another program holds: no file
  // under the name, the held one unchanged, no piece left beside it.
  EXPECT_FALSE(page.ExportRowsTo(folder + L"\\missing\\余票.csv"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder + L"\\missing\\余票.csv").c_str()));
  EXPECT_EQ(FormatText(StatusString(status_text::kNotWritten), {folder + L"\\missing\\余票.csv"}), page.StatusText());
  const HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_FALSE(page.ExportRowsTo(path));
  CloseHandle(held);
  EXPECT_EQ(csv, ReadFileBytes(path));
  WIN32_FIND_DATAW found = {};
  const HANDLE search = FindFirstFileW((folder + L"\\*.tavora-part").c_str(), &found);
  EXPECT_EQ(INVALID_HANDLE_VALUE, search);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

}  // namespace
