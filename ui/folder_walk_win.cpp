#include "ui/folder_walk_win.h"

#include <cstring>

#include "app/ansi_name_win.h"
#include "app/ansi_names.h"
#include "app/handles_win.h"
#include "app/win_util_win.h"
#include "ui/batch_list.h"
#include "ui/folder_walk.h"

// Everything here may run on a walk's own thread: it calls only what kernel32
// and user32 export, never a late-bound function (see CMakeLists.txt).
namespace {
// The path as the W calls take it whole beyond 259 characters: a drive's path
// or a share's; one that has the prefix already stays as it is.
std::wstring LongForm(const std::wstring& path) {
    if (path.size() > 2 && path[1] == L':') return L"\\\\?\\" + path;
    if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'?' &&
        path[2] != L'.')
        return std::wstring(L"\\\\?\\UNC").append(path, 1);
    return path;
}

// Links (junctions, symbolic links, mount points: name surrogates) lead
// elsewhere; OneDrive's placeholders and Windows' compressed system files are
// reparse points too, and are what they seem. A reparse point without a tag
// (Wine 8 lists a Unix symbolic link so) counts as a link.
FolderEntry::Kind KindOf(DWORD attributes, DWORD reparseTag) {
    if (attributes == INVALID_FILE_ATTRIBUTES) return FolderEntry::Unreadable;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        (reparseTag == 0 || IsReparseTagNameSurrogate(reparseTag)))
        return FolderEntry::Link;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? FolderEntry::Folder : FolderEntry::File;
}

class DiskLister final : public FolderLister {
  public:
    DiskLister(WalkedFiles& found, CRITICAL_SECTION* lock, const std::atomic<bool>* stop)
        : found_(found), lock_(lock), stop_(stop) {}

    bool List(const std::wstring& folder, std::vector<FolderEntry>& entries) override {
        WIN32_FIND_DATAW data;
        HANDLE find =
            FindFirstFileExW(JoinPath(LongForm(folder), L"*").c_str(), FindExInfoBasic, &data,
                             FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (find == INVALID_HANDLE_VALUE) return false;
        do {
            const wchar_t* name = data.cFileName;
            if (wcscmp(name, L".") != 0 && wcscmp(name, L"..") != 0)
                entries.push_back({name, KindOf(data.dwFileAttributes, data.dwReserved0)});
        } while (!Stopped() && FindNextFileW(find, &data));
        FindClose(find);
        return true;
    }

    // Opened as itself, not as what a link would lead to.
    bool Identify(const std::wstring& folder, FolderId& id) override {
        FileHandle handle(CreateFileW(
            LongForm(folder).c_str(), FILE_READ_ATTRIBUTES,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!handle.Valid()) return false;
        unsigned char bytes[16];
        bool wide;
        if (!ReadFileId(handle.Get(), id.volume, bytes, wide)) return false;
        std::memcpy(&id.low, bytes, 8);
        std::memcpy(&id.high, bytes + 8, 8);
        return true;
    }

    bool Before(const std::wstring& a, const std::wstring& b) override {
        return CompareStringOrdinal(a.data(), int(a.size()), b.data(), int(b.size()), TRUE) ==
               CSTR_LESS_THAN;
    }

    void Take(const std::wstring& path) override {
        std::optional<std::string> ansi = ExactAnsi(path);
        if (lock_) EnterCriticalSection(lock_);
        if (ansi)
            found_.taken.push_back(std::move(*ansi));
        else
            found_.notTaken.push_back(path);
        if (lock_) LeaveCriticalSection(lock_);
    }

    bool Stopped() override { return stop_ && *stop_; }

  private:
    WalkedFiles& found_;
    CRITICAL_SECTION* lock_;
    const std::atomic<bool>* stop_;
};

FolderEntry::Kind KindOfPath(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(LongForm(path).c_str());
    DWORD tag = 0;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileExW(LongForm(path).c_str(), FindExInfoBasic, &data,
                                       FindExSearchNameMatch, nullptr, 0);
        if (find == INVALID_HANDLE_VALUE) return FolderEntry::Unreadable;
        FindClose(find);
        tag = data.dwReserved0;
    }
    return KindOf(attributes, tag);
}

// Folders are walked; anything else is a dropped file, kept as such files
// always were, also when it is not there (any more).
void WalkItems(const std::wstring* paths, size_t count, DiskLister& lister, WalkedFiles& found,
               CRITICAL_SECTION* lock) {
    FolderWalk walk(lister);
    for (size_t i = 0; i < count && !lister.Stopped(); ++i) {
        const std::wstring& path = paths[i];
        const std::wstring full = FullPathName(path);
        switch (KindOfPath(full)) {
        case FolderEntry::Folder:
            if (walk.Walk(full) != WalkEnd::Capped) break;
            if (lock) EnterCriticalSection(lock);
            found.cappedIn = full;
            if (lock) LeaveCriticalSection(lock);
            return;
        case FolderEntry::Link: // a link to a folder is not followed
            break;
        default:
            if (IsPackableFile(AsciiSketch(path))) lister.Take(path);
            break;
        }
    }
}
} // namespace

