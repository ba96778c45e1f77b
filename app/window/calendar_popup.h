// The date box's month calendar: a small pop-up window holding the common
// controls' month calendar, limited to the days that may be asked for. A
// click on a day, or Enter, picks the day and closes the calendar; Escape, a
// click elsewhere or another window taking the focus closes it without a
// pick.
#pragma once

#include <windows.h>

#include <functional>

#include "app/core/travel_date.h"
#include "skin/host/window_impl.h"

class CCalendarPopup : public CWindowImplBase {
 public:
  CCalendarPopup();
  ~CCalendarPopup() override;

  // Shows the calendar with its top-left corner at `screen` (kept on that
  // monitor), owned by `owner`, `selected` chosen and only the days from
  // `first` to `last` to pick. `picked` runs with the day after the calendar
  // has closed. False when the calendar could not be made.
  bool Show(HWND owner, POINT screen, const TravelDate& selected, const TravelDate& first, const TravelDate& last,
            std::function<void(const TravelDate&)> picked);
  void Close();
  bool IsShown() const;
  // The month calendar control inside the pop-up; null before the first Show.
  HWND CalendarWindow() const;

  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  WindowClassInfo& GetWindowClassInfo() const override;

 private:
  // The month calendar, superclassed so that Enter and Escape reach us.
  class CGrid : public CWindowImplBase {
   public:
    explicit CGrid(CCalendarPopup& popup) : popup_(popup) {}
    ~CGrid() override;
    bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    WindowClassInfo& GetWindowClassInfo() const override;

   private:
    CCalendarPopup& popup_;
  };

  // Closes and hands the calendar's current selection to the owner.
  void Pick();

  CGrid grid_;
  std::function<void(const TravelDate&)> picked_;
};
