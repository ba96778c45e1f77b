#include "app/window/date_box.h"

#include <algorithm>

#include "app/platform/window_text.h"
#include "skin/host/dialog_view.h"

TravelDate LocalToday() {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  return TravelDate{now.wYear, now.wMonth, now.wDay};
}

HWND CDateBox::Create(CBkDialogView& view, HFONT font) {
  view_ = &view;
  const HWND window = edit_.Create(view.GetHwnd());
  if (!window) return nullptr;
  SetWindowLongPtrW(window, GWLP_ID, ids_.edit);
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  SendMessageW(window, EM_LIMITTEXT, 32, 0);
  const std::wstring today = FormatTravelDate(LocalToday());
  // An emptied box asks for today, and says so in grey.
  edit_.SetHintText(today);
  SetWindowTextW(window, today.c_str());
  return window;
}

DateCheck CDateBox::Read(TravelDate& date) const {
  const TravelDate today = LocalToday();
  const std::wstring text = ReadWindowText(edit_.GetHwnd());
  if (text.find_first_not_of(L" \t\u3000") == std::wstring::npos) {
    date = today;
    return DateCheck::Valid;
  }
  return CheckTravelDate(text, today, date);
}

void CDateBox::Show(const TravelDate& date) {
  SetWindowTextW(edit_.GetHwnd(), FormatTravelDate(date).c_str());
  SetInvalid(false);
}

void CDateBox::SetInvalid(bool invalid) {
  if (invalid == invalid_ || !view_) return;
  invalid_ = invalid;
  view_->SetElementAttribute(ids_.frame, "skin", invalid ? "edit_bg_invalid" : "edit_bg");
  view_->RedrawElement(view_->FindElement(ids_.frame), true);
  // The edit box sits on the frame: it paints again over the new one.
  if (edit_.GetHwnd()) InvalidateRect(edit_.GetHwnd(), nullptr, TRUE);
}

void CDateBox::Step(int days) {
  const TravelDate today = LocalToday();
  TravelDate date;
  if (Read(date) == DateCheck::NotADate) date = today;
  date = AddDays(date, days);
  const TravelDate last = AddDays(today, kPresaleDays);
  if (date < today) date = today;
  if (last < date) date = last;
  Show(date);
  SendMessageW(edit_.GetHwnd(), EM_SETSEL, 0, -1);
}

void CDateBox::OpenCalendar() {
  if (!view_ || !edit_.GetHwnd()) return;
  const TravelDate today = LocalToday();
  TravelDate selected;
  if (Read(selected) != DateCheck::Valid) selected = today;
  RECT box = {};
  GetWindowRect(edit_.GetHwnd(), &box);
  const CBkWindow* frame = view_->FindElement(ids_.frame);
  if (frame) {
    box = frame->GetRect();
    MapWindowPoints(view_->GetHwnd(), nullptr, reinterpret_cast<POINT*>(&box), 2);
  }
  const HWND owner = GetAncestor(view_->GetHwnd(), GA_ROOT);
  calendar_.Show(owner, POINT{box.left, box.bottom}, selected, today, AddDays(today, kPresaleDays),
                 [this](const TravelDate& date) {
                   Show(date);
                   SetFocus(edit_.GetHwnd());
                   SendMessageW(edit_.GetHwnd(), EM_SETSEL, 0, -1);
                 });
}

void CDateBox::ShowCanonical() {
  const std::wstring text = ReadWindowText(edit_.GetHwnd());
  TravelDate date;
  if (!ParseTravelDate(text, LocalToday(), date)) return;
  const std::wstring canonical = FormatTravelDate(date);
  if (canonical != text) SetWindowTextW(edit_.GetHwnd(), canonical.c_str());
}

bool CDateBox::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (!edit_.GetHwnd() || reinterpret_cast<HWND>(lParam) != edit_.GetHwnd()) return false;
  if (HIWORD(wParam) == EN_KILLFOCUS) ShowCanonical();
  // The mark stays until the user changes what was refused.
  if (HIWORD(wParam) == EN_CHANGE && invalid_ && GetFocus() == edit_.GetHwnd()) SetInvalid(false);
  return true;
}

bool CDateBox::OnElementCommand(int item) {
  if (item != ids_.button) return false;
  OpenCalendar();
  return true;
}

bool CDateBox::CDateEdit::ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const bool alt = (HIWORD(lParam) & KF_ALTDOWN) != 0;
  if (message == WM_SYSKEYDOWN && alt && wParam == VK_DOWN) {
    box_.OpenCalendar();
    result = 0;
    return true;
  }
  if (message == WM_KEYDOWN && GetKeyState(VK_CONTROL) >= 0) {
    int days = 0;
    switch (wParam) {
      case VK_UP:
        days = 1;
        break;
      case VK_DOWN:
        days = -1;
        break;
      case VK_PRIOR:
        days = 7;
        break;
      case VK_NEXT:
        days = -7;
        break;
      case VK_F4:
        box_.OpenCalendar();
        result = 0;
        return true;
      default:
        break;
    }
    if (days != 0) {
      box_.Step(days);
      result = 0;
      return true;
    }
  }
  return CEditImpl::ProcessWindowMessage(hwnd, message, wParam, lParam, result);
}
