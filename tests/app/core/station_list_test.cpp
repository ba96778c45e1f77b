#include "app/core/station_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/resources/text_encoding.h"
#include "tests/support/test_support.h"

namespace {

// Ranks out of the list's order of lines, so that ranking shows.
constexpr char kSmallList[] =
    "tavora-stations 1\n"
    "北京|beijing|bj|1\n"
    "上海|shanghai|sh|2\n"
    "深圳|shenzhen|sz|3\n"
    "北京南|beijingnan|bjn|4\n"
    "上海虹桥|shanghaihongqiao|shhq|5\n"
    "宝鸡|baoji|bj|6\n"
    "宝鸡南|baojinan|bjn|7\n"
    "虹桥|hongqiao|hq|8\n"
    "虹桥东|hongqiaodong|hqd|9\n"
    "西安|xian|xa|10\n"
    "咸宁|xianning|xn|11\n";

StationList Read(const std::string& text) {
  StationList list;
  EXPECT_TRUE(StationList::Parse(text, list)) << text.substr(0, 200);
  return list;
}

const StationList& Shipped() {
  static const StationList list = Read(ReadFileBytes(SourcePath("res/stations.txt")));
  return list;
}

// The names `typed` matches, best first, as one UTF-8 line.
std::string Matches(const StationList& list, const wchar_t* typed, size_t limit = kMaxStationMatches) {
  std::wstring names;
  for (const StationMatch& match : MatchStations(list, typed, limit))
    names += (names.empty() ? L"" : L" ") + list.Stations()[match.index].name;
  return WideToUtf8(names);
}

std::string Joined(const std::vector<std::wstring>& names) {
  std::wstring joined;
  for (const std::wstring& name : names) joined += (joined.empty() ? L"" : L" ") + name;
  return WideToUtf8(joined);
}

// `count` stations of two-character names, all different, each line "丁丁|aa|aa|N".
std::string GeneratedList(size_t count) {
  std::string text = "tavora-stations 1\n";
  for (size_t i = 0; i < count; ++i) {
    const std::wstring name{static_cast<wchar_t>(0x4E00 + i / 200), static_cast<wchar_t>(0x4E00 + i % 200)};
    text += WideToUtf8(name) + "|aa|aa|" + std::to_string(i + 1) + "\n";
  }
  return text;
}

}  // namespace

TEST(StationListParse, ReadsTheShippedListAndLineEndsOfEitherKind) {
  ASSERT_GT(Shipped().Size(), 600u);
  EXPECT_EQ(L"北京", Shipped().Stations()[0].name);
  ASSERT_NE(nullptr, Shipped().Find(L"上海虹桥"));
  EXPECT_EQ("shhq", Shipped().Find(L"上海虹桥")->initials);
  EXPECT_EQ(nullptr, Shipped().Find(L"上海虹"));

  const StationList crlf = Read("tavora-stations 1\r\n\r\n北京|beijing|bj|1\r\n\n\n上海|shanghai|sh|20\r\n");
  ASSERT_EQ(2u, crlf.Size());
  EXPECT_EQ("shanghai", crlf.Stations()[1].pinyin);
  EXPECT_EQ(20, crlf.Stations()[1].rank);
  // The bounds themselves are accepted.
  EXPECT_EQ(1u, Read("tavora-stations 1\n" + WideToUtf8(std::wstring(16, L'\u4E00')) + "|" + std::string(96, 'y') +
                     "|" + std::string(16, 'y') + "|1000000")
                    .Size());
  EXPECT_EQ(kMaxStations, Read(GeneratedList(kMaxStations)).Size());
  std::string full = kSmallList;
  full.resize(kMaxStationListBytes, '\n');
  EXPECT_EQ(11u, Read(full).Size());
}

