// A check shared by the tests of every owner type: one kind of handle is
// moved through owners, reset and released, and checked alive or gone
// through the system after each step.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "skin/resources/unique_handle.h"

// One kind of handle: how to make one and how to tell that it still exists.
template <typename Traits>
struct HandleKind {
  const char* name;
  std::function<typename Traits::Handle()> make;
  std::function<bool(typename Traits::Handle)> alive;
};

// Moves a fresh handle through two owners and checks that it lives exactly
// as long as the last of them, then that reset and release work on it.
template <typename Traits>
void CheckOwnership(const HandleKind<Traits>& kind) {
  SCOPED_TRACE(kind.name);
  typename Traits::Handle handle = kind.make();
  ASSERT_TRUE(Traits::IsValid(handle));
  ASSERT_TRUE(kind.alive(handle));
  {
    UniqueHandle<Traits> last;
    {
      UniqueHandle<Traits> first(handle);
      UniqueHandle<Traits> second(std::move(first));
      last = std::move(second);
    }
    EXPECT_TRUE(kind.alive(handle)) << "closed by an owner it had moved away from";
    EXPECT_EQ(handle, last.get());
  }
  EXPECT_FALSE(kind.alive(handle)) << "not closed by its last owner";

  handle = kind.make();
  UniqueHandle<Traits> owner(handle);
  owner.reset(kind.make());
  EXPECT_FALSE(kind.alive(handle)) << "reset kept the old handle";
  handle = owner.get();
  const typename Traits::Handle released = owner.release();
  EXPECT_EQ(handle, released);
  owner.reset();
  EXPECT_TRUE(kind.alive(released)) << "release closed the handle";
  UniqueHandle<Traits>(released).reset();
  EXPECT_FALSE(kind.alive(released));
}
