// Dropped items walked on disk: folders for the .exe and .dll files inside
// them, files kept as a drop of files always kept them.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

// What a walk found, in the drop's order.
struct WalkedFiles {
    std::vector<std::string> taken;     // for the batch, in ANSI
    std::vector<std::wstring> notTaken; // names the ANSI code page cannot spell
    std::wstring cappedIn;              // the folder where the cap stopped the walk
    std::wstring withoutFiles;          // a start's folder that holds none
};

// A start on a folder, for the main window: the tails of the folder's files
// after the first, for the hand-off list (taken), and what the walk left out.
extern WalkedFiles StartFolder;

// Whether the path names a folder that is no link: the one kind of dropped
// item that is walked.
bool IsWalkedFolder(const std::wstring& path);

// Walks one item here and now, into `found`; for a start, which has no window yet.
void WalkNow(const std::wstring& path, WalkedFiles& found);

// Tells the user which names were left out, where the cap stopped the walk,
// and which folder held no files.
void TellLeftOut(HWND owner, const WalkedFiles& found);

// A walk on a thread of its own, for one window, which it tells when it ends by
// posting `doneMessage` with its serial number as wParam. The window reads
// what it found meanwhile, and ends its hold with Finish or Stop.
class BackgroundWalk {
  public:
    static BackgroundWalk* Start(HWND window, UINT doneMessage, std::vector<std::wstring> paths);
    WPARAM Serial() const { return serial_; }
    // Moves the names found so far to the end of `batch`; true when there were any.
    bool MoveTaken(std::vector<std::string>& batch);
    // Once it has ended: tells the window's user what it left out; the window's hold ends.
    void Finish(HWND owner);
    // The window's hold ends and the walk stops at its next entry.
    void Stop();

  private:
    BackgroundWalk(HWND window, UINT doneMessage, std::vector<std::wstring> paths);
    ~BackgroundWalk();
    static DWORD WINAPI Run(void* walk);
    void Release();

    HWND window_;
    UINT doneMessage_;
    WPARAM serial_;
    std::vector<std::wstring> paths_;
    std::atomic<bool> stop_{false};
    std::atomic<int> holders_{2}; // the window and the thread
    CRITICAL_SECTION lock_;
    WalkedFiles found_; // under lock_
};
