#pragma once
#include <windows.h>

#include <optional>
#include <string>

// The system's folder picker over `owner`; nothing when the user cancels it
// or it cannot be shown.
std::optional<std::wstring> ChooseFolder(HWND owner);
