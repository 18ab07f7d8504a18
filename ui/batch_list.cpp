#include "ui/batch_list.h"

#include "app/ascii.h"

// The last non-empty part of `text` between `separator`s.
static std::string LastPart(const std::string& text, char separator) {
    size_t end = text.find_last_not_of(separator);
    if (end == std::string::npos) return std::string();
    size_t begin = text.find_last_of(separator, end);
    begin = begin == std::string::npos ? 0 : begin + 1;
    return text.substr(begin, end + 1 - begin);
}

std::string SplitPathPart(std::string path, bool wantName) {
    std::string name = LastPart(path, '\\');
    return wantName ? name : LastPart(name, '.');
}

bool IsPackableFile(const std::string& path) {
    std::string extension = SplitPathPart(path, false);
    return EqualsIgnoringCase(extension, "exe") || EqualsIgnoringCase(extension, "dll");
}

std::string BatchCountLine(size_t count) {
    return "Total " + std::to_string(static_cast<long>(count)) + " Files In Batch.";
}

std::string BatchListText(const std::vector<std::string>& batch) {
    size_t size = 32;
    for (const std::string& entry : batch)
        size += entry.size() + 2;
    std::string text;
    text.reserve(size);
    text += BatchCountLine(batch.size()) + "\r\n";
    for (const std::string& entry : batch) {
        text += entry;
        text += "\r\n";
    }
    return text;
}
