// Ticket rows as JSON, for tavora-query --json: one object per train with
// named fields, one object per line.
#pragma once

#include <string>
#include <vector>

#include "app/core/ticket_row.h"

// The object keys in their order, each with the field it carries.
struct TicketJsonField {
  const wchar_t* key;
  std::wstring TicketRow::*field;
};
extern const TicketJsonField kTicketJsonFields[];
extern const size_t kTicketJsonFieldCount;

// `text` as a JSON string, quotes included. Quotes, backslashes and every
// character a terminal would act on (IsControlCharacter) are escaped, so the
// array is safe to print as it is; a surrogate without its partner
// becomes U+FFFD, so the result always converts to valid UTF-8.
std::wstring JsonString(const std::wstring& text);

// A JSON array: "[" on its own line, then one object per row in order, then
// one {"trainCode": ..., "gone": true} per code of `goneCodes`, each on its
// own line (separated by ","), then "]"; the text ends with "\n".
std::wstring FormatTicketJson(const std::vector<TicketRow>& rows,
                              const std::vector<std::wstring>& goneCodes = {});

// A JSON array laid out as FormatTicketJson's, one object per line of
// `values`: each line's texts under `keys`, in order.
std::wstring FormatJsonObjects(const std::vector<const wchar_t*>& keys,
                               const std::vector<std::vector<std::wstring>>& values);

// The same with each value written as it is: JSON already (a JsonString, a
// number, null).
std::wstring FormatJsonValueObjects(const std::vector<const wchar_t*>& keys,
                                    const std::vector<std::vector<std::wstring>>& jsonValues);
