#include "skin/tree/skin_library.h"

#include "skin/resources/skin_resources_reset.h"
#include "skin/tree/image_list_controls.h"
#include "skin/tree/memory_images.h"
#include "skin/tree/window_registry.h"

bool ResetSkinLibrary() {
  ClearMemoryImages();
  ClearFileIconCache();
  const bool registryReset = BkWindowRegistry::Instance().Reset();
  ResetSkinResources();
  return registryReset;
}
