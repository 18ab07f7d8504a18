#include "packer/script_book.h"

#include <algorithm>

std::string ScriptFileName(ScriptKind kind, int number) {
    const std::string usual = ScriptName(kind);
    if (number <= 1) return usual;
    return usual.substr(0, usual.size() - 4) + "-" + std::to_string(number) + ".bat";
}

bool IsSiblingScriptName(const std::string& name) {
    for (int number = 2; number <= ScriptNamesPerKind; ++number)
        if (name == ScriptFileName(ScriptKind::Pack, number) ||
            name == ScriptFileName(ScriptKind::Unpack, number))
            return true;
    return false;
}

std::optional<std::string> ClaimScriptName(ScriptKind kind,
                                           const std::function<bool(const std::string&)>& claim) {
    for (int number = 1; number <= ScriptNamesPerKind; ++number) {
        std::string name = ScriptFileName(kind, number);
        if (claim(name)) return name;
    }
    return std::nullopt;
}

void ScriptBook::Wrote(const std::wstring& path) {
    if (std::find(written_.begin(), written_.end(), path) == written_.end())
        written_.push_back(path);
}

void ScriptBook::DeleteUnused(const std::vector<std::wstring>& usualHere,
                              const Deleter& deleteUnlessUsed) {
    std::vector<std::wstring> candidates = usualHere, tried, kept;
    candidates.insert(candidates.end(), written_.begin(), written_.end());
    for (size_t i = 0; i < candidates.size(); ++i) {
        const std::wstring& path = candidates[i];
        if (std::find(tried.begin(), tried.end(), path) != tried.end()) continue;
        tried.push_back(path);
        if (!deleteUnlessUsed(path, i < usualHere.size()) &&
            std::find(written_.begin(), written_.end(), path) != written_.end())
            kept.push_back(path);
    }
    written_ = kept;
}
