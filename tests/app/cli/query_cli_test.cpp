// Runs the built tavora-query program against the demo site.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "app/core/fare_page.h"
#include "app/core/travel_date.h"
#include "app/net/fare_worker.h"
#include "app/net/http_page_client.h"
#include "app/net/query_worker.h"
#include "app/net/station_source.h"
#include "skin/resources/text_encoding.h"
#include "skin/resources/unique_handle.h"
#include "tests/app/cli/json_rows.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

namespace {

std::wstring Command(const std::wstring& arguments) {
  return L"\"" + ProgramFolder() + L"..\\..\\app\\tavora-query.exe\" " + arguments;
}

// The rows of one query, fetched by the test itself from the shared site.
std::vector<TicketRow> SiteRows(const std::wstring& from, const std::wstring& to, const std::wstring& date = {}) {
  CHttpPageClient client(SharedDemoSite().HostPort().c_str());
  std::vector<TicketRow> rows;
  std::wstring message;
  EXPECT_EQ(QueryOutcome::RowsReplaced, RunQuery(client, MakeQueryStations(from, to, date), rows, message));
  return rows;
}

// The fares of one query as the site wrote them, of the trains whose code
// starts with one of `kinds` (P: a digit).
std::vector<FareRow> SiteFares(const std::wstring& from, const std::wstring& kinds) {
  CHttpPageClient client(SharedDemoSite().HostPort().c_str());
  std::vector<FareRow> rows, kept;
  std::wstring message;
  EXPECT_EQ(FareOutcome::RowsReplaced, RunFareQuery(client, MakeQueryStations(from, L"上海"), rows, message));
  for (const FareRow& row : rows)
    if (kinds.find(iswdigit(row.trainCode[0]) ? L'P' : row.trainCode[0]) != std::wstring::npos) kept.push_back(row);
  return kept;
}

// The site's today is this machine's local date.
std::wstring SiteDay(int daysFromToday) {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  return FormatTravelDate(AddDays({now.wYear, now.wMonth, now.wDay}, daysFromToday));
}

// The trains of a table printed by tavora-query: the first word of every
// line after the header.
std::vector<std::string> TableCodes(const std::string& table) {
  std::vector<std::string> codes;
  size_t at = table.find('\n');
  while (at != std::string::npos && at + 1 < table.size()) {
    const size_t end = table.find('\n', at + 1);
    const std::string line = table.substr(at + 1, end - at - 1);
    codes.push_back(line.substr(0, line.find(' ')));
    at = end;
  }
  return codes;
}

// tavora-query with `jsonArguments` prints `rows` as JSON, and with
// `tableArguments` a table of the same trains in the same order.
void ExpectTrains(const std::wstring& jsonArguments, const std::wstring& tableArguments,
                  const std::vector<TicketRow>& rows) {
  const ProcessResult json = RunProcess(Command(jsonArguments), 60000);
  ASSERT_EQ(0u, json.exitCode) << json.err;
  std::string reading, reason;
  ASSERT_TRUE(ReadJsonRows(json.out, reading, reason)) << reason;
  EXPECT_EQ(ExpectedReading(rows), reading);

  const ProcessResult table = RunProcess(Command(tableArguments), 60000);
  ASSERT_EQ(0u, table.exitCode) << table.err;
  std::vector<std::string> expected;
  for (const TicketRow& row : rows) expected.push_back(WideToUtf8(row.trainCode));
  EXPECT_EQ(expected, TableCodes(table.out));
}

bool IsGdc(const std::wstring& code) { return !code.empty() && (code[0] == L'G' || code[0] == L'D' || code[0] == L'C'); }

// The rows the churning site answers for its request `number` (from 1):
// every third train offers `number` tickets in each class it sells.
std::vector<TicketRow> ChurnedRows(std::vector<TicketRow> rows, int number) {
  for (size_t i = 2; i < rows.size(); i += 3) {
    for (int cell = 8; cell < 14; ++cell) {
      if (rows[i].Field(cell) != L"--") rows[i].Field(cell) = std::to_wstring(number);
    }
  }
  return rows;
}

std::vector<TicketRow> EveryThird(const std::vector<TicketRow>& rows) {
  std::vector<TicketRow> picked;
  for (size_t i = 2; i < rows.size(); i += 3) picked.push_back(rows[i]);
  return picked;
}

size_t CountOf(const std::string& text, const std::string& piece) {
  size_t count = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

}  // namespace

TEST(QueryCli, PrintsTheTrainsAsUtf8Table) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  const ProcessResult result = RunProcess(Command(L"北京 上海"), 60000);
  ASSERT_EQ(0u, result.exitCode) << result.err;
  EXPECT_EQ("", result.err);
  // UTF-8 bytes of the header and of station names.
  EXPECT_EQ(0u, result.out.find("\xE8\xBD\xA6\xE6\xAC\xA1"));  // 车次
  EXPECT_NE(std::string::npos, result.out.find("\xE5\x8C\x97\xE4\xBA\xAC"));  // 北京
  const size_t lines = std::count(result.out.begin(), result.out.end(), '\n');
  EXPECT_GE(lines, 26u);  // header and at least 25 trains
}

