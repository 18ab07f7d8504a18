#include "app/command_tail.h"

#include <cstring>

static bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string CommandTail(const std::string& commandLine) {
    size_t i = 0;
    const size_t n = commandLine.size();
    while (i < n && IsBlank(commandLine[i]))
        ++i;
    if (i < n && commandLine[i] == '"') {
        size_t close = commandLine.find('"', i + 1);
        i = close == std::string::npos ? n : close + 1;
    } else {
        while (i < n && !IsBlank(commandLine[i]))
            ++i;
    }
    while (i < n && IsBlank(commandLine[i]))
        ++i;
    return commandLine.substr(i);
}

std::string HandOffPayloadText(const char* data, size_t size) {
    if (!data) return std::string();
    const void* nul = std::memchr(data, '\0', size);
    return std::string(data, nul ? static_cast<const char*>(nul) - data : size);
}
