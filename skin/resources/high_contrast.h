// The system's high-contrast mode as the skins see it: whether it is on and
// the system colours it asks text, backgrounds, selections and links to be
// drawn in. While it is on, elements draw their text and backgrounds in
// these colours instead of their style's (background images give way to
// plain fills); a style class or element may name the system colour it wants
// for its text ("hc-crtext") and background ("hc-crbg").
#pragma once

#include <windows.h>

#include <string>

// The system colours a skin may name, by their names in skin documents.
enum class SystemColourRole : unsigned char {
  None,           // not named: the drawing's own default applies
  Window,         // "window": backgrounds
  WindowText,     // "windowtext": text on them
  Highlight,      // "highlight": selected items
  HighlightText,  // "highlighttext": text of selected items
  HotLight,       // "hotlight": links and hovered text
  GrayText,       // "graytext": unavailable text, hints
  ButtonFace,     // "btnface": buttons and tab heads
  ButtonText,     // "btntext": text on them
};
constexpr int kSystemColourRoles = 9;

struct HighContrastScheme {
  bool on = false;
  // By role; None's entry is unused.
  COLORREF colours[kSystemColourRoles] = {};

  COLORREF Colour(SystemColourRole role) const { return colours[static_cast<int>(role)]; }
  // `role`, or `fallback` when it is None.
  COLORREF Colour(SystemColourRole role, SystemColourRole fallback) const {
    return Colour(role == SystemColourRole::None ? fallback : role);
  }
  bool operator==(const HighContrastScheme& other) const;
  bool operator!=(const HighContrastScheme& other) const { return !(*this == other); }
};

// The mode and colours the system has now (SPI_GETHIGHCONTRAST, GetSysColor).
HighContrastScheme ReadSystemHighContrast();

// The scheme the skins draw with: the system's as first read, then whatever
// the last SetHighContrastScheme gave (the hosts pass the system's again when
// its colours or settings change).
const HighContrastScheme& CurrentHighContrast();
// Replaces it; true when it differs from the one before (the caller repaints).
bool SetHighContrastScheme(const HighContrastScheme& scheme);

// The colour to draw with: `own` while the mode is off; while it is on, the
// scheme's colour for `named`, or for `fallback` when nothing is named.
COLORREF ContrastColour(COLORREF own, SystemColourRole named, SystemColourRole fallback);

// "window", "windowtext", ... (letter case ignored) → the role; false for any
// other word.
bool ParseSystemColourRole(const std::string& word, SystemColourRole& role);
