#include "app/window/query_page.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/core/page_text.h"
#include "app/core/result_columns.h"
#include "app/core/ticket_csv.h"
#include "app/core/ticket_order.h"
#include "app/core/ticket_watch.h"
#include "app/platform/bring_forward.h"
#include "app/platform/environment_setting.h"
#include "app/platform/window_text.h"
#include "app/window/main_dialog.h"
#include "app/window/query_status.h"
#include "app/window/row_export.h"
#include "skin/host/view_notifications.h"
#include "skin/resources/bk_string.h"
#include "skin/resources/dpi_scale.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/parse_util.h"
#include "skin/resources/text_encoding.h"

namespace {

constexpr unsigned kFirstColumnTitle = 31;
constexpr unsigned kFirstColumnWidth = 51;
constexpr unsigned kFirstHintText = 70;
// The edit boxes' font: the base font one pixel taller.
constexpr unsigned kEditFontId = 0x100;
// Seat cells with tickets left, and those without ("无", "--"): readable on
// every row background.
constexpr char kSeatWithTicketsColour[] = "007A2E";
constexpr char kSeatWithoutTicketsColour[] = "707070";
// Put in front of the sorted column's title.
constexpr wchar_t kAscendingMark[] = L"\u25B2";
constexpr wchar_t kDescendingMark[] = L"\u25BC";

int SelectedRow(HWND list) {
  return list ? static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)) : -1;
}

}  // namespace

int ListItemCount(size_t rowCount) {
  return static_cast<int>(std::min<size_t>(std::max<size_t>(rowCount, CQueryPage::kMinimumListRows), INT_MAX));
}

const char* RowColour(int index, bool selected) {
  if (selected) return "B7C4D4";
  return index % 2 != 0 ? "A9DAF1" : "E0EDFD";
}

CQueryPage::CQueryPage(CMainDlg& owner, const wchar_t* queryHost)
    : owner_(owner),
      fromBox_(owner.Stations()),
      toBox_(owner.Stations()),
      dateBox_({kDateEditId, kDateFrame, kCalendarButton}),
      departMenu_(kDepartMenuLayer),
      session_(std::make_shared<QuerySession>(queryHost)) {}

CQueryPage::~CQueryPage() {
  // A worker still running keeps its share of the session; closing it ends
  // the worker's request at once. Its result is dropped unseen: it refers to
  // this page.
  session_->Close();
  worker_.Close(kWorkerJoinMs);
}

void CQueryPage::SetUpQueryPage() {
  const HWND view = owner_.GetView().GetHwnd();

  listView_.Create(view, kListId);
  listView_.LoadTemplateResource(106);
  listView_.SetColumnCells(std::vector<int>(std::begin(kRowCellIds), std::end(kRowCellIds)));
  ShowRowCount();

  const int dpi = owner_.GetDpi();
  listFont_.Attach(listView_.GetHwnd());
  InsertTableColumns(listView_.GetHwnd(), kFirstColumnTitle, kFirstColumnWidth, kResultColumnCount, dpi);

  const HFONT font = BkFontPool::GetScaledFont(kEditFontId, dpi);
  fromBox_.Create(view, kFromEditId, font, TableString(kFirstHintText));
  toBox_.Create(view, kToEditId, font, TableString(kFirstHintText + 1));
  dateBox_.Create(owner_.GetView(), font);
  if (const HWND window = watchEdit_.Create(view)) {
    SetWindowLongPtrW(window, GWLP_ID, kWatchEditId);
    SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) | ES_NUMBER | ES_CENTER);
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageW(window, EM_LIMITTEXT, 5, 0);
    SetWindowTextW(window, std::to_wstring(kDefaultWatchSeconds).c_str());
  }
  // The list's font at a monitor of its own scale.
  appliedDpi_ = 0;
  ApplyDpi(dpi);
  // The view places the edit boxes and the list on its "realwnd" elements.
  owner_.GetView().ShowHostedWindows();
  queryBarBoxes_.Bind(owner_.GetView());
  SetDepartFilter(DepartRange::AllDay);
}