TEST(QueryCli, ExplainsWhyNothingCameBack) {
  ASSERT_NE(0, SharedDemoSite().Port());
  {
    ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
    const ProcessResult unknown = RunProcess(Command(L"北京 不存在站"), 60000);
    EXPECT_EQ(1u, unknown.exitCode);
    EXPECT_EQ("", unknown.out);
    EXPECT_NE(std::string::npos, unknown.err.find("no trains"));
    EXPECT_EQ(1, std::count(unknown.err.begin(), unknown.err.end(), '\n'));

    const ProcessResult usage = RunProcess(Command(L"北京"), 60000);
    EXPECT_EQ(2u, usage.exitCode);
    EXPECT_NE(std::string::npos, usage.err.find("usage"));
  }
  ScopedEnvironment dead(L"TAVORA_QUERY_HOST", L"127.0.0.1:1");
  const ProcessResult down = RunProcess(Command(L"北京 上海"), 60000);
  EXPECT_EQ(1u, down.exitCode);
  EXPECT_NE(std::string::npos, down.err.find("no result page from 127.0.0.1:1"));
}

// Station arguments come from the built-in list: no stored copy of the site's.
class QueryCliStationTest : public testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kStationListKey); }
};

// A name ("北京站" is 北京) or the whole pinyin of one station is asked for
// by its name, what an abbreviation was taken for said first (on stderr with
// --json); one that stands for several stations names them and sends nothing.
TEST_F(QueryCliStationTest, TakesStationsByPinyinAndRefusesAmbiguousAbbreviations) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  const std::vector<TicketRow> rows = SiteRows(L"北京", L"上海");
  std::vector<std::string> codes;
  for (const TicketRow& row : rows) codes.push_back(WideToUtf8(row.trainCode));
  const struct {
    const wchar_t* arguments;
    bool json;
    const char* note;  // the first line of the table, or stderr with --json
  } cases[] = {
      {L"beijing shanghai", false, "北京 → 上海 (beijing = 北京, shanghai = 上海)\n"},
      {L"北京站 上海", false, ""},
      {L"--json beijing \"Shang Hai\"", true, "tavora-query: beijing = 北京, Shang Hai = 上海\n"},
  };
  for (const auto& c : cases) {
    SharedDemoSite().ClearLog();
    const ProcessResult result = RunProcess(Command(c.arguments), 60000);
    ASSERT_EQ(0u, result.exitCode) << result.err;
    const std::string log = SharedDemoSite().RequestLog();
    EXPECT_EQ(1u, CountOf(log, "GET ")) << log;
    EXPECT_EQ(1u, CountOf(log, "GET /Default.aspx?A=北京&B=上海&")) << log;
    if (c.json) {
      EXPECT_EQ(c.note, result.err);
      std::string reading, reason;
      ASSERT_TRUE(ReadJsonRows(result.out, reading, reason)) << reason << result.out;
      EXPECT_EQ(ExpectedReading(rows), reading);
    } else {
      EXPECT_EQ("", result.err);
      EXPECT_EQ(c.note, result.out.substr(0, std::string(c.note).size()));
      EXPECT_EQ(codes, TableCodes(result.out.substr(std::string(c.note).size())));
    }
  }
  for (const wchar_t* arguments : {L"bj shanghai", L"--json 上海 BJ"}) {
    SharedDemoSite().ClearLog();
    const ProcessResult result = RunProcess(Command(arguments), 60000);
    EXPECT_EQ(1u, result.exitCode);
    EXPECT_EQ("", result.out);
    EXPECT_EQ(0u, result.err.find("tavora-query: ")) << result.err;
    EXPECT_NE(std::string::npos, result.err.find(" may be any of 北京, 北京南, ")) << result.err;
    EXPECT_NE(std::string::npos, result.err.find(", 宝鸡, ")) << result.err;
    EXPECT_EQ(1, std::count(result.err.begin(), result.err.end(), '\n'));
    EXPECT_EQ("", SharedDemoSite().RequestLog());
  }
}

