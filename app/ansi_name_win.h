// The one door through which names enter Zorvik's ANSI world.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

// `name` in the code page exactly, or nothing when that code page cannot
// spell every character of it (see app/ansi_names.h).
std::optional<std::string> ExactAnsi(const std::wstring& name, UINT codePage = CP_ACP);

// ANSI text as UTF-16, for messages that name a file next to one that could
// not be taken.
std::wstring WideFromAnsi(const std::string& text, UINT codePage = CP_ACP);
