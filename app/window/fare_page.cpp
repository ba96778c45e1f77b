#include "app/window/fare_page.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/core/query_request.h"
#include "app/core/ticket_csv.h"
#include "app/platform/window_text.h"
#include "app/window/main_dialog.h"
#include "app/window/query_page.h"
#include "app/window/query_status.h"
#include "app/window/row_export.h"
#include "skin/host/view_notifications.h"
#include "skin/resources/dpi_scale.h"
#include "skin/resources/font_pool.h"

namespace {

constexpr int kFirstColumnWidth = 170;  // strings 170.. widths of the 13 columns
constexpr int kRunningText = 183;       // asking for the fares from %1 to %2
constexpr int kExportName = 184;        // the file name the save dialog offers
constexpr unsigned kEditFontId = 0x100;
constexpr wchar_t kAscendingMark[] = L"\u25B2";
constexpr wchar_t kDescendingMark[] = L"\u25BC";

std::wstring FareOutcomeStatus(const FareResult& result, const std::wstring& earlierTime) {
  QueryResult ticket;
  ticket.failure = result.failure;
  ticket.message = result.message;
  ticket.stations = result.stations;
  switch (result.outcome) {
    case FareOutcome::MissingStation:
      ticket.outcome = QueryOutcome::MissingStation;
      break;
    case FareOutcome::NoPage:
      ticket.outcome = QueryOutcome::NoPage;
      break;
    case FareOutcome::NoResultTable:
      ticket.outcome = QueryOutcome::NoResultTable;
      break;
    case FareOutcome::SiteMessage:
      ticket.outcome = QueryOutcome::SiteMessage;
      break;
    case FareOutcome::PageTooLarge:
      ticket.outcome = QueryOutcome::PageTooLarge;
      break;
    case FareOutcome::OutOfMemory:
      ticket.outcome = QueryOutcome::OutOfMemory;
      break;
    case FareOutcome::RowsReplaced:
      ticket.outcome = QueryOutcome::RowsReplaced;
      break;
  }
  // The ticket query's words: a fare query fails the same ways.
  return OutcomeStatus(ticket, std::wstring(), earlierTime);
}

}  // namespace

CFarePage::CFarePage(CMainDlg& owner, const wchar_t* queryHost)
    : owner_(owner),
      fromBox_(owner.Stations()),
      toBox_(owner.Stations()),
      dateBox_({kDateEditId, kDateFrame, kCalendarButton}),
      session_(std::make_shared<QuerySession>(queryHost)) {
  cheapest_.fill(-1);
}

CFarePage::~CFarePage() {
  session_->Close();
  worker_.Close(CQueryPage::kWorkerJoinMs);
}

void CFarePage::SetUp() {
  CBkDialogView& view = owner_.GetView();
  listView_.Create(view.GetHwnd(), kListId);
  listFont_.Attach(listView_.GetHwnd());
  const HFONT font = BkFontPool::GetScaledFont(kEditFontId, owner_.GetDpi());
  fromBox_.Create(view.GetHwnd(), kFromEditId, font, TableString(70));
  toBox_.Create(view.GetHwnd(), kToEditId, font, TableString(71));
  dateBox_.Create(view, font);
  // Before any answer: the train's columns and every class.
  for (int column = 0; column < kFareColumnCount; ++column) columns_.push_back(column);
  BuildColumns();
  ApplyDpi(owner_.GetDpi());
  view.ShowHostedWindows();
}

