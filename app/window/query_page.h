// The query page of the main window: the real child windows of its body (the
// edit boxes and the result list), the query session its workers share, the
// worker slot through which a query's result arrives, and the handlers of the
// search button, the busy animation, a query's result, the list's row
// requests, the query bar's boxes, the watch, copying and export.
#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/core/ticket_order.h"
#include "app/core/ticket_row.h"
#include "app/net/query_session.h"
#include "app/net/query_worker.h"
#include "app/platform/worker_slot.h"
#include "app/window/date_box.h"
#include "app/window/list_columns.h"
#include "app/window/query_bar_boxes.h"
#include "app/window/query_settings.h"
#include "app/window/row_menu.h"
#include "app/window/station_box.h"
#include "app/window/watch_notice.h"
#include "skin/host/edit_impl.h"
#include "skin/host/list_view.h"
#include "skin/resources/gdi_handles.h"

class CMainDlg;

class CQueryPage {
 public:
  static constexpr int kSearchButton = 10000;
  static constexpr int kBusyImage = 10001;
  // The footer's status line.
  static constexpr int kStatusText = 10002;
  // The query bar's watch box and its interval edit (seconds).
  static constexpr int kWatchBox = 10003;
  static constexpr int kWatchEditId = 2250;
  // The filters beside the tab heads: 只看有票 and the departure-time range.
  static constexpr int kAvailableBox = 10004;
  static constexpr int kDepartRangeLink = 10005;
  // The page's parts of the layer, shown only while its tab is.
  static constexpr int kQueryBar = 10100;
  static constexpr int kWatchBar = 10101;
  static constexpr int kFilterBar = 10102;
  // The date box's frame and calendar button.
  static constexpr int kDateFrame = 10110;
  static constexpr int kCalendarButton = 10111;
  // The departure-time range's menu.
  static constexpr unsigned kDepartMenuLayer = 110;
  static constexpr UINT_PTR kWatchTimer = 1001;
  static constexpr int kDefaultWatchSeconds = 60;
  // The notification-area icon's clicks.
  static constexpr UINT kTrayMessage = WM_APP + 0x40;
  // Background of a row whose seats changed in the last watch round.
  static constexpr char kChangedRowColour[] = "FFE7A0";
  static constexpr int kListId = 2100;
  static constexpr int kFromEditId = 2220;
  static constexpr int kToEditId = 2230;
  static constexpr int kDateEditId = 2240;
  static constexpr UINT_PTR kQueryTimer = 1000;
  static constexpr UINT kQueryTimerMs = 100;
  static constexpr int kBusyFrames = 12;
  // The list shows at least this many positions, blank ones on alternating
  // backgrounds.
  static constexpr int kMinimumListRows = 20;
  // How long closing the page waits for a worker still running.
  static constexpr DWORD kWorkerJoinMs = 500;

  // `queryHost` is the query site's "host[:port]"; null means the configured
  // one.
  explicit CQueryPage(CMainDlg& owner, const wchar_t* queryHost = nullptr);
  ~CQueryPage();
  CQueryPage(const CQueryPage&) = delete;
  CQueryPage& operator=(const CQueryPage&) = delete;

  // Creates the list and the edit boxes as children of the dialog view.
  void SetUpQueryPage();

  // The page's message map: the search button's click, the query bar's
  // boxes, the list's notifications, the busy animation's and the watch's
  // timers, the notification icon and the scale. True when handled.
  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // A query from the search button: it ends a watch. Nothing starts while a
  // query's answer is still to come, nor for a date the box refuses (the
  // box is marked and the status line says why).
  void StartQuery();
  // The page is shown (its bar and status take the window) or hidden.
  void SetActive(bool active);
  bool Active() const { return active_; }
  // 只看有票 and the departure range, as the query bar shows them.
  bool AvailableOnly();
  // The train kinds checked in the query bar (TrainKind bits).
  unsigned CheckedKinds();
  DepartRange DepartFilter() const { return departRange_; }
  // Chooses the departure range (as its menu does) and refilters.
  void SetDepartFilter(DepartRange range);
  // A query's result, on the user-interface thread: the busy state ends; the
  // rows change only when the query produced rows.
  void OnQueryDone(QueryResult result);
  // A click on list column `column`'s header: sorts the shown rows by it, or
  // reverses the order when it is the column already sorted by.
  void OnColumnClick(int column);
  // An item of the list's right-click menu (CRowMenu::Item).
  void OnRowMenuChosen(int item);
  // Writes the shown rows as CSV to `path`; says how it went in the status
  // line. True when the file was written whole.
  bool ExportRowsTo(const std::wstring& path);
  // Puts remembered stations, kinds, return trip and sort order into the
  // query bar and the list's header.
  void ApplySettings(const QuerySettings& settings);
  // The query bar and the sort order as they stand (no window position).
  QuerySettings CurrentSettings();

