#include "packer/advice.h"

namespace {
struct AdviceRow {
    const char* phrase;
    const char* other; // or nullptr
    bool both;         // both phrases, else either
    const char* advice;
};

// First match wins: Control Flow Guard before the rows that ask for --force.
const AdviceRow Rows[] = {
    {".NET files are not yet supported", nullptr, false, ".NET programs cannot be packed."},
    {"GUARD_CF enabled", nullptr, false,
     "It uses Control Flow Guard; Force packs it without that protection."},
    {"Permission denied", "write protected", false,
     "Close any program that uses the file, make sure it is writable, and try again."},
    {"NotCompressibleException", nullptr, false, "Packing would not make it smaller."},
    {"already packed by UPX", nullptr, false, "It is packed already."},
    {"not packed by UPX", nullptr, false, "It is not packed."},
    {"(try --force)", "(use --force", false,
     "Force may pack it anyway; test the packed program afterwards."},
    {"arm64", "not yet supported", true, "Programs for Arm processors cannot be packed."},
    {"file is too small", nullptr, false, "The file is too small to pack."},
    {"newer version of UPX", nullptr, false, "A newer packer is needed."},
};

// Whether `phrase` occurs in `message` with at least one character outside
// the spans that `named` marks ('n', the rest ' ').
bool SaysItself(const std::string& message, const std::string& named, const char* phrase) {
    const size_t size = std::char_traits<char>::length(phrase);
    for (size_t at = message.find(phrase); at != std::string::npos;
         at = message.find(phrase, at + 1, size))
        for (size_t i = at; i < at + size; ++i)
            if (named[i] == ' ') return true;
    return false;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Marks every path the packer prints, with either separator: from a drive
// ("C:\\") or a share ("\\\\") up to the next colon that begins no drive, or
// the line's end, for a name holds no colon. So go the file's name and the
// packer's side files beside it ("C:\\arm64\\app.upx"), in whatever folder.
void MarkFullPaths(const std::string& message, std::string& named) {
    for (size_t at = 0; at + 2 < message.size(); ++at)
        if ((message[at + 1] == ':' && IsSeparator(message[at + 2])) ||
            (IsSeparator(message[at]) && IsSeparator(message[at + 1])))
            for (; at < message.size() && message[at] != '\r' && message[at] != '\n' &&
                   (message[at] != ':' || IsSeparator(message[at + 1]));
                 ++at)
                named[at] = 'n';
}
} // namespace

std::string PackerAdvice(const std::string& message, const std::string& path) {
    std::string named(message.size(), ' ');
    MarkFullPaths(message, named);
    // Marks every place where the message spells the path or a tail of it
    // that starts after a backslash.
    for (size_t from = 0; from < path.size();) {
        const char* tail = path.c_str() + from;
        const size_t size = path.size() - from;
        for (size_t at = message.find(tail, 0, size); at != std::string::npos;
             at = message.find(tail, at + 1, size))
            for (size_t i = at; i < at + size; ++i)
                named[i] = 'n';
        from = path.find('\\', from);
        from = from == std::string::npos ? path.size() : from + 1;
    }
    for (const AdviceRow& row : Rows) {
        const bool first = SaysItself(message, named, row.phrase);
        const bool second = row.other && SaysItself(message, named, row.other);
        if (row.both ? first && second : first || second) return row.advice;
    }
    return std::string();
}
