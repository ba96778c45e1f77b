// The 时刻表查询 page of the main window: a train code, a date and a search
// button above a skinned list of the train's stops. It asks the site on a
// worker of its own, so a timetable and a ticket query may run at once, and
// keeps its stops and status while the other pages are shown.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/core/timetable_page.h"
#include "app/core/travel_date.h"
#include "app/net/query_session.h"
#include "app/net/timetable_worker.h"
#include "app/platform/worker_slot.h"
#include "app/window/busy_search.h"
#include "app/window/date_box.h"
#include "app/window/list_columns.h"
#include "skin/host/edit_impl.h"
#include "skin/host/list_view.h"

class CMainDlg;

class CTimetablePage {
 public:
  static constexpr int kSearchButton = 11000;
  static constexpr int kBusyImage = 11001;
  static constexpr int kDateFrame = 11010;
  static constexpr int kCalendarButton = 11011;
  static constexpr int kListId = 2110;
  static constexpr int kCodeEditId = 2260;
  static constexpr int kDateEditId = 2270;
  static constexpr UINT_PTR kBusyTimer = 1002;
  // The stops of the query's two stations.
  static constexpr char kStationRowColour[] = "FFE2B8";

  // `queryHost` is the query site's "host[:port]"; null means the configured one.
  explicit CTimetablePage(CMainDlg& owner, const wchar_t* queryHost = nullptr);
  ~CTimetablePage();
  CTimetablePage(const CTimetablePage&) = delete;
  CTimetablePage& operator=(const CTimetablePage&) = delete;

  // Creates the list and the edit boxes as children of the dialog view.
  void SetUp();
  // The page's buttons, edit boxes, list and busy timer; true when handled.
  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // The page is shown (its status takes the footer) or hidden.
  void SetActive(bool active);
  // A query for what the page's boxes hold.
  void StartQuery();
  // Fills the boxes with `code` and `date` and asks for them; the stops
  // named `from` and `to` are marked.
  void ShowTrain(const std::wstring& code, const TravelDate& date, const std::wstring& from, const std::wstring& to);
  void OnQueryDone(TimetableResult result);

  bool QueryRunning() const { return worker_.Running(); }
  const std::vector<TrainStop>& Stops() const { return stops_; }
  // The texts the list shows, one row per stop (TimetableTexts).
  const std::vector<std::vector<std::wstring>>& StopTexts() const { return texts_; }
  // Whether stop `index` is one of the marked stations.
  bool IsMarked(size_t index) const;
  const std::wstring& Status() const { return status_; }

  const CBkListView& List() const { return listView_; }
  const CEditImpl& CodeEdit() const { return codeEdit_; }
  CDateBox& DateBox() { return dateBox_; }

 private:
  LRESULT OnListItemRefresh(const RowDataNotify& notify);
  void StartRound(TimetableQuery query);
  void SetStatus(const std::wstring& text);
  void ApplyDpi(int dpi);

  CMainDlg& owner_;
  ScaledListFont listFont_;  // before the list, which uses it
  CBkListView listView_;
  CEditImpl codeEdit_;
  CDateBox dateBox_;
  std::shared_ptr<QuerySession> session_;
  WorkerSlot worker_;
  std::vector<TrainStop> stops_;
  std::vector<std::vector<std::wstring>> texts_;
  std::wstring markFrom_;
  std::wstring markTo_;
  std::wstring status_;
  bool active_ = false;
  int appliedDpi_ = 0;
  BusySearch busy_{kSearchButton, kBusyImage, kBusyTimer};
};
