#include "skin/resources/skin_base.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SkinBase, ThreePieceIndexConversion) {
  EXPECT_EQ(ThreePieceIndex(-1), -1);
  EXPECT_EQ(ThreePieceIndex(0), 0);
  EXPECT_EQ(ThreePieceIndex(1), 1);
  EXPECT_EQ(ThreePieceIndex(2), 2);
  EXPECT_EQ(ThreePieceIndex(3), 2);
  EXPECT_EQ(ThreePieceIndex(4), 0);
  EXPECT_EQ(ThreePieceIndex(16), 3);
  EXPECT_EQ(ThreePieceIndex(16 | 2 | 1), 3);
  EXPECT_EQ(ThreePieceIndex(4 | 1), 1);
}

TEST(SkinBase, ReadCommaNumbersFillsFieldsInOrderUpToTheCount) {
  const struct {
    const char* value;
    int expected[4];  // the fields start as 91, 92, 93, 94
  } kCases[] = {
      {"1,2,3,4", {1, 2, 3, 4}},
      {"1,2,3,4,5", {1, 2, 3, 4}},       // pieces past the count are not read
      {"5", {5, 92, 93, 94}},            // fields not reached keep their values
      {" 6 ,\t7\r\n, 8 ", {6, 7, 8, 94}},  // pieces are trimmed
      {"1,,3,4", {1, 92, 93, 94}},       // an empty piece ends reading
      {"1, ,3", {1, 92, 93, 94}},        // so does a blank one
      {"1,2,", {1, 2, 93, 94}},          // and a trailing comma's
      {",1", {91, 92, 93, 94}},
      {"", {91, 92, 93, 94}},
      {"x,-3px,+4,99999999999", {0, -3, 4, 2147483647}},  // lenient decimals
  };
  for (const auto& entry : kCases) {
    int a = 91, b = 92, c = 93, d = 94;
    int* const fields[] = {&a, &b, &c, &d};
    ReadCommaNumbers(entry.value, fields, 4);
    EXPECT_EQ(a, entry.expected[0]) << '"' << entry.value << '"';
    EXPECT_EQ(b, entry.expected[1]) << '"' << entry.value << '"';
    EXPECT_EQ(c, entry.expected[2]) << '"' << entry.value << '"';
    EXPECT_EQ(d, entry.expected[3]) << '"' << entry.value << '"';
  }
}

TEST(SkinBase, UnknownPartWordsLeaveThePartUnchanged) {
  const char* const kWords[] = {"", "All", "TOP", "centre", "top ", "left,right"};
  for (const char* word : kWords) {
    unsigned part = 0x11;
    EXPECT_FALSE(ParsePartWord(word, part)) << '"' << word << '"';
    EXPECT_EQ(part, 0x11u) << '"' << word << '"';
  }
}

}  // namespace