void CQueryPage::ApplyDpi(int dpi) {
  if (dpi == appliedDpi_) return;
  // Widths the user gave the columns are kept at the new scale.
  if (appliedDpi_ > 0)
    ApplyColumnWidths(listView_.GetHwnd(), ReadColumnWidths(listView_.GetHwnd(), kResultColumnCount, appliedDpi_), dpi);
  else
    SizeTableColumns(listView_.GetHwnd(), kFirstColumnWidth, kResultColumnCount, dpi);
  appliedDpi_ = dpi;
  listFont_.Apply(listView_.GetHwnd(), dpi);
  const HFONT font = BkFontPool::GetScaledFont(kEditFontId, dpi);
  for (const HWND edit : {fromBox_.GetHwnd(), toBox_.GetHwnd(), dateBox_.GetHwnd(), watchEdit_.GetHwnd()}) {
    if (edit) SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
}

bool CQueryPage::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == kDpiChangedMessage) {
    // The frame and its view have taken the new scale; the native windows'
    // fonts and the list's columns follow.
    ApplyDpi(owner_.GetDpi());
    return false;
  }
  bool handled = true;
  switch (message) {
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      const bool command = header && header->idFrom == VIEW_ID && header->code == SKN_COMMAND;
      const int item = command ? static_cast<int>(reinterpret_cast<const CommandNotify*>(header)->uItemID) : 0;
      if (!header) {
        handled = false;
      } else if (command && item == kSearchButton) {
        StartQuery();
        result = 1;
      } else if (command && item == kWatchBox) {
        OnWatchBoxClicked();
        result = 0;
      } else if (command && item == kAvailableBox) {
        Refilter();
        result = 0;
      } else if (command && item == kDepartRangeLink) {
        ShowDepartMenu();
        result = 0;
      } else if (command && dateBox_.OnElementCommand(item)) {
        result = 0;
      } else if (header->idFrom == kListId && header->code == static_cast<UINT>(NM_DBLCLK)) {
        OpenTimetable(reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem);
        result = 0;

      } else if (command && queryBarBoxes_.IsBound(item)) {
        OnQueryBarBoxClicked(item);
        result = 0;
      } else if (header->idFrom == kListId && header->code == SKLN_GETROWDATA) {
        result = OnListItemRefresh(*reinterpret_cast<const RowDataNotify*>(header));
      } else if (header->idFrom == kListId && header->code == SKLN_GETROWTEXT) {
        AnswerRowText(*reinterpret_cast<RowTextNotify*>(lParam), shownRows_.size(),
                      [this](size_t row) { return RowTexts(shownRows_[row]); });
        result = 0;
      } else if (header->idFrom == kListId && header->code == LVN_KEYDOWN) {
        const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
        if (key->wVKey == 'C' && GetKeyState(VK_CONTROL) < 0) CopyRows(false);
        if (key->wVKey == VK_RETURN) OpenTimetable(SelectedRow(listView_.GetHwnd()));
        result = 0;
      } else if (header->idFrom == kListId && header->code == static_cast<UINT>(NM_RCLICK)) {
        POINT at = {};
        GetCursorPos(&at);
        ShowRowMenu(at);
        result = 1;
      } else if (header->idFrom == kListId && header->code == SKLN_ROWMENU) {
        ShowRowMenu(reinterpret_cast<const RowMenuNotify*>(header)->at);
        result = 0;
      } else if (header->idFrom == kListId && header->code == LVN_COLUMNCLICK) {
        OnColumnClick(reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
        result = 0;
      } else if (const int column = DividerDoubleClicked(listView_.GetHwnd(), *header); column >= 0) {
        // Fitted here, where the rows' texts are known; 1 keeps the list
        // from sizing the column by its own (empty) items.
        if (column < kResultColumnCount)
          FitColumnToTexts(listView_.GetHwnd(), column, shownRows_.size(), appliedDpi_,
                           [&](size_t row) { return RowTexts(shownRows_[row])[static_cast<size_t>(column)]; });
        result = 1;
      } else {
        handled = false;
      }
      break;
    }
    case WM_COMMAND:
      handled = dateBox_.OnCommand(wParam, lParam) || fromBox_.OnCommand(wParam, lParam) ||
                toBox_.OnCommand(wParam, lParam);
      break;
    case WM_TIMER:
      // Timers of others (the frame's, the view's) are theirs to handle.
      if (wParam == kWatchTimer) {
        OnWatchTimer();
      } else if (wParam == kQueryTimer) {
        OnAnimationTimer();
      } else {
        handled = false;
        break;
      }
      result = 0;
      break;
    case kTrayMessage:
      if (LOWORD(lParam) == NIN_BALLOONUSERCLICK || LOWORD(lParam) == WM_LBUTTONUP ||
          LOWORD(lParam) == WM_LBUTTONDBLCLK) {
        BringWindowForward(owner_.GetHwnd());
        StopFlashing(owner_.GetHwnd());
      }
      result = 0;
      break;
    case WM_DESTROY:
      // The icon goes with the window; the frame goes on with its own end.
      StopWatch();
      handled = false;
      break;
    default:
      handled = false;
      break;
  }
  return handled;
}

