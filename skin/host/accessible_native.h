// Names for native children of a host window. A native child (an edit box,
// the skinned list) has no label of its own: its label is drawn by the host's
// element tree. The child asks its parent with AccessibleNameQueryMessage();
// the host answers from its tree, and the child hands assistive technology
// its standard object under that name.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The registered message a native child sends its parent: wParam the child,
// lParam a std::wstring* the parent fills (the same process only).
UINT AccessibleNameQueryMessage();

// The name the parent of `child` gives it; empty when it gives none.
std::wstring AskAccessibleName(HWND child);

// The parent's answer: calls `nameOf` for the child in wParam and stores the
// result in lParam's string. Answers 1 when a name was given, else 0.
LRESULT AnswerAccessibleNameQuery(WPARAM wParam, LPARAM lParam, const std::function<std::wstring(HWND)>& nameOf);

// WM_GETOBJECT for a native child whose parent names it: the window's
// standard client object with that name and with `role` (0: the standard
// object's role; ROLE_SYSTEM_TEXT also gives the window's text as value).
// False (the message goes on to the class's procedure) for other objects or
// when the parent gives no name.
bool AnswerNamedClientObject(HWND child, WPARAM wParam, LPARAM lParam, long role, LRESULT& result);
