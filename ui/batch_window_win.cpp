// The batch window: a drop target that lists the collected files and runs
// the packer over all of them through a script.
#include "ui/batch_window_win.h"

#include <climits>

#include "app/state_win.h"
#include "app/win_util_win.h"
#include "packer/script_win.h"
#include "packer/signed_files_win.h"
#include "res/resource.h"
#include "ui/batch_list.h"
#include "ui/folder_walk_win.h"
#include "ui/keyboard_win.h"

namespace {
// Posted by a window's walk when it has ended, with its serial number.
constexpr UINT WalkDone = WM_APP + 1;
// Posted while found entries wait to be shown.
constexpr UINT ShowMore = WM_APP + 2;
// While a walk runs, what it found so far is shown every half second.
constexpr UINT_PTR ShowFoundTimer = 1;
constexpr UINT ShowFoundMilliseconds = 500;

// Each batch window's walk, and the drops that wait for it, one walk at a time
// so that drops keep their order.
struct Drops {
    BackgroundWalk* walk = nullptr;
    std::vector<std::vector<std::wstring>> waiting;
    size_t shown = 0; // entries of the batch that the text lists
    WORD pending = 0; // Compress or Decompress, pressed while a walk still ran
};

Drops& DropsOf(HWND window) {
    return *reinterpret_cast<Drops*>(GetWindowLongPtrA(window, DWLP_USER));
}

void ShowBatchList(HWND window) {
    SetWindowTextA(GetDlgItem(window, IDC_BATCH_TEXT), BatchListText(BatchList).c_str());
    DropsOf(window).shown = BatchList.size();
}

// The entries added since (the batch only grows), and the new count line: the
// text is not laid out anew. At most 250 at a time, the rest posted, so that
// both windows answer meanwhile: under Wine 10,000 lines took a second, and
// 1,000 about 90 ms.
void ShowAdded(HWND window) {
    Drops& drops = DropsOf(window);
    HWND text = GetDlgItem(window, IDC_BATCH_TEXT);
    std::string added;
    for (size_t slice = 0; drops.shown < BatchList.size() && slice < 250; ++slice)
        (added += BatchList[drops.shown++]) += "\r\n";
    SendMessageA(text, EM_SETSEL, INT_MAX, INT_MAX); // past the end: at the end
    SendMessageA(text, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
    SendMessageA(text, EM_SETSEL, 0, SendMessageA(text, EM_LINELENGTH, 0, 0));
    const std::string count = BatchCountLine(drops.shown);
    SendMessageA(text, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(count.c_str()));
    if (drops.shown < BatchList.size()) PostMessageA(window, ShowMore, 0, 0);
}

void WalkNextDrop(HWND window) {
    Drops& drops = DropsOf(window);
    if (drops.walk || drops.waiting.empty()) return;
    drops.walk = BackgroundWalk::Start(window, WalkDone, std::move(drops.waiting.front()));
    drops.waiting.erase(drops.waiting.begin());
    SetTimer(window, ShowFoundTimer, ShowFoundMilliseconds, nullptr);
}

void AddDrop(HWND window, std::vector<std::wstring> paths) {
    if (paths.empty()) return;
    DropsOf(window).waiting.push_back(std::move(paths));
    WalkNextDrop(window);
}

void OnShowFoundTimer(HWND window) {
    Drops& drops = DropsOf(window);
    if (drops.walk && drops.walk->MoveTaken(BatchList)) ShowAdded(window);
}

void OnCommand(HWND window, WORD id);

void OnWalkDone(HWND window, WPARAM serial) {
    Drops& drops = DropsOf(window);
    if (!drops.walk || drops.walk->Serial() != serial) return;
    KillTimer(window, ShowFoundTimer);
    BackgroundWalk* walk = drops.walk;
    drops.walk = nullptr;
    walk->MoveTaken(BatchList);
    ShowAdded(window);
    walk->Finish(window); // the next drop waits for the user's OK
    WalkNextDrop(window);
    if (const WORD id = drops.pending; id && !drops.walk) {
        drops.pending = 0;
        OnCommand(window, id);
    }
}

void OnInitDialog(HWND window, const std::vector<std::wstring>* dropped) {
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(new Drops));
    // Entries are added to the text, which would otherwise stop at 32,767 characters.
    SendDlgItemMessageA(window, IDC_BATCH_TEXT, EM_SETLIMITTEXT, 0, 0);
    ShowBatchList(window);
    FilterDialogKeys();
    // Tab follows the screen: from the list down to the buttons.
    SetWindowPos(GetDlgItem(window, IDC_BATCH_TEXT), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (dropped) AddDrop(window, *dropped);
}

// Closing the window stops its walk, and the drops that wait are dropped.
void StopWalk(HWND window) {
    Drops& drops = DropsOf(window);
    if (drops.walk) drops.walk->Stop();
    drops.walk = nullptr;
    drops.waiting.clear();
    KillTimer(window, ShowFoundTimer);
}

void OnClose(HWND window) {
    StopWalk(window);
    DeleteScripts();
    EndDialog(window, 0);
    SetForegroundWindow(MainWindow);
}

void OnCommand(HWND window, WORD id) {
    const bool pack = id == IDC_BATCH_COMPRESS;
    switch (id) {
    case IDC_BATCH_COMPRESS:
    case IDC_BATCH_DECOMPRESS:
        // Dropped files are found on the walk's thread: a command waits for them all.
        if (DropsOf(window).walk)
            DropsOf(window).pending = id;
        else if (!pack || MayPackSigned(window, BatchList, EntryStyle::Quoted))
            WriteAndOpenScript(window, pack ? ScriptKind::Pack : ScriptKind::Unpack, BatchList,
                               EntryStyle::Quoted);
        break;
    case IDC_BATCH_CLOSE:
        SendMessageA(window, WM_CLOSE, 0, 0);
        break;
    }
}

INT_PTR CALLBACK BatchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(window, reinterpret_cast<const std::vector<std::wstring>*>(lParam));
        break;
    case WM_DROPFILES: // shown in the window the drop landed on, which is open
        AddDrop(window, DroppedPaths(reinterpret_cast<HDROP>(wParam)));
        break;
    case WM_TIMER:
        if (wParam == ShowFoundTimer) OnShowFoundTimer(window);
        break;
    case WalkDone:
        OnWalkDone(window, wParam);
        break;
    case ShowMore:
        ShowAdded(window);
        break;
    case WM_DESTROY:
        StopWalk(window);
        delete &DropsOf(window);
        break;
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        break;
    case WM_CLOSE:
        OnClose(window);
        break;
    }
    return FALSE;
}
} // namespace