void CQueryPage::StartQuery() {
  StopWatch();
  if (QueryRunning()) return;
  QueryStations query;
  if (QueryToAsk(query)) StartQueryRound(std::move(query));
}

bool CQueryPage::QueryToAsk(QueryStations& query) {
  stationHint_.clear();
  TravelDate date;
  const DateCheck check = dateBox_.Read(date);
  if (check != DateCheck::Valid) {
    dateBox_.SetInvalid(true);
    SetStatus(DateRefusal(check, ReadWindowText(dateBox_.GetHwnd()), date, LocalToday()));
    return false;
  }
  dateBox_.Show(date);
  query = StationsToAsk(fromBox_, toBox_, FormatTravelDate(date), stationHint_);
  // The return trip asks for the same pair the other way round.
  if (queryBarBoxes_.ReturnTripChecked(owner_.GetView())) std::swap(query.from, query.to);
  return true;
}

void CQueryPage::SetActive(bool active) {
  active_ = active;
  CBkDialogView& view = owner_.GetView();
  for (const int part : {kQueryBar, kWatchBar, kFilterBar}) view.SetElementVisible(part, active);
  if (active) view.SetElementText(kStatusText, status_);
  if (!active) CloseDropDowns();
}

void CQueryPage::CloseDropDowns(HWND keep) {
  for (CStationBox* box : {&fromBox_, &toBox_}) {
    if (box->GetHwnd() != keep) box->CloseDropDown();
  }
}

unsigned CQueryPage::CheckedKinds() { return queryBarBoxes_.CheckedKinds(owner_.GetView()); }

bool CQueryPage::AvailableOnly() { return QueryBarBoxes::IsChecked(owner_.GetView(), kAvailableBox); }

void CQueryPage::SetDepartFilter(DepartRange range) {
  departRange_ = range;
  const std::wstring label = TableString(status_text::kFirstDepartRange + static_cast<int>(range));
  owner_.GetView().SetElementText(kDepartRangeLink, FormatText(TableString(status_text::kDepartRangeLink), {label}));
  ShowRows(true);
}

void CQueryPage::ShowDepartMenu() {
  const CBkWindow* link = owner_.GetView().FindElement(kDepartRangeLink);
  if (!link) return;
  RECT area = link->GetRect();
  MapWindowPoints(owner_.GetView().GetHwnd(), nullptr, reinterpret_cast<POINT*>(&area), 2);
  departMenu_.Show(owner_.GetHwnd(), POINT{area.left, area.bottom}, [this](int item) {
    if (item >= 0 && item < kDepartRangeCount) {
      SetDepartFilter(static_cast<DepartRange>(item));
      Refilter();
    }
  });
}