TEST(StationListParse, RefusesADamagedListWholeAndKeepsTheOldOne) {
  const std::string header = "tavora-stations 1\n";
  std::string large = kSmallList;
  large.resize(kMaxStationListBytes + 1, '\n');
  std::vector<std::string> texts = {"",
                                    header,
                                    header + "\n\r\n",
                                    "北京|beijing|bj|1\n",
                                    "tavora-stations 2\n北京|beijing|bj|1\n",
                                    " tavora-stations 1\n北京|beijing|bj|1\n",
                                    large,
                                    GeneratedList(kMaxStations + 1),
                                    header + WideToUtf8(std::wstring(17, L'\u4E00')) + "|" + std::string(17, 'y') +
                                        "|" + std::string(17, 'y') + "|1\n",
                                    header + "北京|" + std::string(97, 'b') + "|bj|1\n"};
  // Station lines after a good header: fields missing, extra, empty, out of
  // their alphabets, initials not one per character or not the pinyin's first
  // letter, ranks out of bounds.
  const char* const lines[] = {
      "北京|beijing|1",       "北京|beijing|bj|1|x",     "北京|beijing|bj|",   "|beijing|bj|1",
      "北京||bj|1",           "北京|Beijing|bj|1",       "北京|beijing2|bj|1", "北京|beijing|bJ|1",
      "北京|bei jing|bj|1",   "北京|beijing|b|1",        "北京|beijing|bjx|1", "北京|beijing|pj|1",
      "北京x|beijingx|bjx|1", "北京 |beijing|bjx|1",     "ＢＪ|beijing|bj|1",  "北京|beijing|bj|0",
      "北京|beijing|bj|-1",   "北京|beijing|bj|1000001", "北京|beijing|bj|x1"};
  // Lines after a good first one: a rank not above the one before, a name
  // twice, malformed UTF-8, a line cut short.
  const std::pair<const char*, const char*> after[] = {{"上海|shanghai|sh|1", ""},
                                                       {"上海|shanghai|sh|3", "深圳|shenzhen|sz|2"},
                                                       {"上海|shanghai|sh|2", "北京|beijing|bj|3"},
                                                       {"上\xE6\xB5|shanghai|sh|2", ""},
                                                       {"\xFF", ""},
                                                       {"杭州|hang", ""}};
  for (const char* line : lines) texts.push_back(header + line + "\n");
  for (const auto& [second, third] : after)
    texts.push_back(header + "北京|beijing|bj|1\n" + second + "\n" + third + "\n");
  for (const std::string& text : texts) {
    StationList list = Read(kSmallList);
    EXPECT_FALSE(StationList::Parse(text, list)) << text.substr(0, 200);
    ASSERT_EQ(11u, list.Size()) << text.substr(0, 200);
    EXPECT_NE(nullptr, list.Find(L"虹桥东"));
  }
}

TEST(NormalizeStationText, DropsBlanksAndTheSuffixAndFoldsWidthAndCase) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"北京西站", L"北京西"},   {L"站", L"站"},
      {L" 站 ", L"站"},           {L"北京 站", L"北京"},
      {L"\u3000上海\t", L"上海"}, {L"ＢＪＮ", L"bjn"},
      {L"ｂｊ１", L"bj1"},        {L"BeiJing", L"beijing"},
      {L" Xi'An ", L"xi'an"},     {L"北京站站", L"北京站"},
      {L"站前", L"站前"},         {L"", L""},
      {L" \u3000 ", L""},         {L"京ＡＢ站\u3000", L"京ab"},
  };
  for (const auto& [typed, normal] : cases) EXPECT_EQ(normal, NormalizeStationText(typed)) << WideToUtf8(typed);
}

