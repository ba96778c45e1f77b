// One ticket query as the site takes it: the two station names, trimmed
// once, and the request path that carries them.
#pragma once

#include <string>
#include <string_view>

// The name without white space (iswspace) at either end.
std::wstring TrimStationName(std::wstring_view name);

// The two station names of one query, trimmed. The window reads them when a
// query starts and the command line when it has parsed its arguments; the
// worker gets them by value and sends them as they are.
struct QueryStations {
  std::wstring from;
  std::wstring to;
};

// Both names trimmed (TrimStationName).
QueryStations MakeQueryStations(std::wstring_view from, std::wstring_view to);

// "/Default.aspx?A=<from>&B=<to>&C=&D=1&S=0" with the UTF-8 bytes of both
// names. Bytes that would break the request line or change the query's
// meaning (controls, DEL, blank, '#', '%', '&', '+') are percent-escaped;
// every other byte, non-ASCII UTF-8 included, stands raw.
std::string BuildQueryPath(std::wstring_view from, std::wstring_view to);