void CFarePage::ApplyDpi(int dpi) {
  if (dpi == appliedDpi_) return;
  appliedDpi_ = dpi;
  BuildColumns();
  listFont_.Apply(listView_.GetHwnd(), dpi);
  const HFONT font = BkFontPool::GetScaledFont(kEditFontId, dpi);
  for (const HWND edit : {fromBox_.GetHwnd(), toBox_.GetHwnd(), dateBox_.GetHwnd()}) {
    if (edit) SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
}

void CFarePage::BuildColumns() {
  const HWND list = listView_.GetHwnd();
  if (!list) return;
  const int dpi = owner_.GetDpi();
  if (builtDpi_ == 0) {
    for (int column = 0; column < kFareColumnCount; ++column)
      widths_[static_cast<size_t>(column)] = TableColumnWidth(kFirstColumnWidth, column);
  } else {
    const std::vector<int> shown = ReadColumnWidths(list, static_cast<int>(builtColumns_.size()), builtDpi_);
    for (size_t i = 0; i < shown.size(); ++i) {
      const int column = builtColumns_[i];
      if (column >= 0 && column < kFareColumnCount)
        widths_[static_cast<size_t>(column)] = std::max(1, std::min(shown[i], kMaxColumnWidth));
    }
  }
  builtColumns_ = columns_;
  builtDpi_ = dpi;
  while (ListView_DeleteColumn(list, 0)) {
  }
  // The row template places one cell per column, as wide as its header.
  std::string cells;
  std::vector<int> cellBoxes;
  int left = 0;
  for (size_t i = 0; i < columns_.size(); ++i) {
    const int column = columns_[i];
    std::wstring title = FareColumnTitle(column);
    if (column == sortColumn_) title.insert(0, sortDescending_ ? kDescendingMark : kAscendingMark);
    const int width = column >= 0 && column < kFareColumnCount ? widths_[static_cast<size_t>(column)]
                                                               : TableColumnWidth(kFirstColumnWidth, column);
    LVCOLUMNW item = {};
    item.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    item.fmt = LVCFMT_LEFT;
    item.cx = ScaleToDpi(width, dpi);
    item.pszText = title.data();
    item.iSubItem = static_cast<int>(i);
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&item));
    cellBoxes.push_back(kFirstCellBoxId + static_cast<int>(i));
    cells += "<dlg id=\"" + std::to_string(cellBoxes.back()) + "\" pos=\"" + std::to_string(left) + ",0," +
             std::to_string(left + width) + ",-0\" transparent=\"1\"><text id=\"" +
             std::to_string(kFirstCellId + static_cast<int>(i)) + "\" pos=\"2,0,-0,-0\" class=\"dt_8034\"/></dlg>";
    left += width;
  }
  listView_.LoadTemplate("<listitem height=\"24\"><dlg pos=\"0,0,-0,-0\"><link id=\"5\" pos=\"0,0,-0,-0\"/>" + cells +
                         "<hr pos=\"0,-1,-0,-1\" crbg=\"CCCCCC\" hc-crbg=\"graytext\"/></dlg></listitem>");
  listView_.SetColumnCells(std::move(cellBoxes));
  SendMessageW(list, LVM_SETITEMCOUNT, ListItemCount(shownRows_.size()), LVSICF_NOINVALIDATEALL);
  listView_.RefreshRows();
}

