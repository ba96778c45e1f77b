// The 帮 助 page of the real main window: its values, a check for updates on
// demand against the demo site's update answers, the notices and going back
// to the defaults.
#include "app/window/help_page.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <string>
#include <thread>

#include "app/core/travel_date.h"
#include "app/update/update_checker.h"
#include "app/window/date_box.h"
#include "app/window/main_dialog.h"
#include "app/window/query_settings.h"
#include "app/window/query_status.h"
#include "app/window/update_prompt.h"
#include "skin/resources/bk_string.h"
#include "skin/resources/text_encoding.h"
#include "skin/tree/rich_text.h"
#include "tests/app/update/update_test_util.h"
#include "tests/app/window/main_dialog_fixture.h"

namespace {

// Serves this thread's messages until the user on the other thread is done.
void WaitFor(SeenBox& answer, std::thread& user) {
  PumpUntil([&] { return answer.done.load(); }, 40000);
  user.join();
}

// 检查更新 runs even when the last offer was made a moment ago, and says how
// it ended in the page's words.
TEST(UpdateCheckNow, EachEndIsSaidInItsOwnWords) {
  ASSERT_TRUE(LoadStrings(102));
  ScopedEnvironment retries(L"TAVORA_UPDATE_RETRY_MS", L"1");
  ScopedEnvironment wait(L"TAVORA_UPDATE_WAIT_MS", L"3000");
  const struct {
    const char* name;
    std::wstring url;
    int answer;  // the question's button, 0: no question
    int text;    // the page's string
  } cases[] = {
      {"nothing newer", VariantUrl(L"same"), 0, 153},
      {"a newer signed setup, declined", VariantUrl(L"tipascii"), IDNO, 158},
      {"a setup that fails its signature", VariantUrl(L"tampered"), 0, 156},
      {"not an update file", VariantUrl(L"notini"), 0, 155},
      {"no server", L"http://127.0.0.1:1/tavo/update.php?v=1,0,0,35", 0, 154},
      {"no answer", UpdateSiteUrl(L"/fault/hang/tavo/update.php?v=1,0,0,35"), 0, 154},
  };
  const HWND owner =
      CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ScratchUpdateFolder folder("check-now");
    StoreLastCheck(static_cast<DWORD>(_time64(nullptr)));
    CUpdatePrompt prompt(TestUpdateKey(), nullptr, nullptr, std::wstring(), c.url);
    // The question is asked on behalf of a window; the start's own check is
    // not due.
    prompt.Start(owner);
    SeenBox question;
    std::thread user;
    if (c.answer != 0) user = AnswerMessageBox(nullptr, c.answer, question);
    int said = 0;
    ASSERT_TRUE(
        prompt.CheckNow([&](UpdateCheckResult result, int failure) { said = UpdateCheckText(result, failure); }));
    EXPECT_TRUE(prompt.CheckingNow());
    EXPECT_FALSE(prompt.CheckNow(nullptr)) << "a second check while one runs";
    EXPECT_TRUE(PumpUntil([&] { return said != 0; }, 30000));
    if (user.joinable()) WaitFor(question, user);
    EXPECT_EQ(c.text, said);
    EXPECT_EQ(c.answer != 0, !question.text.empty());
  }
  DestroyWindow(owner);
  ClearLastCheck();
}

class HelpPageTest : public MainDialogFixture {
 protected:
  void TearDown() override {
    SendMouseButton(false);
    RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
  }
  static constexpr wchar_t kKey[] = L"Software\\Tavora\\HelpTest";
};

