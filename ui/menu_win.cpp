#include "ui/menu_win.h"

#include "app/handles_win.h"
#include "app/state_win.h"
#include "app/texts.h"
#include "app/win_util_win.h"
#include "packer/commands_win.h"
#include "res/resource.h"
#include "shell/verb_win.h"
#include "ui/batch_window_win.h"
#include "ui/folder_chooser_win.h"
#include "ui/results_window_win.h"

namespace {
void AppendOption(HMENU menu, UINT id, bool on, const char* text) {
    AppendMenuA(menu, MF_STRING | (on ? MF_CHECKED : 0), id, text);
}
} // namespace

void ShowShortcutMenu(HWND owner, bool atMenuButton) {
    POINT at;
    UINT align = TPM_BOTTOMALIGN;
    RECT button;
    if (atMenuButton && GetWindowRect(GetDlgItem(owner, IDC_MENU_BUTTON), &button)) {
        at = {button.left, button.bottom};
        align = TPM_TOPALIGN;
    } else {
        GetCursorPos(&at);
    }
    Menu menu(CreatePopupMenu());
    if (!menu.Valid()) return;
    const UINT addCheck = ShellMenuState == 1 ? MF_CHECKED : 0;
    const UINT removeCheck = ShellMenuState == 1 ? 0 : MF_CHECKED;
    // Each item goes on top of the ones before it.
    InsertMenuA(menu.Get(), 0, MF_BYPOSITION | MF_STRING, IDM_ABOUT, "About Me");
    InsertMenuA(menu.Get(), 0, MF_BYPOSITION | MF_STRING, IDM_MORE_APPS, "More Apps");
    InsertMenuA(menu.Get(), 0, MF_BYPOSITION | MF_STRING, IDM_CHOOSE_FOLDER, "Choose Folder...");
    InsertMenuA(menu.Get(), 0, MF_BYPOSITION | MF_STRING, IDM_BATCH, "Do Batch UPXing");
    InsertMenuA(menu.Get(), 0, MF_BYPOSITION | MF_STRING | removeCheck, IDM_REMOVE_VERB,
                "Remove Context Menu Shortcut");
    InsertMenuA(menu.Get(), 0, MF_BYPOSITION | MF_STRING | addCheck, IDM_ADD_VERB,
                "Add Context Menu Shortcut");
    AppendMenuA(menu.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu.Get(), MF_STRING, IDM_TEST_FILE, "Test File");
    AppendMenuA(menu.Get(), MF_STRING, IDM_FILE_INFO, "File Info");
    AppendMenuA(menu.Get(), MF_SEPARATOR, 0, nullptr);
    AppendOption(menu.Get(), IDM_USE_LZMA, ChosenOptions.lzma, "Use LZMA");
    AppendOption(menu.Get(), IDM_KEEP_BACKUP, ChosenOptions.backup, "Keep Backup");
    AppendOption(menu.Get(), IDM_FORCE, ChosenOptions.force, "Force");
    AppendMenuA(menu.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu.Get(), MF_STRING, IDM_SHOW_RESULTS, "Show Results");
    SetForegroundWindow(owner);
    TrackPopupMenu(menu.Get(), align, at.x, at.y, 0, owner, nullptr);
}

void RunMenuCommand(HWND owner, WORD id) {
    switch (id) {
    case IDM_ADD_VERB:
        AddVerbCommand(owner);
        break;
    case IDM_REMOVE_VERB:
        RemoveVerbCommand(owner);
        break;
    case IDM_MORE_APPS:
    case IDM_ABOUT:
        ShellOpen(MakerSiteAddress, nullptr, SW_SHOWNORMAL);
        break;
    case IDM_BATCH:
        OpenBatchWindow();
        break;
    case IDM_CHOOSE_FOLDER: // its files go to the batch as a drop's would
        if (std::optional<std::wstring> folder = ChooseFolder(owner)) OpenBatchWindow({*folder});
        break;
    case IDM_TEST_FILE:
        if (TestCommand(owner)) ShowNewResults(owner);
        break;
    case IDM_FILE_INFO:
        if (InfoCommand(owner)) ShowNewResults(owner);
        break;
    case IDM_USE_LZMA:
        SwitchOption(owner, &PackerOptions::lzma);
        break;
    case IDM_KEEP_BACKUP:
        SwitchOption(owner, &PackerOptions::backup);
        break;
    case IDM_FORCE:
        SwitchOption(owner, &PackerOptions::force);
        break;
    case IDM_SHOW_RESULTS:
        ShowResultsWithFocus(owner);
        break;
    }
}
