// Resource numbers of Folivane.exe, shared by the resource script and the code. Plain macros:
// the resource compiler reads this file too.
#pragma once

// The program's icon (an open book) and the pictures of the window.
#define IDI_FOLIVANE_BOOK 1
#define IDI_FOLIVANE_HELP_PICTURE 2
#define IDC_FOLIVANE_POINTING_HAND 3

// Files carried as resources of type "CUSTOM", language 2052: the about page written by a build,
// and the help tools written next to the program at start-up.
#define IDR_FOLIVANE_ABOUT_PAGE 101
#define IDR_FOLIVANE_HHC_EXE 102
#define IDR_FOLIVANE_HHA_DLL 103
#define IDR_FOLIVANE_HH_EXE 104
