// Where the running program lives: its file and its folder, whatever the
// length of the path.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The full path of the file `module` was loaded from (null: the program);
// "" when it cannot be read. The first attempt uses a buffer of
// `firstBufferLength` characters; a longer path is read again into a larger
// one, up to the longest path the system knows.
std::wstring ModuleFilePath(HMODULE module, size_t firstBufferLength = MAX_PATH);

// The full path of the running program's file; "" when it cannot be read.
std::wstring ProgramFilePath();

// The folder part of `path`, up to and with its last '\' or '/'; "" when the
// path has no folder part.
std::wstring FolderOfPath(std::wstring_view path);

// The running program's folder, with a trailing backslash; "" when unknown.
std::wstring ProgramFolderPath();

// The path of what `handle` (a file or folder) has open, every link and
// junction on the way resolved, in the form other calls and the shell take
// ("C:\...", "\\server\..."); "" when it cannot be read or is MAX_PATH
// characters or longer.
std::wstring FinalPathOfHandle(HANDLE handle);
