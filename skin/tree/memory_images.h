// Images that the application hands to "memimage" elements. A document names
// such an image by a decimal number; only numbers issued here mean an image,
// so a number in a document is never taken for an address and followed.
#pragma once

#include <cstddef>

namespace Gdiplus {
class Image;
}

// Enters `image` (owned by the caller, who keeps it alive until it
// unregisters it) and returns its number, never 0 and never reused. Null
// gives 0, the number of no image.
unsigned RegisterMemoryImage(Gdiplus::Image* image);
// Forgets the image of `number`; elements that name it draw nothing from then
// on. Unknown numbers are ignored.
void UnregisterMemoryImage(unsigned long long number);
// The image registered under `number`, or null.
Gdiplus::Image* LookupMemoryImage(unsigned long long number);
// Number of registered images (for leak checks).
size_t MemoryImageCount();
// Forgets every registered image and hands out numbers from the first again.
void ClearMemoryImages();
