#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/ansi_names.h"
#include "app/packer_options.h"

enum class ScriptKind { Pack, Unpack };

// Dropped files are bare paths; handed-over entries are command-line tails,
// whose path is taken out of the text first.
enum class EntryStyle { Quoted, Raw };

inline constexpr char PackScript[] = "runupxcmd.bat";
inline constexpr char UnpackScript[] = "derunupxcmd.bat";
const char* ScriptName(ScriptKind kind);

// cmd reads at most this many characters of a script line, CR LF included.
inline constexpr size_t MaxScriptLine = 8191;

// Turns Zorvik's ANSI text into the bytes that cmd will read it as, or
// nothing when that cannot be done without changing a character.
using ConsoleEncoder = std::function<std::optional<std::string>(const std::string&)>;

enum class LeftOutReason { NotAPath, TooLong, NotInConsoleCodePage };
struct LeftOut {
    std::string text;
    LeftOutReason reason;
};

struct Script {
    std::string bytes; // empty when the packer's own path cannot be written
    std::vector<LeftOut> leftOut;
};

// The script's first line fixes how cmd reads the rest, whatever the user's
// settings (delayed expansion would eat the "!" of "b!c!d.exe", and the
// self-deletion's %~f0 needs extensions), also when run by hand.
inline constexpr char ScriptStart[] = "@setlocal DisableDelayedExpansion EnableExtensions\r\n";

// The script's end: PAUSE, so the user reads the packer's output; then the
// script deletes itself, silently, and ends cmd before it would read on in a
// file that is gone ("The batch file cannot be found."). No line end follows.
inline constexpr char ScriptTail[] = "\r\nPAUSE\r\n@del \"%~f0\" & exit";

// The first line, one packer line per run of entries that fits the line limit,
// then the tail. `%` is doubled so that cmd hands it on as is. `isLead` reads
// the entries' ANSI text. Each packer line carries the options that apply to
// the kind, but no method option.
Script ComposeScript(ScriptKind kind, const std::string& packerPath,
                     const std::vector<std::string>& entries, EntryStyle style,
                     const ConsoleEncoder& encode, LeadByteTest isLead,
                     const PackerOptions& options = {});

std::string LeftOutText(const std::vector<LeftOut>& leftOut);
// The current folder's name may hold any character, so these are UTF-16.
std::wstring ScriptNotWrittenText(const std::wstring& fullPath);
std::wstring ScriptNotStartedText(const std::wstring& fullPath, unsigned long error);
