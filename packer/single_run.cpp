#include "packer/single_run.h"

#include <cwchar>

unsigned PackerLimit(unsigned processors) {
    return processors < 2 ? 2 : processors;
}

namespace {
// Where the name's last extension starts (its dot), or its end: the packer
// looks for the dot only after the last separator, which it finds byte by byte.
template <typename Char> size_t ExtensionAt(const std::basic_string<Char>& path) {
    size_t name = path.size() >= 2 && path[1] == Char(':') ? 2 : 0;
    for (size_t at = name; at < path.size(); ++at)
        if (path[at] == Char('\\') || path[at] == Char('/')) name = at + 1;
    const size_t dot = path.rfind(Char('.'));
    return dot != path.npos && dot >= name ? dot : path.size();
}

template <typename Char>
std::basic_string<Char> WithEnding(const std::basic_string<Char>& path, size_t kept,
                                   const char* ending) {
    std::basic_string<Char> name(path, 0, kept);
    while (*ending)
        name += Char(*ending++);
    return name;
}

template <typename Char>
std::basic_string<Char> OutputName(const std::basic_string<Char>& path, unsigned attempt) {
    if (attempt >= PackerNameAttempts) return {};
    char ending[] = ".upx";
    if (attempt > 0) { // ".000" to ".998"
        const unsigned number = attempt - 1;
        ending[1] = char('0' + number / 100);
        ending[2] = char('0' + number / 10 % 10);
        ending[3] = char('0' + number % 10);
    }
    return WithEnding(path, ExtensionAt(path), ending);
}

template <typename Char>
std::basic_string<Char> BackupName(const std::basic_string<Char>& path, unsigned attempt) {
    if (attempt > 0) return OutputName(path, attempt);
    const size_t dot = ExtensionAt(path), length = path.size();
    if (dot == length) return WithEnding(path, length, ".~");   // no extension
    if (length - dot < 4) return WithEnding(path, length, "~"); // ".ex" -> ".ex~"
    return WithEnding(path, length - 1, "~");                   // ".exe" -> ".ex~"
}
} // namespace

std::string PackerOutputName(const std::string& path, unsigned attempt) {
    return OutputName(path, attempt);
}
std::string PackerBackupName(const std::string& path, unsigned attempt) {
    return BackupName(path, attempt);
}
std::wstring PackerOutputName(const std::wstring& path, unsigned attempt) {
    return OutputName(path, attempt);
}
std::wstring PackerBackupName(const std::wstring& path, unsigned attempt) {
    return BackupName(path, attempt);
}

std::wstring EnvironmentWithout(const wchar_t* block, const std::wstring& name) {
    auto upper = [](wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - 32) : c; };
    std::wstring kept;
    for (const wchar_t* entry = block; *entry;) {
        const size_t length = std::wcslen(entry) + 1;
        size_t same = 0; // letters of the name that the entry begins with
        while (same < name.size() && upper(entry[same]) == upper(name[same]))
            ++same;
        if (same < name.size() || entry[same] != L'=') kept.append(entry, length);
        entry += length;
    }
    return kept += L'\0'; // the block's end; c_str() adds the NUL an empty block needs too
}

std::wstring HexDigits(const unsigned char* bytes, size_t count) {
    std::wstring hex;
    for (size_t i = 0; i < count; ++i) {
        hex += L"0123456789abcdef"[bytes[i] >> 4];
        hex += L"0123456789abcdef"[bytes[i] & 15];
    }
    return hex;
}

std::wstring StandInName(const std::wstring& file, const unsigned char* random, size_t count) {
    std::wstring name = L"zrv" + HexDigits(random, count);
    const size_t dot = ExtensionAt(file);
    for (size_t at = dot; at < file.size(); ++at)
        if (file[at] <= L' ' || file[at] >= 0x7F) return name;
    return name.append(file, dot, std::wstring::npos);
}

std::string WithoutBackupOption(const std::string& options) {
    std::string kept;
    for (size_t at = 0; at < options.size();) {
        size_t end = options.find(' ', at);
        if (end == std::string::npos) end = options.size();
        if (options.compare(at, end - at, "-k") != 0 && end > at)
            (kept += kept.empty() ? "" : " ").append(options, at, end - at);
        at = end + 1;
    }
    return kept;
}

std::string WithUsersName(std::string message, const std::string& standInStem,
                          const std::string& fileStem) {
    if (standInStem.empty()) return message;
    for (size_t at = message.find(standInStem); at != std::string::npos;
         at = message.find(standInStem, at + fileStem.size()))
        message.replace(at, standInStem.size(), fileStem);
    return message;
}

std::vector<FileMove> StandInMoves(const StandInEnd& end) {
    std::vector<FileMove> moves;
    if (end.outputThere) moves.push_back(FileMove::RemoveOutput);
    if (end.writes && end.succeeded && end.standIn == Held::Output) {
        if (end.keepBackup && end.fileThere) moves.push_back(FileMove::KeepBackup);
        moves.push_back(FileMove::OntoFile);
    } else if (end.standIn != Held::Nothing) {
        moves.push_back(end.fileThere ? FileMove::RemoveStandIn : FileMove::RestoreFile);
    }
    return moves;
}
