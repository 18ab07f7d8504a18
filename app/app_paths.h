#pragma once
#include <functional>
#include <optional>
#include <string>

// Longest path, terminator included, that the ANSI Windows calls Zorvik makes
// can take.
inline constexpr size_t MaxAnsiPath = 260;

struct AppPaths {
    std::string ProgramFolder; // without a trailing backslash
    std::string PackerPath;    // ProgramFolder\upx.exe
    std::string SettingsPath;  // ProgramFolder\zir.cfg
};

// A UTF-16 name in the ANSI code page exactly, or nothing when it cannot be.
using AnsiSpeller = std::function<std::optional<std::string>(const std::wstring&)>;

// The paths beside the executable, or nothing when the folder's name cannot
// be spelled in ANSI: the packer would then be looked for in another folder.
// The executable's own name does not matter here.
std::optional<AppPaths> ComputeAppPaths(const std::wstring& moduleFileName,
                                        const AnsiSpeller& spell);

// False when a path is too long for the ANSI calls: then Zorvik refuses to
// start rather than cut the path into the name of another file.
bool FitsAnsiPathLimit(const AppPaths& paths);

std::string MissingPackerText();
std::string FolderTooLongText(const AppPaths& paths);
