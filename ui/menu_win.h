#pragma once
#include <windows.h>

// The shortcut menu, built anew so its check mark is current: at the cursor,
// or below the ":)" button of `owner` when opened by keyboard.
void ShowShortcutMenu(HWND owner, bool atMenuButton = false);

// Runs a shortcut menu command; other ids are ignored.
void RunMenuCommand(HWND owner, WORD id);
