// Plain-text rendering of ticket rows as an aligned table, for the console.
#pragma once

#include <string>
#include <vector>

#include "app/core/ticket_row.h"

// Columns a wide character takes on a terminal: 2 for East Asian wide and
// full-width characters, 1 otherwise.
int DisplayWidth(const std::wstring& text);

// Lines of cells as an aligned table: every column padded to its widest
// entry (DisplayWidth), two blanks between columns, no blanks at a line's
// end, lines ending with "\n". Control characters (IsControlCharacter) are
// blanks. The first line is usually the column titles.
std::wstring FormatAlignedTable(const std::vector<std::vector<std::wstring>>& lines);

// A header line and one line per row, the columns in the result list's order,
// each padded to its widest entry; lines end with "\n". Control characters
// (IsControlCharacter) are blanks, whatever made the rows.
std::wstring FormatTicketTable(const std::vector<TicketRow>& rows);
