#include "app/command_tail.h"

#include <cstring>

template <typename Text> static Text TailOf(const Text& commandLine) {
    auto isBlank = [](typename Text::value_type c) { return c == ' ' || c == '\t'; };
    size_t i = 0;
    const size_t n = commandLine.size();
    while (i < n && isBlank(commandLine[i]))
        ++i;
    if (i < n && commandLine[i] == '"') {
        size_t close = commandLine.find('"', i + 1);
        i = close == Text::npos ? n : close + 1;
    } else {
        while (i < n && !isBlank(commandLine[i]))
            ++i;
    }
    while (i < n && isBlank(commandLine[i]))
        ++i;
    return commandLine.substr(i);
}

std::string CommandTail(const std::string& commandLine) {
    return TailOf(commandLine);
}

std::wstring CommandTail(const std::wstring& commandLine) {
    return TailOf(commandLine);
}

std::string HandOffPayloadText(const char* data, size_t size) {
    if (!data) return std::string();
    const void* nul = std::memchr(data, '\0', size);
    return std::string(data, nul ? static_cast<const char*>(nul) - data : size);
}
