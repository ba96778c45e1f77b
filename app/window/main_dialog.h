// The program's main window: the skinned frame of the main layer (resource
// 103) with its pages (余票查询 and 时刻表查询) and its part in the update.
// Its message map, in order: the header's buttons, the frame's close request
// and the tab heads, the frame itself, the pages, then the window's creation.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/core/travel_date.h"
#include "app/window/fare_page.h"
#include "app/window/help_page.h"
#include "app/window/query_page.h"
#include "app/window/station_catalog.h"
#include "app/window/timetable_page.h"
#include "app/window/update_prompt.h"
#include "skin/host/dialog_frame.h"
#include "skin/resources/unique_handle.h"

class CMainDlg : public CBkDialogImpl, public CWHRoundRectFrameHelper {
 public:
  static constexpr unsigned kMainLayer = 103;
  static constexpr int kIconId = 128;
  // The frame's close request (Escape, system close).
  static constexpr int kCloseRequest = 2;
  // The tab control and its pages' indexes.
  static constexpr int kTabControl = 136;
  static constexpr int kTicketTab = 0;
  static constexpr int kTimetableTab = 1;
  static constexpr int kFareTab = 2;
  static constexpr int kHelpTab = 3;

  // `updateKey` is the key downloaded setups must be signed with; null means
  // the release key. `queryHost` is the query site ("host[:port]"); null
  // means the configured one.
  // `settingsKey` is the key under HKEY_CURRENT_USER where the query is
  // remembered from one start to the next; null remembers nothing.
  // `windowMade` hears of the window once it is set up (the program hands it
  // to later instances to bring forward). `stationKey` is where the query
  // site's station list is kept under HKEY_CURRENT_USER and refreshed once a
  // day; null keeps none and completes from the program's own list.
  explicit CMainDlg(const UpdatePublicKey* updateKey = nullptr, const wchar_t* queryHost = nullptr,
                    const wchar_t* settingsKey = nullptr, std::function<void(HWND)> windowMade = {},
                    const wchar_t* stationKey = nullptr);
  ~CMainDlg() override;

  // The station list the boxes complete from.
  CStationCatalog& Stations() { return *stations_; }
  CQueryPage& QueryPage() { return *queryPage; }
  CTimetablePage& TimetablePage() { return *timetablePage_; }
  CHelpPage& HelpPage() { return *helpPage_; }
  CFarePage& FarePage() { return *farePage_; }
  CUpdatePrompt& UpdatePrompt() { return *updatePrompt_; }
  // Forgets the remembered query and shows the window as at a first start:
  // the pages' defaults, centred.
  void ResetSettings();

  // The index of the tab shown.
  int CurrentTab() const { return currentTab_; }
  // Shows tab `index` as a click on its head would.
  void SelectTab(int index);
  // Shows the timetable page asking for train `code` on `date`, the stops
  // `from` and `to` marked.
  void ShowTimetable(const std::wstring& code, const TravelDate& date, const std::wstring& from,
                     const std::wstring& to);

 protected:
  bool ProcessFrameMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // A remembered position is kept; otherwise centred. A window that was
  // maximised when it closed shows maximised.
  void PlaceModalWindow(HWND hwnd, HWND owner) override;

 private:
  // The header's close and minimise buttons and the close request; 1 when
  // handled.
  bool OnHeaderNotify(HWND hwnd, const NMHDR& header, LRESULT& result);
  // Another tab head was chosen: the pages follow.
  void OnTabChanged(int index);
  BOOL OnInitDialog(HWND hwnd);
  void SetIcons(HWND hwnd);
  // The remembered query and window position, at set-up.
  void RestoreSettings(HWND hwnd);
  // Writes what changed since RestoreSettings, as the window goes.
  void SaveSettings(HWND hwnd);

  // Made before the pages, whose station boxes complete from it.
  std::unique_ptr<CStationCatalog> stations_;
  std::unique_ptr<CQueryPage> queryPage;
  std::unique_ptr<CTimetablePage> timetablePage_;
  std::unique_ptr<CFarePage> farePage_;
  std::unique_ptr<CHelpPage> helpPage_;
  int currentTab_ = kTicketTab;
  std::unique_ptr<CUpdatePrompt> updatePrompt_;
  std::function<void(HWND)> windowMade_;
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;
  std::wstring settingsKey_;
  // What the store held, with the position the window was first shown at.
  QuerySettings restored_;
  bool settingsRestored_ = false;
  bool placedFromSettings_ = false;
  bool startMaximized_ = false;
  // The window's rectangle when it was last neither maximised nor minimised:
  // what it restores to (kept here, as Wine's placement of a window shown
  // maximised from hidden reports the maximised rectangle).
  RECT normalRect_ = {};
};