TEST(MatchStations, OrdersByKindThenRank) {
  const StationList small = Read(kSmallList);
  const struct {
    const StationList& list;
    const wchar_t* typed;
    const char* names;
  } cases[] = {
      {small, L"北京", "北京 北京南"},
      {small, L"虹桥", "虹桥 虹桥东 上海虹桥"},
      {small, L"bj", "北京 北京南 宝鸡 宝鸡南"},
      {small, L"bjn", "北京南 宝鸡南"},
      {small, L"beijingn", "北京南"},
      {small, L"sh", "上海 上海虹桥 深圳"},
      {small, L"BJN", "北京南 宝鸡南"},
      {small, L"xi'an", "西安 咸宁"},
      {small, L"Xi An", "西安 咸宁"},
      {small, L"x", "西安 咸宁"},
      {small, L"广州", ""},
      {small, L"bjq", ""},
      {small, L"b-j", ""},
      {small, L"", ""},
      {small, L" 站 ", ""},
      {Shipped(), L"北京", "北京 北京南 北京西 北京北 北京朝阳 北京丰台"},
      {Shipped(), L"bjn", "北京南 宝鸡南"},
      {Shipped(), L"beijingn", "北京南"},
      {Shipped(), L"虹桥", "上海虹桥"},
      {Shipped(), L"ｂｊｎ", "北京南 宝鸡南"},
      {Shipped(), L"xi an", "西安 西安北 襄阳 襄阳东 咸阳 咸宁 咸宁北 仙桃西 湘潭 湘潭北"},
      {Shipped(), L"cq", "重庆 重庆北 重庆西"},
      {Shipped(), L"chongqing", "重庆 重庆北 重庆西"},
      {Shipped(), L"bb", "蚌埠 蚌埠南"},
      {Shipped(), L"bengbu", "蚌埠 蚌埠南"},
      {Shipped(), L"luan", "六安"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.names, Matches(c.list, c.typed)) << WideToUtf8(c.typed);

  // The first of the polyphonic names and of the short abbreviations.
  const std::pair<const wchar_t*, const char*> firsts[] = {
      {L"bj", "北京"}, {L"cs", "长沙"}, {L"changsha", "长沙"}, {L"xm", "厦门"}, {L"xiamen", "厦门"}, {L"la", "六安"},
  };
  for (const auto& [typed, first] : firsts) {
    const std::string names = Matches(Shipped(), typed);
    EXPECT_EQ(first, names.substr(0, names.find(' '))) << WideToUtf8(typed);
  }
  const std::vector<StationMatch> many = MatchStations(Shipped(), L"b");
  ASSERT_EQ(kMaxStationMatches, many.size());
  for (const StationMatch& match : many) EXPECT_EQ(StationMatchKind::Initials, match.kind);
  EXPECT_EQ(3u, MatchStations(Shipped(), L"北", 3).size());
  EXPECT_EQ(0u, MatchStations(Shipped(), L"北", 0).size());
  const std::vector<StationMatch> kinds = MatchStations(small, L"虹桥");
  ASSERT_EQ(3u, kinds.size());
  EXPECT_EQ(StationMatchKind::ExactName, kinds[0].kind);
  EXPECT_EQ(StationMatchKind::NamePrefix, kinds[1].kind);
  EXPECT_EQ(StationMatchKind::NamePart, kinds[2].kind);
  EXPECT_EQ(StationMatchKind::FullPinyin, MatchStations(small, L"sh")[2].kind);
}

TEST(SuggestStations, OffersMatchesOrNearNames) {
  const struct {
    const wchar_t* typed;
    const char* names;
  } cases[] = {
      {L"北京西客", "北京西"}, {L"shanghia", "上海 商丘"}, {L"nanjin", "南京 南京南"},
      {L"beijnig", "北京"},    {L"虹桥", "上海虹桥"},      {L"北京", "北京 北京南 北京西"},
      {L"火星基地", ""},       {L"zzzzzzzz", ""},          {L"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.names, Joined(SuggestStations(Shipped(), c.typed))) << WideToUtf8(c.typed);
}

TEST(ResolveStation, TellsKnownCompletedAmbiguousAndUnknown) {
  using R = StationResolution;
  const struct {
    const wchar_t* typed;
    R::Kind kind;
    const wchar_t* name;
  } cases[] = {
      {L"北京", R::Known, L"北京"},
      {L" 北京站 ", R::Known, L"北京"},
      {L"beijing", R::Completed, L"北京"},
      {L"Bei Jing", R::Completed, L"北京"},
      {L"xi'an", R::Completed, L"西安"},
      {L"cq", R::Completed, L"重庆"},
      {L"bjcy", R::Completed, L"北京朝阳"},
      {L"shanghaihong", R::Completed, L"上海虹桥"},
      {L"北京朝", R::Completed, L"北京朝阳"},
      {L"bj", R::Ambiguous, L"bj"},
      {L"北京西站", R::Known, L"北京西"},
      {L" 火星站\u3000", R::Unknown, L"火星站"},
      {L"", R::Unknown, L""},
  };
  for (const auto& c : cases) {
    const StationResolution resolved = ResolveStation(Shipped(), c.typed);
    EXPECT_EQ(c.kind, resolved.kind) << WideToUtf8(c.typed);
    if (c.kind != R::Ambiguous) {
      EXPECT_EQ(c.name, resolved.name) << WideToUtf8(c.typed);
    }
    EXPECT_EQ(c.kind == R::Ambiguous, !resolved.candidates.empty()) << WideToUtf8(c.typed);
  }
  const StationResolution bj = ResolveStation(Shipped(), L"bj");
  EXPECT_EQ("北京 北京南 北京西 北京北 北京朝阳 北京丰台 宝鸡 宝鸡南 毕节", Joined(bj.candidates));
}
