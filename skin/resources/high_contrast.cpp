#include "skin/resources/high_contrast.h"

#include <algorithm>
#include <cctype>

namespace {

struct RoleName {
  const char* name;
  SystemColourRole role;
  int systemIndex;
};

constexpr RoleName kRoles[] = {
    {"window", SystemColourRole::Window, COLOR_WINDOW},
    {"windowtext", SystemColourRole::WindowText, COLOR_WINDOWTEXT},
    {"highlight", SystemColourRole::Highlight, COLOR_HIGHLIGHT},
    {"highlighttext", SystemColourRole::HighlightText, COLOR_HIGHLIGHTTEXT},
    {"hotlight", SystemColourRole::HotLight, COLOR_HOTLIGHT},
    {"graytext", SystemColourRole::GrayText, COLOR_GRAYTEXT},
    {"btnface", SystemColourRole::ButtonFace, COLOR_BTNFACE},
    {"btntext", SystemColourRole::ButtonText, COLOR_BTNTEXT},
};

HighContrastScheme& Scheme() {
  static HighContrastScheme scheme = ReadSystemHighContrast();
  return scheme;
}

}  // namespace

bool HighContrastScheme::operator==(const HighContrastScheme& other) const {
  return on == other.on && std::equal(std::begin(colours), std::end(colours), std::begin(other.colours));
}

HighContrastScheme ReadSystemHighContrast() {
  HighContrastScheme scheme;
  HIGHCONTRASTW settings = {};
  settings.cbSize = sizeof(settings);
  scheme.on = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(settings), &settings, 0) &&
              (settings.dwFlags & HCF_HIGHCONTRASTON) != 0;
  for (const RoleName& entry : kRoles) {
    scheme.colours[static_cast<int>(entry.role)] = GetSysColor(entry.systemIndex);
  }
  return scheme;
}

const HighContrastScheme& CurrentHighContrast() { return Scheme(); }

bool SetHighContrastScheme(const HighContrastScheme& scheme) {
  if (Scheme() == scheme) return false;
  Scheme() = scheme;
  return true;
}

COLORREF ContrastColour(COLORREF own, SystemColourRole named, SystemColourRole fallback) {
  const HighContrastScheme& scheme = Scheme();
  return scheme.on ? scheme.Colour(named, fallback) : own;
}

bool ParseSystemColourRole(const std::string& word, SystemColourRole& role) {
  std::string lower(word);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const RoleName& entry : kRoles) {
    if (lower == entry.name) {
      role = entry.role;
      return true;
    }
  }
  return false;
}
