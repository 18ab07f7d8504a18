#include "shell/settings.h"

#include <climits>

static bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

const char* SettingsText(bool verbInstalled) {
    return verbInstalled ? SettingsVerbOn : SettingsVerbOff;
}

std::string SettingsFileText(bool verbInstalled, const PackerOptions& options) {
    std::string text = SettingsText(verbInstalled);
    if (!(options == PackerOptions())) (text += "\r\n") += SettingsOptionsKey;
    return text += OptionArguments(options, true);
}

PackerOptions ParseSettingsOptions(const std::string& text) {
    PackerOptions options;
    size_t at = text.find('\n');
    if (at == std::string::npos) return options;
    std::string line = text.substr(at + 1, text.find('\n', at + 1) - at - 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string key = SettingsOptionsKey;
    if (line.compare(0, key.size(), key) == 0)
        ReadOptionArguments(line.substr(key.size()), options);
    return options;
}

int ParseShellMenuState(const std::string& text) {
    static const char pattern[] = "[Shell Menu] :";
    size_t at = 0;
    const size_t n = text.size();
    for (const char* p = pattern; *p; ++p) {
        if (*p == ' ') {
            while (at < n && IsSpace(text[at]))
                ++at;
        } else if (at < n && text[at] == *p) {
            ++at;
        } else {
            return 0;
        }
    }
    while (at < n && IsSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < n && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    if (at >= n || text[at] < '0' || text[at] > '9') return 0;
    // A number too large for an int stays out of range rather than wrapping
    // round to 1 and installing the verb by accident.
    long long value = 0;
    for (; at < n && text[at] >= '0' && text[at] <= '9'; ++at) {
        if (value <= INT_MAX) value = value * 10 + (text[at] - '0');
    }
    if (value > INT_MAX) return negative ? INT_MIN : INT_MAX;
    return static_cast<int>(negative ? -value : value);
}

std::string SettingsNotSavedText(const std::string& settingsPath) {
    return "Zorvik could not save its settings, so the next start will not remember this "
           "choice:\n\n" +
           settingsPath;
}
