#include "app/cli/query_options.h"

#include <string_view>

#include "skin/resources/parse_util.h"

namespace {

constexpr wchar_t kUsageLine[] = L"usage: tavora-query [options] <from station> <to station>";

enum class Option { Help, Json, Kinds, Sort, Watch, Count };

struct OptionInfo {
  Option option;
  const wchar_t* name;
  bool takesValue;
};

const OptionInfo kOptions[] = {
    {Option::Help, L"--help", false},  {Option::Json, L"--json", false},
    {Option::Kinds, L"--kinds", true}, {Option::Sort, L"--sort", true},
    {Option::Watch, L"--watch", true}, {Option::Count, L"--count", true},
};
constexpr size_t kOptionCount = sizeof(kOptions) / sizeof(kOptions[0]);

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

// Applies one option's value; false with `error` when the value is bad.
bool ApplyValue(const OptionInfo& info, const std::wstring& value, QueryOptions& options, std::wstring& error) {
  const std::wstring name = info.name;
  unsigned long long number = 0;
  switch (info.option) {
    case Option::Help:
    case Option::Json:
      return true;
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

std::wstring QueryUsage() {
  return std::wstring(kUsageLine) +
         L"\n"
         L"Looks up the remaining tickets from one station to another and prints one line per train.\n"
         L"\n"
         L"  --json              a JSON array instead of the table, one object per train and line\n"
         L"  --kinds LETTERS     only trains of these kinds: C G D Z T K L Y as the train codes start,\n"
         L"                      P for 普快 (codes that start with a digit); e.g. --kinds GDC\n"
         L"  --sort KEY          depart, arrive or duration, earliest or shortest first\n"
         L"  --watch SECONDS     query again every SECONDS (at least 30); after the first round only\n"
         L"                      trains whose seats changed, that appeared or that are gone are printed;\n"
         L"                      Ctrl+C ends it\n"
         L"  --count N           end the watch after N rounds\n"
         L"  --help              this text\n"
         L"\n"
         L"Exit code: 0 when trains came back (in any round of a watch), 1 when none did,\n"
         L"2 on wrong usage. The query site is TAVORA_QUERY_HOST or tavora.ini's [Servers].\n";
}
