// The interface every skin kind implements: a named painter that draws an
// image or a colour scheme into a rectangle for a state value, and says how
// big it is on its own and whether its look depends on the state.
#pragma once

#include <windows.h>

#include <climits>
#include <string>

#include "skin/resources/bk_object.h"

class CBkSkinBase : public CBkObject {
 public:
  // Paints into `rect` on `dc`. The rectangle is the skin's own copy. What
  // `state` means is the kind's business: element state flags, a sub-image
  // index (-1: the whole image), or nothing at all.
  virtual void Draw(HDC dc, RECT rect, int state) = 0;
  // (width, height) of the skin on its own; 0 where it has no size there.
  virtual SIZE GetNaturalSize() const { return SIZE{0, 0}; }
  // True when every state draws the same pixels.
  virtual bool IsStateless() const { return true; }
};

// Element state flags as skins read them.
constexpr int kSkinStateHover = 1;
constexpr int kSkinStatePushed = 2;
constexpr int kSkinStateChecked = 4;
constexpr int kSkinStateDisabled = 16;

// Edges of a nine-grid frame ("part" attribute of "imgframe" and "border").
enum BkSkinPart : unsigned {
  PartTop = 0x01,
  PartMiddle = 0x02,
  PartBottom = 0x04,
  PartLeft = 0x08,
  PartRight = 0x20,
  PartAll = 0x2F,
};

// The edge set of a part word ("all", "top", "middle", "bottom", "left",
// "center", "right"); false for any other word.
bool ParsePartWord(const std::string& word, unsigned& part);

// Reads up to `count` comma-separated numbers into `fields` in order, each
// trimmed of white space and read leniently as a decimal. Reading stops at
// the first empty piece; fields not reached keep their values.
void ReadCommaNumbers(const std::string& value, int* const* fields, int count);

// The sub-image index a three-piece skin draws for `state`: -1 stays -1;
// otherwise 3 for the disabled bit, else 2 for the pushed bit, else the
// hover bit (0 or 1).
int ThreePieceIndex(int state);

// A piece size of a skin document kept within 0..limit, the size of the
// picture it is cut from (a negative limit gives 0).
inline int ClampPiece(int size, int limit) { return size < 0 || limit < 0 ? 0 : (size > limit ? limit : size); }

// A rectangle with a negative width or height, which no skin draws into.
inline bool IsInverted(const RECT& rect) { return rect.right < rect.left || rect.bottom < rect.top; }
// Width and height, saturated at the int range (a laid-out rectangle may span
// more than it).
inline int SaturatedSpan(LONG from, LONG to) {
  const long long span = static_cast<long long>(to) - from;
  return span > INT_MAX ? INT_MAX : (span < INT_MIN ? INT_MIN : static_cast<int>(span));
}
inline int RectWidth(const RECT& rect) { return SaturatedSpan(rect.left, rect.right); }
inline int RectHeight(const RECT& rect) { return SaturatedSpan(rect.top, rect.bottom); }
