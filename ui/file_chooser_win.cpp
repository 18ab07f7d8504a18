#include "ui/file_chooser_win.h"

#include <cderr.h>
#include <commdlg.h>

#include "app/state_win.h"
#include "app/win_util_win.h"

void ChooseFile(HWND owner) {
    static auto getOpenFileName =
        LateBound<decltype(&GetOpenFileNameA)>("comdlg32.dll", "GetOpenFileNameA");
    static auto extendedError =
        LateBound<decltype(&CommDlgExtendedError)>("comdlg32.dll", "CommDlgExtendedError");
    if (!getOpenFileName || !extendedError) {
        ShowError(owner, "The file chooser is not available: comdlg32.dll could not be loaded.");
        return;
    }
    static const char filter[] = "Executable/DLL Files \0*.exe;*.dll\0";
    char file[MAX_PATH] = "";
    OPENFILENAMEA open = {};
    open.lStructSize = OPENFILENAME_SIZE_VERSION_400A; // 76 bytes
    open.hwndOwner = owner;
    open.lpstrFilter = filter;
    open.lpstrFile = file;
    open.nMaxFile = MAX_PATH;
    // No OFN_NOCHANGEDIR: the scripts then go beside the chosen file.
    open.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (getOpenFileName(&open))
        SetWindowTextA(PathField, file);
    else if (extendedError() == FNERR_BUFFERTOOSMALL)
        ShowError(owner, "The chosen file's path is too long for the packer to be given it.");
}
