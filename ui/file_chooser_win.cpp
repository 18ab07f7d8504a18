#include "ui/file_chooser_win.h"

#include <cderr.h>
#include <commdlg.h>

#include "app/state_win.h"
#include "app/win_util_win.h"

void ChooseFile(HWND owner) {
    static auto getOpenFileName =
        LateBound<decltype(&GetOpenFileNameW)>("comdlg32.dll", "GetOpenFileNameW");
    static auto extendedError =
        LateBound<decltype(&CommDlgExtendedError)>("comdlg32.dll", "CommDlgExtendedError");
    if (!getOpenFileName || !extendedError) {
        ShowError(owner, "The file chooser is not available: comdlg32.dll could not be loaded.");
        return;
    }
    InitialiseComForShell();
    static const wchar_t filter[] = L"Executable/DLL Files \0*.exe;*.dll\0";
    wchar_t file[MAX_PATH] = L"";
    OPENFILENAMEW open = {};
    open.lStructSize = OPENFILENAME_SIZE_VERSION_400W; // 76 bytes
    open.hwndOwner = owner;
    open.lpstrFilter = filter;
    open.lpstrFile = file;
    open.nMaxFile = MAX_PATH;
    // No OFN_NOCHANGEDIR: the scripts then go beside the chosen file.
    open.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (getOpenFileName(&open)) {
        SetWindowTextW(PathField, file); // in UTF-16: a single run takes any name
    } else if (extendedError() == FNERR_BUFFERTOOSMALL) {
        ShowError(owner, "The chosen file's path is too long for the packer to be given it.");
    }
}