// Pages built to reach the parser's recursion or its per-attribute scan, or
// to fill memory with rows, end like any broken page: one line, exit code 1.
TEST(QueryCli, HostilePagesEndLikeBrokenOnes) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  const std::pair<const wchar_t*, const char*> cases[] = {
      {L"fault-deep", "held no result table"},
      {L"fault-hiddenDeep", "held no result table"},
      {L"fault-attributes", "held no result table"},
      {L"fault-rows-10001", "held more than 10000 trains"},
      {L"fault-emptyRows-6700000", "held more than 10000 trains"},
  };
  for (const auto& [departure, reason] : cases) {
    const ProcessResult result = RunProcess(Command(std::wstring(departure) + L" 上海"), 60000);
    EXPECT_EQ(1u, result.exitCode) << result.err;
    EXPECT_EQ("", result.out);
    EXPECT_EQ("tavora-query: the result page from " + WideToUtf8(SharedDemoSite().HostPort()) + " " + reason + "\n",
              result.err);
  }
}

TEST(QueryCli, JsonHoldsEveryTrainOfThePage) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  const std::vector<TicketRow> rows = SiteRows(L"北京", L"上海");
  ASSERT_GE(rows.size(), 25u);
  const ProcessResult result = RunProcess(Command(L"--json 北京 上海"), 60000);
  ASSERT_EQ(0u, result.exitCode) << result.err;
  EXPECT_EQ("", result.err);
  std::string reading, reason;
  ASSERT_TRUE(ReadJsonRows(result.out, reading, reason)) << reason << result.out;
  EXPECT_EQ(ExpectedReading(rows), reading);
}

TEST(QueryCli, KindsKeepOnlyTheNamedTrains) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  const std::vector<TicketRow> all = SiteRows(L"北京", L"上海");
  std::vector<TicketRow> gdc;
  std::copy_if(all.begin(), all.end(), std::back_inserter(gdc), [](const TicketRow& row) { return IsGdc(row.trainCode); });
  ASSERT_FALSE(gdc.empty());
  ASSERT_LT(gdc.size(), all.size());  // the site has other kinds too

  ExpectTrains(L"--kinds GDC --json 北京 上海", L"北京 上海 --kinds=gdc", gdc);

  // Kinds the page has none of: no trains, exit code 1.
  const ProcessResult none = RunProcess(Command(L"--kinds Y 北京 上海"), 60000);
  EXPECT_EQ(1u, none.exitCode);
  EXPECT_EQ("", none.out);
  EXPECT_EQ("tavora-query: no trains of the chosen kinds, times and tickets from 北京 to 上海\n", none.err);
}

