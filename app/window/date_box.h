// A query bar's date box: an edit box that shows one day as "2026-12-08",
// today's by default. It takes what people type (ParseTravelDate) and shows it
// back in that form when it loses the focus; Up and Down step a day, Page Up
// and Page Down a week; Alt+Down or the calendar button beside it opens a
// month calendar. A date the query refuses marks the box's frame red until
// the text changes.
#pragma once

#include <windows.h>

#include "app/core/travel_date.h"
#include "app/window/calendar_popup.h"
#include "skin/host/edit_impl.h"

class CBkDialogView;

// Today's date on this computer's clock, in local time.
TravelDate LocalToday();

class CDateBox {
 public:
  struct Ids {
    int edit;    // the "realwnd" that places the edit box
    int frame;   // the "img" that draws its frame
    int button;  // the calendar button
  };

  explicit CDateBox(Ids ids) : ids_(ids), edit_(*this) {}
  CDateBox(const CDateBox&) = delete;
  CDateBox& operator=(const CDateBox&) = delete;

  // Makes the edit box as a child of the view's window, showing today.
  HWND Create(CBkDialogView& view, HFONT font);

  // The day the box asks for: an empty box asks for today. `date` is set
  // whenever the text reads as a date.
  DateCheck Read(TravelDate& date) const;
  // Shows `date` and clears the mark.
  void Show(const TravelDate& date);
  // Marks the frame (a date that was refused) or clears the mark.
  void SetInvalid(bool invalid);
  bool IsInvalid() const { return invalid_; }
  // The day shown moved by `days`, kept within today and the presale
  // period; a text that is no date starts from today.
  void Step(int days);
  // Opens the month calendar below the box.
  void OpenCalendar();
  const CCalendarPopup& Calendar() const { return calendar_; }

  // The edit box's notifications (WM_COMMAND from its window) and a click on
  // the calendar button (its element id): true when they were the box's.
  bool OnCommand(WPARAM wParam, LPARAM lParam);
  bool OnElementCommand(int item);

  const CEditImpl& Edit() const { return edit_; }
  HWND GetHwnd() const { return edit_.GetHwnd(); }

 private:
  // The edit control with the date keys.
  class CDateEdit : public CEditImpl {
   public:
    explicit CDateEdit(CDateBox& box) : box_(box) {}
    bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

   private:
    CDateBox& box_;
  };

  // What the box holds shown in the one form, when it reads as a date.
  void ShowCanonical();

  Ids ids_;
  CBkDialogView* view_ = nullptr;
  CDateEdit edit_;
  CCalendarPopup calendar_;
  bool invalid_ = false;
};
