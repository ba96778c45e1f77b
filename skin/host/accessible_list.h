// What assistive technology sees of the skinned list: a list whose children
// are its rows (child id: row + 1), each named by its cells in column order
// as the owner tells them (SKLN_GETROWTEXT), with the list's selection and
// focus and each row's place.
#pragma once

#include <windows.h>

#include <memory>

#include "skin/host/accessible_object.h"

class CBkListView;

class CAccessibleListRoot {
 public:
  explicit CAccessibleListRoot(CBkListView& list);
  ~CAccessibleListRoot();
  CAccessibleListRoot(const CAccessibleListRoot&) = delete;
  CAccessibleListRoot& operator=(const CAccessibleListRoot&) = delete;

  // WM_GETOBJECT; false when the request is not for the client area.
  bool OnGetObject(WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The list's window is going: objects clients still hold are cut off.
  void Disconnect();

  // Rows beyond this many are not reported (the owner decides the count).
  static constexpr int kMaxRows = 100000;

  // What the list's objects share: the list while its window lives.
  struct Link;

 private:
  std::shared_ptr<Link> link_;
  ComRef<IAccessible> root_;
};