// The made-up rows of fault-rows-N leave in no particular order.
TEST(QueryCli, SortsByDepartureTime) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  std::vector<TicketRow> rows = SiteRows(L"fault-rows-40", L"上海");
  ASSERT_EQ(40u, rows.size());
  const auto byDeparture = [](const TicketRow& a, const TicketRow& b) { return a.departTime < b.departTime; };
  ASSERT_FALSE(std::is_sorted(rows.begin(), rows.end(), byDeparture));  // the site's own order is another
  std::stable_sort(rows.begin(), rows.end(), byDeparture);  // "HH:MM" texts sort as times

  ExpectTrains(L"--sort depart --json fault-rows-40 上海", L"--sort depart fault-rows-40 上海", rows);
}

// Two rounds against the churning site: every train, then only the trains
// whose seats changed between the two requests.
TEST(QueryCli, WatchPrintsEveryTrainThenOnlyTheChangedOnes) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  ScopedEnvironment pause(L"TAVORA_WATCH_INTERVAL_MS", L"50");
  const std::vector<TicketRow> plain = SiteRows(L"北京", L"上海");
  ASSERT_GE(plain.size(), 25u);

  SharedDemoSite().ClearLog();
  const ProcessResult json = RunProcess(Command(L"--watch 30 --count 2 --json fault-churn 上海"), 60000);
  ASSERT_EQ(0u, json.exitCode) << json.err;
  EXPECT_EQ("", json.err);
  EXPECT_EQ(2u, CountOf(SharedDemoSite().RequestLog(), "?A=fault-churn&"));
  std::string reading, reason;
  ASSERT_TRUE(ReadJsonRows(json.out, reading, reason)) << reason;
  EXPECT_EQ(ExpectedReading(ChurnedRows(plain, 1)) + ExpectedReading(EveryThird(ChurnedRows(plain, 2))), reading);

  // The table: a full table, then a table of every third train.
  SharedDemoSite().ClearLog();
  const ProcessResult table = RunProcess(Command(L"fault-churn 上海 --count=3 --watch=30"), 60000);
  ASSERT_EQ(0u, table.exitCode) << table.err;
  EXPECT_EQ(3u, CountOf(SharedDemoSite().RequestLog(), "?A=fault-churn&"));
  const std::string header = "\xE8\xBD\xA6\xE6\xAC\xA1";  // 车次
  EXPECT_EQ(3u, CountOf(table.out, header));
  EXPECT_EQ(0u, table.out.find(header));
  const size_t changed = EveryThird(plain).size();
  EXPECT_EQ(1 + plain.size() + 2 * (1 + changed), CountOf(table.out, "\n"));
}

TEST(QueryCli, WatchGoesOnAfterFailedRounds) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  ScopedEnvironment pause(L"TAVORA_WATCH_INTERVAL_MS", L"20");
  SharedDemoSite().ClearLog();
  const ProcessResult none = RunProcess(Command(L"--watch 30 --count 3 北京 不存在站"), 60000);
  EXPECT_EQ(1u, none.exitCode);
  EXPECT_EQ("", none.out);
  EXPECT_EQ(3u, CountOf(none.err, "tavora-query: no trains from 北京 to 不存在站\n"));
  EXPECT_EQ(3u, CountOf(none.err, "\n"));
  EXPECT_EQ(3u, CountOf(SharedDemoSite().RequestLog(), "GET /Default.aspx"));
}

