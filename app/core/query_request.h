// One ticket query as the site takes it: the two station names, trimmed
// once, and the request path that carries them.
#pragma once

#include <string>
#include <string_view>

// The name without white space (iswspace) at either end.
std::wstring TrimStationName(std::wstring_view name);

// The two station names of one query, trimmed, and its day. The window reads
// them when a query starts and the command line when it has parsed its
// arguments; the worker gets them by value and sends them as they are.
struct QueryStations {
  std::wstring from;
  std::wstring to;
  // "2026-12-08" (FormatTravelDate); empty asks for the site's today.
  std::wstring date;
};

// Both names trimmed (TrimStationName); the date as given.
QueryStations MakeQueryStations(std::wstring_view from, std::wstring_view to, std::wstring_view date = {});

// "/Default.aspx?A=<from>&B=<to>&C=<date>&D=1&S=0" with the UTF-8 bytes of
// the names and the date. Bytes that would break the request line or change
// the query's meaning (controls, DEL, blank, '#', '%', '&', '+') are
// percent-escaped; every other byte, non-ASCII UTF-8 included, stands raw.
std::string BuildQueryPath(std::wstring_view from, std::wstring_view to, std::wstring_view date = {});

// "/fare.aspx?A=<from>&B=<to>&C=<date>", escaped as BuildQueryPath escapes.
std::string BuildFarePath(std::wstring_view from, std::wstring_view to, std::wstring_view date = {});

// The longest train code the site knows.
constexpr size_t kMaxTrainCodeChars = 8;
// A typed train code trimmed and in upper case; false when what is left is
// empty, longer than kMaxTrainCodeChars or holds anything but ASCII letters
// and digits.
bool NormalizeTrainCode(std::wstring_view typed, std::wstring& code);

// "/train.aspx?T=<code>&D=1&C=<date>" for a code NormalizeTrainCode left
// (escaped as BuildQueryPath escapes).
std::string BuildTimetablePath(std::wstring_view code, std::wstring_view date = {});
