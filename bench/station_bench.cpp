// Station matching benchmark: MatchStations for the text of one keystroke over
// a list of 3,000 stations (the shipped list and made-up smaller stations
// after it), against the 1 ms a keystroke's drop-down may take; and the
// parse of that list's text.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/core/station_list.h"
#include "bench/bench_timing.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/text_encoding.h"

namespace {

constexpr size_t kStations = 3000;
constexpr double kBudgetMicroseconds = 1000;

// The shipped stations, then each of their names with a quarter or a kind of
// place after it (北京 → 北京东, 北京镇, ...) that the list lacks, ranked
// after them, up to kStations.
std::string MakeListText(const StationList& shipped) {
  const struct {
    const wchar_t* name;
    const char* pinyin;
  } suffixes[] = {{L"东", "dong"}, {L"西", "xi"}, {L"南", "nan"}, {L"北", "bei"}, {L"镇", "zhen"}, {L"城", "cheng"}};
  std::string text = "tavora-stations 1\n";
  std::vector<std::wstring> names;
  int rank = 0;
  for (const Station& station : shipped.Stations()) {
    names.push_back(station.name);
    rank = station.rank;
    text +=
        WideToUtf8(station.name) + "|" + station.pinyin + "|" + station.initials + "|" + std::to_string(rank) + "\n";
  }
  for (const auto& suffix : suffixes) {
    for (const Station& station : shipped.Stations()) {
      if (names.size() == kStations) return text;
      const std::wstring name = station.name + suffix.name;
      if (name.size() > kMaxStationNameLength || shipped.Find(name) ||
          std::find(names.begin() + static_cast<std::ptrdiff_t>(shipped.Size()), names.end(), name) != names.end())
        continue;
      names.push_back(name);
      text += WideToUtf8(name) + "|" + station.pinyin + suffix.pinyin + "|" + station.initials + suffix.pinyin[0] +
              "|" + std::to_string(++rank) + "\n";
    }
  }
  return text;
}

// `text` padded to `columns` terminal columns (a CJK character takes two).
std::string Padded(const std::wstring& text, size_t columns) {
  size_t width = 0;
  for (const wchar_t c : text) width += c < 0x1100 ? 1 : 2;
  return WideToUtf8(text) + std::string(columns > width ? columns - width : 0, ' ');
}

}  // namespace

int main() {
  // The list built into the program (resource 1 of type STATIONS).
  std::string shippedText;
  StationList shipped;
  if (!LoadModuleResource(1, shippedText, L"STATIONS") || !StationList::Parse(shippedText, shipped)) {
    std::printf("error: the built-in station list did not read\n");
    return 1;
  }
  const std::string text = MakeListText(shipped);
  StationList list;
  if (!StationList::Parse(text, list) || list.Size() != kStations) {
    std::printf("error: the made-up list of %u stations did not read\n", static_cast<unsigned>(kStations));
    return 1;
  }

  const int kCalls = 501;
  std::printf("MatchStations for one keystroke's text over %u stations (%u shipped), %d calls each,\n",
              static_cast<unsigned>(list.Size()), static_cast<unsigned>(shipped.Size()), kCalls);
  std::printf("against the keystroke budget of %.0f us\n", kBudgetMicroseconds);
  std::printf("%-20s %8s %10s %10s %12s %12s\n", "text", "matches", "median us", "worst us", "median/1ms", "worst/1ms");
  const wchar_t* const inputs[] = {L"b",    L"bj",  L"bjn", L"beij", L"北", L"北京", L"虹桥", L"x", L"shanghaihongqiao",
                                   L"qwxz", L"火星"};
  for (const wchar_t* input : inputs) {
    std::vector<double> times;
    size_t matches = 0;
    for (int call = 0; call < kCalls; ++call) {
      const double start = Now();
      matches = MatchStations(list, input).size();
      times.push_back((Now() - start) * 1e6);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("%s %8u %10.1f %10.1f %12.3f %12.3f\n", Padded(input, 20).c_str(), static_cast<unsigned>(matches),
                median, times.back(), median / kBudgetMicroseconds, times.back() / kBudgetMicroseconds);
  }
  if (list.Stations()[MatchStations(list, L"bjn").front().index].name != L"北京南") {
    std::printf("error: bjn did not find 北京南 first\n");
    return 1;
  }

  const int kRuns = 9;
  size_t parsed = 0;
  const double seconds = MedianSeconds(kRuns, [&] {
    StationList read;
    StationList::Parse(text, read);
    parsed = read.Size();
  });
  std::printf("\nStationList::Parse of the %u-station list, median of %d runs\n", static_cast<unsigned>(parsed), kRuns);
  std::printf("%10s %10s %14s %12s\n", "KiB", "ms", "us per station", "ratio 1ms");
  std::printf("%10u %10.3f %14.3f %12.2f\n", static_cast<unsigned>(text.size() / 1024), seconds * 1000,
              seconds * 1e6 / static_cast<double>(parsed), seconds * 1e6 / kBudgetMicroseconds);
  return 0;
}
