#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "packer/script.h"

// Writes the kind's script in the current directory and has cmd run it in a
// console, which holds the script open against writers, renamers and deleters
// until it ends; first deletes the scripts of ended consoles. Says so
// when something was left out or the script could not be written or started.
// While a console holds the kind's usual script, or its name is taken by a
// file Zorvik cannot replace, the new one goes to a sibling name
// ("runupxcmd-2.bat").
void WriteAndOpenScript(HWND owner, ScriptKind kind, const std::vector<std::string>& entries,
                        EntryStyle style);

// Deletes both scripts in the current directory, every one this Zorvik wrote
// elsewhere and the sibling scripts ("runupxcmd-2.bat") of the current
// directory that a Zorvik wrote, but none that a console (of any Zorvik)
// still holds: a later batch or close takes those. A missing one is fine.
void DeleteScripts();

// At start: the sibling scripts of the current directory that a Zorvik wrote
// and no console holds any more.
void DeleteLeftScripts();
