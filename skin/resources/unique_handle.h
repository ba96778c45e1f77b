// One owner type for every handle the program opens, and one borrowing type
// for handles that belong to someone else.
//
// UniqueHandle<Traits> closes its handle exactly once: when it goes out of
// scope, when it is reset to another handle, or never, when the handle was
// handed out with release(). It moves, it does not copy. BorrowedHandle<Traits>
// only refers to a handle and never closes it; it is a different type so that
// an owner and a mere user of a handle cannot be mixed up.
//
// A traits type names the handle type, the value that means "no handle", the
// test for a usable handle and the function that closes it.
#pragma once

#include <windows.h>

template <typename Traits>
class BorrowedHandle;

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return Traits::IsValid(handle_); }

  // Hands the handle out without closing it; this owner becomes empty.
  Handle release() noexcept {
    const Handle handle = handle_;
    handle_ = Traits::kNone;
    return handle;
  }

  // Closes the handle held (unless it is `handle` itself) and takes `handle`.
  void reset(Handle handle = Traits::kNone) noexcept {
    const Handle old = handle_;
    handle_ = handle;
    if (old != handle && Traits::IsValid(old)) Traits::Close(old);
  }

  BorrowedHandle<Traits> Borrow() const noexcept { return BorrowedHandle<Traits>(handle_); }

 private:
  Handle handle_ = Traits::kNone;
};

template <typename Traits>
class BorrowedHandle {
 public:
  using Handle = typename Traits::Handle;

  BorrowedHandle() noexcept = default;
  explicit BorrowedHandle(Handle handle) noexcept : handle_(handle) {}
  // Borrowing from an owner that lives on; a temporary owner would close the
  // handle at once, so borrowing from one does not compile.
  BorrowedHandle(const UniqueHandle<Traits>& owner) noexcept : handle_(owner.get()) {}  // NOLINT: implicit
  BorrowedHandle(UniqueHandle<Traits>&&) = delete;

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return Traits::IsValid(handle_); }

 private:
  Handle handle_ = Traits::kNone;
};

// Traits for handle kinds whose only "no handle" value is null, closed by
// `CloseFunction`.
template <typename H, auto CloseFunction>
struct NullInvalidTraits {
  using Handle = H;
  static constexpr Handle kNone = nullptr;
  static bool IsValid(Handle handle) noexcept { return handle != nullptr; }
  static void Close(Handle handle) noexcept { CloseFunction(handle); }
};

// Kernel objects (files, processes, tokens, mappings, events). Functions of
// the file family report failure as INVALID_HANDLE_VALUE, the others as
// null; neither is ever closed. The current-process pseudo handle has the
// same value as INVALID_HANDLE_VALUE and needs no closing either.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static constexpr Handle kNone = nullptr;
  static bool IsValid(Handle handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) noexcept { CloseHandle(handle); }
};

// GDI objects (bitmaps, pens, brushes, fonts, regions), typed by handle. An
// object must not be selected into a device context when it is deleted.
template <typename H>
using GdiObjectTraits = NullInvalidTraits<H, DeleteObject>;

// Device contexts made with CreateCompatibleDC.
using MemoryDcTraits = NullInvalidTraits<HDC, DeleteDC>;

inline void ReleaseScreenDc(HDC dc) { ReleaseDC(nullptr, dc); }
// The screen's device context, from GetDC(nullptr).
using ScreenDcTraits = NullInvalidTraits<HDC, ReleaseScreenDc>;

// Icons made by LoadImageW without LR_SHARED or by CreateIconIndirect.
// Shared icons belong to the system and are only ever borrowed.
using IconTraits = NullInvalidTraits<HICON, DestroyIcon>;

// Registry keys opened or created by the program (not the predefined roots).
using RegistryKeyTraits = NullInvalidTraits<HKEY, RegCloseKey>;

// Views of file mappings (MapViewOfFile).
using MappedViewTraits = NullInvalidTraits<void*, UnmapViewOfFile>;

// Blocks from GlobalAlloc.
using GlobalMemoryTraits = NullInvalidTraits<HGLOBAL, GlobalFree>;

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;
using UniqueMappedView = UniqueHandle<MappedViewTraits>;
using UniqueGlobalMemory = UniqueHandle<GlobalMemoryTraits>;

using BorrowedIcon = BorrowedHandle<IconTraits>;
