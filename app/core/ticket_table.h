// Plain-text rendering of ticket rows as an aligned table, for the console.
#pragma once

#include <string>
#include <vector>

#include "app/core/ticket_row.h"

// Columns a wide character takes on a terminal: 2 for East Asian wide and
// full-width characters, 1 otherwise.
int DisplayWidth(const std::wstring& text);

// Whether a character from a page must never reach a terminal as it is: C0
// and C1 controls and DEL (which move the cursor or start escape sequences),
// the line and paragraph separators, and the bidirectional marks, embeddings,
// overrides and isolates (which reorder what a line shows).
bool IsTerminalControl(wchar_t c);

// `text` with every IsTerminalControl character turned into a blank.
std::wstring PrintableText(std::wstring text);

// A header line and one line per row, the columns in the result list's order,
// each padded to its widest entry; lines end with "\n".
std::wstring FormatTicketTable(const std::vector<TicketRow>& rows);
