// Owners for the GDI handles the drawing code creates for the length of one
// operation: a GDI object, a memory device context with one object selected
// into it, and the screen's device context. All of them move and none copies.
#pragma once

#include <windows.h>

#include <utility>

#include "skin/resources/unique_handle.h"

// Deletes a GDI object (bitmap, pen, brush, region, font) when it goes out of
// scope. Must not be selected into a device context by then. The drawing code
// spells the owner's operations Get / Reset / Release.
template <typename Handle>
class GdiObject : public UniqueHandle<GdiObjectTraits<Handle>> {
  using Base = UniqueHandle<GdiObjectTraits<Handle>>;

 public:
  using Base::Base;

  Handle Get() const noexcept { return this->get(); }
  void Reset(Handle handle = nullptr) noexcept { this->reset(handle); }
  Handle Release() noexcept { return this->release(); }
};

// The screen's device context, released when it goes out of scope.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  HDC Get() const { return dc_.get(); }
  explicit operator bool() const { return static_cast<bool>(dc_); }

 private:
  UniqueHandle<ScreenDcTraits> dc_;
};

// A memory device context compatible with `reference` (the screen when null).
// Select() puts one object into it; the object it held at first is selected
// back before the context is deleted, so that the selected object can be
// deleted afterwards.
class MemoryDc {
 public:
  explicit MemoryDc(HDC reference = nullptr) : dc_(CreateCompatibleDC(reference)) {}
  ~MemoryDc() { RestoreSelection(); }
  MemoryDc(MemoryDc&& other) noexcept : dc_(std::move(other.dc_)), previous_(other.previous_) {
    other.previous_ = nullptr;
  }
  MemoryDc& operator=(MemoryDc&& other) noexcept {
    if (this != &other) {
      RestoreSelection();
      dc_ = std::move(other.dc_);
      previous_ = other.previous_;
      other.previous_ = nullptr;
    }
    return *this;
  }

  HDC Get() const { return dc_.get(); }
  explicit operator bool() const { return static_cast<bool>(dc_); }

  // Selects `object`; false when the context is missing or the selection fails
  // (for example a bitmap already selected into another context).
  bool Select(HGDIOBJ object) {
    if (!dc_ || !object) return false;
    HGDIOBJ old = SelectObject(dc_.get(), object);
    if (!old || old == HGDI_ERROR) return false;
    if (!previous_) previous_ = old;
    return true;
  }

 private:
  void RestoreSelection() noexcept {
    if (dc_ && previous_) SelectObject(dc_.get(), previous_);
    previous_ = nullptr;
  }

  UniqueHandle<MemoryDcTraits> dc_;
  HGDIOBJ previous_ = nullptr;  // borrowed: the context's own initial object
};