  // Whether a query's answer is still to come.
  bool QueryRunning() const { return worker_.Running(); }
  // How many queries have started since the page was made.
  int QueriesStarted() const { return queriesStarted_; }
  // The rows of the last answer (the user-interface thread's copy).
  const std::vector<TicketRow>& Rows() const { return rows_; }
  // The rows the list shows: those of the checked kinds, in the chosen order.
  const std::vector<TicketRow>& ShownRows() const { return shownRows_; }
  // The column the rows are sorted by (-1: the answer's order) and whether
  // that order is descending.
  int SortColumn() const { return sortColumn_; }
  bool SortDescending() const { return sortDescending_; }
  bool Watching() const { return watching_; }
  // The pause between rounds in milliseconds.
  UINT WatchIntervalMs() const { return watchIntervalMs_; }
  // Train codes whose seats changed in the last round.
  const std::set<std::wstring>& ChangedTrains() const { return changedTrains_; }
  // The newest notices raised for trains that gained tickets (at most
  // kMaxWatchNotices), oldest first.
  const std::deque<std::wstring>& Notices() const { return notices_; }
  // The footer's status line as it stands.
  std::wstring StatusText();

  // The page's native children, for looking at (their windows carry the ids
  // above).
  const CBkListView& List() const { return listView_; }
  const CEditImpl& FromEdit() const { return fromBox_.Edit(); }
  const CEditImpl& ToEdit() const { return toBox_.Edit(); }
  CStationBox& FromBox() { return fromBox_; }
  CStationBox& ToBox() { return toBox_; }
  // Closes the station boxes' drop-downs (the window moved, the page went,
  // a press elsewhere), but that of box `keep`.
  void CloseDropDowns(HWND keep = nullptr);
  const CEditImpl& DateEdit() const { return dateBox_.Edit(); }
  CDateBox& DateBox() { return dateBox_; }
  const CRowMenu& DepartMenu() const { return departMenu_; }
  const CEditImpl& WatchEdit() const { return watchEdit_; }
  const CRowMenu& RowMenu() const { return rowMenu_; }

 private:
  // A timer tick of the busy animation: the busy image shows its next frame.
  void OnAnimationTimer();
  LRESULT OnListItemRefresh(const RowDataNotify& notify);
  // A click on a query-bar check box (its page id): the kind boxes refilter
  // the rows at once.
  void OnQueryBarBoxClicked(int id);
  // Copies the shown rows to the clipboard as tab-separated text: the
  // selected one, or all when `all` is set or none is selected.
  void CopyRows(bool all);
  // Asks for a file with the save dialog (opened in the folder used last)
  // and writes the shown rows there as CSV.
  void ExportRows();
  // The list's right-click menu at screen point `at`.
  void ShowRowMenu(POINT at);
  // The watch box was clicked: starts or stops the watch.
  void OnWatchBoxClicked();
  // Starts watching: a round now and one each interval (the edit's seconds,
  // kept within kMinWatchSeconds..kMaxWatchSeconds). Stops at once: no round
  // starts after it, and a round still running ends as a plain query.
  void StartWatch();
  void StopWatch();
  void EndBusy();
  // The stations and the date the query bar asks for now, names trimmed, the
  // return trip swapped. False, with the date box marked and the reason in
  // the status line, when the date is refused.
  bool QueryToAsk(QueryStations& query);
  // The list's row `index` (a double-click, Enter) in the timetable page.
  void OpenTimetable(int index);
  void ShowDepartMenu();
  // The filters changed: the rows shown and their count follow.
  void Refilter();
  // The trains line for the rows shown, with the watch's note.
  void ShowTrainsStatus();
  // Starts one query, for the search button or a watch round.
  void StartQueryRound(QueryStations stations);
  void OnWatchTimer();
  // A watch round's answer: marks the changed rows and tells of gains.
  void OnWatchRows(const std::vector<TicketRow>& answer);
  void SetWatchBox(bool checked);
  void SetStatus(const std::wstring& text);
  void ShowRowCount();
  // Filters and sorts `rows_` into `shownRows_` and shows them; `fromTop`
  // scrolls the list back to its first row (the filter or the order changed).
  void ShowRows(bool fromTop);
  // Column `column`'s title with the sort direction in front when the rows
  // are sorted by it.
  void ShowColumnTitle(int column);
  // Column widths and the edit boxes' font at `dpi`.
  void ApplyDpi(int dpi);

