// Folders dropped on Zorvik, handed to it or chosen: the walk that finds the
// .exe and .dll files inside them, on whatever lists the folders.
#pragma once
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

// One entry of a folder's listing.
struct FolderEntry {
    enum Kind { File, Folder, Link, Unreadable };
    std::wstring name;
    Kind kind;
};

// A folder's volume and file id; all zero when the file system gives none.
struct FolderId {
    unsigned long long volume = 0, high = 0, low = 0;
    bool Known() const { return volume || high || low; }
    bool operator==(const FolderId& other) const {
        return std::memcmp(this, &other, sizeof other) == 0;
    }
};

// What the walk asks of the file system and tells its caller; the unit
// tests answer it from a made-up tree.
class FolderLister {
  public:
    // Every entry of the folder, in any order; false when it cannot be listed.
    virtual bool List(const std::wstring& folder, std::vector<FolderEntry>& entries) = 0;
    // False when the folder's id cannot be read.
    virtual bool Identify(const std::wstring& folder, FolderId& id) = 0;
    // Whether `a` sorts before `b`: by name without regard to case, ordinal.
    virtual bool Before(const std::wstring& a, const std::wstring& b) = 0;
    // A file the batch takes, in the walk's order.
    virtual void Take(const std::wstring& path) = 0;
    virtual bool Stopped() = 0; // the window that asked is gone

  protected:
    ~FolderLister() = default;
};

// Folders this deep below the one dropped are walked; deeper ones are not.
inline constexpr int MaxFolderDepth = 64;
// One drop adds at most this many files from its folders.
inline constexpr size_t MaxWalkedFiles = 10000;

enum class WalkEnd { Done, Capped, Stopped };

// Walks the folders of one drop, in the drop's order: each folder's .exe and
// .dll files sorted by name, then its subfolders in that order, depth first.
// Links are not followed, entries whose attributes cannot be read are
// skipped, and a folder reached a second time (same volume and file id) is
// not walked again, also when another dropped folder holds it.
class FolderWalk {
  public:
    explicit FolderWalk(FolderLister& lister) : lister_(lister) {}
    WalkEnd Walk(const std::wstring& folder) { return Visit(folder, 0); }
    size_t Taken() const { return taken_; }

  private:
    WalkEnd Visit(const std::wstring& folder, int depth);
    bool FirstVisit(const FolderId& id);
    void Sort(std::vector<const std::wstring*>& names, size_t count);
    FolderLister& lister_;
    std::vector<FolderId> seen_; // a hash table, open addressing: unknown ids mark free slots
    size_t seenCount_ = 0;
    size_t taken_ = 0;
};

// "folder\name", also where the folder is a drive's root ("C:\").
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

// Why a walk stopped before the end of `folder`.
std::wstring WalkCappedText(const std::wstring& folder);
// Why a start on `folder` left the prompt in the path field.
std::wstring NoFilesInFolderText(const std::wstring& folder);
