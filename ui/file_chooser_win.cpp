#include "ui/file_chooser_win.h"

#include <cderr.h>
#include <commdlg.h>

#include "app/state_win.h"
#include "app/win_util_win.h"

void ChooseFile(HWND owner) {
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
    if (GetOpenFileNameA(&open))
        SetWindowTextA(PathField, file);
    else if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
        ShowError(owner, "The chosen file's path is too long for the packer to be given it.");
}