void CQueryPage::OpenTimetable(int index) {
  if (index < 0 || static_cast<size_t>(index) >= shownRows_.size()) return;
  const TicketRow& row = shownRows_[static_cast<size_t>(index)];
  const TravelDate today = LocalToday();
  TravelDate date = today;
  if (!rowsQuery_.date.empty()) ParseTravelDate(rowsQuery_.date, today, date);
  // The train's own boarding and leaving stations, as the site named them.
  const std::wstring& from = row.fromStation.empty() ? rowsQuery_.from : row.fromStation;
  const std::wstring& to = row.toStation.empty() ? rowsQuery_.to : row.toStation;
  // Copies: opening the other page may run handlers that change the rows.
  owner_.ShowTimetable(std::wstring(row.trainCode), date, std::wstring(from), std::wstring(to));
}

void CQueryPage::StartQueryRound(QueryStations stations) {
  if (QueryRunning()) return;
  SetStatus(RunningStatus(stations));
  const bool started = worker_.Start(QueryJob(session_, std::move(stations)),
                                     [this](QueryResult result) { OnQueryDone(std::move(result)); });
  if (started) ++queriesStarted_;

  SetTimer(owner_.GetHwnd(), kQueryTimer, kQueryTimerMs, nullptr);
  owner_.GetView().SetElementVisible(kSearchButton, false);
  owner_.GetView().SetElementVisible(kBusyImage, true);
  // Without a worker nothing would ever end the busy state.
  if (!started) EndBusy();
}

void CQueryPage::EndBusy() {
  KillTimer(owner_.GetHwnd(), kQueryTimer);
  owner_.GetView().SetElementVisible(kBusyImage, false);
  owner_.GetView().SetElementVisible(kSearchButton, true);
}

void CQueryPage::OnQueryDone(QueryResult result) {
  EndBusy();
  const bool watchRound = roundIsWatch_ && watching_;
  roundIsWatch_ = false;
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  const std::wstring answerTime = FormatClock(now);
  if (result.outcome != QueryOutcome::RowsReplaced || result.rows.empty()) {
    std::wstring status = OutcomeStatus(result, answerTime, rows_.empty() ? std::wstring() : rowsTime_);
    if (watching_) status += FormatText(TableString(status_text::kWatching), {std::to_wstring(watchSeconds_)});
    SetStatus(status);
  }
  if (result.outcome != QueryOutcome::RowsReplaced) return;
  if (watchRound) {
    OnWatchRows(result.rows);
  } else {
    changedTrains_.clear();
  }
  const bool hadRows = !result.rows.empty();
  rows_ = std::move(result.rows);
  rowsTime_ = answerTime;
  rowsQuery_ = std::move(result.stations);
  ShowRows(false);
  if (hadRows) ShowTrainsStatus();
}

void CQueryPage::ShowTrainsStatus() {
  std::wstring status = TrainsStatus(shownRows_.size(), rows_.size(), rowsQuery_.date, rowsTime_, LocalToday());
  if (watching_) status += FormatText(TableString(status_text::kWatching), {std::to_wstring(watchSeconds_)});
  SetStatus(status);
}

void CQueryPage::OnWatchBoxClicked() {
  if (QueryBarBoxes::IsChecked(owner_.GetView(), kWatchBox))
    StartWatch();
  else
    StopWatch();
}

void CQueryPage::SetWatchBox(bool checked) { QueryBarBoxes::SetChecked(owner_.GetView(), kWatchBox, checked); }

void CQueryPage::StartWatch() {
  // The edit holds digits only; what it holds is kept within the bounds.
  const std::wstring typed = ReadWindowText(watchEdit_.GetHwnd());
  unsigned seconds = kDefaultWatchSeconds;
  if (!typed.empty() && typed.size() <= 6) seconds = static_cast<unsigned>(ParseDecimal(WideToUtf8(typed)));
  seconds = std::min(std::max(seconds, kMinWatchSeconds), kMaxWatchSeconds);
  SetWindowTextW(watchEdit_.GetHwnd(), std::to_wstring(seconds).c_str());
  // Tests shorten the pause through the environment.
  watchIntervalMs_ = EnvironmentMilliseconds(L"TAVORA_WATCH_INTERVAL_MS", seconds * 1000, kMaxWatchSeconds * 1000);
  watchSeconds_ = seconds;
  watching_ = true;
  SetWatchBox(true);
  // Every round asks for the stations and the day of the start, whatever is
  // typed later; a refused date starts no watch.
  if (!QueryToAsk(watchStations_)) {
    StopWatch();
    return;
  }
  watchPrevious_ = rows_;
  SetTimer(owner_.GetHwnd(), kWatchTimer, watchIntervalMs_, nullptr);
  OnWatchTimer();
}

