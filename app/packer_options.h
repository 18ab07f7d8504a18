// The packer options that the shortcut menu switches on and off. Each goes
// into every packer call it applies to; with all of them off the calls are
// as they always were.
#pragma once
#include <string>

struct PackerOptions {
    bool lzma = false;   // --lzma: Compress only
    bool backup = false; // -k: Compress and Decompress
    bool force = false;  // --force: Compress only
    bool operator==(const PackerOptions& other) const {
        return lzma == other.lzma && backup == other.backup && force == other.force;
    }
};

// The packer arguments of the options that are on, in a fixed order and each
// led by a blank: for Compress every option, for Decompress the backup only.
std::string OptionArguments(const PackerOptions& options, bool compress);

// Reads words as OptionArguments writes them; nothing for an unknown word.
bool ReadOptionArguments(const std::string& words, PackerOptions& options);
