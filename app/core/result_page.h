// A result page into rows: the repair of its markup, its bounds and its parse.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/core/ticket_row.h"

class TiXmlElement;

// Mends the two forms of the site's markup that an XML parser rejects.
std::wstring RepairMarkup(std::wstring page);

// The most trains one answer may hold. A real answer lists a few hundred at
// most; a page with more is refused whole.
constexpr size_t kMaxResultRows = 10000;

// The most tags and attributes (its '<' and '=' characters) a result page may
// carry: kMaxResultRows rows of the site's markup (about 60 each) and the page
// around them. The parse tree costs many times the text it is built from
// (some 150 bytes an empty element), so the page is measured before it is
// parsed.
constexpr size_t kMaxResultMarkup = kMaxResultRows * 64 + 65536;

enum class ResultPage {
  Rows,      // the result table was found: `rows` holds its trains (possibly none)
  NoTable,   // the page did not parse or has no result table
  TooLarge,  // more markup than kMaxResultMarkup or more trains than kMaxResultRows
};

// Parses a repaired page (as UTF-8; pages nesting deeper than the skin
// library's XML depth limit are refused). A data row whose train-code cell
// is empty or missing is no train and is skipped. Control characters in a
// cell (IsControlCharacter, page_text.h) become blanks. `rows` is replaced
// only when the result is Rows.
ResultPage ParseResultPage(std::wstring repairedPage, std::vector<TicketRow>& rows);

// The most characters of a site's message shown (ResultPageMessage).
constexpr size_t kMaxSiteMessageChars = 200;

// The site's own words on a page without a result table (a day outside its
// presale period, say): the text of the first "p" element of the result
// division (root → body → div → the div's next sibling), controls blanked,
// white space trimmed, cut to kMaxSiteMessageChars (ShortenText). Empty when
// the page does not parse, has a result table or no such text.
std::wstring ResultPageMessage(std::wstring repairedPage);

// ParseResultPage that also reads the site's message from the same parse:
// `message` is the page's ResultPageMessage when the result is NoTable, and
// empty otherwise.
ResultPage ParseResultPage(std::wstring repairedPage, std::vector<TicketRow>& rows, std::wstring& message);

// What every page of the site goes through before it is parsed: whether it
// carries more than kMaxResultMarkup tags and attributes.
bool HasTooMuchMarkup(const std::wstring& page);

// root → body → div → the div's next sibling, where the site puts its
// answer; null when a step fails.
const TiXmlElement* FindResultDivision(const TiXmlElement* root);
// FindResultDivision → table; null when a step fails.
const TiXmlElement* FindResultTable(const TiXmlElement* root);

// The site's words in a result division (FindResultDivision) as
// ResultPageMessage reads them; empty for null or a division without them.
std::wstring SiteMessage(const TiXmlElement* division);

// The rows after a table's header row, counted up to kMaxResultRows: room to
// reserve before the rows are read.
size_t CountDataRows(const TiXmlElement* header);

// A cell's UTF-8 text as a field: wide, controls blanked (BlankControls).
// Null leaves the field as it is.
void AssignCellField(std::wstring& field, const char* value);

// The value of the cell's first child node, or null.
const char* CellText(const TiXmlElement* cell);
// The CellText of the cell's first "a" child, or null.
const char* CellLinkText(const TiXmlElement* cell);
