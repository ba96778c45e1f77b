#include "skin/tree/element_factory.h"

#include <cstring>

#include "skin/tree/basic_controls.h"
#include "skin/tree/check_controls.h"
#include "skin/tree/containers.h"
#include "skin/tree/hosted_controls.h"
#include "skin/tree/icon_control.h"
#include "skin/tree/image_list_controls.h"
#include "skin/tree/line_control.h"
#include "skin/tree/menus.h"
#include "skin/tree/progress_control.h"
#include "skin/tree/radio_control.h"
#include "skin/tree/rich_text.h"
#include "skin/tree/tab_control.h"

namespace {

template <typename Element>
std::unique_ptr<CBkWindow> Make() {
  return std::make_unique<Element>();
}

struct FactoryRow {
  const char* tag;
  std::unique_ptr<CBkWindow> (*create)();
};

// Tried in this order; the first row whose tag equals the name wins. A bare
// panel ("div") is never made from a document.
const FactoryRow kRows[] = {
    {CBkDialog::kTag, Make<CBkDialog>},
    {CBkDialogFile::kTag, Make<CBkDialogFile>},
    {CBkStatic::kTag, Make<CBkStatic>},
    {CBkButton::kTag, Make<CBkButton>},
    {CBkImageWnd::kTag, Make<CBkImageWnd>},
    {CBkProgress::kTag, Make<CBkProgress>},
    {CBkImageBtnWnd::kTag, Make<CBkImageBtnWnd>},
    {CBkRealWnd::kTag, Make<CBkRealWnd>},
    {CBkLine::kTag, Make<CBkLine>},
    {CBkCheckBox::kTag, Make<CBkCheckBox>},
    {CBkCheckBoxEx::kTag, Make<CBkCheckBoxEx>},
    {CBkIconWnd::kTag, Make<CBkIconWnd>},
    {CBkTabCtrl::kTag, Make<CBkTabCtrl>},
    {CBkMenuCtrl::kTag, Make<CBkMenuCtrl>},
    {CBkMenuCtrlEx::kTag, Make<CBkMenuCtrlEx>},
    {CBkRadioBox::kTag, Make<CBkRadioBox>},
    {CBkRichText::kTag, Make<CBkRichText>},
    {CBkLink::kTag, Make<CBkLink>},
    {CBkMemoryImage::kTag, Make<CBkMemoryImage>},
    {CBkImageListHWnd::kTag, Make<CBkImageListHWnd>},
    {CBkDrawFileIcon::kTag, Make<CBkDrawFileIcon>},
};

}  // namespace

std::unique_ptr<CBkWindow> CreateChildByName(const char* tag) {
  if (!tag) return nullptr;
  for (const FactoryRow& row : kRows) {
    if (std::strcmp(row.tag, tag) == 0) return row.create();
  }
  return nullptr;
}
