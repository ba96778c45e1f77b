#include "bench/fuzz/fuzz_mutator.h"

#include <algorithm>
#include <cmath>

uint64_t FuzzRng::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

size_t FuzzRng::Below(size_t bound) { return bound == 0 ? 0 : static_cast<size_t>(Next() % bound); }

size_t FuzzRng::LogBetween(size_t low, size_t high) {
  if (low < 1) low = 1;
  if (high <= low) return low;
  // 53 random bits as a fraction; double arithmetic is exact enough and the
  // same on every x86 build.
  const double fraction = static_cast<double>(Next() >> 11) / 9007199254740992.0;
  const double value = std::exp(std::log(static_cast<double>(low)) +
                                fraction * (std::log(static_cast<double>(high)) - std::log(static_cast<double>(low))));
  return std::min(high, std::max(low, static_cast<size_t>(value)));
}

uint64_t NameSalt(const char* name) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (; name && *name; ++name) hash = (hash ^ static_cast<unsigned char>(*name)) * 0x100000001B3ull;
  return hash;
}

namespace {

using Seeds = std::vector<std::string>;

size_t Position(std::string& data, FuzzRng& rng) { return rng.Below(data.size() + 1); }

// A position right after a '<' that starts a tag name, or npos.
size_t TagNameEnd(const std::string& data, FuzzRng& rng) {
  if (data.empty()) return std::string::npos;
  const size_t start = rng.Below(data.size());
  for (size_t step = 0; step < data.size(); ++step) {
    const size_t at = (start + step) % data.size();
    const unsigned char next = at + 1 < data.size() ? static_cast<unsigned char>(data[at + 1]) : 0;
    if (data[at] == '<' && ((next | 0x20) >= 'a' && (next | 0x20) <= 'z')) {
      size_t end = at + 1;
      while (end < data.size() && data[end] != ' ' && data[end] != '>' && data[end] != '/') ++end;
      return end;
    }
  }
  return std::string::npos;
}

void FlipBit(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits&) {
  if (data.empty()) return;
  data[rng.Below(data.size())] ^= static_cast<char>(1u << rng.Below(8));
}

void SetInterestingByte(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits&) {
  static const unsigned char kBytes[] = {'<', '>', '"', '\'', '/', '=', '!', '?', '-', '&', ';', '[', ']',
                                         ' ', '\n', 0x00, 0x7F, 0x80, 0xBF, 0xC0, 0xC3, 0xE4, 0xEF, 0xF0, 0xFF};
  if (data.empty()) return;
  data[rng.Below(data.size())] = static_cast<char>(kBytes[rng.Below(sizeof(kBytes))]);
}

void InsertRandomBytes(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits&) {
  std::string bytes(rng.Between(1, 16), '\0');
  for (char& byte : bytes) byte = static_cast<char>(rng.Below(256));
  data.insert(Position(data, rng), bytes);
}

void DeleteRange(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits&) {
  if (data.empty()) return;
  const size_t at = rng.Below(data.size());
  data.erase(at, rng.LogBetween(1, data.size() - at));
}

void DuplicateRange(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits&) {
  if (data.empty()) return;
  const size_t at = rng.Below(data.size());
  const std::string piece = data.substr(at, rng.LogBetween(1, std::min<size_t>(data.size() - at, 4096)));
  data.insert(Position(data, rng), piece);
}

void SpliceSeed(std::string& data, FuzzRng& rng, const Seeds& seeds, const FuzzLimits&) {
  if (seeds.empty()) return;
  const std::string& other = seeds[rng.Below(seeds.size())];
  if (other.empty()) return;
  const size_t from = rng.Below(other.size());
  const std::string piece = other.substr(from, rng.LogBetween(1, other.size() - from));
  const size_t at = Position(data, rng);
  data.replace(at, rng.Below(data.size() - at + 1), piece);
}

void InsertToken(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits&) {
  static const char* const kTokens[] = {
      "<", ">", "</", "/>", "<!--", "-->", "<![CDATA[", "]]>", "<?xml", "?>", "<!DOCTYPE x>", "=\"", "\"",
      "'", "&amp;", "&#x", "&#", "&", "<a>", "</a>", "<td>", "</td>", "<tr>", "</tr>", "<table>", "</table>",
      "<div>", "</div>", "<body>", "</body>", "<s id=\"1\">", "</s>", "<class name=\"x\"", "<png name=\"p\"",
      " src=\"1\"", " crbg=\"FFFFFF\"", " font=\"0001\"", " subwidth=\"0\"", " imgpos=\"1,1,1\""};
  data.insert(Position(data, rng), kTokens[rng.Below(sizeof(kTokens) / sizeof(kTokens[0]))]);
}

// "<" followed by a character that cannot start a name.
void OddOpen(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits&) {
  static const char kAfter[] = " 0-.!?@#[{\"'=<>/\t:;%";
  std::string piece = "<";
  piece += kAfter[rng.Below(sizeof(kAfter) - 1)];
  if (rng.OneIn(2)) piece += rng.OneIn(2) ? "\"><a>\"" : "x y='>'";
  data.insert(Position(data, rng), piece);
}

// An opening that never ends, placed anywhere or as the very end.
void Unterminated(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits&) {
  static const char* const kOpenings[] = {"<!--", "<!", "<?", "<![CDATA[", "<", "<a", "<a b=\"", "<a b='",
                                          "<?xml version=\"", "<!DOCTYPE", "&#x", "</"};
  const char* opening = kOpenings[rng.Below(sizeof(kOpenings) / sizeof(kOpenings[0]))];
  if (rng.OneIn(2)) {
    data += opening;
  } else {
    data.insert(Position(data, rng), opening);
  }
}

// An XML declaration whose quoted values run over '>' and tags.
void DeclarationQuotes(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits&) {
  static const char* const kNames[] = {"version", "encoding", "standalone"};
  static const char* const kInside[] = {"><a>", "><z q='", "?><b>", "></x><y>", ">", "'><c>'"};
  const char quote = rng.OneIn(2) ? '"' : '\'';
  std::string piece = "<?xml ";
  piece += kNames[rng.Below(3)];
  piece += '=';
  piece += quote;
  for (size_t i = rng.Between(1, 3); i > 0; --i) piece += kInside[rng.Below(sizeof(kInside) / sizeof(kInside[0]))];
  if (!rng.OneIn(4)) piece += quote;
  piece += rng.OneIn(2) ? "?>" : "'/>";
  data.insert(Position(data, rng), piece);
}

void DeepNest(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits& limits) {
  const auto& forms = NestingForms();
  const NestingForm& form = forms[rng.Below(forms.size())];
  const size_t count = rng.LogBetween(100, limits.maxDepth);
  data.insert(Position(data, rng), NestingBurst(form, count, rng.OneIn(2)));
}

// Mostly a few hundred attributes; rarely the full bound, which takes seconds.
void ManyAttributes(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits& limits) {
  const size_t high = std::min<size_t>(limits.maxAttributes, rng.OneIn(512) ? limits.maxAttributes : 2000);
  const size_t count = rng.LogBetween(2, std::max<size_t>(2, high));
  const size_t tagEnd = TagNameEnd(data, rng);
  if (tagEnd == std::string::npos || rng.OneIn(4)) {
    data.insert(Position(data, rng), ManyAttributeTag(count));
    return;
  }
  std::string attributes = ManyAttributeTag(count);
  // Keep only the " a0="0" …" part and slip it into the existing tag.
  attributes = attributes.substr(2, attributes.size() - 3);
  data.insert(tagEnd, attributes);
}

// A multi-byte lead byte with fewer continuation bytes than it announces: at
// the end, before a zero byte, or inside the text.
void CutUtf8(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits&) {
  static const unsigned char kLeads[] = {0xC3, 0xDF, 0xE4, 0xEF, 0xF0, 0xF4};
  const unsigned char lead = kLeads[rng.Below(sizeof(kLeads))];
  const size_t announced = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
  std::string piece(1, static_cast<char>(lead));
  for (size_t i = rng.Below(announced); i > 0; --i) piece += static_cast<char>(0x80 | rng.Below(0x40));
  switch (rng.Below(3)) {
    case 0:
      data += piece;
      break;
    case 1:
      piece += '\0';
      data.insert(Position(data, rng), piece);
      break;
    default:
      data.insert(Position(data, rng), piece);
      break;
  }
}

void ZeroByte(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits&) {
  data.insert(Position(data, rng), 1, '\0');
}

// Repeats a piece of the input up to a large size.
void Grow(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits& limits) {
  if (data.empty()) return;
  const size_t target = rng.LogBetween(data.size() + 1, std::max(data.size() + 1, limits.maxBytes));
  const size_t from = rng.Below(data.size());
  const std::string piece = data.substr(from, rng.LogBetween(1, data.size() - from));
  std::string grown;
  grown.reserve(target);
  while (grown.size() + piece.size() <= target - std::min(target, data.size())) grown += piece;
  data.insert(Position(data, rng), grown);
}

void Truncate(std::string& data, FuzzRng& rng, const Seeds&, const FuzzLimits&) { data.resize(rng.Below(data.size() + 1)); }

}  // namespace