bool CFarePage::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case kDpiChangedMessage:
      ApplyDpi(owner_.GetDpi());
      return false;
    case WM_COMMAND:
      return dateBox_.OnCommand(wParam, lParam) || fromBox_.OnCommand(wParam, lParam) ||
             toBox_.OnCommand(wParam, lParam);
    case WM_TIMER:
      result = 0;
      return busy_.OnTimer(owner_, wParam);
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (!header) return false;
      if (header->idFrom == VIEW_ID && header->code == SKN_COMMAND) {
        const int item = static_cast<int>(reinterpret_cast<const CommandNotify*>(header)->uItemID);
        if (item == kSearchButton) {
          StartQuery();
        } else if (item == kSwapLink) {
          SwapStations();
        } else if (!dateBox_.OnElementCommand(item)) {
          return false;
        }
        result = 1;
        return true;
      }
      if (const int shown = DividerDoubleClicked(listView_.GetHwnd(), *header); shown >= 0) {
        // Fitted here, where the rows' texts are known; 1 keeps the list
        // from sizing the column by its own (empty) items.
        if (static_cast<size_t>(shown) < columns_.size()) {
          const int column = columns_[static_cast<size_t>(shown)];
          FitColumnToTexts(listView_.GetHwnd(), shown, shownRows_.size(), builtDpi_,
                           [&](size_t row) { return FareRowTexts(shownRows_[row])[static_cast<size_t>(column)]; });
        }
        result = 1;
        return true;
      }
      if (header->idFrom != kListId) return false;
      if (header->code == SKLN_GETROWDATA) {
        result = OnListItemRefresh(*reinterpret_cast<const RowDataNotify*>(header));
      } else if (header->code == SKLN_GETROWTEXT) {
        // The shown columns, in the order the list shows them.
        AnswerRowText(*reinterpret_cast<RowTextNotify*>(lParam), shownRows_.size(), [this](size_t row) {
          const std::vector<std::wstring> texts = FareRowTexts(shownRows_[row]);
          std::vector<std::wstring> cells;
          for (const int column : columns_) cells.push_back(texts[static_cast<size_t>(column)]);
          return cells;
        });
      } else if (header->code == LVN_COLUMNCLICK) {
        OnColumnClick(reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
      } else if (header->code == LVN_KEYDOWN) {
        const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
        if (key->wVKey == 'C' && GetKeyState(VK_CONTROL) < 0) CopyRows(false);
      } else if (header->code == static_cast<UINT>(NM_RCLICK)) {
        POINT at = {};
        GetCursorPos(&at);
        rowMenu_.Show(owner_.GetHwnd(), at, [this](int chosen) { OnRowMenuChosen(chosen); });
      } else if (header->code == SKLN_ROWMENU) {
        rowMenu_.Show(owner_.GetHwnd(), reinterpret_cast<const RowMenuNotify*>(header)->at,
                      [this](int chosen) { OnRowMenuChosen(chosen); });
      } else {
        return false;
      }
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

void CFarePage::SetActive(bool active) {
  active_ = active;
  if (!active) {
    CloseDropDowns();
    return;
  }
  owner_.GetView().SetElementText(CQueryPage::kStatusText, status_);
  // The kinds may have changed on the ticket page meanwhile.
  ShowRows();
}

void CFarePage::SetStatus(const std::wstring& text) {
  status_ = stationHint_.empty() ? text : text + L"  " + stationHint_;
  if (active_) owner_.GetView().SetElementText(CQueryPage::kStatusText, status_);
}

void CFarePage::CloseDropDowns(HWND keep) {
  for (CStationBox* box : {&fromBox_, &toBox_}) {
    if (box->GetHwnd() != keep) box->CloseDropDown();
  }
}

void CFarePage::SwapStations() {
  const std::wstring from = ReadWindowText(fromBox_.GetHwnd());
  const std::wstring to = ReadWindowText(toBox_.GetHwnd());
  SetWindowTextW(fromBox_.GetHwnd(), to.c_str());
  SetWindowTextW(toBox_.GetHwnd(), from.c_str());
}

void CFarePage::StartQuery() {
  if (QueryRunning()) return;
  stationHint_.clear();
  TravelDate date;
  const DateCheck check = dateBox_.Read(date);
  if (check != DateCheck::Valid) {
    dateBox_.SetInvalid(true);
    SetStatus(DateRefusal(check, ReadWindowText(dateBox_.GetHwnd()), date, LocalToday()));
    return;
  }
  dateBox_.Show(date);
  QueryStations query = StationsToAsk(fromBox_, toBox_, FormatTravelDate(date), stationHint_);
  SetStatus(FormatText(TableString(kRunningText), {query.from, query.to}));
  const bool started =
      worker_.Start(FareJob(session_, std::move(query)), [this](FareResult result) { OnQueryDone(std::move(result)); });
  busy_.Begin(owner_);
  if (!started) busy_.End(owner_);
}

void CFarePage::OnQueryDone(FareResult result) {
  busy_.End(owner_);
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  const std::wstring answerTime = FormatClock(now);
  if (result.outcome != FareOutcome::RowsReplaced || result.rows.empty()) {
    SetStatus(FareOutcomeStatus(result, rows_.empty() ? std::wstring() : rowsTime_));
    if (result.outcome != FareOutcome::RowsReplaced) return;
  }
  rows_ = std::move(result.rows);
  rowsTime_ = answerTime;
  rowsQuery_ = std::move(result.stations);
  ShowRows();
  if (!rows_.empty())
    SetStatus(TrainsStatus(shownRows_.size(), rows_.size(), rowsQuery_.date, rowsTime_, LocalToday()));
  if (const HWND list = listView_.GetHwnd()) SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
}

void CFarePage::ShowRows() {
  std::vector<FareRow> shown = FilterFareRows(rows_, owner_.QueryPage().CheckedKinds());
  if (sortColumn_ >= 0) SortFareRows(shown, sortColumn_, sortDescending_);
  shownRows_.swap(shown);
  cheapest_ = CheapestFares(shownRows_);
  // The train's six columns, then the classes the answer has (every class
  // before the first answer).
  std::vector<int> columns;
  for (int column = 0; column < kFareFirstClassColumn; ++column) columns.push_back(column);
  for (const int fareClass : rows_.empty() ? std::vector<int>{} : FareClassesPresent(rows_))
    columns.push_back(kFareFirstClassColumn + fareClass);
  if (rows_.empty())
    for (int fareClass = 0; fareClass < kFareClassCount; ++fareClass)
      columns.push_back(kFareFirstClassColumn + fareClass);
  if (columns != columns_) {
    columns_ = columns;
    BuildColumns();
  } else if (const HWND list = listView_.GetHwnd()) {
    SendMessageW(list, LVM_SETITEMCOUNT, ListItemCount(shownRows_.size()), LVSICF_NOINVALIDATEALL);
  }
  listView_.RefreshRows();
}

void CFarePage::OnColumnClick(int index) {
  if (index < 0 || static_cast<size_t>(index) >= columns_.size()) return;
  const int column = columns_[static_cast<size_t>(index)];
  // Fares first from the cheapest; a second click reverses.
  sortDescending_ = column == sortColumn_ ? !sortDescending_ : false;
  sortColumn_ = column;
  std::vector<FareRow> shown = FilterFareRows(rows_, owner_.QueryPage().CheckedKinds());
  SortFareRows(shown, sortColumn_, sortDescending_);
  shownRows_.swap(shown);
  BuildColumns();
  if (const HWND list = listView_.GetHwnd()) SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
}

LRESULT CFarePage::OnListItemRefresh(const RowDataNotify& notify) {
  const int index = notify.row;
  const bool inRows = index >= 0 && static_cast<size_t>(index) < shownRows_.size();
  listView_.SetElementAttribute(5, "crbg", RowColour(index, notify.selected != 0));
  ApplyContrastRowColours(listView_, 5, CellIdRange{kFirstCellId, static_cast<int>(columns_.size())},
                          notify.selected != 0, false);
  std::vector<std::wstring> texts;
  if (inRows) texts = FareRowTexts(shownRows_[static_cast<size_t>(index)]);
  for (size_t i = 0; i < columns_.size(); ++i) {
    const int column = columns_[i];
    const int id = kFirstCellId + static_cast<int>(i);
    listView_.SetElementText(id, inRows ? texts[static_cast<size_t>(column)] : std::wstring());
    bool cheapest = false;
    if (inRows && column >= kFareFirstClassColumn) {
      const int fareClass = column - kFareFirstClassColumn;
      const int amount = ParseFareTenths(shownRows_[static_cast<size_t>(index)].fares[static_cast<size_t>(fareClass)]);
      cheapest = amount >= 0 && amount == cheapest_[static_cast<size_t>(fareClass)];
    }
    listView_.SetElementAttribute(id, "crtext", cheapest ? kCheapestColour : "000000");
  }
  return 0;
}

void CFarePage::CopyRows(bool all) {
  const std::vector<FareRow> copied = RowsToCopy(listView_.GetHwnd(), shownRows_, all);
  std::vector<std::wstring> titles;
  for (int column = 0; column < kFareColumnCount; ++column) titles.push_back(FareColumnTitle(column));
  if (CopyTextToClipboard(owner_.GetHwnd(), CellsAsTabText(titles, FareRowsAsCells(copied, false))))
    SetStatus(FormatText(TableString(status_text::kCopied), {std::to_wstring(copied.size())}));
}

void CFarePage::OnRowMenuChosen(int item) {
  if (item == CRowMenu::kCopy) CopyRows(false);
  if (item == CRowMenu::kCopyAll) CopyRows(true);
  std::wstring path;
  if (item == CRowMenu::kExport && AskCsvPath(owner_.GetHwnd(), TableString(kExportName), exportFolder_, path))
    ExportRowsTo(path);
}

bool CFarePage::ExportRowsTo(const std::wstring& path) {
  std::vector<std::wstring> titles;
  for (int column = 0; column < kFareColumnCount; ++column) titles.push_back(FareColumnTitle(column));
  const bool written = WriteFileWhole(path, CellsAsCsv(titles, FareRowsAsCells(shownRows_, true)));
  SetStatus(written ? FormatText(TableString(status_text::kExported), {std::to_wstring(shownRows_.size()), path})
                    : FormatText(TableString(status_text::kNotWritten), {path}));
  return written;
}
