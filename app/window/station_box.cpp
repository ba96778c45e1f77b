#include "app/window/station_box.h"

#include "app/platform/window_text.h"
#include "app/window/query_status.h"

HWND CStationBox::Create(HWND parent, int id, HFONT font, const std::wstring& hint) {
  const HWND window = edit_.Create(parent);
  if (!window) return nullptr;
  SetWindowLongPtrW(window, GWLP_ID, id);
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  edit_.SetHintText(hint);
  return window;
}

bool CStationBox::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (!edit_.GetHwnd() || reinterpret_cast<HWND>(lParam) != edit_.GetHwnd()) return false;
  if (HIWORD(wParam) == EN_CHANGE) Complete();
  if (HIWORD(wParam) == EN_KILLFOCUS) dropDown_.Close();
  return true;
}

void CStationBox::Complete() {
  const HWND box = edit_.GetHwnd();
  // Text set by the program (a remembered query, a swap, a taken station)
  // completes nothing.
  if (GetFocus() != box) {
    dropDown_.Close();
    return;
  }
  const StationList& list = catalog_.List();
  std::vector<std::string> pinyin;
  shown_.clear();
  for (const StationMatch& match : MatchStations(list, ReadWindowText(box))) {
    shown_.push_back(list.Stations()[match.index].name);
    pinyin.push_back(list.Stations()[match.index].pinyin);
  }
  if (shown_.empty() || !dropDown_.Show(box, shown_, pinyin, [this](int index) { Take(index); })) dropDown_.Close();
}

void CStationBox::Take(int index) {
  dropDown_.Close();
  if (index < 0 || static_cast<size_t>(index) >= shown_.size()) return;
  const HWND box = edit_.GetHwnd();
  SetWindowTextW(box, shown_[static_cast<size_t>(index)].c_str());
  // EN_CHANGE has reopened the list for the new text: the choice is made.
  dropDown_.Close();
  const int end = GetWindowTextLengthW(box);
  SendMessageW(box, EM_SETSEL, end, end);
}

bool CStationBox::OnKey(WPARAM key) {
  if (!dropDown_.IsShown()) {
    // Down opens the list for the text already typed.
    if (key != VK_DOWN || GetWindowTextLengthW(edit_.GetHwnd()) == 0) return false;
    Complete();
    return true;
  }
  switch (key) {
    case VK_DOWN:
      dropDown_.Highlight(dropDown_.Highlighted() + 1);
      return true;
    case VK_UP:
      dropDown_.Highlight(dropDown_.Highlighted() - 1);
      return true;
    case VK_RETURN:
      Take(dropDown_.Highlighted());
      return true;
    case VK_ESCAPE:
      dropDown_.Close();
      return true;
    case VK_TAB:
      // Taken, then Tab moves on as it always does.
      Take(dropDown_.Highlighted());
      return false;
    default:
      return false;
  }
}

bool CStationBox::CStationEdit::ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                                     LRESULT& result) {
  if (message == WM_KEYDOWN && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0 && box_.OnKey(wParam)) {
    result = 0;
    return true;
  }
  return CEditImpl::ProcessWindowMessage(hwnd, message, wParam, lParam, result);
}

std::wstring CStationBox::StationToAsk(std::wstring& hint) {
  hint.clear();
  const HWND box = edit_.GetHwnd();
  const std::wstring typed = ReadWindowText(box);
  const StationList& list = catalog_.List();
  if (const Station* station = list.Find(NormalizeStationText(typed))) {
    if (station->name != typed) SetWindowTextW(box, station->name.c_str());
    return station->name;
  }
  const std::wstring asked = TrimStationName(typed);
  // Only a text in the form of a name gets the hint: codes and other words
  // the site may take are none of the list's business.
  if (asked.empty() || list.Empty() || !IsStationNameForm(typed)) return asked;
  const std::vector<std::wstring> meant = SuggestStations(list, typed);
  std::wstring names;
  for (const std::wstring& name : meant) names += (names.empty() ? L"" : L"\u3001") + name;
  hint = names.empty() ? FormatText(TableString(status_text::kUnknownStation), {asked})
                       : FormatText(TableString(status_text::kUnknownStationMeant), {asked, names});
  return asked;
}

QueryStations StationsToAsk(CStationBox& from, CStationBox& to, const std::wstring& date, std::wstring& hint) {
  from.CloseDropDown();
  to.CloseDropDown();
  std::wstring fromHint;
  std::wstring toHint;
  QueryStations stations = MakeQueryStations(from.StationToAsk(fromHint), to.StationToAsk(toHint), date);
  hint = fromHint + (fromHint.empty() || toHint.empty() ? L"" : L"  ") + toHint;
  return stations;
}
