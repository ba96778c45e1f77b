#include "app/entry/tavo_module.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlwapi.h>

#include <cstring>

#include "app/entry/elevation.h"
#include "app/entry/install_reporter.h"
#include "app/platform/process_launch.h"
#include "app/platform/program_folder.h"
#include "app/update/update_folder.h"
#include "app/update/update_signature.h"
#include "app/update/update_switches.h"
#include "app/window/main_dialog.h"
#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/style.h"

namespace {

const wchar_t kElevationFailedText[] = L"请使用管理员账户运行本软件";
// ICC_WIN95_CLASSES (0xFF) with ICC_STANDARD_CLASSES (0x4000).
constexpr DWORD kCommonControlClasses = 0x40FF;

// Balances CoInitializeEx on every way out of the main run.
class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

}  // namespace

int CtavoModule::Run(HINSTANCE instance, const wchar_t* commandLineText) {
  if (FAILED(Init(nullptr, instance))) return -1;
  modulePath = ProgramFilePath();

  if (!ParseCommandLine(commandLineText)) return -2;
  if (commandLine.quotedSwitch) return kQuotedSwitch;
  if (HandleInstallerCommands()) return 0;
  if (!EnsureElevated()) return -3;

  INITCOMMONCONTROLSEX controls = {sizeof(controls), kCommonControlClasses};
  InitCommonControlsEx(&controls);
  int result = 0;
  {
    ComApartment com;
    // The modal result does not change the exit code; a window that could
    // not be made at all does.
    if (RunMainDialog() == kNoMainWindow) result = kNoMainWindow;
  }
  return result;
}

bool CtavoModule::LaunchProcess(const std::wstring& path, bool elevate, bool wait) const {
  return ::LaunchProcess(path, BuildSwitchParameters(), elevate, wait);
}

bool CtavoModule::HandleInstallerCommands() {
  if (HasSwitch(L"Install") || HasSwitch(L"Uninstall")) {
    CInstallReporter reporter;
    reporter.Report(HasSwitch(L"Install") ? CInstallReporter::Install : CInstallReporter::Uninstall);
    reporter.Shutdown();
    return true;
  }
  if (HasSwitch(kUpdateSwitch)) {
    StartUpdateSetup();  // the outcome is not reported
    return true;
  }
  return false;
}

bool CtavoModule::StartUpdateSetup() const {
  UpdateVersion version{};
  UpdateSignature signature{};
  if (!ParseUpdateVersion(GetSwitch(kUpdateVersionSwitch), version) ||
      !ParseUpdateSignature(GetSwitch(kUpdateSignatureSwitch), signature))
    return false;
  // An older or the same version is never installed again.
  if (!IsNewerVersion(version, ProgramVersion())) return false;
  CUpdateFolder folder;
  if (!folder.Open()) return false;
  CVerifiedFile setup;
  if (!setup.Open(GetSwitch(kUpdateSwitch), version, signature, updateKey ? *updateKey : ReleaseUpdateKey()))
    return false;
  // Only a setup in the update folder, which programs of the user cannot
  // write, is started elevated.
  const std::wstring path = setup.LaunchPath();
  if (!folder.Contains(path)) return false;
  // The setup's temporary files and plug-ins go there as well, not into the
  // user's temporary folder.
  SetEnvironmentVariableW(L"TMP", folder.Path().c_str());
  SetEnvironmentVariableW(L"TEMP", folder.Path().c_str());
  // Started while held, with its own path as its one switch.
  const UniqueKernelHandle process = LaunchProcessHandle(path, SetupSwitchParameters(path), true);
  if (!process) return false;
  ReportSetupStarted();
  // The setup reads its own file again by name while it runs: it stays held
  // (not to be written, renamed or deleted) until the setup has ended.
  WaitForSingleObject(process.get(), kSetupHoldMs);
  setup.Close();
  // The window lets go of its own hold once it has heard that the setup
  // started; a setup that ended at once may have been quicker.
  for (int attempt = 0; !DeleteFileW(path.c_str()) && GetLastError() == ERROR_SHARING_VIOLATION &&
                        attempt < kDeleteAttempts;
       ++attempt) {
    Sleep(kDeletePauseMs);
  }
  return true;
}

void CtavoModule::ReportSetupStarted() {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!output || output == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(output, kSetupStartedLine, static_cast<DWORD>(strlen(kSetupStartedLine)), &written, nullptr);
}

bool CtavoModule::NeedsElevation() const { return ::NeedsElevation(); }

bool CtavoModule::EnsureElevated() {
  if (!NeedsElevation()) return true;
  if (!LaunchProcess(modulePath, true, false)) {
    MessageBoxW(nullptr, kElevationFailedText, nullptr, MB_OK);
  }
  return false;
}

std::wstring CtavoModule::SkinFolderPath() const { return FolderOfPath(modulePath) + L"res\\zelka"; }

int CtavoModule::RunMainDialog() {
  const std::wstring skinFolder = SkinFolderPath();
  // A folder path the system's fixed-size path functions cannot take is no
  // skin folder: the embedded documents are used.
  if (!modulePath.empty() && skinFolder.size() < MAX_PATH && PathFileExistsW(skinFolder.c_str()))
    SetSkinFolder(skinFolder);
  // Another instance runs: its window has been brought forward instead.
  if (!CheckSingleInstance()) return 0;
  if (!showMainDialog) return 0;
  LoadSkinResources();
  AllowDropMessages();
  CMainDlg dialog(updateKey, nullptr, kQuerySettingsKey, [this](HWND window) { PublishMainWindow(window); },
                  kStationListKey);
  const int result = dialog.RunModal(nullptr, nullptr);
  return dialog.ModalWindowMade() ? result : kNoMainWindow;
}

void CtavoModule::LoadSkinResources() {
  LoadStrings(102);
  BkFontPool::SetDefaultFont(GetString(0), -12);
  LoadSkins(100);
  LoadStyles(101);
}

void CtavoModule::AllowDropMessages() {
  using FilterProc = BOOL(WINAPI*)(UINT, DWORD);
  const HMODULE user = GetModuleHandleW(L"user32.dll");
  if (!user) return;
  const auto filter =
      reinterpret_cast<FilterProc>(reinterpret_cast<void*>(GetProcAddress(user, "ChangeWindowMessageFilter")));
  if (!filter) return;
  constexpr UINT kCopyGlobalData = 0x49;
  constexpr DWORD kAdd = 1;
  filter(kCopyGlobalData, kAdd);
  filter(WM_DROPFILES, kAdd);
}
