// Folder-first loader for skin documents and images. A skin resource is named
// by a small id and a type word ("xml", "png"): the file "<id>.<type>" in the
// skin folder wins when there is one and it can be read; otherwise the
// resource of that id and type embedded in the program is used.
#pragma once

#include <string>

// The process-wide skin folder. Empty means: embedded resources only.
class BkSkinFolder {
 public:
  static BkSkinFolder& Instance();
  const std::wstring& Path() const { return path_; }
  void SetPath(const std::wstring& path) { path_ = path; }

 private:
  BkSkinFolder() = default;
  std::wstring path_;
};

// Files larger than this are treated as unreadable (the embedded resource is
// used instead); skin documents and images are a few kilobytes.
constexpr unsigned long long kMaxSkinFileBytes = 64ull * 1024 * 1024;

// Stores the skin folder path. Start-up sets it once, before anything loads.
void SetSkinFolder(const std::wstring& path);

// Fills `bytes` with the raw content of resource `id` of type `type`
// (unchanged: no decoding, byte-order marks kept); bytes.c_str() is the data
// followed by a zero byte. Looks in the skin folder first (unless
// EmbeddedSkinResourcesOnly holds); a missing, empty, oversized or unreadable
// file falls back to the embedded resource. Returns false and leaves `bytes`
// empty when neither exists.
bool LoadSkinResource(unsigned id, std::string& bytes, const wchar_t* type);

// The embedded-resource step alone: resource `id` (low 16 bits) of the
// program's own module, type name matched without regard to case.
bool LoadModuleResource(unsigned id, std::string& bytes, const wchar_t* type);

// Where LoadSkinResource found a document or image.
enum class SkinSource { Folder, Module };
// LoadSkinResource, telling where the bytes came from.
bool LoadSkinResource(unsigned id, std::string& bytes, const wchar_t* type, SkinSource& source);
// The resource from `source` only: what belongs with an image read from the
// skin folder comes from the folder too, never from the program.
bool LoadSkinResourceFrom(SkinSource source, unsigned id, std::string& bytes, const wchar_t* type);

// While one lives, LoadSkinResource on this thread passes the skin folder by
// and reads the embedded resources only.
class EmbeddedSkinResourcesOnly {
 public:
  EmbeddedSkinResourcesOnly();
  ~EmbeddedSkinResourcesOnly();
  EmbeddedSkinResourcesOnly(const EmbeddedSkinResourcesOnly&) = delete;
  EmbeddedSkinResourcesOnly& operator=(const EmbeddedSkinResourcesOnly&) = delete;

  // Whether one lives on this thread.
  static bool Active();
};

// Runs `load`, which reads through LoadSkinResource; when it fails while a
// skin folder is in use, runs it once more with the embedded resources only,
// so that a broken copy in the folder never costs the program a document it
// carries itself. Returns what the last run returned.
template <typename Load>
bool LoadFolderFirst(Load&& load) {
  if (load()) return true;
  if (BkSkinFolder::Instance().Path().empty() || EmbeddedSkinResourcesOnly::Active()) return false;
  const EmbeddedSkinResourcesOnly embedded;
  return load();
}