void CQueryPage::StopWatch() {
  if (watching_) KillTimer(owner_.GetHwnd(), kWatchTimer);
  watching_ = false;
  roundIsWatch_ = false;
  SetWatchBox(false);
  trayNotice_.Remove();
  if (!changedTrains_.empty()) {
    changedTrains_.clear();
    listView_.RefreshRows();
  }
}

void CQueryPage::OnWatchTimer() {
  // A round still running (or a query of the user's) takes this turn.
  if (!watching_ || QueryRunning()) return;
  // Tickets for a day that has passed are sold no more: the watch ends.
  TravelDate date;
  const TravelDate today = LocalToday();
  if (ParseTravelDate(watchStations_.date, today, date) && date < today) {
    StopWatch();
    SetStatus(FormatText(TableString(status_text::kWatchDatePassed), {watchStations_.date}));
    return;
  }
  roundIsWatch_ = true;
  StartQueryRound(watchStations_);
}

void CQueryPage::OnWatchRows(const std::vector<TicketRow>& answer) {
  changedTrains_.clear();
  // A round without trains changes nothing: the next compares with the
  // last that had some.
  if (answer.empty()) return;
  if (!watchPrevious_.empty()) {
    for (const TicketRow& row : ChangesSince(watchPrevious_, answer).changed) {
      if (changedTrains_.size() == kMaxChangedRowMarks) break;
      changedTrains_.insert(row.trainCode);
    }
    const std::vector<SeatGain> gains = TicketsGained(watchPrevious_, answer);
    if (!gains.empty()) {
      const std::wstring seat = TableString(kFirstColumnTitle + kColumnFirstSeat + gains[0].seat);
      const std::wstring code = ShortenText(gains[0].trainCode, kMaxNoticeCodeChars);
      const std::wstring text = gains.size() == 1 ? FormatText(TableString(status_text::kGainedOne), {code, seat})
                                                  : FormatText(TableString(status_text::kGainedMore),
                                                               {code, seat, std::to_wstring(gains.size())});
      if (notices_.size() == kMaxWatchNotices) notices_.pop_front();
      notices_.push_back(text);
      FlashTaskbarButton(owner_.GetHwnd());
      const HICON icon = reinterpret_cast<HICON>(SendMessageW(owner_.GetHwnd(), WM_GETICON, ICON_SMALL, 0));
      trayNotice_.Show(owner_.GetHwnd(), kTrayMessage, icon, TableString(status_text::kNoticeTitle), text);
    }
  }
  watchPrevious_ = answer;
}

void CQueryPage::SetStatus(const std::wstring& text) {
  status_ = stationHint_.empty() ? text : text + L"  " + stationHint_;
  if (active_) owner_.GetView().SetElementText(kStatusText, status_);
}

std::wstring CQueryPage::StatusText() {
  const CBkWindow* status = owner_.GetView().FindElement(kStatusText);
  return status ? status->GetText() : std::wstring();
}

void CQueryPage::ShowRowCount() {
  if (const HWND list = listView_.GetHwnd())
    SendMessageW(list, LVM_SETITEMCOUNT, ListItemCount(shownRows_.size()), LVSICF_NOINVALIDATEALL);
}

void CQueryPage::ShowRows(bool fromTop) {
  RowFilter filter;
  filter.kinds = queryBarBoxes_.CheckedKinds(owner_.GetView());
  filter.availableOnly = AvailableOnly();
  filter.depart = departRange_;
  std::vector<TicketRow> shown = FilterRows(rows_, filter);
  if (sortColumn_ >= 0) SortRows(shown, sortColumn_, sortDescending_);
  shownRows_.swap(shown);
  ShowRowCount();
  if (fromTop && listView_.GetHwnd()) SendMessageW(listView_.GetHwnd(), LVM_ENSUREVISIBLE, 0, FALSE);
  listView_.RefreshRows();
}

