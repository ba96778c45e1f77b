#include "skin/resources/icon_holder.h"

bool IconHolder::LoadFromResource(int id, int width, int height, UINT flags) {
  Destroy();
  if (id <= 0 || id > 0xFFFF) return false;
  const HICON icon =
      static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, width, height, flags));
  if (flags & LR_SHARED) {
    shared_ = BorrowedIcon(icon);
  } else {
    owned_.reset(icon);
  }
  return icon != nullptr;
}

bool IconHolder::LoadSystem(LPCWSTR iconName) {
  Destroy();
  shared_ = BorrowedIcon(LoadIconW(nullptr, iconName));
  return static_cast<bool>(shared_);
}

bool IconHolder::Draw(HDC dc, int x, int y, int width, int height) const {
  const HICON icon = get();
  if (!dc || !icon) return false;
  return DrawIconEx(dc, x, y, icon, width, height, 0, nullptr, DI_NORMAL) != FALSE;
}

void IconHolder::Destroy() {
  owned_.reset();
  shared_ = BorrowedIcon();
}
