// Owners for the GDI handles the drawing code creates for the length of one
// operation: a GDI object, a memory device context with one object selected
// into it, a context lent for one copy, and the screen's device context. All
// of them but the lent context move and none copies.
#pragma once

#include <windows.h>

#include <utility>

#include "skin/resources/unique_handle.h"

// Deletes a GDI object (bitmap, pen, brush, region, font) when it goes out of
// scope. Must not be selected into a device context by then.
template <typename Handle>
using GdiObject = UniqueHandle<GdiObjectTraits<Handle>>;

// The screen's device context, released when it goes out of scope.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  HDC get() const { return dc_.get(); }
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

  HDC get() const { return dc_.get(); }
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

// A memory device context lent for one short copy, with one bitmap selected
// into it: the calling thread's kept context when that is free, else one of
// its own. Making a context costs more than most copies a skin makes, so a
// paint that copies from bitmap after bitmap makes no context at all. The
// bitmap is selected out again when the lease ends, so that it can be
// selected elsewhere or deleted afterwards. Use it as a copy's source only:
// the kept context keeps whatever else is set on it.
class SourceDc {
 public:
  explicit SourceDc(HBITMAP bitmap) {
    Kept& kept = KeptForThread();
    if (!kept.lent) {
      if (!kept.dc) kept.dc.reset(CreateCompatibleDC(nullptr));
      if (kept.dc) {
        kept.lent = true;
        kept_ = &kept;
        dc_ = kept.dc.get();
      }
    }
    if (!kept_) {
      own_.reset(CreateCompatibleDC(nullptr));
      dc_ = own_.get();
    }
    if (!dc_ || !bitmap) return;
    const HGDIOBJ old = SelectObject(dc_, bitmap);
    if (!old || old == HGDI_ERROR) return;
    previous_ = old;
  }
  ~SourceDc() {
    if (previous_) SelectObject(dc_, previous_);
    if (kept_) kept_->lent = false;
  }
  SourceDc(const SourceDc&) = delete;
  SourceDc& operator=(const SourceDc&) = delete;

  // The context, or null when the bitmap could not be selected.
  HDC get() const { return previous_ ? dc_ : nullptr; }
  explicit operator bool() const { return previous_ != nullptr; }

 private:
  struct Kept {
    UniqueHandle<MemoryDcTraits> dc;
    bool lent = false;
  };
  static Kept& KeptForThread() {
    thread_local Kept kept;
    return kept;
  }

  Kept* kept_ = nullptr;
  UniqueHandle<MemoryDcTraits> own_;
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;  // borrowed: what the context held before
};
