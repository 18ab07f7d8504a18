// The batch window: a drop target that lists the collected files and runs
// the packer over all of them through a script.
#include "ui/batch_window_win.h"

#include "app/ansi_name_win.h"
#include "app/ansi_names.h"
#include "app/state_win.h"
#include "app/win_util_win.h"
#include "packer/script_win.h"
#include "packer/signed_files_win.h"
#include "res/resource.h"
#include "ui/batch_list.h"
#include "ui/keyboard_win.h"

namespace {
void ShowBatchList(HWND window) {
    SetWindowTextA(GetDlgItem(window, IDC_BATCH_TEXT), BatchListText(BatchList).c_str());
}

void OnClose(HWND window) {
    DeleteScripts();
    EndDialog(window, 0);
    SetForegroundWindow(MainWindow);
}

void OnCommand(HWND window, WORD id) {
    switch (id) {
    case IDC_BATCH_COMPRESS:
        if (MayPackSigned(window, BatchList, EntryStyle::Quoted))
            WriteAndOpenScript(window, ScriptKind::Pack, BatchList, EntryStyle::Quoted);
        break;
    case IDC_BATCH_DECOMPRESS:
        WriteAndOpenScript(window, ScriptKind::Unpack, BatchList, EntryStyle::Quoted);
        break;
    case IDC_BATCH_CLOSE:
        SendMessageA(window, WM_CLOSE, 0, 0);
        break;
    }
}

INT_PTR CALLBACK BatchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        ShowBatchList(window);
        FilterDialogKeys();
        // Tab follows the screen: from the list down to the buttons.
        SetWindowPos(GetDlgItem(window, IDC_BATCH_TEXT), HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        break;
    case WM_DROPFILES:
        CollectDroppedFiles(window, reinterpret_cast<HDROP>(wParam));
        ShowBatchList(window); // the window the drop landed on, which is open
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

void CollectDroppedFiles(HWND owner, HDROP drop) {
    static auto dragQueryFile =
        LateBound<decltype(&DragQueryFileW)>("shell32.dll", "DragQueryFileW");
    static auto dragFinish = LateBound<decltype(&DragFinish)>("shell32.dll", "DragFinish");
    if (!dragQueryFile || !dragFinish) return;
    std::vector<std::wstring> notTaken;
    const UINT count = dragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // Asked for its length first, so a long path is taken whole.
        const UINT length = dragQueryFile(drop, i, nullptr, 0);
        if (length == 0) continue;
        std::wstring path(length + 1, L'\0');
        path.resize(dragQueryFile(drop, i, &path[0], length + 1));
        if (!IsPackableFile(AsciiSketch(path))) continue;
        if (std::optional<std::string> ansi = ExactAnsi(path))
            BatchList.push_back(*ansi);
        else
            notTaken.push_back(path);
    }
    dragFinish(drop);
    if (!notTaken.empty()) ShowError(owner, NamesNotTakenText(notTaken));
}

bool IsBatchWindow(HWND window) {
    return GetWindowLongPtrA(window, DWLP_DLGPROC) == reinterpret_cast<LONG_PTR>(BatchWindowProc);
}

void OpenBatchWindow() {
    DialogBoxParamA(ProgramInstance, MAKEINTRESOURCEA(IDD_BATCH_WINDOW), nullptr, BatchWindowProc,
                    0);
}
