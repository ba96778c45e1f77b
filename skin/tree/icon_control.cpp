#include "skin/tree/icon_control.h"

#include <algorithm>

#include "skin/resources/dpi_scale.h"
#include "skin/resources/parse_util.h"

namespace {

// Resource ids are 16-bit; a larger number would be read as a name pointer.
constexpr int kMaxResourceId = 0xFFFF;

}  // namespace

bool CBkIconWnd::Load(const TiXmlElement* element) {
  const bool loaded = CBkWindow::Load(element);
  icon_.Destroy();
  loaded_ = false;
  return loaded;
}

HICON CBkIconWnd::Icon() const {
  if (!loaded_) ReloadIcon(loadedDpi_);
  return icon_.get();
}

HRESULT CBkIconWnd::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkWindow::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "src") {
    src_ = ParseDecimal(value);
  } else if (name == "oem") {
    oem_ = ParseDecimal(value);
  } else if (name == "size") {
    size_ = ParseDecimal(value);
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

void CBkIconWnd::ReloadIcon(int dpi) const {
  icon_.Destroy();
  loadedId_ = src_;
  loadedDpi_ = dpi;
  loaded_ = true;
  if (src_ <= 0 || src_ > kMaxResourceId) return;
  if (oem_ != 0) {
    icon_.LoadSystem(MAKEINTRESOURCEW(src_));
    return;
  }
  // The icon's own picture for the pixels it covers at the scale, not its
  // 96-DPI picture stretched.
  const int size = std::clamp(ScaleToDpi(std::clamp(size_, 1, kMaxLoadSize), dpi), 1, kMaxLoadSize);
  icon_.LoadFromResource(src_, size, size, 0);
}

bool CBkIconWnd::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT: {
      const int dpi = DpiOfTransform(reinterpret_cast<HDC>(wParam));
      if (!loaded_ || src_ != loadedId_ || dpi != loadedDpi_) ReloadIcon(dpi);
      const RECT& area = GetRect();
      const int width = SaturatingSubtract(area.right, area.left);
      const int height = SaturatingSubtract(area.bottom, area.top);
      // DrawIconEx reads 0 as the icon's own size: an empty rectangle draws nothing.
      if (width > 0 && height > 0 && width <= kMaxDrawSize && height <= kMaxDrawSize)
        icon_.Draw(reinterpret_cast<HDC>(wParam), area.left, area.top, width, height);
      break;
    }
    case WM_NCCALCSIZE:
      if (lParam) {
        SIZE& natural = *reinterpret_cast<SIZE*>(lParam);
        // A four-item position decides the size itself.
        if (GetPos().count == 4) {
          OnNcCalcSize(wParam != 0, natural);
        } else {
          const int size = std::max(size_, 0);
          natural = SIZE{size, size};
        }
      }
      break;
    default:
      return CBkWindow::ProcessMessage(message, wParam, lParam, result);
  }
  SetMsgHandled(true);
  return true;
}
