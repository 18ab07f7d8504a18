#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "packer/script.h"

// Writes the kind's script in the current directory and has cmd run it in a
// console, which holds the script open against writers until it ends; says so
// when something was left out or the script could not be written or started.
// While a console holds the kind's usual script, or its name is taken by a
// file Zorvik cannot replace, the new one goes to a sibling name
// ("runupxcmd-2.bat").
void WriteAndOpenScript(HWND owner, ScriptKind kind, const std::vector<std::string>& entries,
                        EntryStyle style);

// Deletes both scripts in the current directory and every one this Zorvik
// wrote elsewhere, but none that a console (of any Zorvik) still holds: those
// delete themselves when their console ends. A missing one is fine.
void DeleteScripts();
