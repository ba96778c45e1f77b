#include "tests/support/scratch_skin_folder.h"

#include <windows.h>

#include "skin/resources/skin_resource.h"
#include "tests/support/test_support.h"

ScratchSkinFolder::ScratchSkinFolder(const std::string& name) : path_(MakeScratchFolder(name)) { SetSkinFolder(path_); }

ScratchSkinFolder::ScratchSkinFolder(const std::string& name, const std::wstring& program) {
  const std::wstring folder = MakeScratchFolder(name);
  CreateDirectoryW((folder + L"\\res").c_str(), nullptr);
  path_ = folder + L"\\res\\zelka";
  CreateDirectoryW(path_.c_str(), nullptr);
  program_ = folder + program.substr(program.find_last_of(L'\\'));
  if (!CopyFileW(program.c_str(), program_.c_str(), FALSE)) program_.clear();
  SetSkinFolder(path_);
}

ScratchSkinFolder::~ScratchSkinFolder() { SetSkinFolder(L""); }

bool ScratchSkinFolder::Write(unsigned id, const std::string& text) const {
  return WriteFileBytes(path_ + L"\\" + std::to_wstring(id) + L".xml", text);
}

bool ScratchSkinFolder::WriteIncludeFan(unsigned first, int levels, int fanOut, size_t bytes) const {
  for (int level = 0; level < levels; ++level) {
    std::string text;
    if (level + 1 < levels) {
      const std::string include = "<dlgfile pos=\"0,0,-0,-0\" src=\"" + std::to_string(first + level + 1) + "\"/>";
      for (int i = 0; i < fanOut; ++i) text += include;
    } else {
      text = "<text pos=\"0,0\">leaf</text>";
    }
    if (text.size() + 7 < bytes) text += "<!--" + std::string(bytes - text.size() - 7, 'x') + "-->";
    if (!Write(first + static_cast<unsigned>(level), text)) return false;
  }
  return true;
}
