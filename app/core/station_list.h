// The stations the program knows, by name and by pinyin, and how what a person
// types into a station box is matched against them: while typing (the
// completion drop-down), when a query starts (an unknown name and the names
// meant) and on the command line (an abbreviation taken as the one station it
// completes to).
//
// A list is text, one station a line after a header:
//
//   tavora-stations 1
//   北京|beijing|bj|1
//   北京南|beijingnan|bjn|3
//
// name (CJK characters), full pinyin and initials (a-z), and a rank: 1 for the
// largest station, larger numbers for smaller ones, increasing down the list.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct Station {
  std::wstring name;
  std::string pinyin;
  std::string initials;
  int rank = 0;
};

// Bounds of a list from outside (the query site, the stored copy).
constexpr size_t kMaxStationListBytes = 512u * 1024u;
constexpr size_t kMaxStations = 10000;
constexpr size_t kMaxStationNameLength = 16;
constexpr size_t kMaxPinyinLength = 96;
constexpr int kMaxStationRank = 1000000;
// The drop-down shows at most this many matches.
constexpr size_t kMaxStationMatches = 10;

class StationList {
 public:
  // Reads a whole list. False, with `list` unchanged, when the text is larger
  // than kMaxStationListBytes, lacks the header, has more than kMaxStations
  // stations or none, or has any line that is not a station: a field out of
  // its alphabet or bounds, initials that are not one letter per character
  // of the name and the first of its pinyin, a rank not above the line
  // before, a name listed twice. A list is taken whole or not at all.
  static bool Parse(std::string_view text, StationList& list);

  const std::vector<Station>& Stations() const { return stations_; }
  size_t Size() const { return stations_.size(); }
  bool Empty() const { return stations_.empty(); }
  // The station named exactly `name`, or null.
  const Station* Find(std::wstring_view name) const;

 private:
  // In the list's order, which is the order of rank.
  std::vector<Station> stations_;
  // Indexes into stations_ in the order of their names.
  std::vector<size_t> byName_;
};

// What a person typed, in the form it is matched in: blanks at either end
// dropped, full-width letters, digits and signs as ASCII, ASCII letters in
// lower case, and a trailing "站" dropped ("北京西站 " → "北京西").
std::wstring NormalizeStationText(std::wstring_view typed);

// Whether `typed` (after NormalizeStationText) has the form of a station
// name: CJK characters only, or pinyin (ASCII letters, blanks, apostrophes).
bool IsStationNameForm(std::wstring_view typed);

// How a station matched, best first.
enum class StationMatchKind {
  ExactName,     // the name itself
  NamePrefix,    // the name starts with the text ("北京" → 北京南)
  Initials,      // the initials start with the text ("bjn" → 北京南)
  FullPinyin,    // the pinyin starts with the text ("beijingn" → 北京南)
  NamePart,      // the name holds the text ("虹桥" → 上海虹桥)
};

struct StationMatch {
  size_t index = 0;  // into StationList::Stations()
  StationMatchKind kind = StationMatchKind::ExactName;
};

// The stations `typed` matches (case-insensitive, after NormalizeStationText;
// blanks and apostrophes inside a pinyin text are ignored), each once by its
// best kind: ordered by kind, then rank, then name; at most `limit`.
std::vector<StationMatch> MatchStations(const StationList& list, std::wstring_view typed,
                                        size_t limit = kMaxStationMatches);

// The names a person who typed `typed` most likely meant, at most `limit`:
// its matches when it has any, otherwise the stations whose name (for a text
// in characters) or pinyin (for a text in letters) is within a small edit
// distance of it, nearest first.
std::vector<std::wstring> SuggestStations(const StationList& list, std::wstring_view typed, size_t limit = 3);

// What a station argument of the command line stands for.
struct StationResolution {
  enum Kind {
    Known,      // a station's name (after NormalizeStationText)
    Completed,  // not a name, but it stands for exactly one station
    Ambiguous,  // it completes to several stations: `candidates`
    Unknown,    // it matches no station: the text is asked for as typed
  };
  Kind kind = Unknown;
  // The name to ask for: the station's, or the trimmed text when Unknown.
  std::wstring name;
  std::vector<std::wstring> candidates;
};
// A text stands for one station when it is the whole pinyin or initials of
// exactly one station, or when it matches exactly one station.
StationResolution ResolveStation(const StationList& list, std::wstring_view typed);