const std::vector<NestingForm>& NestingForms() {
  static const std::vector<NestingForm> kForms = {
      {"element", "<a>"},
      {"attribute", "<a b='1'>"},
      {"unknown", "<@\"><a>\"/>"},
      {"unknown-blank", "< '><a>'/>"},
      {"declaration", "<?xml version=\"><z q='\"><a>'/>"},
      {"comment-start", "<!--<a>"},
      {"bang", "<!x><a>"},
      {"mixed", "<a><?x?><b x=\">\">"},
  };
  return kForms;
}

std::string NestingBurst(const NestingForm& form, size_t count, bool closed) {
  std::string burst;
  const std::string unit = form.unit;
  burst.reserve(count * (unit.size() + (closed ? 4 : 0)));
  for (size_t i = 0; i < count; ++i) burst += unit;
  if (closed) {
    for (size_t i = 0; i < count; ++i) burst += "</a>";
  }
  return burst;
}

std::string ManyAttributeTag(size_t count) {
  std::string tag = "<e";
  for (size_t i = 0; i < count; ++i) {
    const std::string number = std::to_string(i);
    tag += " a" + number + "=\"" + number + "\"";
  }
  return tag + ">";
}

const std::vector<Mutation>& Mutations() {
  static const std::vector<Mutation> kMutations = {
      {"flip-bit", FlipBit, 10},
      {"set-byte", SetInterestingByte, 10},
      {"insert-bytes", InsertRandomBytes, 8},
      {"delete-range", DeleteRange, 8},
      {"duplicate-range", DuplicateRange, 6},
      {"splice-seed", SpliceSeed, 6},
      {"insert-token", InsertToken, 12},
      {"odd-open", OddOpen, 6},
      {"unterminated", Unterminated, 5},
      {"declaration-quotes", DeclarationQuotes, 4},
      {"deep-nest", DeepNest, 2},
      {"many-attributes", ManyAttributes, 3},
      {"cut-utf8", CutUtf8, 6},
      {"zero-byte", ZeroByte, 3},
      {"grow", Grow, 1},
      {"truncate", Truncate, 2},
  };
  return kMutations;
}

std::string MakeFuzzInput(const Seeds& seeds, uint64_t salt, uint64_t seed, uint64_t index, const FuzzLimits& limits,
                          std::vector<std::string>* applied) {
  FuzzRng rng(salt ^ (seed * 0xD1B54A32D192ED03ull) ^ (index * 0x9E3779B97F4A7C15ull));
  rng.Next();
  std::string data = seeds.empty() ? std::string() : seeds[rng.Below(seeds.size())];

  const auto& mutations = Mutations();
  unsigned total = 0;
  for (const Mutation& mutation : mutations) total += mutation.weight;
  // One mutation half of the time, two a quarter, and so on up to five.
  size_t rounds = 1;
  while (rounds < 5 && rng.OneIn(2)) ++rounds;
  for (size_t round = 0; round < rounds; ++round) {
    size_t pick = rng.Below(total);
    const Mutation* chosen = &mutations.back();
    for (const Mutation& mutation : mutations) {
      if (pick < mutation.weight) {
        chosen = &mutation;
        break;
      }
      pick -= mutation.weight;
    }
    chosen->apply(data, rng, seeds, limits);
    if (data.size() > limits.maxBytes) data.resize(limits.maxBytes);
    if (applied) applied->push_back(chosen->name);
  }
  return data;
}
