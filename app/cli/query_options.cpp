#include "app/cli/query_options.h"

#include <string_view>

#include "app/core/query_request.h"
#include "skin/resources/parse_util.h"

namespace {

constexpr wchar_t kUsageLine[] = L"usage: tavora-query [options] <from station> <to station>";

enum class Option { Help, Json, Kinds, Sort, Watch, Count, Date, Available, Depart, Train, Fares };

struct OptionInfo {
  Option option;
  const wchar_t* name;
  bool takesValue;
};

const OptionInfo kOptions[] = {
    {Option::Help, L"--help", false},    {Option::Json, L"--json", false},
    {Option::Kinds, L"--kinds", true},   {Option::Sort, L"--sort", true},
    {Option::Watch, L"--watch", true},   {Option::Count, L"--count", true},
    {Option::Date, L"--date", true},     {Option::Available, L"--available", false},
    {Option::Depart, L"--depart", true}, {Option::Train, L"--train", true},
    {Option::Fares, L"--fares", false},
};
constexpr size_t kOptionCount = sizeof(kOptions) / sizeof(kOptions[0]);

// Whether an option goes with --train, whose timetable has no trains to
// filter, sort or watch.
bool GoesWithTrain(Option option) {
  return option == Option::Json || option == Option::Date || option == Option::Train;
}

// Whether an option goes with --fares, whose answer has no seats to filter
// by or watch.
bool GoesWithFares(Option option) {
  return option == Option::Json || option == Option::Date || option == Option::Kinds || option == Option::Sort ||
         option == Option::Fares;
}

// False with `error` when an option given (`seen`) does not go with
// `mode`, which `goesWith` tells.
bool CheckModeOptions(const bool (&seen)[kOptionCount], const wchar_t* mode, bool (*goesWith)(Option),
                      std::wstring& error) {
  for (size_t i = 0; i < kOptionCount; ++i) {
    if (seen[i] && !goesWith(kOptions[i].option)) {
      error = std::wstring(kOptions[i].name) + L" does not go with " + mode;
      return false;
    }
  }
  return true;
}

const OptionInfo* FindOption(std::wstring_view name) {
  if (name == L"-h") return &kOptions[0];
  for (const OptionInfo& info : kOptions) {
    if (name == info.name) return &info;
  }
  return nullptr;
}

// `value` as a number when it is all ASCII digits (too large a number
// saturates); false otherwise.
bool ReadWholeNumber(const std::wstring& value, unsigned long long& number) {
  const DecimalScan scan = ScanDecimal(value, false);
  if (scan.digits == 0 || !scan.wholeText) return false;
  number = scan.magnitude;
  return true;
}

std::wstring NotADateError(const std::wstring& value) {
  return L"--date takes a day such as 2026-12-08, 12-08 or 8, not \"" + value + L"\"";
}

// Applies one option's value; false with `error` when the value is bad.
bool ApplyValue(const OptionInfo& info, const std::wstring& value, QueryOptions& options, std::wstring& error) {
  const std::wstring name = info.name;
  unsigned long long number = 0;
  switch (info.option) {
    case Option::Help:
    case Option::Json:
      return true;
    case Option::Fares:
      options.fares = true;
      return true;
    case Option::Available:
      options.availableOnly = true;
      return true;
    case Option::Date:
      // Read against today's date once the arguments are read (ResolveQueryDate).
      options.date = value;
      if (!TrimWhiteSpace(value).empty()) return true;
      error = NotADateError(value);
      return false;
    case Option::Depart:
      if (ParseDepartRange(value, options.depart)) return true;
      error = name + L" takes 00-06, 06-12, 12-18, 18-24 or all, not \"" + value + L"\"";
      return false;
    case Option::Train:
      if (NormalizeTrainCode(value, options.train)) return true;
      error = name + L" takes a train code of up to " + std::to_wstring(kMaxTrainCodeChars) +
              L" letters and digits, not \"" + value + L"\"";
      return false;
    case Option::Kinds:
      if (ParseTrainKinds(value, options.kinds)) return true;
      error = name + L" takes train-kind letters out of C G D Z T K L Y P, not \"" + value + L"\"";
      return false;
    case Option::Sort:
      if (value == L"depart") {
        options.sortColumn = kColumnDepart;
      } else if (value == L"arrive") {
        options.sortColumn = kColumnArrive;
      } else if (value == L"duration") {
        options.sortColumn = kColumnTravelTime;
      } else {
        error = name + L" takes depart, arrive or duration, not \"" + value + L"\"";
        return false;
      }
      return true;
    case Option::Watch:
      if (!ReadWholeNumber(value, number)) {
        error = name + L" takes a whole number of seconds, not \"" + value + L"\"";
        return false;
      }
      if (number < kMinWatchSeconds) {
        error = name + L" needs at least " + std::to_wstring(kMinWatchSeconds) + L" seconds";
        return false;
      }
      if (number > kMaxWatchSeconds) {
        error = name + L" takes at most " + std::to_wstring(kMaxWatchSeconds) + L" seconds";
        return false;
      }
      options.watchSeconds = static_cast<unsigned>(number);
      return true;
    case Option::Count:
      if (!ReadWholeNumber(value, number) || number == 0 || number > kMaxWatchRounds) {
        error = name + L" takes a whole number of rounds from 1 to " + std::to_wstring(kMaxWatchRounds) +
                L", not \"" + value + L"\"";
        return false;
      }
      options.rounds = static_cast<unsigned>(number);
      return true;
  }
  return true;
}

}  // namespace

