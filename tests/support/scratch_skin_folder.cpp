#include "tests/support/scratch_skin_folder.h"

#include "skin/resources/skin_resource.h"
#include "tests/support/test_support.h"

ScratchSkinFolder::ScratchSkinFolder(const std::string& name) : path_(MakeScratchFolder(name)) { SetSkinFolder(path_); }

ScratchSkinFolder::~ScratchSkinFolder() { SetSkinFolder(L""); }

bool ScratchSkinFolder::Write(unsigned id, const std::string& text) const {
  return WriteFileBytes(path_ + L"\\" + std::to_wstring(id) + L".xml", text);
}
