// The completion drop-down under a station box: a pop-up window that never
// takes the focus (the box keeps it and its keys move the highlight) whose
// view holds the skin library's "menus" element, one item per station
// ("北京南  beijingnan"). A click on an item hands its index to the box.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "skin/host/dialog_view.h"
#include "skin/host/window_impl.h"

class CStationDropDown : public CWindowImplBase {
 public:
  // The "menus" element's id in the generated layer.
  static constexpr int kMenuId = 320;
  // Item height and the narrowest drop-down, in layer units (96 DPI).
  static constexpr int kItemHeight = 22;
  static constexpr int kMinWidth = 190;

  CStationDropDown() = default;
  ~CStationDropDown() override;
  CStationDropDown(const CStationDropDown&) = delete;
  CStationDropDown& operator=(const CStationDropDown&) = delete;

  // Shows one item per station (name and pinyin) under `box`, at least as
  // wide as it and at its scale, the first item highlighted, without
  // activating anything. `chosen` runs with the index of an item clicked.
  // False (and nothing shown) when there is no item or the window could
  // not be made.
  bool Show(HWND box, const std::vector<std::wstring>& names, const std::vector<std::string>& pinyin,
            std::function<void(int)> chosen);
  void Close();
  bool IsShown() const;

  size_t ItemCount() const { return count_; }
  // The highlighted item, -1 for none.
  int Highlighted() const;
  // Highlights item `index`, kept within the items.
  void Highlight(int index);

  CBkDialogView& GetView() { return view_; }
  const CBkDialogView& GetView() const { return view_; }

  bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  WindowClassInfo& GetWindowClassInfo() const override;

 private:
  CBkDialogView view_;
  size_t count_ = 0;
  std::function<void(int)> chosen_;
};

// The layer of a drop-down `width` units wide with one item per station.
std::string StationDropDownLayer(int width, const std::vector<std::wstring>& names,
                                 const std::vector<std::string>& pinyin);