bool ParseQueryOptions(const std::vector<std::wstring>& args, QueryOptions& options, std::wstring& error) {
  options = QueryOptions();
  bool seen[kOptionCount] = {};
  std::vector<std::wstring> stations;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != L'-') {
      stations.push_back(arg);
      continue;
    }
    if (arg == L"--") {
      optionsEnded = true;
      continue;
    }
    const size_t equals = arg.find(L'=');
    const std::wstring_view name = std::wstring_view(arg).substr(0, equals);
    const OptionInfo* info = FindOption(name);
    if (!info) {
      error = L"unknown option " + std::wstring(name);
      return false;
    }
    if (info->option == Option::Help) {
      options.help = true;
      return true;
    }
    std::wstring value;
    if (equals != std::wstring::npos) {
      if (!info->takesValue) {
        error = std::wstring(info->name) + L" takes no value";
        return false;
      }
      value = arg.substr(equals + 1);
    } else if (info->takesValue) {
      if (i + 1 >= args.size()) {
        error = std::wstring(info->name) + L" needs a value";
        return false;
      }
      value = args[++i];
    }
    bool& given = seen[info - kOptions];
    if (given) {
      error = std::wstring(info->name) + L" is given twice";
      return false;
    }
    given = true;
    if (info->option == Option::Json) options.json = true;
    if (!ApplyValue(*info, value, options, error)) return false;
  }
  if (options.rounds != 0 && options.watchSeconds == 0) {
    error = L"--count needs --watch";
    return false;
  }
  if (!options.train.empty()) {
    if (!CheckModeOptions(seen, L"--train", GoesWithTrain, error)) return false;
    if (stations.empty()) return true;
    error = L"--train takes no station names";
    return false;
  }
  if (options.fares && !CheckModeOptions(seen, L"--fares", GoesWithFares, error)) return false;
  if (stations.size() != 2) {
    error = (stations.size() < 2 ? std::wstring(L"two station names are needed (")
                                 : L"more than two station names (") +
            kUsageLine + L")";
    return false;
  }
  options.from = stations[0];
  options.to = stations[1];
  return true;
}

