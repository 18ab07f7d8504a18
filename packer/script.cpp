#include "packer/script.h"

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
                     const std::vector<std::string>& entries, EntryStyle style,
                     const ConsoleEncoder& encode, LeadByteTest isLead,
                     const PackerOptions& options) {
    Script script;
    // Quoted in the ANSI code page, in which the packer's runtime splits its
    // command line, then written in the console's. "%" is never part of a
    // double-byte character, so it is doubled in the console's bytes.
    std::optional<std::string> packer = encode(QuoteArgument(packerPath, isLead));
    if (!packer) return script;
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
    script.bytes = ScriptStart + script.bytes + line + ScriptTail;
    return script;
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

std::wstring ScriptNotStartedText(const std::wstring& fullPath, unsigned long error) {
    return L"The batch script could not be started (Windows error " +
           WidenAscii(std::to_string(error)) + L"), so the packer was not started:\n\n" + fullPath;
}
