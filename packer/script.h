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
// settings (delayed expansion would eat the "!" of "b!c!d.exe"), also when run
// by hand.
inline constexpr char ScriptStart[] = "@setlocal DisableDelayedExpansion EnableExtensions\r\n";
// The packer takes default options from the UPX variable: a batch runs with
// none but those written.
inline constexpr char ScriptClearUpx[] = "@set \"UPX=\"\r\n";
// cmd decodes each line in the console's code page, which a CodePage value
// under HKCU\Console may set to another than the one the names were written
// in: the script states its own before the packer lines. chcp is no command of
// cmd's own, and cmd looks for such a one in the current folder first, where
// anyone may have left a chcp.bat: it is named by its full path in
// `systemFolder` (System32, in the console's bytes).
std::string CodePageLine(const std::string& systemFolder, unsigned codePage);

// The script's end: PAUSE, so the user reads the packer's output. The script
// does not delete itself: Zorvik deletes it once no console holds it.
inline constexpr char ScriptTail[] = "\r\nPAUSE\r\n";

// The first lines, one packer line per run of entries that fits the line
// limit, then the tail. `encode` writes in `codePage`. `%` is doubled so that
// cmd hands it on as is. `isLead` reads the entries' ANSI text. Each packer
// line carries the options that apply to the kind, but no method option.
// `systemFolder` is System32's ANSI path, for chcp.
Script ComposeScript(ScriptKind kind, const std::string& packerPath,
                     const std::string& systemFolder, const std::vector<std::string>& entries,
                     EntryStyle style, const ConsoleEncoder& encode, unsigned codePage,
                     LeadByteTest isLead, const PackerOptions& options = {});

// True only for bytes laid out exactly as ComposeScript writes them: the
// first lines, packer lines of quoted paths, the tail. Zorvik deletes no
// other file under a sibling name ("runupxcmd-2.bat"), which may be the
// user's own. Scripts of earlier Zorviks, whose chcp line named no folder,
// count too: they are left on users' disks.
bool IsOwnScript(const std::string& bytes);

// cmd's command line for the script `name` in the current folder, whose full
// path is `fullPath`. Nothing for a network folder whose name holds "%": its
// path goes on the command line, where cmd expands %NAME% even in quotes.
std::optional<std::wstring> ScriptCommandLine(const std::wstring& cmd, const std::string& name,
                                              const std::wstring& fullPath);

std::string LeftOutText(const std::vector<LeftOut>& leftOut);
// The current folder's name may hold any character, so these are UTF-16.
std::wstring ScriptNotWrittenText(const std::wstring& fullPath);
std::wstring ScriptFolderRefusedText(const std::wstring& fullPath);
std::wstring ScriptNotStartedText(const std::wstring& fullPath, unsigned long error);
