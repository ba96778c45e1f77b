#include "app/window/help_page.h"

#include <string>

#include "app/net/file_downloader.h"
#include "app/net/server_config.h"
#include "app/platform/shell_open.h"
#include "app/update/update_checker.h"
#include "app/window/main_dialog.h"
#include "app/window/query_status.h"
#include "skin/host/view_notifications.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/text_encoding.h"

namespace help_text {
constexpr int kSettingsPlace = 150;  // the registry key %1
constexpr int kNotSaved = 151;
constexpr int kChecking = 152;
constexpr int kUpToDate = 153;
constexpr int kNoAnswer = 154;
constexpr int kBadAnswer = 155;
constexpr int kRefusedSetup = 156;
constexpr int kOtherCheck = 157;
constexpr int kOffered = 158;
constexpr int kNoFolder = 159;
constexpr int kResetQuestion = 160;
constexpr int kResetDone = 161;
constexpr int kNoticesCaption = 162;
constexpr int kHomePageNotOpened = 163;
}  // namespace help_text

namespace {

// The notices are a few kilobytes; anything much larger is not ours.
constexpr size_t kMaxNoticeBytes = 64 * 1024;

std::wstring VersionText() {
  // "1,0,0,35" as the version record has it, shown with dots.
  std::wstring version = CUpdateChecker::kProgramVersion;
  for (wchar_t& c : version)
    if (c == L',') c = L'.';
  return version;
}

}  // namespace

int UpdateCheckText(UpdateCheckResult result, int lastDownloadFailure) {
  switch (result) {
    case UpdateCheckResult::kNotNewer:
    case UpdateCheckResult::kNotDue:
      return help_text::kUpToDate;
    case UpdateCheckResult::kOffered:
      return help_text::kOffered;
    case UpdateCheckResult::kOtherCheckRuns:
      return help_text::kOtherCheck;
    case UpdateCheckResult::kNoUpdateFolder:
    case UpdateCheckResult::kNoProgramFolder:
      return help_text::kNoFolder;
    case UpdateCheckResult::kNoVerifiedSetup:
      // A setup that came whole but failed its signature, or none came.
      return lastDownloadFailure == kDownloadRequestFailed ? help_text::kNoAnswer : help_text::kRefusedSetup;
    case UpdateCheckResult::kNoIni:
      // Not connected, or no answer in time; otherwise an answer came that
      // was no update information.
      return lastDownloadFailure == kDownloadRequestFailed ? help_text::kNoAnswer : help_text::kBadAnswer;
    case UpdateCheckResult::kRunning:
    case UpdateCheckResult::kNoEvent:
    case UpdateCheckResult::kStopped:
    case UpdateCheckResult::kNoMemory:
      break;
  }
  return help_text::kBadAnswer;
}

CHelpPage::CHelpPage(CMainDlg& owner, std::wstring queryHost, std::wstring settingsKey)
    : owner_(owner), queryHost_(std::move(queryHost)), settingsKey_(std::move(settingsKey)) {}

void CHelpPage::SetUp() {
  CBkDialogView& view = owner_.GetView();
  view.SetElementText(kVersionText, VersionText());
  view.SetElementText(kSiteText, queryHost_.empty() ? GetServerAddress(ServerKind::Query).HostPort() : queryHost_);
  view.SetElementText(kSettingsText, settingsKey_.empty()
                                         ? TableString(help_text::kNotSaved)
                                         : FormatText(TableString(help_text::kSettingsPlace), {settingsKey_}));
}

bool CHelpPage::ProcessWindowMessage(HWND, UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message != WM_NOTIFY || !lParam) return false;
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->idFrom != VIEW_ID || header->code != SKN_COMMAND) return false;
  const int item = static_cast<int>(reinterpret_cast<const CommandNotify*>(header)->uItemID);
  switch (item) {
    case kCheckButton:
      CheckForUpdates();
      break;
    case kResetButton:
      if (MessageBoxW(owner_.GetHwnd(), TableString(help_text::kResetQuestion).c_str(),
                      owner_.GetView().GetTitle().c_str(), MB_OKCANCEL | MB_ICONQUESTION) == IDOK)
        ResetToDefaults();
      break;
    case kNoticesLink:
      MessageBoxW(owner_.GetHwnd(), ThirdPartyNotices().c_str(), TableString(help_text::kNoticesCaption).c_str(),
                  MB_OK | MB_ICONINFORMATION);
      break;
    case kHomePageLink: {
      const std::wstring url = HomePageUrl();
      if (!OpenUrlAsDesktopUser(url)) SetResult(FormatText(TableString(help_text::kHomePageNotOpened), {url}));
      break;
    }
    default:
      return false;
  }
  result = 1;
  return true;
}

void CHelpPage::CheckForUpdates() {
  if (owner_.UpdatePrompt().CheckingNow()) return;
  if (owner_.UpdatePrompt().CheckNow([this](UpdateCheckResult result, int failure) { OnCheckEnded(result, failure); }))
    SetResult(TableString(help_text::kChecking));
}

void CHelpPage::OnCheckEnded(UpdateCheckResult result, int lastDownloadFailure) {
  SetResult(TableString(UpdateCheckText(result, lastDownloadFailure)));
}

void CHelpPage::ResetToDefaults() {
  owner_.ResetSettings();
  SetResult(TableString(help_text::kResetDone));
}

std::wstring CHelpPage::ThirdPartyNotices() {
  std::string bytes;
  if (!LoadModuleResource(1, bytes, L"NOTICES") || bytes.size() > kMaxNoticeBytes) return std::wstring();
  std::wstring text = Utf8ToWide(bytes);
  // The message box breaks lines at CR LF.
  std::wstring shown;
  for (const wchar_t c : text) {
    if (c == L'\n') shown += L'\r';
    shown += c;
  }
  return shown;
}

std::wstring CHelpPage::ResultText() const {
  const CBkWindow* text = owner_.GetView().FindElement(kResultText);
  return text ? text->GetText() : std::wstring();
}

void CHelpPage::SetResult(const std::wstring& text) { owner_.GetView().SetElementText(kResultText, text); }
