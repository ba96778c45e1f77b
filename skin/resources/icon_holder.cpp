#include "skin/resources/icon_holder.h"

bool IconHolder::LoadFromResource(int id, int width, int height, UINT flags) {
  Destroy();
  if (id <= 0 || id > 0xFFFF) return false;
  HANDLE image = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, width, height, flags);
  icon_ = static_cast<HICON>(image);
  shared_ = (flags & LR_SHARED) != 0;
  return icon_ != nullptr;
}

bool IconHolder::LoadSystem(LPCWSTR iconName) {
  Destroy();
  icon_ = LoadIconW(nullptr, iconName);
  shared_ = true;
  return icon_ != nullptr;
}

bool IconHolder::Draw(HDC dc, int x, int y, int width, int height) const {
  if (!dc || !icon_) return false;
  return DrawIconEx(dc, x, y, icon_, width, height, 0, nullptr, DI_NORMAL) != FALSE;
}

void IconHolder::Destroy() {
  if (icon_ && !shared_) DestroyIcon(icon_);
  icon_ = nullptr;
  shared_ = false;
}