TEST_F(HelpPageTest, ShowsWhatItIsAndChecksForUpdatesOnAClick) {
  auto dialog = MakeDialog(kKey);
  dialog->SelectTab(CMainDlg::kHelpTab);
  const auto text = [&](int id) {
    const CBkWindow* element = dialog->GetView().FindElement(id);
    return element ? element->GetText() : std::wstring(L"(none)");
  };
  EXPECT_EQ(L"1.0.0.35", text(CHelpPage::kVersionText));
  EXPECT_EQ(SharedDemoSite().HostPort(), text(CHelpPage::kSiteText));
  EXPECT_EQ(std::wstring(L"注册表 HKEY_CURRENT_USER\\") + kKey, text(CHelpPage::kSettingsText));
  EXPECT_EQ(L"", dialog->QueryPage().StatusText()) << "the page has no status line of its own";

  // The update server of the fixture is not there: the start's check ends
  // at once, and the one asked for says why it found nothing.
  PumpUntil([] { return false; }, 500);
  ClickElement(*dialog, CHelpPage::kCheckButton);
  EXPECT_TRUE(PumpUntil([&] { return dialog->HelpPage().ResultText() == TableString(154); }, 30000))
      << WideToUtf8(dialog->HelpPage().ResultText());

  // The notices come from the package's own copyright file.
  SeenBox notices;
  std::thread user = AnswerMessageBox(nullptr, IDOK, notices);
  // Its link sits in the page's rich text, laid out when it was painted.
  const auto* intro = dynamic_cast<const CBkRichText*>(dialog->GetView().FindElement(12000));
  ASSERT_TRUE(intro && intro->Links().size() == 2u);
  const RichLink& link = intro->Links()[1];
  ASSERT_EQ(CHelpPage::kNoticesLink, link.id);
  const RECT area = ScaleRectOut(link.rect, dialog->GetDpi());
  POINT at = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
  ClientToScreen(dialog->GetView().GetHwnd(), &at);
  SendClick(at.x, at.y);
  WaitFor(notices, user);
  EXPECT_NE(std::wstring::npos, notices.text.find(L"TinyXML 2.6.2")) << WideToUtf8(notices.text);
  EXPECT_NE(std::wstring::npos, notices.text.find(L"This software is provided 'as-is'"));
}

TEST_F(HelpPageTest, GoingBackToTheDefaultsForgetsTheRememberedQuery) {
  QuerySettings stored;
  stored.from = L"南京";
  stored.to = L"杭州";
  stored.date = FormatTravelDate(AddDays(LocalToday(), 3));
  stored.availableOnly = true;
  ASSERT_TRUE(SaveQuerySettings(kKey, QuerySettings(), stored));
  auto dialog = MakeDialog(kKey);
  CQueryPage& page = dialog->QueryPage();
  EXPECT_EQ(L"南京", ReadWindowTextOf(page.FromEdit().GetHwnd()));
  dialog->SelectTab(CMainDlg::kHelpTab);

  // Cancel keeps everything; OK forgets it.
  for (const int button : {IDCANCEL, IDOK}) {
    SeenBox question;
    std::thread user = AnswerMessageBox(nullptr, button, question);
    // Two clicks on one spot within the double-click time are one double-click.
    PumpUntil([] { return false; }, GetDoubleClickTime() + 50);
    ClickElement(*dialog, CHelpPage::kResetButton);
    WaitFor(question, user);
    EXPECT_FALSE(question.text.empty());
    PumpUntil([] { return false; }, 200);
    HKEY key = nullptr;
    const bool kept = RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (key) RegCloseKey(key);
    EXPECT_EQ(button == IDCANCEL, kept) << button;
  }
  EXPECT_EQ(L"", ReadWindowTextOf(page.FromEdit().GetHwnd()));
  EXPECT_EQ(FormatTravelDate(LocalToday()), ReadWindowTextOf(page.DateEdit().GetHwnd()));
  EXPECT_FALSE(page.AvailableOnly());
  EXPECT_EQ(TableString(161), dialog->HelpPage().ResultText());
  // Closed unchanged, the window writes nothing back.
  dialog.reset();
  HKEY key = nullptr;
  EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key));
  if (key) RegCloseKey(key);
}

}  // namespace
