#include "skin/tree/memory_images.h"

#include <map>
#include <mutex>

namespace {

struct MemoryImages {
  std::mutex lock;
  std::map<unsigned long long, Gdiplus::Image*> images;
  unsigned lastNumber = 0;
};

MemoryImages& Images() {
  static MemoryImages images;
  return images;
}

}  // namespace

unsigned RegisterMemoryImage(Gdiplus::Image* image) {
  if (!image) return 0;
  MemoryImages& registry = Images();
  std::lock_guard<std::mutex> guard(registry.lock);
  // Numbers are never reused: past the last one there are none to hand out.
  if (registry.lastNumber == ~0u) return 0;
  const unsigned number = ++registry.lastNumber;
  registry.images[number] = image;
  return number;
}

void UnregisterMemoryImage(unsigned long long number) {
  MemoryImages& registry = Images();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.images.erase(number);
}

Gdiplus::Image* LookupMemoryImage(unsigned long long number) {
  MemoryImages& registry = Images();
  std::lock_guard<std::mutex> guard(registry.lock);
  const auto found = registry.images.find(number);
  return found == registry.images.end() ? nullptr : found->second;
}

size_t MemoryImageCount() {
  MemoryImages& registry = Images();
  std::lock_guard<std::mutex> guard(registry.lock);
  return registry.images.size();
}

void ClearMemoryImages() {
  MemoryImages& registry = Images();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.images.clear();
  registry.lastNumber = 0;
}
