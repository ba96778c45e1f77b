#include "app/core/ticket_json.h"

#include <gtest/gtest.h>

#include "skin/resources/text_encoding.h"
#include "tests/app/cli/json_rows.h"

namespace {

TicketRow FullRow(const std::wstring& code) {
  TicketRow row;
  for (int i = 0; i < TicketRow::kFieldCount; ++i) row.Field(i) = code + L"-" + std::to_wstring(i);
  row.trainCode = code;
  return row;
}

TEST(TicketJson, EscapesWhatJsonCannotHoldAsItIs) {
  const struct {
    std::wstring text;
    std::wstring json;
  } cases[] = {
      {L"", L"\"\""},
      {L"G101", L"\"G101\""},
      {L"北京", L"\"北京\""},
      {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
      {L"a\\b", L"\"a\\\\b\""},
      {L"\n\r\t", L"\"\\n\\r\\t\""},
      {std::wstring(L"\x01\x1f\x7f", 3), L"\"\\u0001\\u001f\\u007f\""},
      {std::wstring(1, L'\0'), L"\"\\u0000\""},
      {L"\u2028\u2029", L"\"\\u2028\\u2029\""},
      {L"\x80\x9b[2J\x9f", L"\"\\u0080\\u009b[2J\\u009f\""},               // C1 controls
      {L"\u202e\u2066\u200f\u061c", L"\"\\u202e\\u2066\\u200f\\u061c\""},  // bidirectional controls
      {L"\xa0\u202f\u206a", L"\"\xa0\u202f\u206a\""},                      // their neighbours stay
      {L"\xD83D\xDE00", L"\"\xD83D\xDE00\""},                              // a pair stays as it is
      {L"a\xD800z", L"\"a\uFFFDz\""},                                      // a lone high surrogate
      {L"a\xDC00", L"\"a\uFFFD\""},                                        // a lone low surrogate
      {L"\xD800", L"\"\uFFFD\""},                                          // high surrogate at the end
      {L"\xDE00\xD83D", L"\"\uFFFD\uFFFD\""},                              // a pair in the wrong order
  };
  for (const auto& c : cases) EXPECT_EQ(c.json, JsonString(c.text)) << WideToUtf8(c.json);
}

TEST(TicketJson, LaysOutOneObjectPerLine) {
  EXPECT_EQ(L"[\n]\n", FormatTicketJson({}));
  const std::wstring one = FormatTicketJson({FullRow(L"G1")});
  EXPECT_EQ(0u, one.find(L"[\n{\"trainCode\": \"G1\", \"fromStation\": \"G1-3\", "));
  EXPECT_NE(std::wstring::npos, one.find(L"\"trainType\": \"G1-16\"}\n]\n"));
  EXPECT_EQ(L"[\n{\"trainCode\": \"G7\", \"gone\": true}\n]\n", FormatTicketJson({}, {L"G7"}));
  const std::wstring two = FormatTicketJson({FullRow(L"G1")}, {L"K5"});
  EXPECT_NE(std::wstring::npos, two.find(L"\"G1-16\"},\n{\"trainCode\": \"K5\", \"gone\": true}\n]\n"));
}

// Strict JSON as Python reads it, and every field back as it went in (a lone
// surrogate, which UTF-8 cannot carry, as U+FFFD).
TEST(TicketJson, HostileRowsReadBackExactly) {
  TicketRow hostile = FullRow(L"G\"1\\");
  hostile.fromStation = std::wstring(L"\x01\x02\x1f\x7f\0end", 8);
  hostile.toStation = L"\"quoted\" \\back\\slash\\";
  hostile.departTime = L"\xD83D\xDE00 and \xD840\xDC0B";
  hostile.arriveTime = L"lone \xD800 high";
  hostile.travelTime = L"lone \xDFFF low";
  hostile.sleeperDeluxe = L"\u2028\u2029\r\n\t";
  hostile.standing = L"\x9b[2J\u202eevil\u2069\u200e";
  hostile.trainType = L"\xFEFF\xFFFF</script>";
  TicketRow plain = FullRow(L"K51");
  plain.fromStation = L"北京";

  std::string reading;
  std::string reason;
  const std::vector<TicketRow> rows = {hostile, plain};
  ASSERT_TRUE(ReadJsonRows(WideToUtf8(FormatTicketJson(rows, {L"Z\"9"})), reading, reason)) << reason;

  std::vector<TicketRow> expected = rows;
  expected[0].arriveTime = L"lone \uFFFD high";
  expected[0].travelTime = L"lone \uFFFD low";
  EXPECT_EQ(ExpectedReading(expected, {L"Z\"9"}), reading);
}

// The checker itself rejects what is not strict, well laid-out JSON.
TEST(TicketJson, TheReaderRejectsBrokenJson) {
  const char* broken[] = {
      "[\n{\"a\": \"\x01\"}\n]\n",         // a raw control character
      "[\n{\"a\": \"x\"},\n]\n",           // a comma after the last object
      "[\n{\"a\": \"x\"}\n{\"b\": \"y\"}\n]\n",  // no comma between objects
      "[{\"a\": \"x\"}]\n",                // not one object per line
      "[\n{\"a\": NaN}\n]\n",              // not strict
      "[\n{\"a\": \"\xC3\"}\n]\n",         // not UTF-8
      "[\n{\"a\": \"x\"}\n]",              // no line end
  };
  for (const char* json : broken) {
    std::string reading;
    std::string reason;
    EXPECT_FALSE(ReadJsonRows(json, reading, reason)) << json;
    EXPECT_EQ(0u, reason.find("rejected: ")) << reason;
  }
}

}  // namespace
