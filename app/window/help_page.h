// The 帮 助 page of the main window (layer 111 in the fourth tab): what the
// program is, its version, the query site, where the query is remembered,
// the keyboard, the notices of what it ships from others, a check for
// updates on demand, going back to the defaults and the home page.
#pragma once

#include <windows.h>

#include <string>

class CMainDlg;
enum class UpdateCheckResult : int;

class CHelpPage {
 public:
  static constexpr int kVersionText = 12001;
  static constexpr int kSiteText = 12002;
  static constexpr int kSettingsText = 12003;
  static constexpr int kHomePageLink = 12010;
  static constexpr int kNoticesLink = 12011;
  static constexpr int kCheckButton = 12020;
  static constexpr int kResetButton = 12021;
  // How the last check for updates or reset went.
  static constexpr int kResultText = 12022;

  // `queryHost` is the site the window queries ("host[:port]"), `settingsKey`
  // where it remembers the query (empty: nowhere).
  CHelpPage(CMainDlg& owner, std::wstring queryHost, std::wstring settingsKey);

  // Fills in the page's values.
  void SetUp();
  // The page's links and buttons; true when handled.
  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // 检查更新: a check now; a second one while it runs does nothing.
  void CheckForUpdates();
  // How a check ended, in the page.
  void OnCheckEnded(UpdateCheckResult result, int lastDownloadFailure);
  // 恢复默认设置 once the user agreed: the stored query goes and the window
  // shows the defaults.
  void ResetToDefaults();
  // The notices of what the program ships from others, as embedded.
  static std::wstring ThirdPartyNotices();
  std::wstring ResultText() const;

 private:
  void SetResult(const std::wstring& text);

  CMainDlg& owner_;
  const std::wstring queryHost_;
  const std::wstring settingsKey_;
};

// The status text (string id) for how a check the user asked for ended.
int UpdateCheckText(UpdateCheckResult result, int lastDownloadFailure);
