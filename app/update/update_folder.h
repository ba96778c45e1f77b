// The folder updates are staged in: only administrators and SYSTEM may write
// it, so what the elevated program downloads, checks and starts there cannot
// be planted, replaced or redirected by a program of the user. The update
// INI and the setup program are downloaded into new files there, checked
// there and started from there; the setup's own temporary files go there too.
//
// The folder is "<common application data>\Tavora\Updates" (TAVORA_UPDATE_FOLDER
// names another for tests). It is made with a descriptor that gives it to
// Administrators and lets only them and SYSTEM in, and it is checked before
// each use: a directory, no link or junction, owned by Administrators, SYSTEM
// or TrustedInstaller, and no entry of its access list lets anyone else write
// into it, delete from it or change it. Its parent is checked the same way.
#pragma once

#include <windows.h>

#include <string>

#include "skin/resources/unique_handle.h"

// Whether `descriptor` keeps what it guards to administrators: an owner of
// Administrators, SYSTEM or TrustedInstaller (or `alsoOwner`, when not
// null), a DACL (a missing or null one lets everyone in), and no entry that
// allows anyone but those (and CREATOR OWNER) to write, append, add, delete
// or change the descriptor or owner. Deny entries only take rights away and
// are passed over; an allow entry of a kind this does not read refuses.
bool KeepsToAdministrators(PSECURITY_DESCRIPTOR descriptor, PSID alsoOwner);

class CUpdateFolder {
 public:
  CUpdateFolder() = default;
  CUpdateFolder(const CUpdateFolder&) = delete;
  CUpdateFolder& operator=(const CUpdateFolder&) = delete;

  // The folder's path as configured (it need not exist).
  static std::wstring ConfiguredPath();

  // Makes the folder (and its parent) where missing, then checks both and
  // holds the folder open, so that it cannot be renamed while held. False,
  // with nothing held, when either is missing, a link, or not kept to
  // administrators.
  bool Open();
  bool IsOpen() const { return static_cast<bool>(folder_); }
  // The folder's path with a trailing backslash; empty when not open.
  const std::wstring& Path() const { return path_; }

  // A path in the folder that no file has: `prefix`, 16 random hexadecimal
  // digits, `suffix`. Empty when not open or no random number came.
  std::wstring NewFilePath(const wchar_t* prefix, const wchar_t* suffix) const;
  // Whether `path` (as a file handle resolves it) names a file right inside
  // the folder.
  bool Contains(const std::wstring& path) const;
  // Deletes the files of earlier checks and updates left behind: names that
  // start with `prefix` and end with `suffix`. A file still in use stays.
  void DeleteLeftovers(const wchar_t* prefix, const wchar_t* suffix) const;

 private:
  UniqueKernelHandle folder_;
  std::wstring path_;
};
