#include "app/window/timetable_page.h"

#include <commctrl.h>

#include <utility>
#include <vector>

#include "app/core/query_request.h"
#include "app/platform/window_text.h"
#include "app/window/main_dialog.h"
#include "app/window/query_page.h"
#include "app/window/query_status.h"
#include "skin/host/view_notifications.h"
#include "skin/resources/dpi_scale.h"
#include "skin/resources/font_pool.h"

namespace {

constexpr int kFirstColumnTitle = 110;
constexpr int kFirstColumnWidth = 120;
constexpr int kCodeHintText = 140;
constexpr int kFirstCellId = 21020;
// The cells holding those texts, which follow the columns' widths.
constexpr int kFirstCellBoxId = 21010;
constexpr unsigned kEditFontId = 0x100;

}  // namespace

CTimetablePage::CTimetablePage(CMainDlg& owner, const wchar_t* queryHost)
    : owner_(owner),
      dateBox_({kDateEditId, kDateFrame, kCalendarButton}),
      session_(std::make_shared<QuerySession>(queryHost)) {}

CTimetablePage::~CTimetablePage() {
  session_->Close();
  worker_.Close(CQueryPage::kWorkerJoinMs);
}

void CTimetablePage::SetUp() {
  CBkDialogView& view = owner_.GetView();
  listView_.Create(view.GetHwnd(), kListId);
  listView_.LoadTemplateResource(109);
  std::vector<int> cells;
  for (int column = 0; column < kTimetableColumnCount; ++column) cells.push_back(kFirstCellBoxId + column);
  listView_.SetColumnCells(std::move(cells));
  const int dpi = owner_.GetDpi();
  listFont_.Attach(listView_.GetHwnd());
  InsertTableColumns(listView_.GetHwnd(), kFirstColumnTitle, kFirstColumnWidth, kTimetableColumnCount, dpi);
  if (const HWND list = listView_.GetHwnd())
    SendMessageW(list, LVM_SETITEMCOUNT, ListItemCount(0), LVSICF_NOINVALIDATEALL);

  const HFONT font = BkFontPool::GetScaledFont(kEditFontId, dpi);
  if (const HWND window = codeEdit_.Create(view.GetHwnd())) {
    SetWindowLongPtrW(window, GWLP_ID, kCodeEditId);
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageW(window, EM_LIMITTEXT, 32, 0);
    codeEdit_.SetHintText(TableString(kCodeHintText));
  }
  dateBox_.Create(view, font);
  ApplyDpi(dpi);
  view.ShowHostedWindows();
}

