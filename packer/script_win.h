#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "packer/script.h"

// Writes the kind's script in the current directory and has the shell run it;
// says so when something was left out or the script could not be written or
// started. While a console runs the kind's usual script, the new one goes to
// a sibling name ("runupxcmd-2.bat").
void WriteAndOpenScript(HWND owner, ScriptKind kind, const std::vector<std::string>& entries,
                        EntryStyle style);

// Deletes both scripts in the current directory and every one this Zorvik
// wrote elsewhere, but none that a console still runs: those delete
// themselves when their console ends. A missing one is fine.
void DeleteScripts();
