#include "ui/folder_walk.h"

#include <algorithm>

#include "app/ansi_names.h"
#include "ui/batch_list.h"

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    std::wstring path = folder;
    if (path.empty() || path.back() != L'\\') path += L'\\';
    return path += name;
}

bool FolderWalk::FirstVisit(const FolderId& id) {
    if ((seenCount_ + 1) * 2 > seen_.size()) { // at most half full
        std::vector<FolderId> old(seen_.empty() ? 64 : seen_.size() * 2);
        old.swap(seen_);
        seenCount_ = 0;
        for (const FolderId& kept : old)
            if (kept.Known()) FirstVisit(kept);
    }
    const size_t mask = seen_.size() - 1;
    size_t at = size_t(id.low) * 2654435761u & mask; // the id's low bits differ most
    for (; seen_[at].Known(); at = (at + 1) & mask)
        if (seen_[at] == id) return false;
    seen_[at] = id;
    ++seenCount_;
    return true;
}

// A merge sort of the first `count` names by the lister's order: a fraction of
// std::sort's code.
void FolderWalk::Sort(std::vector<const std::wstring*>& names, size_t count) {
    std::vector<const std::wstring*> merged(count);
    for (size_t width = 1; width < count; width *= 2) {
        for (size_t begin = 0; begin < count; begin += 2 * width) {
            const size_t middle = std::min(begin + width, count);
            const size_t end = std::min(middle + width, count);
            for (size_t i = begin, j = middle, k = begin; k < end; ++k)
                merged[k] = j == end || (i < middle && !lister_.Before(*names[j], *names[i]))
                                ? names[i++]
                                : names[j++];
        }
        std::copy(merged.begin(), merged.end(), names.begin());
    }
}

WalkEnd FolderWalk::Visit(const std::wstring& folder, int depth) {
    if (lister_.Stopped()) return WalkEnd::Stopped;
    FolderId id;
    if (!lister_.Identify(folder, id)) return WalkEnd::Done;
    // A file system without ids leaves the loop to the depth bound and the cap.
    if (id.Known() && !FirstVisit(id)) return WalkEnd::Done;
    std::vector<FolderEntry> entries;
    if (!lister_.List(folder, entries)) return WalkEnd::Done;
    // Sorted as pointers into `entries`, which stay where they are.
    std::vector<const std::wstring*> files(entries.size()), folders(entries.size());
    size_t fileCount = 0, folderCount = 0;
    for (const FolderEntry& entry : entries) {
        if (entry.kind == FolderEntry::Folder)
            folders[folderCount++] = &entry.name;
        else if (entry.kind == FolderEntry::File && IsPackableFile(AsciiSketch(entry.name)))
            files[fileCount++] = &entry.name;
    }
    Sort(files, fileCount);
    for (size_t i = 0; i < fileCount; ++i) {
        if (lister_.Stopped()) return WalkEnd::Stopped;
        if (taken_ == MaxWalkedFiles) return WalkEnd::Capped;
        lister_.Take(JoinPath(folder, *files[i]));
        ++taken_;
    }
    if (depth == MaxFolderDepth) return WalkEnd::Done;
    Sort(folders, folderCount);
    for (size_t i = 0; i < folderCount; ++i) {
        const WalkEnd end = Visit(JoinPath(folder, *folders[i]), depth + 1);
        if (end != WalkEnd::Done) return end;
    }
    return WalkEnd::Done;
}

std::wstring WalkCappedText(const std::wstring& folder) {
    static_assert(MaxWalkedFiles == 10000, "the text names the cap");
    return L"Zorvik stopped after 10,000 files in this folder, so the rest were not added:\n\n" +
           folder;
}

std::wstring NoFilesInFolderText(const std::wstring& folder) {
    return L"This folder holds no .exe or .dll:\n\n" + folder;
}
