#include "skin/resources/skin_resources_reset.h"

#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/high_contrast.h"
#include "skin/resources/image_pool.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/style.h"
#include "skin/resources/theme_api.h"

void ResetSkinResources() {
  SetSkinFolder(std::wstring());
  BkString::Instance().Clear();
  // Skins draw from the image pools and styles name skins: the users go first.
  BkStylePool::Instance().Clear();
  BkSkinPool::Instance().Clear();
  BkPngPool::Clear();
  BkBmpPool::Clear();
  BkFontPool::Reset();
  ThemeApi::Rebind();
  SetHighContrastScheme(ReadSystemHighContrast());
}
