#include "tests/app/cli/json_rows.h"

#include "skin/resources/text_encoding.h"
#include "tests/support/test_support.h"

namespace {

struct DocumentedKey {
  const char* key;
  std::wstring TicketRow::*field;
};

// The keys README documents for tavora-query --json, in their order.
const DocumentedKey kDocumentedKeys[] = {
    {"trainCode", &TicketRow::trainCode},
    {"fromStation", &TicketRow::fromStation},
    {"toStation", &TicketRow::toStation},
    {"departTime", &TicketRow::departTime},
    {"arriveTime", &TicketRow::arriveTime},
    {"travelTime", &TicketRow::travelTime},
    {"hardSeatOrSecondClass", &TicketRow::seatHardOrSecond},
    {"softSeatOrFirstClass", &TicketRow::seatSoftOrFirst},
    {"hardSleeper", &TicketRow::sleeperHard},
    {"softSleeper", &TicketRow::sleeperSoft},
    {"deluxeSleeper", &TicketRow::sleeperDeluxe},
    {"standing", &TicketRow::standing},
    {"originStation", &TicketRow::originStation},
    {"terminalStation", &TicketRow::terminalStation},
    {"trainType", &TicketRow::trainType},
};

// The UTF-16-LE bytes of `text` in hexadecimal, as the script writes strings.
std::string Utf16Hex(const std::wstring& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (const wchar_t c : text) {
    for (const unsigned byte : {static_cast<unsigned>(c) & 0xFF, static_cast<unsigned>(c) >> 8}) {
      hex += kHex[byte >> 4];
      hex += kHex[byte & 0xF];
    }
  }
  return hex;
}

}  // namespace

bool ReadJsonRows(const std::string& json, std::string& reading, std::string& reason) {
  static int serial = 0;
  const std::wstring folder = MakeScratchFolder("json-rows-" + std::to_string(++serial));
  const std::wstring input = folder + L"\\input.json";
  const std::wstring output = folder + L"\\reading.txt";
  if (!WriteFileBytes(input, json)) {
    reason = "cannot write the scratch file";
    return false;
  }
  const std::string command = "python3 " + UnixPath(SourcePath("tests/app/cli/json_rows.py")) + " " + UnixPath(input) +
                              " " + UnixPath(output);
  RunProcess(Utf8ToWide(command), 60000, L"Z:\\usr\\bin\\python3");
  // Wine does not wait for a Unix program: the script's file appears whole.
  std::string text;
  if (!PumpUntil([&] { return !(text = ReadFileBytes(output)).empty(); }, 60000)) {
    reason = "the script wrote nothing";
    return false;
  }
  const std::string ok = "ok\n";
  if (text.compare(0, ok.size(), ok) != 0) {
    reason = text;
    return false;
  }
  reading = text.substr(ok.size());
  return true;
}

std::string ExpectedReading(const std::vector<TicketRow>& rows, const std::vector<std::wstring>& gone) {
  std::string reading = "[\n";
  for (const TicketRow& row : rows) {
    std::string line;
    for (const DocumentedKey& key : kDocumentedKeys) {
      line += (line.empty() ? "" : " ") + std::string(key.key) + "=" + Utf16Hex(row.*key.field);
    }
    reading += line + "\n";
  }
  for (const std::wstring& code : gone) reading += "trainCode=" + Utf16Hex(code) + " gone=true\n";
  return reading + "]\n";
}
