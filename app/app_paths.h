#pragma once
#include <string>

// Longest path, terminator included, that the ANSI Windows calls Zorvik makes
// can take.
inline constexpr size_t MaxAnsiPath = 260;

struct AppPaths {
    std::string ProgramFolder; // without a trailing backslash
    std::string PackerPath;    // ProgramFolder\upx.exe
    std::string SettingsPath;  // ProgramFolder\zir.cfg
};

AppPaths ComputeAppPaths(const std::string& moduleFileName);

// False when a path is too long for the ANSI calls: then Zorvik refuses to
// start rather than cut the path into the name of another file.
bool FitsAnsiPathLimit(const AppPaths& paths);

std::string MissingPackerText();
std::string FolderTooLongText(const AppPaths& paths);
