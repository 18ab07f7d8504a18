#include "ui/menu_win.h"

#include "app/handles_win.h"
#include "app/state_win.h"
#include "app/texts.h"
#include "app/win_util_win.h"
#include "res/resource.h"
#include "shell/verb_win.h"
#include "ui/batch_window_win.h"

void ShowShortcutMenu(HWND owner) {
    POINT cursor;
    GetCursorPos(&cursor);
    Menu menu(CreatePopupMenu());
    if (!menu.Valid()) return;
    const UINT addCheck = ShellMenuState == 1 ? MF_CHECKED : 0;
    const UINT removeCheck = ShellMenuState == 1 ? 0 : MF_CHECKED;
    // Each item goes on top of the ones before it.
    InsertMenuA(menu.Get(), 0, MF_BYPOSITION | MF_STRING, IDM_ABOUT, "About Me");
    InsertMenuA(menu.Get(), 0, MF_BYPOSITION | MF_STRING, IDM_MORE_APPS, "More Apps");
    InsertMenuA(menu.Get(), 0, MF_BYPOSITION | MF_STRING, IDM_BATCH, "Do Batch UPXing");
    InsertMenuA(menu.Get(), 0, MF_BYPOSITION | MF_STRING | removeCheck, IDM_REMOVE_VERB,
                "Remove Context Menu Shortcut");
    InsertMenuA(menu.Get(), 0, MF_BYPOSITION | MF_STRING | addCheck, IDM_ADD_VERB,
                "Add Context Menu Shortcut");
    SetForegroundWindow(owner);
    TrackPopupMenu(menu.Get(), TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, owner, nullptr);
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
    }
}
