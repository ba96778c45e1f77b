// Holds one icon for the "icon" element: loaded from the program's own
// resources at a requested size, or one of the system's icons; drawn with
// DrawIconEx and destroyed with the holder.
#pragma once

#include <windows.h>

#include "skin/resources/unique_handle.h"

class IconHolder {
 public:
  IconHolder() = default;

  // Loads icon resource `id` of the program's own module at width x height
  // with LoadImageW load flags `flags` (0, 0 and LR_DEFAULTSIZE as LoadImageW
  // reads them). The previous icon is released first. False when there is no
  // such icon.
  bool LoadFromResource(int id, int width, int height, UINT flags);
  // Loads a system icon (IDI_APPLICATION, IDI_INFORMATION, ...).
  bool LoadSystem(LPCWSTR iconName);

  // Draws the icon at (x, y), width x height (0, 0: its own size). False
  // without an icon.
  bool Draw(HDC dc, int x, int y, int width, int height) const;

  // Releases the icon. Shared icons (system icons, or loaded with LR_SHARED)
  // belong to the system and are only forgotten, not destroyed.
  void Destroy();

  HICON get() const { return owned_ ? owned_.get() : shared_.get(); }

 private:
  // At most one of the two holds an icon.
  UniqueIcon owned_;
  BorrowedIcon shared_;
};
