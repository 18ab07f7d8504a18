// SplitPathPart and IsPackableFile on any dropped path.
#include "fuzz_check.h"
#include "ui/batch_list.h"

// `part` is the last non-empty piece of `whole` between `separator`s: `whole`
// is some text ending in a separator (or nothing), `part`, then separators.
static bool IsLastPart(const std::string& whole, const std::string& part, char separator) {
    size_t end = whole.size();
    while (end > 0 && whole[end - 1] == separator)
        --end;
    if (part.empty()) return end == 0;
    if (part.find(separator) != std::string::npos || part.size() > end) return false;
    const size_t begin = end - part.size();
    return whole.compare(begin, part.size(), part) == 0 &&
           (begin == 0 || whole[begin - 1] == separator);
}

static bool IsExtension(const std::string& ext, const char* lower) {
    if (ext.size() != 3) return false;
    for (size_t i = 0; i < 3; ++i) {
        if ((ext[i] | 0x20) != lower[i]) return false;
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = Bytes(data, size);
    const std::string name = SplitPathPart(path, true);
    const std::string extension = SplitPathPart(path, false);
    CHECK(IsLastPart(path, name, '\\'));
    CHECK(IsLastPart(name, extension, '.'));
    CHECK(IsPackableFile(path) == (IsExtension(extension, "exe") || IsExtension(extension, "dll")));
    return 0;
}
