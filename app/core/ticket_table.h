// Plain-text rendering of ticket rows as an aligned table, for the console.
#pragma once

#include <string>
#include <vector>

#include "app/core/ticket_row.h"

// Columns a wide character takes on a terminal: 2 for East Asian wide and
// full-width characters, 1 otherwise.
int DisplayWidth(const std::wstring& text);

// A header line and one line per row, the columns in the result list's order,
// each padded to its widest entry; lines end with "\n". Control characters
// (IsControlCharacter) are blanks, whatever made the rows.
std::wstring FormatTicketTable(const std::vector<TicketRow>& rows);
