#pragma once
#include <windows.h>

// Menu commands: switch Explorer's verb on or off and remember the choice.
void AddVerbCommand(HWND owner);
void RemoveVerbCommand(HWND owner);

// At start: re-applies what zir.cfg says, when there is one.
void RestoreShellVerb();
