#include "skin/resources/skin_base.h"

#include "skin/resources/parse_util.h"

bool ParsePartWord(const std::string& word, unsigned& part) {
  static const struct {
    const char* word;
    unsigned part;
  } kWords[] = {
      {"all", 0x2F}, {"top", 0x2B}, {"middle", 0x2A}, {"bottom", 0x2E},
      {"left", 0x0F}, {"center", 0x07}, {"right", 0x27},
  };
  for (const auto& entry : kWords) {
    if (word == entry.word) {
      part = entry.part;
      return true;
    }
  }
  return false;
}

void ReadCommaNumbers(const std::string& value, int* const* fields, int count) {
  size_t start = 0;
  for (int field = 0; field < count && start <= value.size(); ++field) {
    size_t comma = value.find(',', start);
    size_t end = comma == std::string::npos ? value.size() : comma;
    size_t first = value.find_first_not_of(" \t\r\n", start);
    if (first == std::string::npos || first >= end) return;  // an empty piece ends reading
    size_t last = value.find_last_not_of(" \t\r\n", end - 1);
    *fields[field] = ParseDecimal(value.substr(first, last - first + 1));
    if (comma == std::string::npos) return;
    start = comma + 1;
  }
}

int ThreePieceIndex(int state) {
  if (state == -1) return -1;
  if (state & kSkinStateDisabled) return 3;
  if (state & kSkinStatePushed) return 2;
  return state & kSkinStateHover;
}
