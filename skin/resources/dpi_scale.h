// Display scale. Documents, skins and layouts are written in 96-DPI units; a
// window shows them at its own DPI (96 is 100 %, 144 is 150 %). Hosts paint
// their elements through a world transform of that scale and give the native
// windows they place scaled rectangles and scaled fonts.
#pragma once

#include <windows.h>

constexpr int kBaseDpi = 96;
// WM_DPICHANGED (Windows 8.1 and later): wParam's low word is the new DPI,
// lParam the suggested window rectangle.
constexpr UINT kDpiChangedMessage = 0x02E0;
// Scales outside this range are taken as the nearest bound.
constexpr int kMinDpi = 48;
constexpr int kMaxDpi = 960;

int ClampDpi(int dpi);

// A length of 96-DPI units in pixels at `dpi`, rounded to the nearest.
int ScaleToDpi(int value, int dpi);
// A pixel length at `dpi` back in 96-DPI units, rounded to the nearest.
int UnscaleFromDpi(int value, int dpi);
// The pixels a rectangle of 96-DPI units covers at `dpi`, any part of a pixel
// counting: every element drawn inside the rectangle lands inside the result.
RECT ScaleRectOut(const RECT& rect, int dpi);
// The 96-DPI rectangle that covers every unit any pixel of `rect` touches.
RECT UnscaleRectOut(const RECT& rect, int dpi);
// A point in pixels at `dpi` in 96-DPI units (rounded down, so that a point
// inside a scaled rectangle hits that rectangle).
POINT UnscalePoint(POINT point, int dpi);

// The DPI of the system (the one monitor scale older systems know), asked
// once: under Wine on X asking the display driver costs a round trip.
int SystemDpi();
// The DPI of the monitor the window is on where the system tells it
// (per-monitor aware windows on Windows 10 and later), else SystemDpi().
int DpiOfWindow(HWND hwnd);

// The DPI at which a host window shows its elements, kept on the window so
// that elements placing native windows can scale their rectangles. 96 when
// the host never set one.
void SetHostDpi(HWND host, int dpi);
int HostDpi(HWND host);
// Removes the record (the host calls it before its window goes).
void ClearHostDpi(HWND host);

// The scale of the world transform selected into `dc`, as a DPI (96 when the
// context has none).
int DpiOfTransform(HDC dc);

// Selects a world transform of `dpi` into `dc` for as long as it lives; at 96
// the context is left exactly as it was.
class DpiTransform {
 public:
  DpiTransform(HDC dc, int dpi);
  ~DpiTransform();
  DpiTransform(const DpiTransform&) = delete;
  DpiTransform& operator=(const DpiTransform&) = delete;

 private:
  HDC dc_ = nullptr;
  int oldMode_ = 0;
  XFORM oldTransform_ = {};
  bool set_ = false;
};
