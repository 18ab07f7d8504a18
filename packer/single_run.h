// Portable rules of single-file runs: how many packers run at once, the names
// of the files the packer makes beside the one it works on, and the
// environment it is given.
#pragma once
#include <string>

// One packer for each logical processor, and never fewer than two.
unsigned PackerLimit(unsigned processors);

// The names the packer makes beside `path`, as it builds them from the name it
// was given: its output `app.upx` (for app.exe) and, with Keep Backup, the
// backup `app.ex~`. When a name is taken it tries `app.000` to `app.998` in
// turn. Attempt 0 is the first choice, 1 to 999 the numbered ones.
// The packer works on the ANSI bytes it receives, and so does the narrow form:
// after a drive prefix ("C:") it splits at every byte "\" or "/", a double-byte
// character's second byte among them, and nowhere else (":" included). The wide
// form applies the same rule to a name the packer never sees.
inline constexpr unsigned PackerNameAttempts = 1000;
std::string PackerOutputName(const std::string& path, unsigned attempt);
std::string PackerBackupName(const std::string& path, unsigned attempt);
std::wstring PackerOutputName(const std::wstring& path, unsigned attempt);
std::wstring PackerBackupName(const std::wstring& path, unsigned attempt);

// An environment block (each "NAME=value" ending in a NUL, the block in one
// more) without the variable `name`, whatever its letter case; all else kept.
std::wstring EnvironmentWithout(const wchar_t* block, const std::wstring& name);
