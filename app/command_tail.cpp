#include "app/command_tail.h"

#include <cstring>

#include "app/ansi_names.h"

template <typename Char> static bool IsBlank(Char c) {
    return c == ' ' || c == '\t';
}

// Where the program name that starts at `i` ends: after its closing quote when
// it is quoted (a missing one runs to the end), else at the first blank.
template <typename Text> static size_t ProgramEnd(const Text& commandLine, size_t i) {
    const size_t n = commandLine.size();
    if (i < n && commandLine[i] == '"') {
        size_t close = commandLine.find('"', i + 1);
        return close == Text::npos ? n : close + 1;
    }
    while (i < n && !IsBlank(commandLine[i]))
        ++i;
    return i;
}

template <typename Text> static Text TailOf(const Text& commandLine) {
    size_t i = 0;
    const size_t n = commandLine.size();
    while (i < n && IsBlank(commandLine[i]))
        ++i;
    i = ProgramEnd(commandLine, i);
    while (i < n && IsBlank(commandLine[i]))
        ++i;
    return commandLine.substr(i);
}

std::string CommandTail(const std::string& commandLine) {
    return TailOf(commandLine);
}

std::wstring CommandTail(const std::wstring& commandLine) {
    return TailOf(commandLine);
}

std::wstring RelativePathIn(const std::wstring& tail) {
    const std::wstring path = BareName(tail);
    if (path.empty() || path.find_first_of(L"\"<>|*?") != std::wstring::npos) return std::wstring();
    for (wchar_t c : path)
        if (c < 0x20) return std::wstring();
    const auto separator = [&path](size_t i) {
        return i < path.size() && (path[i] == L'\\' || path[i] == L'/');
    };
    const bool drive = path.size() >= 2 && path[1] == L':';
    if ((drive && separator(2)) || (separator(0) && separator(1))) return std::wstring();
    return path;
}

std::wstring QuotedTail(const std::wstring& fullPath) {
    return L"\"" + fullPath + L"\" ";
}

std::wstring CommandProgram(const std::wstring& commandLine) {
    const size_t end = ProgramEnd(commandLine, 0);
    if (commandLine.empty() || commandLine[0] != L'"') return commandLine.substr(0, end);
    const bool closed = end >= 2 && commandLine[end - 1] == L'"';
    return commandLine.substr(1, end - 1 - (closed ? 1 : 0));
}

std::string HandOffPayloadText(const char* data, size_t size) {
    if (!data) return std::string();
    const void* nul = std::memchr(data, '\0', size);
    return std::string(data, nul ? static_cast<const char*>(nul) - data : size);
}

std::wstring HandOffPayloadWide(const void* data, size_t size) {
    std::wstring text;
    if (!data) return text;
    // Byte by byte: the buffer need not be aligned, and Windows' UTF-16 is
    // little-endian wherever the tests run.
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (size_t at = 0; at + 2 <= size; at += 2) {
        const wchar_t unit = static_cast<wchar_t>(bytes[at] | bytes[at + 1] << 8);
        if (!unit) break;
        text += unit;
    }
    return text;
}
