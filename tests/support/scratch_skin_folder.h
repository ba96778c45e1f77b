// A scratch skin folder for one test: documents written into it by number
// ("<id>.xml") are found by the loader before the embedded resources. The
// loader goes back to embedded resources only when the folder goes away.
#pragma once

#include <cstddef>
#include <string>

class ScratchSkinFolder {
 public:
  explicit ScratchSkinFolder(const std::string& name);
  // A copy of `program` in a scratch folder with the skin folder "res\zelka"
  // beside it, as the program looks for one.
  ScratchSkinFolder(const std::string& name, const std::wstring& program);
  ~ScratchSkinFolder();
  ScratchSkinFolder(const ScratchSkinFolder&) = delete;
  ScratchSkinFolder& operator=(const ScratchSkinFolder&) = delete;

  // Writes document `id` ("<id>.xml"); false when the file cannot be written.
  bool Write(unsigned id, const std::string& text) const;
  // Writes documents first .. first + levels - 1, each padded with a comment
  // to `bytes`: every one but the last holds `fanOut` dialog files naming the
  // next, the last a text. Loaded whole, the last is made fanOut^(levels-1)
  // times.
  bool WriteIncludeFan(unsigned first, int levels, int fanOut, size_t bytes) const;
  const std::wstring& Path() const { return path_; }
  // The program's copy (empty for a folder of documents only).
  const std::wstring& Program() const { return program_; }

 private:
  std::wstring path_;
  std::wstring program_;
};
