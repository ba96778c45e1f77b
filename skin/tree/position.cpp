#include "skin/tree/position.h"

#include <climits>
#include <cstdint>

#include "skin/resources/parse_util.h"

namespace {

int Saturate(std::int64_t value) {
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

int SaturatingAdd(int a, int b) { return Saturate(static_cast<std::int64_t>(a) + b); }

int SaturatingSubtract(int a, int b) { return Saturate(static_cast<std::int64_t>(a) - b); }

PosExpression ParsePosExpression(const std::string& text) {
  PosExpression expression;
  if (text.empty()) return expression;
  size_t at = 0;
  while (expression.count < 4) {
    PosItem& item = expression.items[expression.count];
    item = PosItem();
    if (at < text.size() && text[at] == '|') {
      item.center = true;
      ++at;
    }
    if (at < text.size() && text[at] == '-') {
      item.farEdge = true;
      ++at;
    }
    const size_t comma = text.find(',', at);
    item.value = ParseDecimal(text.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
    ++expression.count;
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return expression;
}

int ResolvePosItem(const PosItem& item, int length) {
  const std::int64_t base = item.center ? length / 2 : (item.farEdge ? length : 0);
  if (item.center) return Saturate(item.farEdge ? base - item.value : base + item.value);
  return Saturate(item.farEdge ? base - item.value : static_cast<std::int64_t>(item.value));
}
