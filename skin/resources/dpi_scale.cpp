#include "skin/resources/dpi_scale.h"

#include <cmath>

#include "skin/resources/gdi_handles.h"

namespace {

constexpr wchar_t kHostDpiProperty[] = L"TavoraHostDpi";

long long FloorDiv(long long value, long long divisor) {
  return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

long long CeilDiv(long long value, long long divisor) { return -FloorDiv(-value, divisor); }

LONG Saturate(long long value) {
  if (value > LONG_MAX) return LONG_MAX;
  return value < LONG_MIN ? LONG_MIN : static_cast<LONG>(value);
}

}  // namespace

int ClampDpi(int dpi) {
  if (dpi < kMinDpi) return dpi <= 0 ? kBaseDpi : kMinDpi;
  return dpi > kMaxDpi ? kMaxDpi : dpi;
}

int ScaleToDpi(int value, int dpi) {
  if (dpi == kBaseDpi) return value;
  return MulDiv(value, ClampDpi(dpi), kBaseDpi);
}

int UnscaleFromDpi(int value, int dpi) {
  if (dpi == kBaseDpi) return value;
  return MulDiv(value, kBaseDpi, ClampDpi(dpi));
}

RECT ScaleRectOut(const RECT& rect, int dpi) {
  if (dpi == kBaseDpi) return rect;
  const long long d = ClampDpi(dpi);
  return RECT{Saturate(FloorDiv(rect.left * d, kBaseDpi)), Saturate(FloorDiv(rect.top * d, kBaseDpi)),
              Saturate(CeilDiv(rect.right * d, kBaseDpi)), Saturate(CeilDiv(rect.bottom * d, kBaseDpi))};
}

RECT UnscaleRectOut(const RECT& rect, int dpi) {
  if (dpi == kBaseDpi) return rect;
  const long long d = ClampDpi(dpi);
  return RECT{Saturate(FloorDiv(rect.left * kBaseDpi, d)), Saturate(FloorDiv(rect.top * kBaseDpi, d)),
              Saturate(CeilDiv(rect.right * kBaseDpi, d)), Saturate(CeilDiv(rect.bottom * kBaseDpi, d))};
}

POINT UnscalePoint(POINT point, int dpi) {
  if (dpi == kBaseDpi) return point;
  const long long d = ClampDpi(dpi);
  return POINT{Saturate(FloorDiv(point.x * kBaseDpi, d)), Saturate(FloorDiv(point.y * kBaseDpi, d))};
}

int SystemDpi() {
  static const int dpi = [] {
    using GetDpiForSystemFn = UINT(WINAPI*)();
    const HMODULE user = GetModuleHandleW(L"user32.dll");
    const auto forSystem =
        user ? reinterpret_cast<GetDpiForSystemFn>(reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForSystem")))
             : nullptr;
    if (forSystem) return ClampDpi(static_cast<int>(forSystem()));
    const ScreenDc screen;
    return ClampDpi(screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : kBaseDpi);
  }();
  return dpi;
}

int DpiOfWindow(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const GetDpiForWindowFn forWindow = [] {
    const HMODULE user = GetModuleHandleW(L"user32.dll");
    return user ? reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")))
                : nullptr;
  }();
  if (forWindow && hwnd) {
    const UINT dpi = forWindow(hwnd);
    if (dpi != 0) return ClampDpi(static_cast<int>(dpi));
  }
  return SystemDpi();
}

void SetHostDpi(HWND host, int dpi) {
  if (host) SetPropW(host, kHostDpiProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(ClampDpi(dpi))));
}

int HostDpi(HWND host) {
  const auto dpi = host ? static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(host, kHostDpiProperty))) : 0;
  return dpi == 0 ? kBaseDpi : ClampDpi(dpi);
}

void ClearHostDpi(HWND host) {
  if (host) RemovePropW(host, kHostDpiProperty);
}

int DpiOfTransform(HDC dc) {
  XFORM transform = {};
  if (!dc || GetGraphicsMode(dc) != GM_ADVANCED || !GetWorldTransform(dc, &transform)) return kBaseDpi;
  return ClampDpi(static_cast<int>(std::lround(transform.eM22 * kBaseDpi)));
}

DpiTransform::DpiTransform(HDC dc, int dpi) {
  if (!dc || dpi == kBaseDpi) return;
  dc_ = dc;
  oldMode_ = SetGraphicsMode(dc, GM_ADVANCED);
  if (!oldMode_ || !GetWorldTransform(dc, &oldTransform_)) return;
  const float scale = static_cast<float>(ClampDpi(dpi)) / kBaseDpi;
  const XFORM transform = {scale, 0, 0, scale, 0, 0};
  set_ = SetWorldTransform(dc, &transform) != FALSE;
}

DpiTransform::~DpiTransform() {
  if (!dc_) return;
  if (set_) SetWorldTransform(dc_, &oldTransform_);
  // A context in the advanced mode keeps it until its transform is identity.
  if (oldMode_ && oldMode_ != GM_ADVANCED) {
    ModifyWorldTransform(dc_, nullptr, MWT_IDENTITY);
    SetGraphicsMode(dc_, oldMode_);
  }
}
