// Copy and export in the real main window: the clipboard after Ctrl+C and the
// skinned menu, the CSV file read back, and failed writes that leave no file.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which they need.
#include <commdlg.h>
#include <dlgs.h>

#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "app/core/ticket_csv.h"
#include "app/window/main_dialog.h"
#include "app/window/query_status.h"
#include "app/window/row_export.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/menus.h"
#include "tests/app/window/main_dialog_fixture.h"

namespace {

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  const HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (const auto* chars = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr) text = chars;
  if (data) GlobalUnlock(data);
  CloseClipboard();
  return text;
}

// Real input: a key (virtual-key code, KEYEVENTF_KEYUP or 0) or mouse buttons.
void Key(WORD key, DWORD flags) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki = {key, 0, flags, 0, 0};
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
    if (OpenClipboard(nullptr)) EmptyClipboard(), CloseClipboard();
  }
  void TearDown() override { SendMouseButton(false); }
};

// Ctrl+C and the right-click menu (the skin's own "menus", clicked with the
// mouse) in a window showing the 32 trains from 北京 to 上海.
TEST_F(ExportTest, CtrlCAndTheMenuCopyTheSelectedRowOrAllShownWithTitles) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  ASSERT_TRUE(Query(*dialog, L"北京", L"上海"));
  ASSERT_EQ(32u, page.ShownRows().size());
  const HWND list = page.List().GetHwnd();
  std::vector<std::wstring> titles;
  for (int i = 0; i < 14; ++i) titles.push_back(TableString(31 + i));
  ASSERT_EQ(L"a\tb c\r\n", RowsAsTabText({L"a", L"b\nc"}, {}));
  const auto pressCtrlC = [&] {
    SetFocus(list);
    for (const auto& [key, flags] :
         {std::pair<WORD, DWORD>{VK_CONTROL, 0}, {'C', 0}, {'C', KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP}})
      Key(key, flags);
    return PumpUntil([] { return !ClipboardText().empty(); }, 5000);
  };

  // Nothing selected: every shown row.
  ASSERT_TRUE(BringToFront(dialog->GetHwnd()));
  ASSERT_TRUE(pressCtrlC());
  EXPECT_EQ(RowsAsTabText(titles, page.ShownRows()), ClipboardText());
  EXPECT_EQ(FormatText(TableString(status_text::kCopied), {L"32"}), page.StatusText());

  // A clicked row: that row alone.
  if (OpenClipboard(nullptr)) EmptyClipboard(), CloseClipboard();
  RECT third = {LVIR_BOUNDS, 0, 0, 0};
  SendMessageW(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&third));
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&third), 2);
  SendClick(third.left + 200, (third.top + third.bottom) / 2);
  ASSERT_TRUE(PumpUntil([&] { return SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED) == 2; }, 5000));
  ASSERT_TRUE(pressCtrlC());
  EXPECT_EQ(RowsAsTabText(titles, {page.ShownRows()[2]}), ClipboardText());

  // The menu; Escape closes it without a choice.
  if (OpenClipboard(nullptr)) EmptyClipboard(), CloseClipboard();
  PumpUntil([] { return false; }, GetDoubleClickTime() + 50);
  RightClick();
  ASSERT_TRUE(PumpUntil([&] { return page.RowMenu().IsShown(); }, 5000));
  const auto* menu = dynamic_cast<const CBkMenuCtrl*>(page.RowMenu().GetView().FindElement(300));
  ASSERT_NE(nullptr, menu);
  EXPECT_EQ(3u, menu->ItemCount());
  Key(VK_ESCAPE, 0);
  Key(VK_ESCAPE, KEYEVENTF_KEYUP);
  ASSERT_TRUE(PumpUntil([&] { return !page.RowMenu().IsShown(); }, 5000));
  EXPECT_TRUE(ClipboardText().empty());

  // 复制全部, clicked with the mouse, although a row is selected.
  PumpUntil([] { return false; }, GetDoubleClickTime() + 50);
  RightClick();
  ASSERT_TRUE(PumpUntil([&] { return page.RowMenu().IsShown(); }, 5000));
  const RECT item = menu->ItemAt(CRowMenu::kCopyAll)->GetRect();
  POINT at = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  ClientToScreen(page.RowMenu().GetView().GetHwnd(), &at);
  SendMouseMove(at.x - 3, at.y);
  SendClick(at.x, at.y);
  ASSERT_TRUE(PumpUntil([] { return !ClipboardText().empty(); }, 5000));
  EXPECT_FALSE(page.RowMenu().IsShown());
  EXPECT_EQ(RowsAsTabText(titles, page.ShownRows()), ClipboardText());
}

// A hostile page's train reaches the rows, and through them the list and the
// clipboard, without its controls and overrides, its formulas neutralised.
TEST_F(ExportTest, AHostilePagesTrainIsCopiedClean) {
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  ASSERT_TRUE(Query(*dialog, L"fault-hostile", L"上海"));
  ASSERT_EQ(33u, page.ShownRows().size());
  EXPECT_EQ(L"G1 LIVE", page.ShownRows()[0].trainCode);
  page.OnRowMenuChosen(CRowMenu::kCopyAll);
  const std::wstring copied = ClipboardText();
  const size_t line = copied.find(L"\r\n") + 2;
  EXPECT_EQ(
      L"G1 LIVE\t [31m北京 \t上海 2J\t' =1+1\t' +SUM(1)\t'＝1+1\t'＋1\t'－1\t'＠A1\ta;b\t有 x \t"
      L" 南京  - 杭州 x \t'  -2+3\t'@cmd",
      copied.substr(line, copied.find(L"\r\n", line) - line));
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
  EXPECT_EQ(0u, csv.find("\xEF\xBB\xBF" + WideToUtf8(TableString(31)) + ","));

  // A folder that does not exist, and a file another program holds: no file
  // under the name, the held one unchanged, no piece left beside it.
  EXPECT_FALSE(page.ExportRowsTo(folder + L"\\missing\\余票.csv"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder + L"\\missing\\余票.csv").c_str()));
  EXPECT_EQ(FormatText(TableString(status_text::kNotWritten), {folder + L"\\missing\\余票.csv"}), page.StatusText());
  const HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_FALSE(page.ExportRowsTo(path));
  CloseHandle(held);
  EXPECT_EQ(csv, ReadFileBytes(path));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((path + L".tavora-part").c_str()));
}

}  // namespace

// The save dialog, filled in from another thread: each export lands in the
// file chosen (where it opens proves nothing: Wine's remembers by itself).
TEST_F(ExportTest, SaveDialogWritesTheChosenFile) {
  auto dialog = MakeDialog();
  const std::wstring folder = MakeScratchFolder("export-dialog");
  for (const wchar_t* name : {L"first.csv", L"second.csv"}) {
    std::thread user([&] {
      HWND box = nullptr;
      for (int i = 0; i < 500 && !(box = FindWindowW(L"#32770", nullptr)); ++i) Sleep(20);
      SendMessageW(box, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>((folder + L"\\" + name).c_str()));
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    dialog->QueryPage().OnRowMenuChosen(CRowMenu::kExport);
    user.join();
    EXPECT_EQ("\xEF\xBB\xBF", ReadFileBytes(folder + L"\\" + name).substr(0, 3)) << WideToUtf8(name);
  }
}
