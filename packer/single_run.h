// Portable rules of single-file runs: how many packers run at once, the names
// of the files the packer makes beside the one it works on, and the
// environment it is given.
#pragma once
#include <string>
#include <vector>

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

// A file whose path the ANSI code page cannot spell reaches the packer as a
// stand-in beside it: a hard link or a copy named "zrv", the random bytes in
// hex and the file's extension where that is plain ASCII (and so spelt alike
// in every code page).
std::wstring StandInName(const std::wstring& file, const unsigned char* random, size_t count);
std::wstring HexDigits(const unsigned char* bytes, size_t count);

// The options without "-k": for a stand-in Zorvik keeps the backup itself.
std::string WithoutBackupOption(const std::string& options);

// The packer's message, with each name it printed for the stand-in's stem (the
// stand-in, its .upx) spelt with the user's file's path without its extension.
std::string WithUsersName(std::string message, const std::string& standInStem,
                          const std::string& fileStem);

// What a name holds when a stand-in run ends.
enum class Held { Nothing, Original, Output };
struct StandInEnd {
    bool writes = false;    // Compress or Decompress
    bool succeeded = false; // the packer ended with 0 and was not stopped
    bool keepBackup = false;
    bool fileThere = true; // the user's file still has its name
    Held standIn = Held::Nothing;
    bool outputThere = false; // the packer's output name holds what this run made
};
// The user's file gets the packer's result in one move, and only after a
// success, with Keep Backup only once its backup has the original bytes; all
// else the run made goes. A stand-in is never the last name of its bytes: it
// takes the user's name again when that is gone.
enum class FileMove { RemoveOutput, KeepBackup, OntoFile, RestoreFile, RemoveStandIn };
std::vector<FileMove> StandInMoves(const StandInEnd& end);
