#include "app/packer_options.h"

namespace {
struct OptionWord {
    const char* argument;
    bool PackerOptions::*flag;
    bool forDecompress;
};
const OptionWord Words[] = {{"--lzma", &PackerOptions::lzma, false},
                            {"-k", &PackerOptions::backup, true},
                            {"--force", &PackerOptions::force, false}};
} // namespace

std::string OptionArguments(const PackerOptions& options, bool compress) {
    std::string text;
    for (const OptionWord& word : Words)
        if (options.*word.flag && (compress || word.forDecompress)) (text += ' ') += word.argument;
    return text;
}

bool ReadOptionArguments(const std::string& words, PackerOptions& options) {
    PackerOptions read;
    for (size_t at = 0; at < words.size();) {
        if (words[at] == ' ') {
            ++at;
            continue;
        }
        size_t end = words.find(' ', at);
        if (end == std::string::npos) end = words.size();
        const std::string word = words.substr(at, end - at);
        bool known = false;
        for (const OptionWord& option : Words)
            if (word == option.argument) known = read.*option.flag = true;
        if (!known) return false;
        at = end;
    }
    options = read;
    return true;
}
