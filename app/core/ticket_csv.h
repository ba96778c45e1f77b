// Shown rows as text for other programs: tab-separated for the clipboard, CSV
// for a file, each with the column titles as its first line. One writer for
// every list (trains, fares), which hands it its rows as cell texts.
#pragma once

#include <string>
#include <vector>

#include "app/core/ticket_row.h"

// A cell as a spreadsheet may take it: a text that a spreadsheet would run
// as a formula gets a leading apostrophe. That is one whose first character
// after any blanks, other spaces and controls is "=", "+", "@" or "-", or
// their full-width forms; dashes and spaces alone ("--", " - ") stay.
std::wstring SpreadsheetSafeCell(const std::wstring& cell);

using CellRows = std::vector<std::vector<std::wstring>>;

// Titles, then one line per row of cells (each made SpreadsheetSafeCell),
// separated by tabs, lines ended by CR LF; tabs and line breaks inside a
// cell become blanks.
std::wstring CellsAsTabText(const std::vector<std::wstring>& titles, const CellRows& rows);

// The same as CSV in UTF-8 after a byte-order mark: a field holding a comma,
// a semicolon, a tab, a quote or a line break is quoted, its quotes doubled.
std::string CellsAsCsv(const std::vector<std::wstring>& titles, const CellRows& rows);

// Trains in the fourteen list columns (RowTexts), as the two above.
std::wstring RowsAsTabText(const std::vector<std::wstring>& titles, const std::vector<TicketRow>& rows);
std::string RowsAsCsv(const std::vector<std::wstring>& titles, const std::vector<TicketRow>& rows);