TEST(QueryCli, UsageErrorsEndWithOneLine) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  SharedDemoSite().ClearLog();
  const struct {
    const wchar_t* arguments;
    const char* err;
  } cases[] = {
      {L"--watch 29 北京 上海", "tavora-query: --watch needs at least 30 seconds\n"},
      {L"--bogus 北京 上海", "tavora-query: unknown option --bogus\n"},
      {L"--kinds GQ 北京 上海", "tavora-query: --kinds takes train-kind letters out of C G D Z T K L Y P, not \"GQ\"\n"},
      {L"--sort fare 北京 上海", "tavora-query: --sort takes depart, arrive or duration, not \"fare\"\n"},
      {L"北京 上海 --sort", "tavora-query: --sort needs a value\n"},
      {L"--count 2 北京 上海", "tavora-query: --count needs --watch\n"},
      {L"--json 北京 上海 --json", "tavora-query: --json is given twice\n"},
      {L"北京 上海 南京",
       "tavora-query: more than two station names (usage: tavora-query [options] <from station> <to station>)\n"},
  };
  for (const auto& c : cases) {
    const ProcessResult result = RunProcess(Command(c.arguments), 60000);
    EXPECT_EQ(2u, result.exitCode) << c.err;
    EXPECT_EQ("", result.out) << c.err;
    EXPECT_EQ(c.err, result.err);
  }
  const ProcessResult help = RunProcess(Command(L"--help"), 60000);
  EXPECT_EQ(0u, help.exitCode);
  EXPECT_EQ("", help.err);
  EXPECT_EQ(0u, help.out.find("usage: tavora-query [options] <from station> <to station>\n"));
  EXPECT_NE(std::string::npos, help.out.find("--watch SECONDS"));
  EXPECT_EQ("", SharedDemoSite().RequestLog());  // no query was sent
}

// Ctrl+C in the console of a watch ends it during its pause (an hour here)
// with the watch's own exit code: 0 after a round with trains, 1 when no round
// had any (the default handling would end the process with another code). The
// test process takes a console of its own, shares it with the watch and
// ignores Ctrl+C itself; Wine delivers the event to every process of the
// console (it refuses one sent to a process group).
TEST(QueryCli, CtrlCEndsAWatchAtOnce) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment pause(L"TAVORA_WATCH_INTERVAL_MS", L"3600000");
  const struct {
    std::wstring host;
    const char* firstRound;  // printed by the first round
    DWORD exitCode;
  } cases[] = {
      {SharedDemoSite().HostPort(), "\nG1 ", 0},
      {L"127.0.0.1:1", "tavora-query: no result page from 127.0.0.1:1\n", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.firstRound);
    ScopedEnvironment site(L"TAVORA_QUERY_HOST", c.host);
    FreeConsole();
    ASSERT_TRUE(AllocConsole()) << GetLastError();

    const std::wstring outPath = MakeScratchFolder("ctrl-c") + L"\\out.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    const UniqueKernelHandle out(CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             &inherit, CREATE_ALWAYS, 0, nullptr));
    ASSERT_NE(INVALID_HANDLE_VALUE, out.get());
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.get();
    startup.hStdError = out.get();
    PROCESS_INFORMATION process = {};
    std::wstring line = Command(L"--watch 30 北京 上海");
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process));
    const UniqueKernelHandle processHandle(process.hProcess);
    const UniqueKernelHandle threadHandle(process.hThread);

    // The first round is printed: the watch is in its pause. Ignoring Ctrl+C
    // only now keeps the watch from inheriting that.
    EXPECT_TRUE(PumpUntil([&] { return ReadFileBytes(outPath).find(c.firstRound) != std::string::npos; }, 60000));
    ASSERT_TRUE(SetConsoleCtrlHandler(nullptr, TRUE));
    EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << GetLastError();
    const DWORD waited = WaitForSingleObject(processHandle.get(), 60000);
    if (waited != WAIT_OBJECT_0) TerminateProcess(processHandle.get(), 99);
    ASSERT_EQ(WAIT_OBJECT_0, waited);
    DWORD exitCode = 99;
    GetExitCodeProcess(processHandle.get(), &exitCode);
    EXPECT_EQ(c.exitCode, exitCode);
    SetConsoleCtrlHandler(nullptr, FALSE);
    FreeConsole();
  }
}

