#include "app/core/query_request.h"

#include <gtest/gtest.h>

#include <utility>

TEST(TrimStationName, RemovesSurroundingWhiteSpaceOnly) {
  EXPECT_EQ(L"北京", TrimStationName(L" \t北京\r\n "));
  EXPECT_EQ(L"北京 南", TrimStationName(L"北京 南"));
  EXPECT_EQ(L"", TrimStationName(L" \t \t"));
  EXPECT_EQ(L"", TrimStationName(L""));
  const QueryStations stations = MakeQueryStations(L" 北京\t", L"\r\n上海 ");
  EXPECT_EQ(L"北京", stations.from);
  EXPECT_EQ(L"上海", stations.to);
}

TEST(BuildQueryPath, SendsRawUtf8BytesOfBothNames) {
  EXPECT_EQ("/Default.aspx?A=\xE5\x8C\x97\xE4\xBA\xAC&B=\xE4\xB8\x8A\xE6\xB5\xB7&C=&D=1&S=0",
            BuildQueryPath(L"北京", L"上海"));
  EXPECT_EQ("/Default.aspx?A=a&B=&C=&D=1&S=0", BuildQueryPath(L"a", L""));
  // Characters outside the BMP go out as their four UTF-8 bytes.
  EXPECT_EQ("/Default.aspx?A=\xF0\xA0\x80\x80&B=x&C=&D=1&S=0", BuildQueryPath(L"\U00020000", L"x"));
}

TEST(BuildQueryPath, EscapesOnlyBytesThatWouldBreakTheRequest) {
  EXPECT_EQ("/Default.aspx?A=a%20b&B=c%26d&C=&D=1&S=0", BuildQueryPath(L"a b", L"c&d"));
  EXPECT_EQ("/Default.aspx?A=%23%25%2B&B=%0D%0A%09%7F&C=&D=1&S=0", BuildQueryPath(L"#%+", L"\r\n\t\x7F"));
  // Everything else, punctuation and non-ASCII alike, stays raw.
  EXPECT_EQ("/Default.aspx?A=(x)/y?=z&B=\xE5\x8D\x97&C=&D=1&S=0", BuildQueryPath(L"(x)/y?=z", L"南"));
}

TEST(BuildQueryPath, SendsTheDayAndTheTrainCodeEscapedAsTheNamesAre) {
  EXPECT_EQ("/Default.aspx?A=\xE5\x8C\x97&B=x&C=2026-12-08&D=1&S=0", BuildQueryPath(L"北", L"x", L"2026-12-08"));
  EXPECT_EQ("/Default.aspx?A=a&B=b&C=1%202%263%0A&D=1&S=0", BuildQueryPath(L"a", L"b", L"1 2&3\n"));
  EXPECT_EQ("/train.aspx?T=G1&D=1&C=2026-12-08", BuildTimetablePath(L"G1", L"2026-12-08"));
  EXPECT_EQ("/train.aspx?T=a%26b&D=1&C=%2B", BuildTimetablePath(L"a&b", L"+"));
  const std::pair<const wchar_t*, const wchar_t*> codes[] = {
      {L"g1", L"G1"},      {L" \tk1351\r\n", L"K1351"}, {L"AB345678", L"AB345678"}, {L"AB3456789", nullptr},
      {L" \t", nullptr},  {L"G 1", nullptr},            {L"G-1", nullptr},          {L"Ｇ1", nullptr},
  };
  for (const auto& [typed, normalized] : codes) {
    std::wstring code = L"kept";
    EXPECT_EQ(normalized != nullptr, NormalizeTrainCode(typed, code));
    EXPECT_EQ(normalized ? normalized : L"kept", code);
  }
}