void CQueryPage::OnQueryBarBoxClicked(int id) {
  if (queryBarBoxes_.OnBoxClicked(owner_.GetView(), id)) Refilter();
}

void CQueryPage::Refilter() {
  ShowRows(true);
  // The count of shown trains follows the filters; a query's own line waits.
  if (!rows_.empty() && !QueryRunning()) ShowTrainsStatus();
}

void CQueryPage::OnColumnClick(int column) {
  if (column < 0 || column >= kResultColumnCount) return;
  const int previous = sortColumn_;
  sortDescending_ = column == previous ? !sortDescending_ : SortsDescendingFirst(column);
  sortColumn_ = column;
  if (previous >= 0 && previous != column) ShowColumnTitle(previous);
  ShowColumnTitle(column);
  ShowRows(true);
}

namespace {

std::vector<std::wstring> ColumnTitles() {
  std::vector<std::wstring> titles;
  for (int i = 0; i < kResultColumnCount; ++i) titles.push_back(TableString(kFirstColumnTitle + i));
  return titles;
}

}  // namespace

void CQueryPage::CopyRows(bool all) {
  const std::vector<TicketRow> copied = RowsToCopy(listView_.GetHwnd(), shownRows_, all);
  if (CopyTextToClipboard(owner_.GetHwnd(), RowsAsTabText(ColumnTitles(), copied)))
    SetStatus(FormatText(TableString(status_text::kCopied), {std::to_wstring(copied.size())}));
}

void CQueryPage::ExportRows() {
  std::wstring path;
  if (AskCsvPath(owner_.GetHwnd(), TableString(status_text::kExportName), exportFolder_, path)) ExportRowsTo(path);
}

bool CQueryPage::ExportRowsTo(const std::wstring& path) {
  const bool written = WriteFileWhole(path, RowsAsCsv(ColumnTitles(), shownRows_));
  SetStatus(written ? FormatText(TableString(status_text::kExported), {std::to_wstring(shownRows_.size()), path})
                    : FormatText(TableString(status_text::kNotWritten), {path}));
  return written;
}

void CQueryPage::ShowRowMenu(POINT at) {
  rowMenu_.Show(owner_.GetHwnd(), at, [this](int item) { OnRowMenuChosen(item); });
}

void CQueryPage::OnRowMenuChosen(int item) {
  if (item == CRowMenu::kCopy) CopyRows(false);
  if (item == CRowMenu::kCopyAll) CopyRows(true);
  if (item == CRowMenu::kExport) ExportRows();
}

void CQueryPage::ApplySettings(const QuerySettings& settings) {
  SetWindowTextW(fromBox_.GetHwnd(), settings.from.c_str());
  SetWindowTextW(toBox_.GetHwnd(), settings.to.c_str());
  queryBarBoxes_.SetCheckedKinds(owner_.GetView(), settings.kinds);
  queryBarBoxes_.SetReturnTrip(owner_.GetView(), settings.returnTrip);
  // A remembered day that has passed (or is no longer on sale) gives way to
  // today.
  TravelDate date;
  const TravelDate today = LocalToday();
  dateBox_.Show(!settings.date.empty() && CheckTravelDate(settings.date, today, date) == DateCheck::Valid ? date
                                                                                                          : today);
  QueryBarBoxes::SetChecked(owner_.GetView(), kAvailableBox, settings.availableOnly);
  SetDepartFilter(settings.departRange);
  const int previous = sortColumn_;
  sortColumn_ = settings.sortColumn >= 0 && settings.sortColumn < kResultColumnCount ? settings.sortColumn : -1;
  sortDescending_ = sortColumn_ >= 0 && settings.sortDescending;
  if (previous >= 0) ShowColumnTitle(previous);
  if (sortColumn_ >= 0) ShowColumnTitle(sortColumn_);
  if (settings.columnWidths.size() == static_cast<size_t>(kResultColumnCount))
    ApplyColumnWidths(listView_.GetHwnd(), settings.columnWidths, appliedDpi_);
  else
    SizeTableColumns(listView_.GetHwnd(), kFirstColumnWidth, kResultColumnCount, appliedDpi_);
  ShowRows(true);
}