// The day goes out as the site takes it, whatever form it was typed in, and
// brings that day's seats; a day the program knows to be unsold is refused
// before anything is sent, one the site does not sell brings its words.
TEST(QueryCli, AsksForTheDayOrExplainsWhyNot) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  const std::wstring day = SiteDay(3);
  SharedDemoSite().ClearLog();
  ExpectTrains(L"--json --date " + day.substr(5, 2) + L"/" + day.substr(8) + L" 北京 上海",
               L"北京 上海 --date=" + day.substr(0, 4) + day.substr(5, 2) + day.substr(8), SiteRows(L"北京", L"上海", day));
  EXPECT_EQ(3u, CountOf(SharedDemoSite().RequestLog(), "&C=" + WideToUtf8(day) + "&D=1&S=0 "));
  const struct {
    std::wstring date;
    DWORD exitCode;
    std::string err;
  } cases[] = {
      {SiteDay(-1), 2, "--date " + WideToUtf8(SiteDay(-1)) + " has passed"},
      {SiteDay(40), 1, WideToUtf8(SiteDay(40)) + " 的车票尚未开售，本站预售期为 " + WideToUtf8(SiteDay(0)) + " 至 " +
                         WideToUtf8(SiteDay(29)) + "。"},
  };
  for (const auto& c : cases) {
    SharedDemoSite().ClearLog();
    const ProcessResult result = RunProcess(Command(L"--date " + c.date + L" 北京 上海"), 60000);
    EXPECT_EQ(c.exitCode, result.exitCode);
    EXPECT_EQ("tavora-query: " + c.err + "\n", result.err);
    EXPECT_EQ(c.exitCode == 2 ? 0u : 1u, CountOf(SharedDemoSite().RequestLog(), "GET "));
  }
}

// G1's stops as a table and as JSON; T109 reaches 济南 at 23:56 and the
// stops after it on the next day; the site knows no G9999.
TEST(QueryCli, PrintsATrainsStops) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  SharedDemoSite().ClearLog();
  const ProcessResult table = RunProcess(Command(L"--train g1 --date " + SiteDay(1)), 60000);
  EXPECT_EQ("GET /train.aspx?T=G1&D=1&C=" + WideToUtf8(SiteDay(1)) + " HTTP/1.1\n", SharedDemoSite().RequestLog());
  EXPECT_EQ(
      "站序  站名  到达   出发   停留  里程  天\n"
      "1     北京  --     07:00  --    0     当日\n"
      "2     济南  08:28  08:31  3分   406   当日\n"
      "3     南京  10:43  10:46  3分   1023  当日\n"
      "4     上海  11:51  --     --    1318  当日\n",
      table.out);
  const ProcessResult json = RunProcess(Command(L"--json --train=G1"), 60000);
  EXPECT_NE(std::string::npos, json.out.find(R"({"sequence": "2", "station": "济南", "arrive": "08:28", "depart": )"
                                             R"("08:31", "stay": "3分", "distance": "406", "day": "当日"},)"
                                             "\n"));
  EXPECT_EQ(6u, CountOf(json.out, "\n"));

  const ProcessResult overnight = RunProcess(Command(L"--train T109"), 60000);
  EXPECT_NE(std::string::npos, overnight.out.find("\n3     济南  23:56  00:04  8分   406   当日\n4     徐州  02:42"));
  EXPECT_NE(std::string::npos, overnight.out.find("\n9     上海  09:26  --     --    1318  次日\n"));
  const ProcessResult unknown = RunProcess(Command(L"--train G9999"), 60000);
  EXPECT_EQ(1u, unknown.exitCode);
  EXPECT_EQ("tavora-query: no train G9999\n", unknown.err);
}

