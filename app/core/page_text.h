// Text taken from a result page, made safe to show, copy, export and notify:
// one character class of what must never reach the user as it is, and a cut
// that never splits a character.
#pragma once

#include <cstddef>
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

// At most `maxUnits` UTF-16 units of `text`: whole, or its start followed by
// "…" within the limit, cut between characters (never inside a surrogate
// pair). `maxUnits` below 2 gives at most that many units.
std::wstring ShortenText(std::wstring text, size_t maxUnits);
