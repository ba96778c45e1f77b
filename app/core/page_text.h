// Text taken from a result page, made safe to show, copy, export and notify:
// one character class of what must never reach the user as it is.
#pragma once

#include <string>

// Whether a character acts instead of showing: C0 and C1 controls and DEL
// (which move a terminal's cursor or start escape sequences), the line and
// paragraph separators, and the bidirectional marks, embeddings, overrides
// and isolates (which reorder what a line shows: after U+202E, "LIVE"
// reads "EVIL"). Text from a page carries none of them past the parse;
// the remembered query refuses station names holding any.
bool IsControlCharacter(wchar_t c);

// `text` with every IsControlCharacter character turned into a blank.
std::wstring BlankControls(std::wstring text);
