#pragma once
#include <string>

// Compares without regard to the case of ASCII letters, as the C runtime's
// _stricmp does in the "C" locale.
inline bool EqualsIgnoringCase(const std::string& a, const char* b) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return i == a.size() && !b[i];
}
