// The owner and borrower types against real handles of every kind they hold.
// Closes are counted by traits that wrap the real close functions (the
// system's own handle counters are not available everywhere), and each
// handle is checked alive or gone through the system after every step.
#include "skin/resources/unique_handle.h"

#include <gtest/gtest.h>

#include <utility>

#include "skin/resources/gdi_handles.h"
#include "tests/support/ownership_checks.h"

namespace {

bool KernelAlive(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

HANDLE NewEvent() { return CreateEventW(nullptr, FALSE, FALSE, nullptr); }

// Kernel handles, closed for real and counted.
struct CountingTraits {
  using Handle = HANDLE;
  static constexpr Handle kNone = nullptr;
  static inline int closes = 0;
  static bool IsValid(Handle handle) noexcept { return KernelHandleTraits::IsValid(handle); }
  static void Close(Handle handle) noexcept {
    ++closes;
    CloseHandle(handle);
  }
};
using CountedHandle = UniqueHandle<CountingTraits>;

class CountedHandleTest : public ::testing::Test {
 protected:
  void SetUp() override { CountingTraits::closes = 0; }
};

TEST_F(CountedHandleTest, MoveConstructionHandsOverAndClosesOnce) {
  const HANDLE event = NewEvent();
  ASSERT_TRUE(KernelAlive(event));
  {
    CountedHandle first(event);
    {
      CountedHandle second(std::move(first));
      EXPECT_FALSE(first);
      EXPECT_EQ(nullptr, first.get());
      EXPECT_EQ(event, second.get());
    }
    EXPECT_EQ(1, CountingTraits::closes);
    EXPECT_FALSE(KernelAlive(event));
  }
  EXPECT_EQ(1, CountingTraits::closes);  // the emptied owner closes nothing
}

TEST_F(CountedHandleTest, MoveAssignmentClosesTheTargetsHandleAndKeepsTheMovedOne) {
  const HANDLE kept = NewEvent();
  const HANDLE replaced = NewEvent();
  {
    CountedHandle source(kept);
    CountedHandle target(replaced);
    target = std::move(source);
    EXPECT_EQ(1, CountingTraits::closes);
    EXPECT_FALSE(KernelAlive(replaced));
    EXPECT_TRUE(KernelAlive(kept));
    EXPECT_EQ(kept, target.get());
    EXPECT_FALSE(source);

    // Moving onto itself keeps the handle open.
    CountedHandle& alias = target;
    target = std::move(alias);
    EXPECT_EQ(kept, target.get());
    EXPECT_TRUE(KernelAlive(kept));
  }
  EXPECT_EQ(2, CountingTraits::closes);
  EXPECT_FALSE(KernelAlive(kept));
}

TEST_F(CountedHandleTest, ResetClosesTheOldHandleOnly) {
  const HANDLE first = NewEvent();
  const HANDLE second = NewEvent();
  CountedHandle owner(first);
  owner.reset(second);
  EXPECT_EQ(1, CountingTraits::closes);
  EXPECT_FALSE(KernelAlive(first));
  EXPECT_TRUE(KernelAlive(second));

  owner.reset(second);  // the same handle again: still open, not closed
  EXPECT_EQ(1, CountingTraits::closes);
  EXPECT_TRUE(KernelAlive(second));

  owner.reset();
  EXPECT_EQ(2, CountingTraits::closes);
  EXPECT_FALSE(KernelAlive(second));
  EXPECT_FALSE(owner);
  owner.reset();  // empty: nothing to close
  EXPECT_EQ(2, CountingTraits::closes);
}

TEST_F(CountedHandleTest, ReleaseHandsTheHandleOutOpen) {
  const HANDLE event = NewEvent();
  HANDLE released = nullptr;
  {
    CountedHandle owner(event);
    released = owner.release();
    EXPECT_FALSE(owner);
  }
  EXPECT_EQ(event, released);
  EXPECT_EQ(0, CountingTraits::closes);
  EXPECT_TRUE(KernelAlive(event));
  CountedHandle(released).reset();
  EXPECT_EQ(1, CountingTraits::closes);
  EXPECT_FALSE(KernelAlive(event));
}

TEST_F(CountedHandleTest, BorrowersNeverClose) {
  const HANDLE event = NewEvent();
  {
    CountedHandle owner(event);
    {
      const BorrowedHandle<CountingTraits> fromOwner(owner);
      const BorrowedHandle<CountingTraits> fromBorrow = owner.Borrow();
      const BorrowedHandle<CountingTraits> fromRaw(event);
      EXPECT_EQ(event, fromOwner.get());
      EXPECT_EQ(event, fromBorrow.get());
      EXPECT_TRUE(fromRaw);
    }
    EXPECT_EQ(0, CountingTraits::closes);
    EXPECT_TRUE(KernelAlive(event));
    EXPECT_FALSE(BorrowedHandle<CountingTraits>());
  }
  EXPECT_EQ(1, CountingTraits::closes);
}

TEST_F(CountedHandleTest, BothKernelFailureValuesAreEmptyAndNeverClosed) {
  const UniqueKernelHandle missingFile(CreateFileW(L"Z:\\no\\such\\folder\\file.bin", GENERIC_READ, 0, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_EQ(INVALID_HANDLE_VALUE, missingFile.get());
  EXPECT_FALSE(missingFile);
  EXPECT_FALSE(UniqueKernelHandle());
  EXPECT_FALSE(BorrowedHandle<KernelHandleTraits>(INVALID_HANDLE_VALUE));
  { CountedHandle failed(INVALID_HANDLE_VALUE); }
  { CountedHandle none(nullptr); }
  CountedHandle owner(INVALID_HANDLE_VALUE);
  owner.reset();
  EXPECT_EQ(0, CountingTraits::closes);
}

bool GdiAlive(HGDIOBJ object) { return GetObjectType(object) != 0; }

HICON NewIcon() {
  GdiObject<HBITMAP> colour(CreateBitmap(16, 16, 1, 32, nullptr));
  GdiObject<HBITMAP> mask(CreateBitmap(16, 16, 1, 1, nullptr));
  ICONINFO info = {TRUE, 0, 0, mask.get(), colour.get()};
  return CreateIconIndirect(&info);  // copies both bitmaps
}

bool IconAlive(HICON icon) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return false;
  // GetIconInfo hands out copies of the icon's bitmaps.
  GdiObject<HBITMAP> colour(info.hbmColor);
  GdiObject<HBITMAP> mask(info.hbmMask);
  return true;
}

// A view of a fresh 4 KiB mapping; the view keeps the mapping's memory
// alive after the mapping handle is closed.
void* NewView() {
  const UniqueKernelHandle mapping(
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, nullptr));
  return mapping ? MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 4096) : nullptr;
}

bool ViewAlive(void* view) {
  MEMORY_BASIC_INFORMATION info = {};
  return VirtualQuery(view, &info, sizeof(info)) == sizeof(info) && info.State == MEM_COMMIT;
}

TEST(UniqueHandle, EveryKindLivesExactlyAsLongAsItsLastOwner) {
  CheckOwnership(HandleKind<KernelHandleTraits>{"kernel event", NewEvent, KernelAlive});
  CheckOwnership(HandleKind<GdiObjectTraits<HBITMAP>>{
      "bitmap", [] { return CreateBitmap(8, 8, 1, 32, nullptr); }, [](HBITMAP b) { return GdiAlive(b); }});
  CheckOwnership(HandleKind<GdiObjectTraits<HPEN>>{
      "pen", [] { return CreatePen(PS_SOLID, 1, RGB(1, 2, 3)); }, [](HPEN p) { return GdiAlive(p); }});
  CheckOwnership(HandleKind<GdiObjectTraits<HBRUSH>>{
      "brush", [] { return CreateSolidBrush(RGB(4, 5, 6)); }, [](HBRUSH b) { return GdiAlive(b); }});
  CheckOwnership(HandleKind<GdiObjectTraits<HRGN>>{
      "region", [] { return CreateRectRgn(0, 0, 10, 10); }, [](HRGN r) { return GdiAlive(r); }});
  CheckOwnership(HandleKind<MemoryDcTraits>{
      "memory DC", [] { return CreateCompatibleDC(nullptr); }, [](HDC dc) { return GdiAlive(dc); }});
  CheckOwnership(HandleKind<IconTraits>{"icon", NewIcon, IconAlive});
  CheckOwnership(HandleKind<GlobalMemoryTraits>{
      "global block", [] { return GlobalAlloc(GMEM_FIXED, 64); }, [](HGLOBAL g) { return GlobalSize(g) != 0; }});
  CheckOwnership(HandleKind<MappedViewTraits>{"mapped view", NewView, ViewAlive});
}

// ---- the GDI owners the drawing code uses -------------------------------------

TEST(GdiOwners, GdiObjectMovesAndSpellsItsOperationsTheDrawingWay) {
  const HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
  GdiObject<HBITMAP> first(bitmap);
  GdiObject<HBITMAP> second(std::move(first));
  EXPECT_EQ(nullptr, first.get());
  EXPECT_EQ(bitmap, second.get());
  second.reset(CreateBitmap(2, 2, 1, 32, nullptr));
  EXPECT_FALSE(GdiAlive(bitmap));
  const HBITMAP replacement = second.release();
  EXPECT_FALSE(second);
  EXPECT_TRUE(GdiAlive(replacement));
  DeleteObject(replacement);
}

TEST(GdiOwners, MemoryDcSelectsBackBeforeDeletingSoTheBitmapIsFree) {
  GdiObject<HBITMAP> bitmap(CreateBitmap(4, 4, 1, 32, nullptr));
  HDC dcHandle = nullptr;
  {
    MemoryDc dc;
    ASSERT_TRUE(dc);
    dcHandle = dc.get();
    ASSERT_TRUE(dc.Select(bitmap.get()));
    // A bitmap sits in one context at a time.
    MemoryDc other;
    EXPECT_FALSE(other.Select(bitmap.get()));
  }
  EXPECT_FALSE(GdiAlive(dcHandle));
  MemoryDc later;
  EXPECT_TRUE(later.Select(bitmap.get()));
}

TEST(GdiOwners, MemoryDcMovesWithItsSelection) {
  GdiObject<HBITMAP> bitmap(CreateBitmap(4, 4, 1, 32, nullptr));
  GdiObject<HBITMAP> other(CreateBitmap(4, 4, 1, 32, nullptr));
  HDC moved = nullptr;
  HDC replaced = nullptr;
  {
    MemoryDc target;
    ASSERT_TRUE(target.Select(other.get()));
    replaced = target.get();
    {
      MemoryDc source;
      ASSERT_TRUE(source.Select(bitmap.get()));
      moved = source.get();
      MemoryDc middle(std::move(source));
      EXPECT_FALSE(source);
      target = std::move(middle);
    }
    // The target's own context went at the assignment, with its selection
    // undone; the moved one lives on in the target, still holding its bitmap.
    EXPECT_FALSE(GdiAlive(replaced));
    EXPECT_TRUE(GdiAlive(moved));
    EXPECT_EQ(moved, target.get());
    MemoryDc probe;
    EXPECT_TRUE(probe.Select(other.get()));
    EXPECT_FALSE(probe.Select(bitmap.get()));
  }
  EXPECT_FALSE(GdiAlive(moved));
  MemoryDc after;
  EXPECT_TRUE(after.Select(bitmap.get()));
}

TEST(GdiOwners, ScreenDcIsAUsableScreenContext) {
  ScreenDc screen;
  ASSERT_TRUE(screen);
  EXPECT_EQ(static_cast<DWORD>(OBJ_DC), GetObjectType(screen.get()));
  EXPECT_GT(GetDeviceCaps(screen.get(), BITSPIXEL), 0);
}

}  // namespace