std::vector<std::wstring> DroppedPaths(HDROP drop) {
    static auto dragQueryFile =
        LateBound<decltype(&DragQueryFileW)>("shell32.dll", "DragQueryFileW");
    static auto dragFinish = LateBound<decltype(&DragFinish)>("shell32.dll", "DragFinish");
    std::vector<std::wstring> paths;
    if (!dragQueryFile || !dragFinish) return paths;
    const UINT count = dragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // Asked for its length first, so a long path is taken whole.
        const UINT length = dragQueryFile(drop, i, nullptr, 0);
        if (length == 0) continue;
        std::wstring path(length + 1, L'\0');
        path.resize(dragQueryFile(drop, i, &path[0], length + 1));
        paths.push_back(std::move(path));
    }
    dragFinish(drop);
    return paths;
}

bool IsBatchWindow(HWND window) {
    return GetWindowLongPtrA(window, DWLP_DLGPROC) == reinterpret_cast<LONG_PTR>(BatchWindowProc);
}

void OpenBatchWindow(const std::vector<std::wstring>& dropped) {
    DialogBoxParamA(ProgramInstance, MAKEINTRESOURCEA(IDD_BATCH_WINDOW), nullptr, BatchWindowProc,
                    reinterpret_cast<LPARAM>(&dropped));
}
