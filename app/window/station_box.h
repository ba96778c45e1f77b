// A station box of the window: an edit box that completes station names as
// they are typed. While it has the focus and holds text, the drop-down under
// it lists the matching stations (MatchStations); Up and Down move the
// highlight, Enter or a click takes the highlighted station, Tab takes it and
// moves on, Escape closes the list and keeps the text. The list closes when
// the box loses the focus.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/core/query_request.h"
#include "app/window/station_catalog.h"
#include "app/window/station_drop_down.h"
#include "skin/host/edit_impl.h"

class CStationBox {
 public:
  explicit CStationBox(const CStationCatalog& catalog) : catalog_(catalog), edit_(*this) {}
  CStationBox(const CStationBox&) = delete;
  CStationBox& operator=(const CStationBox&) = delete;

  // Makes the edit box as child `id` of `parent`.
  HWND Create(HWND parent, int id, HFONT font, const std::wstring& hint);

  // The edit box's notifications (WM_COMMAND from its window): true when
  // they were the box's.
  bool OnCommand(WPARAM wParam, LPARAM lParam);

  // What a query asks for: the station the text names (NormalizeStationText;
  // the box then shows its name), otherwise the text as typed without
  // blanks at either end. `hint` is then the status line's words for a name
  // the list lacks, with the names meant (empty for a known name).
  std::wstring StationToAsk(std::wstring& hint);

  void CloseDropDown() { dropDown_.Close(); }
  // The names the drop-down shows, in its order.
  const std::vector<std::wstring>& Shown() const { return shown_; }
  const CStationDropDown& DropDown() const { return dropDown_; }
  CStationDropDown& DropDown() { return dropDown_; }
  const CEditImpl& Edit() const { return edit_; }
  HWND GetHwnd() const { return edit_.GetHwnd(); }

 private:
  // The edit control with the drop-down's keys.
  class CStationEdit : public CEditImpl {
   public:
    explicit CStationEdit(CStationBox& box) : box_(box) {}
    bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

   private:
    CStationBox& box_;
  };

  // A key while the box has the focus: true when the drop-down used it.
  bool OnKey(WPARAM key);
  // The drop-down follows the text: the matches, or closed.
  void Complete();
  // The box takes shown station `index` and the drop-down closes.
  void Take(int index);

  const CStationCatalog& catalog_;
  CStationEdit edit_;
  CStationDropDown dropDown_;
  // The names the drop-down shows, in its order.
  std::vector<std::wstring> shown_;
};

// The stations two boxes ask for on `date` (StationToAsk), with the status
// line's words for the names the list lacks in `hint`.
QueryStations StationsToAsk(CStationBox& from, CStationBox& to, const std::wstring& date, std::wstring& hint);
