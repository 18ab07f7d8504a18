#pragma once
#include <string>
#include <vector>

// The last backslash-separated part of a path (wantName), or the last
// dot-separated part of that name. Runs of separators count as one; a part
// that does not exist comes back empty.
std::string SplitPathPart(std::string path, bool wantName);

// Whether a dropped path is collected: its extension is exe or dll, in any case.
bool IsPackableFile(const std::string& path);

// "Total N Files In Batch.", without its line end.
std::string BatchCountLine(size_t count);

// "Total N Files In Batch." and one line per entry, each ending in CR LF.
std::string BatchListText(const std::vector<std::string>& batch);
