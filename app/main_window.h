// Form1, the main window: the book name, the import and build buttons, the chapter file list
// and the help picture, with the handlers that connect them to the rest of the program.
#pragma once

#include <windows.h>

#include <string>

namespace app {

// Registers the window class (kFormClassName). Returns false if it could not be registered.
bool RegisterForm1Class(HINSTANCE instance);

// Creates Form1 hidden, with all its controls, and runs its load handler. The caller shows it.
HWND CreateForm1(HINSTANCE instance);

// The two halves of CreateForm1: the window with its controls, and the load handler (the
// file list's first path, then the deployment of the help tools).
HWND CreateForm1Window(HINSTANCE instance);
void Form1Load(HWND form);
// The unload handler, run when the window is closed, before it is destroyed.
void Form1Unload(HWND form);

// The chapter folder: the path the file list shows.
std::wstring GetChapterFolder(HWND form);
// Gives the file list a new path and lists that folder's chapter files.
void SetChapterFolder(HWND form, const std::wstring& folder);

}  // namespace app
