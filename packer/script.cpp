#include "packer/script.h"

#include <cstring>

#include "app/ansi_names.h"
#include "packer/packer_args.h"

const char* ScriptName(ScriptKind kind) {
    return kind == ScriptKind::Pack ? PackScript : UnpackScript;
}

static std::string EscapeForCmd(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '%') out += '%';
    }
    return out;
}

Script ComposeScript(ScriptKind kind, const std::string& packerPath,
                     const std::string& systemFolder, const std::vector<std::string>& entries,
                     EntryStyle style, const ConsoleEncoder& encode, unsigned codePage,
                     LeadByteTest isLead, const PackerOptions& options) {
    Script script;
    // Quoted in the ANSI code page, in which the packer's runtime splits its
    // command line, then written in the console's. "%" is never part of a
    // double-byte character, so it is doubled in the console's bytes.
    std::optional<std::string> packer = encode(QuoteArgument(packerPath, isLead));
    std::optional<std::string> system = encode(systemFolder);
    if (!packer || !system || systemFolder.empty()) return script;
    const bool pack = kind == ScriptKind::Pack;
    const std::string head =
        EscapeForCmd(*packer) + (pack ? "" : " -d") + OptionArguments(options, pack) + " ";
    // Room for a line's text: the limit less its CR LF.
    const size_t room = MaxScriptLine - 2;

    std::string line = head;
    bool lineHasEntry = false;
    for (const std::string& entry : entries) {
        std::string path = style == EntryStyle::Raw ? TakePath(entry) : entry;
        if (path.empty() && style == EntryStyle::Raw) continue; // an empty hand-off names no file
        if (!IsWindowsPathText(path, isLead)) {
            script.leftOut.push_back({entry, LeftOutReason::NotAPath});
            continue;
        }
        std::optional<std::string> bytes = encode(PackerFileArgument(path, isLead));
        if (!bytes) {
            script.leftOut.push_back({entry, LeftOutReason::NotInConsoleCodePage});
            continue;
        }
        std::string part = EscapeForCmd(*bytes) + " ";
        if (head.size() + part.size() > room) {
            script.leftOut.push_back({entry, LeftOutReason::TooLong});
            continue;
        }
        if (lineHasEntry && line.size() + part.size() > room) {
            script.bytes += line + "\r\n";
            line = head;
        }
        line += part;
        lineHasEntry = true;
    }
    script.bytes = ScriptStart + (ScriptClearUpx + CodePageLine(*system, codePage)) + script.bytes +
                   line + ScriptTail;
    return script;
}

std::string CodePageLine(const std::string& systemFolder, unsigned codePage) {
    std::string line = "@\"";
    ((line += EscapeForCmd(systemFolder)) += "\\chcp.com\" ") += std::to_string(codePage);
    return line += " >nul\r\n";
}

// A line as ComposeScript writes it: the quoted packer, its options, then
// quoted paths, each followed by a blank.
static bool IsPackerLine(const std::string& line) {
    static const std::string exe = "\\upx.exe";
    const size_t close = line.find('"', 1);
    if (line.size() + 2 > MaxScriptLine || line.find_first_of("\r\n") != std::string::npos ||
        line.empty() || line[0] != '"' || close == std::string::npos || close < exe.size() ||
        line.compare(close - exe.size(), exe.size(), exe) != 0)
        return false;
    size_t at = close + 1;
    for (const char* option : {" -d", " --lzma", " -k", " --force"})
        if (line.compare(at, std::strlen(option), option) == 0) at += std::strlen(option);
    if (at >= line.size() || line[at++] != ' ') return false;
    while (at < line.size()) {
        const size_t end = line.find('"', at + 1);
        if (line[at] != '"' || end == std::string::npos || end == at + 1 ||
            end + 1 >= line.size() || line[end + 1] != ' ')
            return false;
        at = end + 2;
    }
    return true;
}

