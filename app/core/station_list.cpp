#include "app/core/station_list.h"

#include <algorithm>
#include <array>

#include "skin/resources/parse_util.h"
#include "skin/resources/text_encoding.h"

namespace {

constexpr std::string_view kHeader = "tavora-stations 1";
constexpr wchar_t kStationSuffix = L'\u7AD9';  // 站
// Texts longer than this get no suggestions: a station name is far shorter,
// and the distance costs the product of the two lengths.
constexpr size_t kMaxSuggestedTextLength = 40;

bool IsHanCharacter(wchar_t c) {
  return (c >= L'\u3400' && c <= L'\u4DBF') || (c >= L'\u4E00' && c <= L'\u9FFF') || (c >= L'\uF900' && c <= L'\uFAFF');
}

bool IsLowerLetters(std::string_view text, size_t maxLength) {
  if (text.empty() || text.size() > maxLength) return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

bool ReadStationLine(std::string_view line, int previousRank, Station& station) {
  std::array<std::string_view, 4> fields;
  for (size_t field = 0; field < fields.size(); ++field) {
    const size_t bar = line.find('|');
    if ((bar == std::string_view::npos) != (field == fields.size() - 1)) return false;
    fields[field] = line.substr(0, bar);
    line = bar == std::string_view::npos ? std::string_view() : line.substr(bar + 1);
  }
  const std::wstring name = Utf8ToWide(fields[0]);
  if (name.empty() || name.size() > kMaxStationNameLength || !std::all_of(name.begin(), name.end(), IsHanCharacter))
    return false;
  if (!IsLowerLetters(fields[1], kMaxPinyinLength) || !IsLowerLetters(fields[2], kMaxStationNameLength)) return false;
  if (fields[2].size() != name.size() || fields[2][0] != fields[1][0]) return false;
  unsigned long long rank = 0;
  const std::wstring rankText(fields[3].begin(), fields[3].end());
  if (!ParseWholeDecimal(rankText, kMaxStationRank, rank) || static_cast<int>(rank) <= previousRank) return false;
  station.name = name;
  station.pinyin.assign(fields[1]);
  station.initials.assign(fields[2]);
  station.rank = static_cast<int>(rank);
  return true;
}

template <typename Text>
bool StartsWith(const Text& text, const Text& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// The letters of a text typed in pinyin ("Bei Jing", "xi'an"), or false when
// it holds anything but ASCII letters, blanks and apostrophes.
bool PinyinKey(const std::wstring& text, std::string& letters) {
  letters.clear();
  for (const wchar_t c : text) {
    if (c >= L'a' && c <= L'z') {
      letters.push_back(static_cast<char>(c));
    } else if (c != L' ' && c != L'\'') {
      return false;
    }
  }
  return !letters.empty();
}

// Edit distance counting a swap of neighbours as one edit, or `cap` + 1 when
// it is above `cap`.
template <typename Text>
size_t EditDistance(const Text& a, const Text& b, size_t cap) {
  const size_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
  if (gap > cap) return cap + 1;
  std::vector<size_t> before(b.size() + 1), row(b.size() + 1), current(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    size_t best = current[0];
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      current[j] = std::min({row[j] + 1, current[j - 1] + 1, row[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        current[j] = std::min(current[j], before[j - 2] + 1);
      best = std::min(best, current[j]);
    }
    if (best > cap) return cap + 1;
    before.swap(row);
    row.swap(current);
  }
  return std::min(row[b.size()], cap + 1);
}

}  // namespace

bool StationList::Parse(std::string_view text, StationList& list) {
  if (text.size() > kMaxStationListBytes || FirstMalformedUtf8(text) != text.size()) return false;
  StationList read;
  bool header = false;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!header) {
      if (line != kHeader) return false;
      header = true;
      continue;
    }
    if (line.empty()) continue;
    if (read.stations_.size() == kMaxStations) return false;
    Station station;
    if (!ReadStationLine(line, read.stations_.empty() ? 0 : read.stations_.back().rank, station)) return false;
    read.stations_.push_back(std::move(station));
  }
  if (read.stations_.empty()) return false;
  read.byName_.resize(read.stations_.size());
  for (size_t index = 0; index < read.byName_.size(); ++index) read.byName_[index] = index;
  const auto& stations = read.stations_;
  std::sort(read.byName_.begin(), read.byName_.end(),
            [&stations](size_t a, size_t b) { return stations[a].name < stations[b].name; });
  const auto twice = std::adjacent_find(read.byName_.begin(), read.byName_.end(), [&stations](size_t a, size_t b) {
    return stations[a].name == stations[b].name;
  });
  if (twice != read.byName_.end()) return false;
  list = std::move(read);
  return true;
}

const Station* StationList::Find(std::wstring_view name) const {
  const auto at = std::lower_bound(byName_.begin(), byName_.end(), name,
                                   [this](size_t index, std::wstring_view key) { return stations_[index].name < key; });
  if (at == byName_.end() || stations_[*at].name != name) return nullptr;
  return &stations_[*at];
}

std::wstring NormalizeStationText(std::wstring_view typed) {
  std::wstring text(typed);
  for (wchar_t& c : text) {
    c = FullWidthToAscii(c);
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  text = std::wstring(TrimWhiteSpace(text));
  if (text.size() > 1 && text.back() == kStationSuffix) {
    text.pop_back();
    text = std::wstring(TrimWhiteSpace(text));
  }
  return text;
}

bool IsStationNameForm(std::wstring_view typed) {
  const std::wstring text = NormalizeStationText(typed);
  std::string letters;
  return !text.empty() && (std::all_of(text.begin(), text.end(), IsHanCharacter) || PinyinKey(text, letters));
}

std::vector<StationMatch> MatchStations(const StationList& list, std::wstring_view typed, size_t limit) {
  const std::wstring text = NormalizeStationText(typed);
  if (text.empty() || limit == 0) return {};
  std::string letters;
  const bool pinyin = PinyinKey(text, letters);
  // The list is in rank order, so the first `limit` stations of each kind are
  // that kind's best: one pass fills a bucket per kind.
  constexpr size_t kKinds = static_cast<size_t>(StationMatchKind::NamePart) + 1;
  std::array<std::vector<StationMatch>, kKinds> buckets;
  const std::vector<Station>& stations = list.Stations();
  for (size_t index = 0; index < stations.size(); ++index) {
    const Station& station = stations[index];
    StationMatchKind kind;
    if (pinyin) {
      if (StartsWith(station.initials, letters)) {
        kind = StationMatchKind::Initials;
      } else if (StartsWith(station.pinyin, letters)) {
        kind = StationMatchKind::FullPinyin;
      } else {
        continue;
      }
    } else if (station.name == text) {
      kind = StationMatchKind::ExactName;
    } else if (StartsWith(station.name, text)) {
      kind = StationMatchKind::NamePrefix;
    } else if (station.name.find(text) != std::wstring::npos) {
      kind = StationMatchKind::NamePart;
    } else {
      continue;
    }
    std::vector<StationMatch>& bucket = buckets[static_cast<size_t>(kind)];
    if (bucket.size() < limit) bucket.push_back(StationMatch{index, kind});
  }
  std::vector<StationMatch> matches;
  for (const auto& bucket : buckets) {
    for (const StationMatch& match : bucket) {
      if (matches.size() == limit) return matches;
      matches.push_back(match);
    }
  }
  return matches;
}

std::vector<std::wstring> SuggestStations(const StationList& list, std::wstring_view typed, size_t limit) {
  std::vector<std::wstring> names;
  for (const StationMatch& match : MatchStations(list, typed, limit))
    names.push_back(list.Stations()[match.index].name);
  const std::wstring text = NormalizeStationText(typed);
  if (!names.empty() || text.empty() || text.size() > kMaxSuggestedTextLength) return names;
  std::string letters;
  const bool pinyin = PinyinKey(text, letters);
  const size_t length = pinyin ? letters.size() : text.size();
  const size_t cap = length <= 4 ? 1 : 2;
  // (distance, index): the list's order breaks ties by rank.
  std::vector<std::pair<size_t, size_t>> near;
  const std::vector<Station>& stations = list.Stations();
  for (size_t index = 0; index < stations.size(); ++index) {
    const size_t distance =
        pinyin ? EditDistance(letters, stations[index].pinyin, cap) : EditDistance(text, stations[index].name, cap);
    if (distance <= cap) near.emplace_back(distance, index);
  }
  std::stable_sort(near.begin(), near.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t at = 0; at < near.size() && names.size() < limit; ++at) names.push_back(stations[near[at].second].name);
  return names;
}

StationResolution ResolveStation(const StationList& list, std::wstring_view typed) {
  StationResolution resolution;
  resolution.name = std::wstring(TrimWhiteSpace(typed));
  const std::wstring text = NormalizeStationText(typed);
  if (text.empty()) return resolution;
  if (const Station* station = list.Find(text)) {
    resolution.kind = StationResolution::Known;
    resolution.name = station->name;
    return resolution;
  }
  std::string letters;
  if (PinyinKey(text, letters)) {
    const Station* whole = nullptr;
    size_t wholeCount = 0;
    for (const Station& station : list.Stations()) {
      if (station.pinyin != letters && station.initials != letters) continue;
      whole = &station;
      ++wholeCount;
    }
    if (wholeCount == 1) {
      resolution.kind = StationResolution::Completed;
      resolution.name = whole->name;
      return resolution;
    }
  }
  const std::vector<StationMatch> matches = MatchStations(list, typed);
  if (matches.size() == 1) {
    resolution.kind = StationResolution::Completed;
    resolution.name = list.Stations()[matches.front().index].name;
  } else if (matches.size() > 1) {
    resolution.kind = StationResolution::Ambiguous;
    for (const StationMatch& match : matches) resolution.candidates.push_back(list.Stations()[match.index].name);
  }
  return resolution;
}
