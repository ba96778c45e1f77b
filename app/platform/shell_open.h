// Opening a web page in the user's browser from a program that runs with
// administrator rights: the desktop's own shell starts the browser, so that
// it runs with the rights of the user who is signed in, never with ours.
#pragma once

#include <string>

// Whether `url` is one the program hands on: "http://" or "https://", then
// at most 2,000 printable ASCII characters without blanks or quotes.
bool IsOpenableUrl(const std::wstring& url);

// Asks the desktop's shell (the shell window of Explorer, through its
// automation interface) to open `url`; a process that does not run elevated
// opens it itself when there is no such shell. False when the URL is not
// openable or neither way opened it; an elevated process then opens nothing.
bool OpenUrlAsDesktopUser(const std::wstring& url);
