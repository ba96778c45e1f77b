#include "app/core/ticket_json.h"

#include "app/core/page_text.h"

namespace {

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The two-character escapes that JSON has, for the characters that have one
// and must be escaped.
const wchar_t* ShortEscape(wchar_t c) {
  static const struct {
    wchar_t c;
    const wchar_t* escape;
  } kEscapes[] = {{L'"', L"\\\""}, {L'\\', L"\\\\"}, {L'\n', L"\\n"}, {L'\r', L"\\r"}, {L'\t', L"\\t"}};
  for (const auto& entry : kEscapes) {
    if (entry.c == c) return entry.escape;
  }
  return nullptr;
}

void AppendUnicodeEscape(std::wstring& out, wchar_t c) {
  static const wchar_t kHex[] = L"0123456789abcdef";
  out += L"\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
}

void AppendObjectLine(std::wstring& out, bool& first, const std::wstring& object) {
  if (!first) out.insert(out.size() - 1, 1, L',');  // before the last line's end
  out += object;
  out += L'\n';
  first = false;
}

}  // namespace

const TicketJsonField kTicketJsonFields[] = {
    {L"trainCode", &TicketRow::trainCode},
    {L"fromStation", &TicketRow::fromStation},
    {L"toStation", &TicketRow::toStation},
    {L"departTime", &TicketRow::departTime},
    {L"arriveTime", &TicketRow::arriveTime},
    {L"travelTime", &TicketRow::travelTime},
    {L"hardSeatOrSecondClass", &TicketRow::seatHardOrSecond},
    {L"softSeatOrFirstClass", &TicketRow::seatSoftOrFirst},
    {L"hardSleeper", &TicketRow::sleeperHard},
    {L"softSleeper", &TicketRow::sleeperSoft},
    {L"deluxeSleeper", &TicketRow::sleeperDeluxe},
    {L"standing", &TicketRow::standing},
    {L"originStation", &TicketRow::originStation},
    {L"terminalStation", &TicketRow::terminalStation},
    {L"trainType", &TicketRow::trainType},
};
const size_t kTicketJsonFieldCount = sizeof(kTicketJsonFields) / sizeof(kTicketJsonFields[0]);

std::wstring JsonString(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + 2);
  out += L'"';
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (const wchar_t* escape = ShortEscape(c)) {
      out += escape;
      continue;
    }
    if (IsControlCharacter(c)) {
      AppendUnicodeEscape(out, c);
    } else if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out += c;
      out += text[++i];
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      out += L'\uFFFD';
    } else {
      out += c;
    }
  }
  out += L'"';
  return out;
}

std::wstring FormatTicketJson(const std::vector<TicketRow>& rows, const std::vector<std::wstring>& goneCodes) {
  std::wstring out = L"[\n";
  bool first = true;
  for (const TicketRow& row : rows) {
    std::wstring object = L"{";
    for (size_t f = 0; f < kTicketJsonFieldCount; ++f) {
      if (f > 0) object += L", ";
      object += JsonString(kTicketJsonFields[f].key) + L": " + JsonString(row.*kTicketJsonFields[f].field);
    }
    AppendObjectLine(out, first, object + L"}");
  }
  for (const std::wstring& code : goneCodes) {
    AppendObjectLine(out, first, L"{\"trainCode\": " + JsonString(code) + L", \"gone\": true}");
  }
  out += L"]\n";
  return out;
}

std::wstring FormatJsonObjects(const std::vector<const wchar_t*>& keys,
                               const std::vector<std::vector<std::wstring>>& values) {
  std::vector<std::vector<std::wstring>> jsonValues = values;
  for (std::vector<std::wstring>& line : jsonValues)
    for (std::wstring& value : line) value = JsonString(value);
  return FormatJsonValueObjects(keys, jsonValues);
}

std::wstring FormatJsonValueObjects(const std::vector<const wchar_t*>& keys,
                                    const std::vector<std::vector<std::wstring>>& jsonValues) {
  std::wstring out = L"[\n";
  bool first = true;
  for (const std::vector<std::wstring>& line : jsonValues) {
    std::wstring object = L"{";
    for (size_t k = 0; k < keys.size() && k < line.size(); ++k) {
      if (k > 0) object += L", ";
      object += JsonString(keys[k]) + L": " + line[k];
    }
    AppendObjectLine(out, first, object + L"}");
  }
  out += L"]\n";
  return out;
}
