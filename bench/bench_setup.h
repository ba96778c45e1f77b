// Start-up shared by the benchmarks that paint text: the program's string
// table and, from it, the UI font.
#pragma once

#include <cstdio>

#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"

// Loads string table 102 and sets the default font from its face; prints an
// error and answers false when the table is missing.
inline bool LoadUiStringsAndFont() {
  if (!LoadStrings(102)) {
    std::printf("error: string table 102 did not load\n");
    return false;
  }
  const wchar_t* face = GetString(0);
  BkFontPool::SetDefaultFont(face ? face : L"", -12);
  return true;
}
