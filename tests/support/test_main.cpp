// The main function of every test program: each case starts from the skin
// library's start state, as in a process of its own, so that the cases of one
// process may run in any order.
#include <gtest/gtest.h>

#include "skin/tree/skin_library.h"

namespace {

class SkinLibraryReset : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo& test) override {
    // Elements left over by an earlier case keep the registry as it is; that
    // earlier case is at fault, and this one is told.
    if (!ResetSkinLibrary()) {
      ADD_FAILURE() << "elements of an earlier case are still registered before " << test.test_suite_name() << "."
                    << test.name();
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new SkinLibraryReset);
  return RUN_ALL_TESTS();
}
