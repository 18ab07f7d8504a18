#include "packer/script_book.h"

#include <algorithm>
#include <cstdint>

std::string ScriptFileName(ScriptKind kind, int number) {
    const std::string usual = ScriptName(kind);
    if (number <= 1) return usual;
    return usual.substr(0, usual.size() - 4) + "-" + std::to_string(number) + ".bat";
}

std::optional<std::string> ClaimScriptName(ScriptKind kind,
                                           const std::function<bool(const std::string&)>& claim) {
    for (int number = 1; number <= ScriptNamesPerKind; ++number) {
        std::string name = ScriptFileName(kind, number);
        if (claim(name)) return name;
    }
    return std::nullopt;
}

std::string ScriptMarkerName(const std::wstring& upperPath) {
    // FNV-1a over the UTF-16 units: object names are short, paths are not.
    uint64_t hash = 14695981039346656037ull;
    for (wchar_t unit : upperPath) {
        hash ^= static_cast<uint16_t>(unit);
        hash *= 1099511628211ull;
    }
    std::string name = "Local\\Zorvik.Script.";
    for (int shift = 60; shift >= 0; shift -= 4)
        name += "0123456789abcdef"[(hash >> shift) & 15];
    return name;
}

void ScriptBook::Wrote(const std::wstring& path) {
    if (std::find(written_.begin(), written_.end(), path) == written_.end())
        written_.push_back(path);
}

std::vector<std::wstring>
ScriptBook::TakeDeletable(const std::vector<std::wstring>& usualHere,
                          const std::function<bool(const std::wstring&)>& running) {
    std::vector<std::wstring> candidates = usualHere, deletable, stillRunning;
    candidates.insert(candidates.end(), written_.begin(), written_.end());
    for (const std::wstring& path : candidates) {
        if (std::find(deletable.begin(), deletable.end(), path) != deletable.end() ||
            std::find(stillRunning.begin(), stillRunning.end(), path) != stillRunning.end())
            continue;
        (running(path) ? stillRunning : deletable).push_back(path);
    }
    // Written scripts that still run stay for a later close.
    written_.erase(std::remove_if(written_.begin(), written_.end(),
                                  [&](const std::wstring& path) {
                                      return std::find(deletable.begin(), deletable.end(), path) !=
                                             deletable.end();
                                  }),
                   written_.end());
    return deletable;
}
