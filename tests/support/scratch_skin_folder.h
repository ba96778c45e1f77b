// A scratch skin folder for one test: documents written into it by number
// ("<id>.xml") are found by the loader before the embedded resources. The
// loader goes back to embedded resources only when the folder goes away.
#pragma once

#include <string>

class ScratchSkinFolder {
 public:
  explicit ScratchSkinFolder(const std::string& name);
  ~ScratchSkinFolder();
  ScratchSkinFolder(const ScratchSkinFolder&) = delete;
  ScratchSkinFolder& operator=(const ScratchSkinFolder&) = delete;

  // Writes document `id` ("<id>.xml"); false when the file cannot be written.
  bool Write(unsigned id, const std::string& text) const;
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};
