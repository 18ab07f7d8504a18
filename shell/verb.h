#pragma once
#include <string>

// Explorer's verb for .exe and .dll files, and for folders, which stand for the
// files inside them; the key's name is the menu text.
inline constexpr char ExeVerbKey[] = "exefile\\shell\\Zorvik!";
inline constexpr char DllVerbKey[] = "dllfile\\shell\\Zorvik!";
inline constexpr char FolderVerbKey[] = "Directory\\shell\\Zorvik!";
// Without a selection model Explorer offers a command-line verb for at most 15
// selected files; "Player" keeps it for up to 100, still one start per file.
inline constexpr char SelectionModelValue[] = "MultiSelectModel";
inline constexpr char SelectionModel[] = "Player";
// Where a normal user may write them: Windows merges it into HKEY_CLASSES_ROOT.
inline constexpr char UserClassesKey[] = "Software\\Classes\\";

// The verb's command: the program as it was started, then the file in quotes.
// Explorer replaces %-sequences in it (%1, %L, %*, %D, %~, %2 to %9, ...)
// before it starts the program; a "%" of the program's path is written "%%",
// which Explorer turns back into one.
std::string VerbCommand(const std::string& firstArgument);

// The command is kept in a buffer of this many bytes; a longer one is not
// installed cut.
inline constexpr size_t VerbCommandBuffer = 280;
bool VerbCommandFits(const std::string& command);

std::string VerbTooLongText(const std::string& command);
std::string ProgramNameNotSpellableText();
std::string VerbNotInstalledText(const std::string& key, long error);
