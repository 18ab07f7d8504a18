#include "packer/packer_args.h"

#include "ui/method_table.h"

static bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

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

bool IsWindowsPathText(const std::string& path) {
    if (path.find_first_not_of(" \t") == std::string::npos) return false;
    for (unsigned char c : path) {
        if (c < 0x20 || c == 0x7F || c == '"' || c == '<' || c == '>' || c == '|' || c == '*' ||
            c == '?')
            return false;
    }
    return true;
}

std::string QuoteArgument(const std::string& path) {
    size_t trailing = 0;
    while (trailing < path.size() && path[path.size() - 1 - trailing] == '\\')
        ++trailing;
    return '"' + path + std::string(trailing, '\\') + '"';
}

std::string PackerFilePath(const std::string& path) {
    return !path.empty() && path[0] == '-' ? ".\\" + path : path;
}

std::string PackerFileArgument(const std::string& path) {
    return QuoteArgument(PackerFilePath(path));
}

static std::optional<std::string> WithPath(const std::string& option, const std::string& text) {
    std::string path = TakePath(text);
    if (!IsWindowsPathText(path)) return std::nullopt;
    return option + " " + PackerFileArgument(path);
}

std::optional<std::string> CompressParameters(int row, const std::string& fieldText) {
    return WithPath(MethodOption(row), fieldText);
}

std::optional<std::string> DecompressParameters(const std::string& fieldText) {
    return WithPath("-d", fieldText);
}

std::string NotAPathText(const std::string& fieldText) {
    return "The packer was not started: this is not the path of a file.\n\n" + fieldText;
}
