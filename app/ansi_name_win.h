// The one door through which names enter Zorvik's ANSI world.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

// `name` in the code page exactly, or nothing when that code page cannot
// spell every character of it (see app/ansi_names.h).
std::optional<std::string> ExactAnsi(const std::wstring& name, UINT codePage = CP_ACP);

// Text of a code page (the ANSI one unless told) as UTF-16: the way back that
// proves a name, and the way into the W calls for any 8-bit text.
std::wstring WideFromAnsi(const std::string& text, UINT codePage = CP_ACP);
