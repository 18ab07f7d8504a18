#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "packer/script.h"

// Before Compress: when any entry that the packer would get names a signed
// program, asks once whether to pack all the same. True when nothing is signed or the user
// said Yes. `style` says how the entries hold their paths, as for a script.
bool MayPackSigned(HWND owner, const std::vector<std::string>& entries, EntryStyle style);
// The same for one file of a single run, whose name ANSI may not spell.
bool MayPackSigned(HWND owner, const std::wstring& file);
