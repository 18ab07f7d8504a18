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

// Text of a code page as UTF-16, or nothing when its bytes are no text of that
// code page: where they are not, Windows would read them as other letters.
std::optional<std::wstring> ExactWide(const std::string& text, UINT codePage = CP_ACP);

// Text of one code page in another, exactly: nothing when it is not valid in
// the first or the second cannot spell it. Batch scripts go so from the ANSI
// code page into the console's OEM one, which may be UTF-8 (65001) as well.
std::optional<std::string> ExactRecode(const std::string& text, UINT from, UINT to);

// The ANSI code page's lead bytes, for the path checks (app/ansi_names.h).
bool IsAnsiLeadByte(unsigned char byte);
