// Libraries from the system folder only. The program runs from wherever it was unpacked
// (Downloads, a USB stick, a shared folder), and Windows looks for a DLL that is not on its list
// of known DLLs in the exe's folder first: one lying there would run inside the program, and
// with it inside every desktop's mouse input.
#pragma once

#include <windows.h>

#include <string>

// Takes the exe's folder and the current folder out of every later search, also of the searches
// the system's own libraries make on the program's behalf (themes, the About box, the tray).
// Called first in WinMain, before anything can load a library.
void restrictLibrarySearch();

// The system folder (C:\Windows\system32); empty when it cannot be found out.
std::wstring systemFolder();

// The function `name` of `library` as loaded from the system folder and nowhere else; null, with
// a debug line, when either is missing there: the feature that needs it does without.
FARPROC systemLibraryFunction(const wchar_t* library, const char* name);

template <typename Function>
Function systemLibraryFunction(const wchar_t* library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(systemLibraryFunction(library, name)));
}
