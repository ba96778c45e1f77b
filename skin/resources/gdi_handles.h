// Small owners for the GDI handles the drawing code creates for the length of
// one operation: a GDI object, a memory device context with one object
// selected into it, and the screen's device context.
#pragma once

#include <windows.h>

// Deletes a GDI object (bitmap, pen, brush, region, font) when it goes out of
// scope. Must not be selected into a device context by then.
template <typename Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle_(handle) {}
  ~GdiObject() { Reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Reset(Handle handle = nullptr) {
    if (handle_) DeleteObject(handle_);
    handle_ = handle;
  }
  Handle Release() {
    Handle handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  Handle handle_ = nullptr;
};

// The screen's device context, released when it goes out of scope.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_) ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// A memory device context compatible with `reference` (the screen when null).
// Select() puts one object into it; the previous object is selected back
// before the context is deleted, so the object can be deleted afterwards.
class MemoryDc {
 public:
  explicit MemoryDc(HDC reference = nullptr) : dc_(CreateCompatibleDC(reference)) {}
  ~MemoryDc() {
    if (!dc_) return;
    if (previous_) SelectObject(dc_, previous_);
    DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

  // Selects `object`; false when the context is missing or the selection fails
  // (for example a bitmap already selected into another context).
  bool Select(HGDIOBJ object) {
    if (!dc_ || !object) return false;
    HGDIOBJ old = SelectObject(dc_, object);
    if (!old || old == HGDI_ERROR) return false;
    if (!previous_) previous_ = old;
    return true;
  }

 private:
  HDC dc_;
  HGDIOBJ previous_ = nullptr;
};
