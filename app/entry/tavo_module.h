// The program's module object: its own path, the parsed command line, the
// single-instance guard, and the decisions the entry function makes before
// any window exists.
#pragma once

#include <windows.h>

#include <string>

#include "app/entry/command_line.h"
#include "app/entry/single_instance.h"
#include "skin/host/app_module.h"

struct UpdatePublicKey;

class CtavoModule : public CAppModule {
 public:
  CtavoModule() = default;
  ~CtavoModule() override { Term(); }

  // The main window could not be made, not even from the embedded documents.
  static constexpr int kNoMainWindow = -4;
  // A switch was written inside quotes ("-Update:C:\a b\setup.exe" whole in
  // quotes): the caller meant a switch that is not read as one, so nothing
  // runs.
  static constexpr int kQuotedSwitch = -5;

  // The whole run of the entry function, in order: module start (-1 on
  // failure), command line (-2 when there is none, kQuotedSwitch for a
  // switch in quotes), installer commands (0
  // when one was handled), elevation (-3 when this process is not elevated
  // where it has to be), common controls and COM, the main dialog (-4 when
  // its window could not be made), 0.
  int Run(HINSTANCE instance, const wchar_t* commandLineText);

  bool ParseCommandLine(const wchar_t* text) { return commandLine.ParseCommandLine(text); }
  bool HasSwitch(const std::wstring& name) const { return commandLine.HasSwitch(name); }
  std::wstring GetSwitch(const std::wstring& name) const { return commandLine.GetSwitch(name); }
  std::wstring BuildSwitchParameters() const { return commandLine.BuildSwitchParameters(); }

  // Starts `path` with this process's switches, rebuilt, as its parameters.
  bool LaunchProcess(const std::wstring& path, bool elevate, bool wait) const;

  // "Install" and "Uninstall" report to the statistics server; "Update"
  // runs StartUpdateSetup. The first of them present (in that order) is
  // handled; false when there is none.
  bool HandleInstallerCommands();
  // Starts the downloaded setup program that "Update" names, elevated, with
  // nothing but its own path as its switch (app/update/update_switches.h):
  // only a file in the update folder, its path shorter than MAX_PATH, that
  // carries the signature of "UpdateSignature" over the version of
  // "UpdateVersion" under the update key, a version newer than this
  // program's own. Once it has started, says so on standard output
  // (kSetupStartedLine) for the window that waits for it, and holds the file
  // (see CVerifiedFile) until the setup has ended (at most kSetupHoldMs),
  // then deletes it. True when the setup started.
  bool StartUpdateSetup() const;
  // How long a started setup's file stays held at most.
  static constexpr DWORD kSetupHoldMs = 60 * 60 * 1000;
  // How long deleting it may wait for another holder to let go.
  static constexpr int kDeleteAttempts = 200;
  static constexpr DWORD kDeletePauseMs = 50;

  bool NeedsElevation() const;
  // True when the process may go on. Otherwise it relaunches itself elevated
  // (or tells the user that it could not) and answers false.
  bool EnsureElevated();

  // The single-instance guard (see single_instance.h).
  bool CheckSingleInstance() { return ::CheckSingleInstance(instanceMapping); }
  // Stores the main window's handle for later instances to bring forward;
  // the main dialog calls it once its window exists. False without the guard.
  bool PublishMainWindow(HWND window) { return instanceMapping.WriteWindow(window); }

  // "res\zelka" in the program's own folder (whether it exists or not).
  std::wstring SkinFolderPath() const;

  // The skin folder (when it exists and its path fits MAX_PATH), the
  // single-instance guard, the skin resources, the drop messages, then the
  // main window until it closes: its modal result, 0 when none was to run,
  // or kNoMainWindow when its window could not be made.
  int RunMainDialog();
  // The string table, the default font, the skins and the style classes, in
  // that order.
  static void LoadSkinResources();
  // Lets WM_COPYGLOBALDATA and WM_DROPFILES through the user-interface
  // privilege filter where the system has one.
  static void AllowDropMessages();
  // Writes kSetupStartedLine to standard output, when there is one.
  static void ReportSetupStarted();

  std::wstring modulePath;
  CCommandLine commandLine;
  LONG showMainDialog = 1;
  CInstanceMapping instanceMapping;
  // The key downloaded setups must carry a signature of; null means the
  // release key (a test build of the program names its test key).
  const UpdatePublicKey* updateKey = nullptr;
};