bool ResolveQueryDate(QueryOptions& options, const TravelDate& today, std::wstring& error) {
  if (options.date.empty()) {
    if (options.watchSeconds != 0) options.date = FormatTravelDate(today);
    return true;
  }
  TravelDate date;
  switch (CheckTravelDate(options.date, today, date)) {
    case DateCheck::NotADate:
      error = NotADateError(options.date);
      return false;
    case DateCheck::Past:
      error = L"--date " + FormatTravelDate(date) + L" has passed";
      return false;
    case DateCheck::TooFar:
      error = L"--date " + FormatTravelDate(date) + L" is more than " + std::to_wstring(kPresaleDays) + L" days ahead";
      return false;
    case DateCheck::Valid:
      break;
  }
  options.date = FormatTravelDate(date);
  return true;
}

std::wstring WatchEndReason(const std::wstring& date, const TravelDate& today) {
  TravelDate day;
  if (!ParseTravelDate(date, today, day) || !(day < today)) return std::wstring();
  return L"the watch ends: " + date + L" has passed";
}

std::wstring QueryUsage() {
  return std::wstring(kUsageLine) +
         L"\n"
         L"       tavora-query [--json] [--date DAY] [--kinds LETTERS] [--sort KEY] --fares <from> <to>\n"
         L"       tavora-query [--json] [--date DAY] --train CODE\n"
         L"Looks up the remaining tickets from one station to another and prints one line per train,\n"
         L"with --fares the trains' fares instead, or with --train the stops of one train.\n"
         L"A station may be named in characters (北京西, 北京西站) or in pinyin: its initials (bjx),\n"
         L"its full pinyin (beijingxi) or a beginning that only one station has; the table's first line\n"
         L"then says which station was taken. A name that may be several stations lists them.\n"
         L"\n"
         L"  --date DAY          the day of travel: 2026-12-08, 2026/12/8, 20261208, 12-08 (the next such\n"
         L"                      day) or 8 (the next 8th); today up to 59 days ahead; the site's today\n"
         L"                      when not given\n"
         L"  --json              a JSON array instead of the table, one object per train (or stop) and line\n"
         L"  --kinds LETTERS     only trains of these kinds: C G D Z T K L Y as the train codes start,\n"
         L"                      P for 普快 (codes that start with a digit); e.g. --kinds GDC\n"
         L"  --available         only trains with tickets left in some class\n"
         L"  --depart RANGE      only trains leaving within 00-06, 06-12, 12-18 or 18-24 (or all)\n"
         L"  --sort KEY          depart, arrive or duration, earliest or shortest first\n"
         L"  --watch SECONDS     query again every SECONDS (at least 30); after the first round only\n"
         L"                      trains whose seats changed, that appeared or that are gone are printed;\n"
         L"                      every round asks for the same day (--date, or the day it started), and\n"
         L"                      the watch ends once that day has passed; Ctrl+C ends it\n"
         L"  --count N           end the watch after N rounds\n"
         L"  --fares             the trains' fares instead: 车次 出发站 到达站 发时 到时 历时 and the seat\n"
         L"                      classes any train sells, as ¥553.0 (\"--\": none); JSON keys trainCode\n"
         L"                      fromStation toStation departTime arriveTime travelTime and business\n"
         L"                      firstClass secondClass hardSeat hardSleeper softSleeper standing\n"
         L"                      (numbers or null); only --json, --date, --kinds and --sort beside it\n"
         L"  --train CODE        the train's stops instead: 站序 站名 到达 出发 停留 里程 天 (JSON keys\n"
         L"                      sequence station arrive depart stay distance day); no station names,\n"
         L"                      and only --json and --date beside it\n"
         L"  --help              this text\n"
         L"\n"
         L"Exit code: 0 when trains (or stops) came back (in any round of a watch), 1 when none did,\n"
         L"the site answered with a message instead, a watch's day passed or a station name may be\n"
         L"several stations, 2 on wrong usage (a\n"
         L"day that has passed or lies more than 59 days ahead included). The query site is\n"
         L"TAVORA_QUERY_HOST or tavora.ini's [Servers].\n";
}
