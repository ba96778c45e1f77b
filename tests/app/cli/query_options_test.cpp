#include "app/cli/query_options.h"

#include <gtest/gtest.h>

#include "skin/resources/text_encoding.h"

namespace {

std::vector<std::wstring> Split(const std::wstring& line) {
  std::vector<std::wstring> args;
  size_t at = 0;
  while (at < line.size()) {
    const size_t blank = line.find(L' ', at);
    const size_t end = blank == std::wstring::npos ? line.size() : blank;
    if (end > at) args.push_back(line.substr(at, end - at));
    at = end + 1;
  }
  return args;
}

TEST(QueryOptions, EveryUsageErrorNamesItsProblem) {
  const struct {
    std::vector<std::wstring> args;
    const wchar_t* error;
  } cases[] = {
      {{}, L"two station names are needed (usage: tavora-query [options] <from station> <to station>)"},
      {Split(L"北京"), L"two station names are needed (usage: tavora-query [options] <from station> <to station>)"},
      {Split(L"--json 北京"), L"two station names are needed (usage: tavora-query [options] <from station> <to station>)"},
      {Split(L"北京 上海 广州"), L"more than two station names (usage: tavora-query [options] <from station> <to station>)"},
      {Split(L"北京 上海 --verbose"), L"unknown option --verbose"},
      {Split(L"-x 北京 上海"), L"unknown option -x"},
      {Split(L"--Json 北京 上海"), L"unknown option --Json"},
      {Split(L"--kind=G 北京 上海"), L"unknown option --kind"},
      {Split(L"北京 上海 --kinds"), L"--kinds needs a value"},
      {Split(L"北京 上海 --sort"), L"--sort needs a value"},
      {Split(L"北京 上海 --watch"), L"--watch needs a value"},
      {Split(L"北京 上海 --watch 30 --count"), L"--count needs a value"},
      {Split(L"--json=yes 北京 上海"), L"--json takes no value"},
      {Split(L"--kinds GX 北京 上海"), L"--kinds takes train-kind letters out of C G D Z T K L Y P, not \"GX\""},
      {Split(L"--kinds= 北京 上海"), L"--kinds takes train-kind letters out of C G D Z T K L Y P, not \"\""},
      {Split(L"--kinds G,D 北京 上海"), L"--kinds takes train-kind letters out of C G D Z T K L Y P, not \"G,D\""},
      {Split(L"--sort price 北京 上海"), L"--sort takes depart, arrive or duration, not \"price\""},
      {Split(L"--sort Depart 北京 上海"), L"--sort takes depart, arrive or duration, not \"Depart\""},
      {Split(L"--watch 29 北京 上海"), L"--watch needs at least 30 seconds"},
      {Split(L"--watch 0 北京 上海"), L"--watch needs at least 30 seconds"},
      {Split(L"--watch 86401 北京 上海"), L"--watch takes at most 86400 seconds"},
      {Split(L"--watch 99999999999999999999999 北京 上海"), L"--watch takes at most 86400 seconds"},
      {Split(L"--watch -30 北京 上海"), L"--watch takes a whole number of seconds, not \"-30\""},
      {Split(L"--watch 30s 北京 上海"), L"--watch takes a whole number of seconds, not \"30s\""},
      {Split(L"--watch 1e3 北京 上海"), L"--watch takes a whole number of seconds, not \"1e3\""},
      {Split(L"--watch= 北京 上海"), L"--watch takes a whole number of seconds, not \"\""},
      {Split(L"--watch 30 --count 0 北京 上海"), L"--count takes a whole number of rounds from 1 to 1000000, not \"0\""},
      {Split(L"--watch 30 --count 1000001 北京 上海"),
       L"--count takes a whole number of rounds from 1 to 1000000, not \"1000001\""},
      {Split(L"--watch 30 --count x 北京 上海"), L"--count takes a whole number of rounds from 1 to 1000000, not \"x\""},
      {Split(L"--count 2 北京 上海"), L"--count needs --watch"},
      {Split(L"--json --json 北京 上海"), L"--json is given twice"},
      {Split(L"--kinds G --kinds=D 北京 上海"), L"--kinds is given twice"},
      {Split(L"--sort depart 北京 上海 --sort arrive"), L"--sort is given twice"},
      {Split(L"--watch 30 --watch 60 北京 上海"), L"--watch is given twice"},
      {Split(L"--watch 30 --count 1 --count 1 北京 上海"), L"--count is given twice"},
      {Split(L"--depart 6-13 北京 上海"), L"--depart takes 00-06, 06-12, 12-18, 18-24 or all, not \"6-13\""},
      {Split(L"--date= 北京 上海"), L"--date takes a day such as 2026-12-08, 12-08 or 8, not \"\""},
      {Split(L"--train G-1"), L"--train takes a train code of up to 8 letters and digits, not \"G-1\""},
      {Split(L"--train G1 北京"), L"--train takes no station names"},
      {Split(L"--watch 30 --train G1"), L"--watch does not go with --train"},
      {Split(L"--fares --train G1"), L"--fares does not go with --train"},
      {Split(L"--fares --watch 30 北京 上海"), L"--watch does not go with --fares"},
      // The first problem is the one named.
      {Split(L"--bogus --kinds X"), L"unknown option --bogus"},
      {Split(L"--kinds X --bogus"), L"--kinds takes train-kind letters out of C G D Z T K L Y P, not \"X\""},
  };
  for (const auto& c : cases) {
    QueryOptions options;
    std::wstring error;
    EXPECT_FALSE(ParseQueryOptions(c.args, options, error)) << WideToUtf8(c.error);
    EXPECT_EQ(c.error, error);
    EXPECT_EQ(std::wstring::npos, error.find(L'\n'));
  }
}

TEST(QueryOptions, ValidCombinations) {
  const unsigned gdc = kKindHighSpeed | kKindMultipleUnit | kKindIntercity;
  const struct {
    std::vector<std::wstring> args;
    QueryOptions expected;
  } cases[] = {
      {Split(L"北京 上海"), {L"北京", L"上海"}},
      {Split(L"--json 北京 上海"), {L"北京", L"上海", false, true}},
      {Split(L"北京 --json 上海"), {L"北京", L"上海", false, true}},
      {Split(L"北京 上海 --json"), {L"北京", L"上海", false, true}},
      {Split(L"--kinds GDC 北京 上海"), {L"北京", L"上海", false, false, gdc}},
      {Split(L"--kinds=gdc 北京 上海"), {L"北京", L"上海", false, false, gdc}},
      {Split(L"--kinds P 北京 上海"), {L"北京", L"上海", false, false, kKindOrdinary}},
      {Split(L"--kinds LY 北京 上海"), {L"北京", L"上海", false, false, kKindTemporary}},
      {Split(L"--sort depart 北京 上海"), {L"北京", L"上海", false, false, kAllTrainKinds, kColumnDepart}},
      {Split(L"--sort=arrive 北京 上海"), {L"北京", L"上海", false, false, kAllTrainKinds, kColumnArrive}},
      {Split(L"--sort duration 北京 上海"), {L"北京", L"上海", false, false, kAllTrainKinds, kColumnTravelTime}},
      {Split(L"--watch 30 北京 上海"), {L"北京", L"上海", false, false, kAllTrainKinds, -1, 30}},
      {Split(L"--watch=86400 北京 上海"), {L"北京", L"上海", false, false, kAllTrainKinds, -1, 86400}},
      {Split(L"--watch 030 北京 上海"), {L"北京", L"上海", false, false, kAllTrainKinds, -1, 30}},
      {Split(L"--count 2 --watch 45 北京 上海"), {L"北京", L"上海", false, false, kAllTrainKinds, -1, 45, 2}},
      {Split(L"--watch 30 --count=1000000 北京 上海"),
       {L"北京", L"上海", false, false, kAllTrainKinds, -1, 30, 1000000}},
      {Split(L"--json --kinds GDC --sort depart --watch 60 --count 3 北京 上海"),
       {L"北京", L"上海", false, true, gdc, kColumnDepart, 60, 3}},
      {Split(L"上海 --count 1 --sort duration 北京 --kinds K --watch 30 --json"),
       {L"上海", L"北京", false, true, kKindFast, kColumnTravelTime, 30, 1}},
      {Split(L"北京 --kinds G --fares --date 8 上海 --sort arrive --json"),
       {L"北京", L"上海", false, true, kKindHighSpeed, kColumnArrive, 0, 0, L"8", false, DepartRange::AllDay, L"", true}},
      // "--" ends the options: station names may then start with "-".
      {Split(L"--json -- --a -b"), {L"--a", L"-b", false, true}},
      {Split(L"- 上海"), {L"-", L"上海"}},
      {Split(L"--sort depart -- 北京 --json"), {L"北京", L"--json", false, false, kAllTrainKinds, kColumnDepart}},
      // --help wins over whatever follows it.
      {Split(L"--help"), {L"", L"", true}},
      {Split(L"-h 北京"), {L"", L"", true}},
      {Split(L"北京 --help --bogus"), {L"", L"", true}},
  };
  for (const auto& c : cases) {
    QueryOptions options;
    std::wstring error;
    std::wstring line;
    for (const std::wstring& arg : c.args) line += arg + L" ";
    SCOPED_TRACE(WideToUtf8(line));
    ASSERT_TRUE(ParseQueryOptions(c.args, options, error)) << WideToUtf8(error);
    EXPECT_EQ(c.expected.help, options.help);
    if (options.help) continue;
    EXPECT_EQ(c.expected.from, options.from);
    EXPECT_EQ(c.expected.to, options.to);
    EXPECT_EQ(c.expected.json, options.json);
    EXPECT_EQ(c.expected.kinds, options.kinds);
    EXPECT_EQ(c.expected.sortColumn, options.sortColumn);
    EXPECT_EQ(c.expected.watchSeconds, options.watchSeconds);
    EXPECT_EQ(c.expected.rounds, options.rounds);
    EXPECT_EQ(c.expected.fares, options.fares);
  }
}

// --date in the site's form or one line why not; a watch keeps the day it
// started on, and ends once that day has passed.
TEST(QueryOptions, ResolvesTheDayAndEndsAWatchPastIt) {
  const struct {
    const wchar_t* date;
    unsigned watchSeconds;
    const wchar_t* resolved;  // the date, or the error
  } cases[] = {
      {L"", 0, L""},
      {L"", 30, L"2026-12-31"},
      {L" 2027/2/28 ", 30, L"2027-02-28"},
      {L"2027-03-01", 0, L"--date 2027-03-01 is more than 59 days ahead"},
      {L"2026-12-30", 0, L"--date 2026-12-30 has passed"},
      {L"2-29", 0, L"--date takes a day such as 2026-12-08, 12-08 or 8, not \"2-29\""},
  };
  for (const auto& c : cases) {
    QueryOptions options;
    options.date = c.date;
    options.watchSeconds = c.watchSeconds;
    std::wstring error;
    const bool resolved = ResolveQueryDate(options, {2026, 12, 31}, error);
    EXPECT_EQ(c.resolved, resolved ? options.date : error);
  }
  EXPECT_EQ(L"", WatchEndReason(L"2026-12-31", {2026, 12, 31}));
  EXPECT_EQ(L"the watch ends: 2026-12-31 has passed", WatchEndReason(L"2026-12-31", {2027, 1, 1}));
}

TEST(QueryOptions, UsageNamesEveryOption) {
  const std::wstring usage = QueryUsage();
  for (const wchar_t* option : {L"--json", L"--kinds", L"--sort", L"--watch", L"--count", L"--help", L"--date",
                                L"--available", L"--depart", L"--train", L"--fares"}) {
    EXPECT_NE(std::wstring::npos, usage.find(option)) << WideToUtf8(option);
  }
  EXPECT_EQ(L'\n', usage.back());
}

}  // namespace
