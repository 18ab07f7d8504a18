// Shared by the fuzz targets: a check that stops the run, and the Microsoft C
// runtime's way of splitting a command line into arguments.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

[[noreturn]] inline void Fail(const char* file, int line, const char* what) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}
#define CHECK(cond) ((cond) ? void() : Fail(__FILE__, __LINE__, #cond))

inline std::string Bytes(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// Whether text could be a file's path: more than blanks, no control
// character, and none of the characters that Windows forbids in a name and
// cmd would act on.
inline bool PathLike(const std::string& text) {
    if (text.find_first_not_of(" \t") == std::string::npos) return false;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || std::memchr("\"<>|*?", c, 6)) return false;
    }
    return true;
}

// 2n backslashes and a quote: n backslashes, and the quote toggles quoting;
// 2n+1 backslashes and a quote: n backslashes and a literal quote; other
// backslashes are literal; blanks and tabs outside quotes separate.
inline std::vector<std::string> SplitArguments(const std::string& s) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = s.size();
    for (;;) {
        while (i < n && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        if (i == n) return args;
        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || (s[i] != ' ' && s[i] != '\t'))) {
            size_t slashes = 0;
            for (; i < n && s[i] == '\\'; ++i)
                ++slashes;
            if (i < n && s[i] == '"') {
                arg.append(slashes / 2, '\\');
                if (slashes % 2)
                    arg += '"';
                else
                    quoted = !quoted;
                ++i;
            } else if (slashes) {
                arg.append(slashes, '\\');
            } else {
                arg += s[i++];
            }
        }
        args.push_back(arg);
    }
}
