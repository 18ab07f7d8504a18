#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "packer/script.h"

// Writes the kind's script in the current directory and has the shell run it;
// says so when something was left out or the script could not be written.
void WriteAndOpenScript(HWND owner, ScriptKind kind, const std::vector<std::string>& entries,
                        EntryStyle style);

// Deletes both scripts in the current directory; a missing one is fine.
void DeleteScripts();
