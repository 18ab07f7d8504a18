// One sentence of advice for the failures users meet most, in plain words.
#pragma once
#include <string>

// The advice for the packer's message about a failure, or nothing. Only the
// packer's own words count: a phrase that lies wholly inside a spelling of
// `path` (the file's full path or any tail of it, as the packer may name it)
// is the file's name, not the reason; so is any path the packer prints, with
// either separator.
std::string PackerAdvice(const std::string& message, const std::string& path);
