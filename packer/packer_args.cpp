#include "packer/packer_args.h"

#include "app/ansi_names.h"
#include "ui/method_table.h"

static bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Blanks and quotes are never the second byte of a double-byte character, so
// this may look at bytes.
std::string TakePath(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    if (end - begin >= 2 && text[begin] == '"' && text[end - 1] == '"') {
        ++begin;
        --end;
    }
    return text.substr(begin, end - begin);
}

bool IsWindowsPathText(const std::string& path, LeadByteTest isLead) {
    if (path.find_first_not_of(" \t") == std::string::npos) return false;
    for (size_t i = 0; i < path.size(); i = CharacterEnd(path, i, isLead)) {
        const unsigned char c = path[i];
        if (c < 0x20 || c == 0x7F || c == '"' || c == '<' || c == '>' || c == '|' || c == '*' ||
            c == '?')
            return false;
    }
    return true;
}

std::string QuoteArgument(const std::string& path, LeadByteTest isLead) {
    // The runtime's splitting reads a double-byte character whole, "\" as its
    // second byte included: only backslashes of their own count.
    size_t trailing = 0;
    for (size_t i = 0; i < path.size(); i = CharacterEnd(path, i, isLead))
        trailing = path[i] == '\\' ? trailing + 1 : 0;
    return '"' + path + std::string(trailing, '\\') + '"';
}

std::string PackerFilePath(const std::string& path) {
    return !path.empty() && path[0] == '-' ? ".\\" + path : path;
}

std::string PackerFileArgument(const std::string& path, LeadByteTest isLead) {
    return QuoteArgument(PackerFilePath(path), isLead);
}

std::optional<std::string> FileParameters(const std::string& command, const std::string& text,
                                          LeadByteTest isLead) {
    std::string path = TakePath(text);
    if (!IsWindowsPathText(path, isLead)) return std::nullopt;
    return command + " " + PackerFileArgument(path, isLead);
}

std::string CompressOptions(int row, const PackerOptions& options) {
    return MethodOption(row) + OptionArguments(options, true);
}

std::string DecompressOptions(const PackerOptions& options) {
    return "-d" + OptionArguments(options, false);
}

std::optional<std::string> CompressParameters(int row, const std::string& fieldText,
                                              LeadByteTest isLead, const PackerOptions& options) {
    return FileParameters(CompressOptions(row, options), fieldText, isLead);
}

std::optional<std::string> DecompressParameters(const std::string& fieldText, LeadByteTest isLead,
                                                const PackerOptions& options) {
    return FileParameters(DecompressOptions(options), fieldText, isLead);
}

std::string NotAPathText(const std::string& fieldText) {
    return "The packer was not started: this is not the path of a file.\n\n" + fieldText;
}
