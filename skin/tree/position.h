// Position expressions ("pos" attributes) and the saturating arithmetic that
// layout uses: every coordinate is a 32-bit number read leniently from a
// document a user can edit, so sums and differences saturate at the 32-bit
// limits instead of overflowing.
#pragma once

#include <string>

// One coordinate of a position expression.
struct PosItem {
  bool center = false;   // "|": measured from the middle of the length
  bool farEdge = false;  // "-": measured back from the far edge
  int value = 0;
};

// A parsed expression: up to four items, `count` read (0 to 4). Only two or
// four items make a usable expression.
struct PosExpression {
  PosItem items[4];
  int count = 0;
  bool Usable() const { return count == 2 || count == 4; }
};

// Reads at most four comma-separated items from `text`. Each item is an
// optional "|", an optional "-" and a lenient decimal number up to the next
// comma; text after the fourth item is ignored. An empty text reads no item.
PosExpression ParsePosExpression(const std::string& text);

// `item` resolved against `length`: N, length - N, length/2 + N or
// length/2 - N (length/2 truncated toward zero), saturated to 32 bits.
int ResolvePosItem(const PosItem& item, int length);

// a + b and a - b, saturated to the 32-bit range.
int SaturatingAdd(int a, int b);
int SaturatingSubtract(int a, int b);