bool IsWalkedFolder(const std::wstring& path) {
    return KindOfPath(FullPathName(path)) == FolderEntry::Folder;
}

void WalkNow(const std::wstring& path, WalkedFiles& found) {
    DiskLister lister(found, nullptr, nullptr);
    WalkItems(&path, 1, lister, found, nullptr);
}

WalkedFiles StartFolder;

void TellLeftOut(HWND owner, const WalkedFiles& found) {
    if (!found.notTaken.empty()) ShowError(owner, NamesNotTakenText(found.notTaken));
    if (!found.cappedIn.empty()) ShowError(owner, WalkCappedText(found.cappedIn));
    if (!found.withoutFiles.empty()) ShowError(owner, NoFilesInFolderText(found.withoutFiles));
}

BackgroundWalk::BackgroundWalk(HWND window, UINT doneMessage, std::vector<std::wstring> paths)
    : window_(window), doneMessage_(doneMessage), paths_(std::move(paths)) {
    static WPARAM serials = 0; // first reached on the window thread, as every walk starts there
    serial_ = ++serials;
    InitializeCriticalSection(&lock_);
}

BackgroundWalk::~BackgroundWalk() {
    DeleteCriticalSection(&lock_);
}

BackgroundWalk* BackgroundWalk::Start(HWND window, UINT doneMessage,
                                      std::vector<std::wstring> paths) {
    BackgroundWalk* walk = new BackgroundWalk(window, doneMessage, std::move(paths));
    KernelHandle thread(CreateThread(nullptr, 0, Run, walk, 0, nullptr));
    if (!thread.Valid()) { // walked here, then: slower, but nothing is lost
        Run(walk);
    }
    return walk;
}

DWORD WINAPI BackgroundWalk::Run(void* self) {
    BackgroundWalk* walk = static_cast<BackgroundWalk*>(self);
    DiskLister lister(walk->found_, &walk->lock_, &walk->stop_);
    WalkItems(walk->paths_.data(), walk->paths_.size(), lister, walk->found_, &walk->lock_);
    // A window closed meanwhile gets nothing; its handle may be another's by now.
    if (!walk->stop_) PostMessageW(walk->window_, walk->doneMessage_, walk->serial_, 0);
    walk->Release();
    return 0;
}

bool BackgroundWalk::MoveTaken(std::vector<std::string>& batch) {
    EnterCriticalSection(&lock_);
    const bool any = !found_.taken.empty();
    for (std::string& name : found_.taken)
        batch.push_back(std::move(name));
    found_.taken.clear();
    LeaveCriticalSection(&lock_);
    return any;
}

void BackgroundWalk::Finish(HWND owner) {
    TellLeftOut(owner, found_); // the thread has ended its work
    Release();
}

void BackgroundWalk::Stop() {
    stop_ = true;
    Release();
}

void BackgroundWalk::Release() {
    if (--holders_ == 0) delete this;
}