// The shown trains' fares as JSON and as a table (¥ amounts, "--" where the
// site wrote none), in the columns of the classes they sell.
TEST(QueryCli, PrintsTheFaresOfTheClassesSold) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  const std::vector<int> all = {0, 1, 2, 3, 4, 5, 6};
  const std::tuple<const wchar_t*, const wchar_t*, std::vector<int>> cases[] = {
      {L"北京", L"GDCZTKP", all},
      {L"fault-badfare", L"GDCZTKP", all},
      {L"北京", L"ZT", {kFareHardSeat, kFareHardSleeper, kFareSoftSleeper, kFareStanding}},
  };
  for (const auto& [from, kinds, classes] : cases) {
    SCOPED_TRACE(WideToUtf8(from) + " " + WideToUtf8(kinds));
    const std::vector<FareRow> rows = SiteFares(from, kinds);
    const std::wstring arguments = L"--fares --kinds " + std::wstring(kinds) + L" " + from + L" 上海";
    EXPECT_EQ(WideToUtf8(FormatFareJson(rows, classes)), RunProcess(Command(L"--json " + arguments), 60000).out);

    // Table cells hold no blanks: its words are the titles, then the cells.
    std::vector<std::string> expected;
    for (int column = 0; column < kFareFirstClassColumn; ++column)
      expected.push_back(WideToUtf8(FareColumnTitle(column)));
    for (const int c : classes) expected.push_back(WideToUtf8(FareColumnTitle(kFareFirstClassColumn + c)));
    for (const FareRow& row : rows) {
      for (const std::wstring* text : {&row.trainCode, &row.fromStation, &row.toStation, &row.departTime,
                                       &row.arriveTime, &row.travelTime})
        expected.push_back(WideToUtf8(*text));
      for (const int c : classes) {  // the site writes amounts as "606.5"
        const std::string cell = WideToUtf8(row.fares[c]);
        const bool amount = cell.size() > 2 && cell.find_first_not_of("0123456789.") == std::string::npos;
        expected.push_back(amount ? "¥" + cell : "--");
      }
    }
    std::istringstream printed(RunProcess(Command(arguments), 60000).out);
    EXPECT_EQ(expected, std::vector<std::string>(std::istream_iterator<std::string>(printed), {}));
  }
}

// The day goes out as for tickets; a day that has passed sends nothing (exit
// code 2); the site's words end with one line (1).
TEST(QueryCli, FaresAskForTheDayOrSayWhyNot) {
  ASSERT_NE(0, SharedDemoSite().Port());
  ScopedEnvironment site(L"TAVORA_QUERY_HOST", SharedDemoSite().HostPort());
  const std::tuple<std::wstring, DWORD, std::string, std::string> cases[] = {
      {L"--date " + SiteDay(3) + L" 北京 上海", 0, "", "GET /fare.aspx?A=北京&B=上海&C=" + WideToUtf8(SiteDay(3)) + " "},
      {L"--date " + SiteDay(-1) + L" 北京 上海", 2, "--date " + WideToUtf8(SiteDay(-1)) + " has passed", ""},
      {L"--date " + SiteDay(40) + L" 北京 上海", 1, WideToUtf8(SiteDay(40)) + " 的车票尚未开售，本站预售期为 " +
       WideToUtf8(SiteDay(0)) + " 至 " + WideToUtf8(SiteDay(29)) + "。", "GET /fare.aspx?"},
  };
  for (const auto& [arguments, exitCode, err, request] : cases) {
    SharedDemoSite().ClearLog();
    const ProcessResult result = RunProcess(Command(L"--fares " + arguments), 60000);
    EXPECT_EQ(exitCode, result.exitCode) << err;
    EXPECT_EQ(err.empty() ? "" : "tavora-query: " + err + "\n", result.err);
    const std::string log = SharedDemoSite().RequestLog();
    EXPECT_EQ(request.empty() ? 0u : 1u, CountOf(log, "GET ") * (log.find(request) == 0)) << log;
  }
}