  CMainDlg& owner_;
  // Declared before the list, which uses it until its window goes.
  ScaledListFont listFont_;
  CBkListView listView_;
  CStationBox fromBox_;
  CStationBox toBox_;
  CDateBox dateBox_;
  CEditImpl watchEdit_;
  QueryBarBoxes queryBarBoxes_;
  CRowMenu rowMenu_;
  CRowMenu departMenu_;
  DepartRange departRange_ = DepartRange::AllDay;
  bool active_ = true;
  // The footer's text while the page is shown (kept while it is not).
  std::wstring status_;
  // What the status line adds while it shows the answer for a station name
  // the list lacks (empty when both were known).
  std::wstring stationHint_;
  // The query client, shared with the workers.
  std::shared_ptr<QuerySession> session_;
  // One query at a time; its result arrives through the slot's queue, which
  // closes first when the page goes.
  WorkerSlot worker_;
  int queriesStarted_ = 0;
  // The busy image's frames go on from where the last query left them.
  int animationCounter_ = 0;
  std::vector<TicketRow> rows_;
  std::vector<TicketRow> shownRows_;
  int appliedDpi_ = 96;
  int sortColumn_ = -1;
  bool sortDescending_ = false;
  // When the rows the list shows were answered ("HH:MM:SS"; empty before
  // the first answer), and the day and stations they are for.
  std::wstring rowsTime_;
  QueryStations rowsQuery_;
  // The folder the save dialog opens in: the one the last export went to.
  std::wstring exportFolder_;
  bool watching_ = false;
  // The running query is a watch round.
  bool roundIsWatch_ = false;
  UINT watchIntervalMs_ = 0;
  unsigned watchSeconds_ = 0;  // as the status line names it
  // The last round (or, for the first, the rows shown when the watch
  // started) that had trains.
  std::vector<TicketRow> watchPrevious_;
  QueryStations watchStations_;
  // Both bounded (app/core/ticket_watch.h).
  std::set<std::wstring> changedTrains_;
  std::deque<std::wstring> notices_;
  TrayNotice trayNotice_;
};

// The items an owner-data list holds for `rowCount` rows: every row, and at
// least the blank positions the page shows before any query.
int ListItemCount(size_t rowCount);
// The background colour of list position `index` ("A9DAF1" odd, "E0EDFD"
// even, "B7C4D4" selected).
const char* RowColour(int index, bool selected);
// The fourteen texts of a row's template, in the order of RowTexts
// (app/core/result_columns.h).
constexpr int kRowTextIds[] = {20020, 20021, 20022, 20023, 20024, 20025, 20026,
                               20027, 20028, 20029, 20111, 20112, 20113, 20114};
// The cells holding them, one per column, which follow the columns' widths.
constexpr int kRowCellIds[] = {20010, 20011, 20012, 20013, 20014, 20015, 20016,
                               20017, 20018, 20019, 20101, 20102, 20103, 20104};
