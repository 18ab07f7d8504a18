#include "ui/folder_chooser_win.h"

#include <shobjidl.h>

#include "app/win_util_win.h"

namespace {
// Spelled here rather than linked from libuuid, for the two that are used.
const CLSID FileOpenDialogClass = {
    0xdc1c5a9c, 0xe88a, 0x4dde, {0xa5, 0xa1, 0x60, 0xf8, 0x2a, 0x20, 0xae, 0xf7}};
const IID FileOpenDialogInterface = {
    0xd57c7288, 0xd4ad, 0x4768, {0xbe, 0x02, 0x9d, 0x96, 0x95, 0x32, 0xd9, 0x60}};

std::optional<std::wstring> PickedFolder(IFileOpenDialog* dialog, HWND owner,
                                         decltype(&CoTaskMemFree) freeText) {
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    // Folders on disk only: a library or a phone has no path to walk.
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
    IShellItem* item = nullptr;
    if (FAILED(dialog->Show(owner)) || FAILED(dialog->GetResult(&item))) return std::nullopt;
    wchar_t* path = nullptr;
    const HRESULT named = item->GetDisplayName(SIGDN_FILESYSPATH, &path);
    item->Release();
    if (FAILED(named)) return std::nullopt;
    std::wstring folder(path);
    freeText(path);
    return folder;
}
} // namespace

std::optional<std::wstring> ChooseFolder(HWND owner) {
    // ole32 from System32, when it is first needed, as the other DLLs a few runs need.
    static auto create = LateBound<decltype(&CoCreateInstance)>("ole32.dll", "CoCreateInstance");
    static auto freeText = LateBound<decltype(&CoTaskMemFree)>("ole32.dll", "CoTaskMemFree");
    InitialiseComForShell();
    IFileOpenDialog* dialog = nullptr;
    if (!create || !freeText ||
        FAILED(create(FileOpenDialogClass, nullptr, CLSCTX_INPROC_SERVER, FileOpenDialogInterface,
                      reinterpret_cast<void**>(&dialog)))) {
        ShowError(owner, "The folder picker is not available on this system.");
        return std::nullopt;
    }
    std::optional<std::wstring> folder = PickedFolder(dialog, owner, freeText);
    dialog->Release();
    return folder;
}
