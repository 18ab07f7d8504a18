#pragma once
#include <windows.h>

// The shortcut menu, built anew at the cursor so its check mark is current.
void ShowShortcutMenu(HWND owner);

// Runs a shortcut menu command; other ids are ignored.
void RunMenuCommand(HWND owner, WORD id);