void CTimetablePage::ApplyDpi(int dpi) {
  if (dpi == appliedDpi_) return;
  // Widths the user gave the columns are kept at the new scale.
  if (appliedDpi_ > 0)
    ApplyColumnWidths(listView_.GetHwnd(), ReadColumnWidths(listView_.GetHwnd(), kTimetableColumnCount, appliedDpi_),
                      dpi);
  else
    SizeTableColumns(listView_.GetHwnd(), kFirstColumnWidth, kTimetableColumnCount, dpi);
  appliedDpi_ = dpi;
  listFont_.Apply(listView_.GetHwnd(), dpi);
  const HFONT font = BkFontPool::GetScaledFont(kEditFontId, dpi);
  for (const HWND edit : {codeEdit_.GetHwnd(), dateBox_.GetHwnd()}) {
    if (edit) SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
}

bool CTimetablePage::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case kDpiChangedMessage:
      ApplyDpi(owner_.GetDpi());
      return false;
    case WM_COMMAND:
      return dateBox_.OnCommand(wParam, lParam);
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
          result = 1;
          return true;
        }
        if (dateBox_.OnElementCommand(item)) {
          result = 1;
          return true;
        }
        return false;
      }
      if (header->idFrom == kListId && header->code == SKLN_GETROWDATA) {
        result = OnListItemRefresh(*reinterpret_cast<const RowDataNotify*>(header));
        return true;
      }
      if (header->idFrom == kListId && header->code == SKLN_GETROWTEXT) {
        AnswerRowText(*reinterpret_cast<RowTextNotify*>(lParam), texts_.size(),
                      [this](size_t row) { return texts_[row]; });
        result = 0;
        return true;
      }
      if (const int column = DividerDoubleClicked(listView_.GetHwnd(), *header); column >= 0) {
        if (column < kTimetableColumnCount)
          FitColumnToTexts(listView_.GetHwnd(), column, texts_.size(), appliedDpi_,
                           [&](size_t row) { return texts_[row][static_cast<size_t>(column)]; });
        result = 1;
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

void CTimetablePage::SetActive(bool active) {
  active_ = active;
  if (active) owner_.GetView().SetElementText(CQueryPage::kStatusText, status_);
}

void CTimetablePage::SetStatus(const std::wstring& text) {
  status_ = text;
  if (active_) owner_.GetView().SetElementText(CQueryPage::kStatusText, text);
}

void CTimetablePage::StartQuery() {
  if (QueryRunning()) return;
  const std::wstring typed = ReadWindowText(codeEdit_.GetHwnd());
  std::wstring code;
  if (typed.find_first_not_of(L" \t\u3000") == std::wstring::npos) {
    SetStatus(TableString(timetable_text::kMissingCode));
    return;
  }
  if (!NormalizeTrainCode(typed, code)) {
    SetStatus(TableString(timetable_text::kBadCode));
    return;
  }
  TravelDate date;
  const DateCheck check = dateBox_.Read(date);
  if (check != DateCheck::Valid) {
    dateBox_.SetInvalid(true);
    SetStatus(DateRefusal(check, ReadWindowText(dateBox_.GetHwnd()), date, LocalToday()));
    return;
  }
  SetWindowTextW(codeEdit_.GetHwnd(), code.c_str());
  dateBox_.Show(date);
  // A query typed by hand marks no stations.
  markFrom_.clear();
  markTo_.clear();
  StartRound(TimetableQuery{code, FormatTravelDate(date)});
}

void CTimetablePage::ShowTrain(const std::wstring& code, const TravelDate& date, const std::wstring& from,
                               const std::wstring& to) {
  if (QueryRunning()) return;
  SetWindowTextW(codeEdit_.GetHwnd(), code.c_str());
  dateBox_.Show(date);
  std::wstring normalized;
  if (!NormalizeTrainCode(code, normalized)) {
    SetStatus(TableString(timetable_text::kBadCode));
    return;
  }
  markFrom_ = from;
  markTo_ = to;
  StartRound(TimetableQuery{normalized, FormatTravelDate(date)});
}

void CTimetablePage::StartRound(TimetableQuery query) {
  SetStatus(FormatText(TableString(timetable_text::kRunning), {query.code}));
  const bool started = worker_.Start(TimetableJob(session_, std::move(query)),
                                     [this](TimetableResult result) { OnQueryDone(std::move(result)); });
  busy_.Begin(owner_);
  if (!started) busy_.End(owner_);
}

void CTimetablePage::OnQueryDone(TimetableResult result) {
  busy_.End(owner_);
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  SetStatus(TimetableStatus(result, FormatClock(now), LocalToday()));
  if (result.outcome != TimetableOutcome::Stops) return;
  stops_ = std::move(result.stops);
  texts_ = TimetableTexts(stops_);
  if (const HWND list = listView_.GetHwnd()) {
    SendMessageW(list, LVM_SETITEMCOUNT, ListItemCount(stops_.size()), LVSICF_NOINVALIDATEALL);
    SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
  }
  listView_.RefreshRows();
}

bool CTimetablePage::IsMarked(size_t index) const {
  if (index >= stops_.size()) return false;
  const std::wstring& station = stops_[index].station;
  return !station.empty() && (station == markFrom_ || station == markTo_);
}

LRESULT CTimetablePage::OnListItemRefresh(const RowDataNotify& notify) {
  const int index = notify.row;
  const bool inRows = index >= 0 && static_cast<size_t>(index) < texts_.size();
  const bool marked = inRows && !notify.selected && IsMarked(static_cast<size_t>(index));
  listView_.SetElementAttribute(5, "crbg", marked ? kStationRowColour : RowColour(index, notify.selected != 0));
  ApplyContrastRowColours(listView_, 5, CellIdRange{kFirstCellId, kTimetableColumnCount}, notify.selected != 0, marked);
  for (int column = 0; column < kTimetableColumnCount; ++column) {
    listView_.SetElementText(kFirstCellId + column,
                             inRows ? texts_[static_cast<size_t>(index)][static_cast<size_t>(column)] : std::wstring());
  }
  return 0;
}