// Where the chcp line's code page starts: after "@chcp " (earlier Zorviks), or
// after a quoted path to chcp.com and a blank. 0 for any other line.
static size_t CodePageAt(const std::string& bytes, size_t at) {
    constexpr char plain[] = "@chcp ",
                   chcp[] = "\\chcp.com\" "; // chcp: the path's end, quote, blank
    if (bytes.compare(at, sizeof plain - 1, plain) == 0) return at + sizeof plain - 1;
    const size_t close = bytes.find_first_of("\"\r\n", at + 2);
    if (bytes.compare(at, 2, "@\"") != 0 || close == std::string::npos || close < at + 11 ||
        bytes.compare(close - 9, sizeof chcp - 1, chcp) != 0)
        return 0;
    return close + 2;
}

bool IsOwnScript(const std::string& bytes) {
    const std::string start = std::string(ScriptStart) + ScriptClearUpx, tail = ScriptTail,
                      end = " >nul\r\n";
    if (bytes.size() < start.size() + tail.size() || bytes.compare(0, start.size(), start) != 0 ||
        bytes.compare(bytes.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    size_t at = CodePageAt(bytes, start.size()), digits = 0;
    if (at == 0) return false;
    for (; at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9'; ++at)
        ++digits;
    if (digits == 0 || digits > 5 || bytes.compare(at, end.size(), end) != 0) return false;
    at += end.size();
    const size_t last = bytes.size() - tail.size() + 2; // the packer lines keep their CR LF
    if (at >= last) return false;
    for (size_t next; at < last; at = next + 2) {
        next = bytes.find("\r\n", at);
        if (next >= last || !IsPackerLine(bytes.substr(at, next - at))) return false;
    }
    return true;
}

// cmd runs the script with delayed expansion off whatever the registry says,
// so that a "!" in a network folder's name stays itself.
std::optional<std::wstring> ScriptCommandLine(const std::wstring& cmd, const std::string& name,
                                              const std::wstring& fullPath) {
    const std::wstring start = L"\"" + cmd + L"\" /d /v:off ";
    if (fullPath.compare(0, 2, L"\\\\") != 0) return start + L"/c .\\" + WidenAscii(name);
    if (fullPath.find(L'%') != std::wstring::npos) return std::nullopt;
    return start + L"/s /c \"\"" + fullPath + L"\"\"";
}

static const char* ReasonText(LeftOutReason reason) {
    switch (reason) {
    case LeftOutReason::NotAPath:
        return "not a Windows path";
    case LeftOutReason::TooLong:
        return "too long for a script line";
    case LeftOutReason::NotInConsoleCodePage:
        return "has characters the console cannot show";
    }
    return "";
}

std::string LeftOutText(const std::vector<LeftOut>& leftOut) {
    constexpr size_t shown = 20;
    std::string text = std::to_string(leftOut.size()) +
                       (leftOut.size() == 1 ? " item was" : " items were") +
                       " left out of the script, the packer will not see:\n\n";
    for (size_t i = 0; i < leftOut.size() && i < shown; ++i)
        text += leftOut[i].text + "   (" + ReasonText(leftOut[i].reason) + ")\n";
    if (leftOut.size() > shown)
        text += "... and " + std::to_string(leftOut.size() - shown) + " more.\n";
    return text;
}

std::wstring ScriptNotWrittenText(const std::wstring& fullPath) {
    return L"The batch script could not be written, so the packer was not started:\n\n" + fullPath;
}

std::wstring ScriptFolderRefusedText(const std::wstring& fullPath) {
    return L"The batch script was not started: cmd would read a \"%\" in the name of this network "
           L"folder as part of a variable. Please choose a folder without \"%\" in its name:\n\n" +
           fullPath;
}

std::wstring ScriptNotStartedText(const std::wstring& fullPath, unsigned long error) {
    return L"The batch script could not be started (Windows error " +
           WidenAscii(std::to_string(error)) + L"), so the packer was not started:\n\n" + fullPath;
}