QuerySettings CQueryPage::CurrentSettings() {
  QuerySettings settings;
  const QueryStations stations =
      MakeQueryStations(ReadWindowText(fromBox_.GetHwnd()), ReadWindowText(toBox_.GetHwnd()));
  settings.from = stations.from.substr(0, QuerySettings::kMaxStationChars);
  settings.to = stations.to.substr(0, QuerySettings::kMaxStationChars);
  settings.kinds = queryBarBoxes_.CheckedKinds(owner_.GetView());
  settings.returnTrip = queryBarBoxes_.ReturnTripChecked(owner_.GetView());
  settings.sortColumn = sortColumn_;
  settings.sortDescending = sortDescending_;
  // Today is what an empty value means: a window left on today writes nothing.
  TravelDate date;
  if (dateBox_.Read(date) == DateCheck::Valid && date != LocalToday()) settings.date = FormatTravelDate(date);
  settings.availableOnly = AvailableOnly();
  settings.departRange = departRange_;
  // The string table's widths are what an empty value means.
  std::vector<int> widths = ReadColumnWidths(listView_.GetHwnd(), kResultColumnCount, appliedDpi_);
  for (int& width : widths) width = std::max(1, std::min(width, QuerySettings::kMaxColumnWidth));
  bool defaults = true;
  for (int i = 0; i < kResultColumnCount && i < static_cast<int>(widths.size()); ++i)
    defaults = defaults && widths[static_cast<size_t>(i)] == TableColumnWidth(kFirstColumnWidth, i);
  if (!defaults && widths.size() == static_cast<size_t>(kResultColumnCount)) settings.columnWidths = widths;
  return settings;
}

void CQueryPage::ShowColumnTitle(int column) {
  const HWND list = listView_.GetHwnd();
  if (!list) return;
  std::wstring title = TableString(kFirstColumnTitle + column);
  if (column == sortColumn_) title.insert(0, sortDescending_ ? kDescendingMark : kAscendingMark);
  LVCOLUMNW item = {};
  item.mask = LVCF_TEXT;
  item.pszText = title.data();
  SendMessageW(list, LVM_SETCOLUMNW, column, reinterpret_cast<LPARAM>(&item));
}

void CQueryPage::OnAnimationTimer() {
  const int frame = animationCounter_ % kBusyFrames;
  if (animationCounter_ < INT_MAX) ++animationCounter_;
  owner_.GetView().SetElementIntAttribute(kBusyImage, "sub", frame);
}

LRESULT CQueryPage::OnListItemRefresh(const RowDataNotify& notify) {
  const int index = notify.row;
  const bool inRows = index >= 0 && static_cast<size_t>(index) < shownRows_.size();
  const bool changed =
      inRows && !notify.selected && changedTrains_.count(shownRows_[static_cast<size_t>(index)].trainCode);
  listView_.SetElementAttribute(5, "crbg", changed ? kChangedRowColour : RowColour(index, notify.selected != 0));
  ApplyContrastRowColours(listView_, 5, kRowTextIds, notify.selected != 0, changed);
  if (!inRows) {
    for (const int id : kRowTextIds) listView_.SetElementText(id, std::wstring());
    return 0;
  }
  const std::vector<std::wstring> texts = RowTexts(shownRows_[static_cast<size_t>(index)]);
  for (size_t i = 0; i < texts.size(); ++i) listView_.SetElementText(kRowTextIds[i], texts[i]);
  for (int column = kColumnFirstSeat; column <= kColumnLastSeat; ++column) {
    const bool has = HasTickets(texts[static_cast<size_t>(column)]);
    listView_.SetElementAttribute(kRowTextIds[column], "crtext",
                                  has ? kSeatWithTicketsColour : kSeatWithoutTicketsColour);
  }
  return 0;
}
