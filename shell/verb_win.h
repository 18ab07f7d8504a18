#pragma once
#include <windows.h>

#include "app/packer_options.h"

// Menu commands: switch Explorer's verb on or off and remember the choice.
void AddVerbCommand(HWND owner);
void RemoveVerbCommand(HWND owner);

// Menu command: turns a packer option on or off and remembers it, beside the
// verb's state as zir.cfg has it.
void SwitchOption(HWND owner, bool PackerOptions::*option);

// At start: re-applies what zir.cfg says, when there is one, and takes the
// packer options from it.
void RestoreShellVerb();
