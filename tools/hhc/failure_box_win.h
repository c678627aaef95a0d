// A compile failure shown where the user is. The window starts hhc.exe hidden, so nobody reads
// its standard error; such a run shows its failure in a message box. Run from a console, or
// with its output redirected, it writes to standard error only.
#pragma once

#include <windows.h>

#include <string>

// True when this process's standard error reaches nobody: there is none at all, or the process
// was started hidden, without handles of its starter, and with no console window the user sees.
bool IsStandardErrorUnseen();

// A message box with no owner (the window that started us belongs to another process), a
// single OK button and no icon. `on_cbt`, when given, is installed as this thread's WH_CBT hook
// while the box is open (hha.dll skins the box from it). Returns when the user has closed it.
void ShowFailureBox(const std::string& text_utf8, HOOKPROC on_cbt = nullptr);
