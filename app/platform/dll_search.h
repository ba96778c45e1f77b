// Where the programs take their DLLs from. They run elevated, and the folder
// of a portable copy, like the current folder, may be writable by programs
// that are not: a DLL of the system must never come from either.
//
// The executables import only kernel32 and msvcrt at process start (known
// DLLs, always the system's); everything else is delay-loaded (the build's
// tavora_system_dlls_only, cmake/dll_loading.cmake) and so loads through the
// search this restricts. Their entry point is one of the two starts below,
// which restrict the search before the C runtime starts, before any static
// constructor and before any other DLL loads. docs/architecture.md says more.
#pragma once

// Restricts the DLL search of this process to the system folder
// (SetDefaultDllDirectories with LOAD_LIBRARY_SEARCH_SYSTEM32), which also
// applies to the DLLs that system DLLs load by name. Windows 7 without
// KB2533623 lacks that call; there it removes the current folder from the
// search (SetDllDirectoryW(L"")), and the program's own folder is still
// searched first. Uses kernel32 only, so it may run before the C runtime.
void RestrictDllSearch();

// A DLL that a program of ours delay-loads could not be loaded from the
// system folder, or lacks the function asked for (`function` null: the DLL
// itself). The calling thread cannot go on, as its call has no answer: the
// program says so once (a message box from the window program, a line on
// standard error from tavora-query) and ends with the code the system's
// loader gives a program whose imports fail at its start
// (STATUS_DLL_NOT_FOUND or STATUS_ENTRYPOINT_NOT_FOUND; tavora-query ends
// with its own failure code, 1). Never returns.
[[noreturn]] void EndForMissingSystemLibrary(const char* dll, const char* function);

// The entry points of the window program and of tavora-query (set by the
// build): the DLL search is restricted first, then the C runtime's own start
// runs as usual. The window program also loads user32 there, as its import
// did before it was delay-loaded: code of ours looks up user32's newer
// functions with GetModuleHandleW.
extern "C" int TavoraWindowsStart();
extern "C" int TavoraConsoleStart();
