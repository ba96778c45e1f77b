// Turning two station names into a request path, and a result page into rows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/ticket_row.h"

class TiXmlElement;

// The name without white space (iswspace) at either end.
std::wstring TrimStationName(std::wstring_view name);

// "/Default.aspx?A=<from>&B=<to>&C=&D=1&S=0" with the UTF-8 bytes of both
// names. Bytes that would break the request line or change the query's
// meaning (controls, DEL, blank, '#', '%', '&', '+') are percent-escaped;
// every other byte, non-ASCII UTF-8 included, stands raw.
std::string BuildQueryPath(std::wstring_view from, std::wstring_view to);

// Mends the two forms of the site's markup that an XML parser rejects.
std::wstring RepairMarkup(std::wstring page);

// Parses a repaired page (as UTF-8; pages nesting deeper than the skin
// library's XML depth limit are refused). When the result table is found,
// `rows` receives one row per data row (possibly none) and the result is true;
// otherwise `rows` is left as it was.
bool ParseResultPage(const std::wstring& repairedPage, std::vector<TicketRow>& rows);

// root → body → div → the div's next sibling → table; null when a step fails.
const TiXmlElement* FindResultTable(const TiXmlElement* root);

// The value of the cell's first child node, or null.
const char* CellText(const TiXmlElement* cell);
// The CellText of the cell's first "a" child, or null.
const char* CellLinkText(const TiXmlElement* cell);
