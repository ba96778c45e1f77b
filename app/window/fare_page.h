// The 票价查询 page of the main window (layer 112 in the third tab): two
// station boxes with a swap between them, a date, search, and a skinned list
// of the trains' fares with one column per seat class the trains have. The
// train kinds shown are those checked on the 余票查询 page: one filter for
// one trip. Sorting by any column, the cheapest fare of each class marked,
// copy and CSV export as the ticket list offers them.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/core/fare_page.h"
#include "app/net/fare_worker.h"
#include "app/net/query_session.h"
#include "app/platform/worker_slot.h"
#include "app/window/busy_search.h"
#include "app/window/date_box.h"
#include "app/window/list_columns.h"
#include "app/window/row_menu.h"
#include "app/window/station_box.h"
#include "skin/host/edit_impl.h"
#include "skin/host/list_view.h"

class CMainDlg;

class CFarePage {
 public:
  static constexpr int kSearchButton = 13000;
  static constexpr int kBusyImage = 13001;
  static constexpr int kSwapLink = 13002;
  static constexpr int kDateFrame = 13010;
  static constexpr int kCalendarButton = 13011;
  static constexpr int kListId = 2120;
  static constexpr int kFromEditId = 2280;
  static constexpr int kToEditId = 2290;
  static constexpr int kDateEditId = 2300;
  static constexpr UINT_PTR kBusyTimer = 1003;
  // The template's first cell text; cell i is kFirstCellId + i.
  static constexpr int kFirstCellId = 22020;
  // The cell holding text i, which follows its column's width.
  static constexpr int kFirstCellBoxId = 22010;
  // The text colour of the cheapest fare of a class.
  static constexpr char kCheapestColour[] = "D9480F";

  // `queryHost` is the query site's "host[:port]"; null means the configured one.
  explicit CFarePage(CMainDlg& owner, const wchar_t* queryHost = nullptr);
  ~CFarePage();
  CFarePage(const CFarePage&) = delete;
  CFarePage& operator=(const CFarePage&) = delete;

  void SetUp();
  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Shown (its status takes the footer, the kinds filter is read again) or hidden.
  void SetActive(bool active);

  void StartQuery();
  void OnQueryDone(FareResult result);
  // The two stations change places.
  void SwapStations();
  // A click on the list's `column`: sorts by it, or reverses that order.
  void OnColumnClick(int column);
  // Writes the shown rows as CSV (plain amounts) to `path`.
  bool ExportRowsTo(const std::wstring& path);

  bool QueryRunning() const { return worker_.Running(); }
  const std::vector<FareRow>& Rows() const { return rows_; }
  const std::vector<FareRow>& ShownRows() const { return shownRows_; }
  // The list's columns as FareColumns, in their order.
  const std::vector<int>& Columns() const { return columns_; }
  const std::array<int, kFareClassCount>& Cheapest() const { return cheapest_; }
  const std::wstring& Status() const { return status_; }
  const CBkListView& List() const { return listView_; }
  const CEditImpl& FromEdit() const { return fromBox_.Edit(); }
  const CEditImpl& ToEdit() const { return toBox_.Edit(); }
  CStationBox& FromBox() { return fromBox_; }
  CStationBox& ToBox() { return toBox_; }
  // Closes the station boxes' drop-downs (the window moved, the page went,
  // a press elsewhere), but that of box `keep`.
  void CloseDropDowns(HWND keep = nullptr);
  CDateBox& DateBox() { return dateBox_; }
  const CRowMenu& RowMenu() const { return rowMenu_; }

 private:
  LRESULT OnListItemRefresh(const RowDataNotify& notify);
  // Filters and sorts the rows; the columns follow the classes they have.
  void ShowRows();
  // The list's header and row template for `columns_`.
  void BuildColumns();
  void CopyRows(bool all);
  void OnRowMenuChosen(int item);
  void SetStatus(const std::wstring& text);
  void ApplyDpi(int dpi);

  CMainDlg& owner_;
  ScaledListFont listFont_;  // before the list, which uses it
  CBkListView listView_;
  CStationBox fromBox_;
  CStationBox toBox_;
  CDateBox dateBox_;
  CRowMenu rowMenu_;
  std::shared_ptr<QuerySession> session_;
  WorkerSlot worker_;
  std::vector<FareRow> rows_;
  std::vector<FareRow> shownRows_;
  std::vector<int> columns_;
  std::array<int, kFareClassCount> cheapest_{};
  QueryStations rowsQuery_;
  std::wstring rowsTime_;
  std::wstring status_;
  // What the status line adds for a station name the list lacks.
  std::wstring stationHint_;
  std::wstring exportFolder_;
  int sortColumn_ = -1;  // a FareColumn, -1: the site's order
  bool sortDescending_ = false;
  bool active_ = false;
  int appliedDpi_ = 0;
  // Each column's width in 96-DPI units (a width the user gave a column is
  // kept while other columns come and go), and what the list was last built
  // with.
  std::array<int, kFareColumnCount> widths_{};
  std::vector<int> builtColumns_;
  int builtDpi_ = 0;
  BusySearch busy_{kSearchButton, kBusyImage, kBusyTimer};
};
