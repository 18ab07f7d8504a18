// Process entry: hand the tail over to a running Zorvik, or become it.
#include <windows.h>

#include <cstdio>

#include "app/ansi_name_win.h"
#include "app/ansi_names.h"
#include "app/command_tail.h"
#include "app/single_instance_win.h"
#include "app/state_win.h"
#include "app/texts.h"
#include "app/trace_win.h"
#include "app/win_util_win.h"
#include "packer/script_win.h"
#include "res/resource.h"
#include "shell/verb_win.h"
#include "start/folder_start_win.h"
#include "ui/folder_walk_win.h"
#include "ui/main_window_win.h"

static std::optional<std::string> SpellExactly(const std::wstring& name) {
    return ExactAnsi(name);
}

static bool PackerIsPresent() {
    FILE* packer = std::fopen(Paths.PackerPath.c_str(), "rb");
    if (!packer) return false;
    std::fclose(packer);
    return true;
}

// Returns only when upx.exe lies beside Zorvik and every path fits.
static bool RequirePacker() {
    const std::wstring module = ModuleFileName();
    std::optional<AppPaths> paths = ComputeAppPaths(module, SpellExactly);
    if (!paths) {
        const std::wstring folder = module.substr(0, module.rfind(L'\\'));
        MessageBoxW(nullptr, FolderNotSpellableText(folder).c_str(), ZorvikCaptionW,
                    MB_OK | MB_ICONERROR);
        return false;
    }
    Paths = *paths;
    if (!FitsAnsiPathLimit(Paths)) {
        MessageBoxA(nullptr, FolderTooLongText(Paths).c_str(), ZorvikCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    if (PackerIsPresent()) return true;
    MessageBoxA(nullptr, MissingPackerText().c_str(), "upx.exe not found.",
                MB_OK | MB_ICONINFORMATION);
    ShellOpen(Paths.ProgramFolder, nullptr, SW_SHOWMAXIMIZED);
    ShellOpen(PackerHomeAddress, nullptr, SW_SHOWNORMAL);
    return false;
}

static void ReportNotHandedOver(const std::wstring& tail) {
    // When the packer is missing the starting instance is telling the user so
    // already; one message is enough.
    std::optional<AppPaths> paths = ComputeAppPaths(ModuleFileName(), SpellExactly);
    if (!paths) return;
    Paths = *paths;
    if (!PackerIsPresent()) return;
    ShowError(nullptr, L"Another Zorvik is starting but did not open its window in time, "
                       L"so this file was not handed over to it:\n\n" +
                           tail);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    TraceStep("WinMain entered");
    LoadDllsFromSystem32Only();
    TraceStep("DLL rules set");
    // Read in UTF-16: the ANSI command line would spell an unspellable name as
    // the name of another file.
    const std::wstring wideTail = CommandTail(std::wstring(GetCommandLineW()));
    // A relative name means the file in the folder where it was given, not in
    // the running Zorvik's: it travels, and is kept, as a full path.
    const std::wstring relative = RelativePathIn(wideTail);
    const std::wstring wideFile = relative.empty() ? wideTail : QuotedTail(FullPathName(relative));
    CommandLineText = wideTail;
    CommandLineFile = wideFile;
    // A folder stands for the .exe and .dll files inside it.
    const std::wstring folder = BareName(wideFile);
    const bool onFolder = IsWalkedFolder(folder);
    TraceStep("command line read");
    const StartRole role = onFolder ? ClaimForFolder(folder) : ClaimOrHandOver(wideFile);
    // What was to be handed over: the tail's file, or the folder's first file not handed over.
    const std::wstring& handed = CommandLineFile;
    switch (role) {
    case StartRole::HandedOver:
        return 0;
    case StartRole::Elevated:
        ShowError(nullptr, ElevatedRefusalText(handed));
        return 1;
    case StartRole::NotAnswered:
        if (!handed.empty()) ReportNotHandedOver(handed);
        return 1;
    case StartRole::NotHanded: // a folder without files: its start has told so
        return 1;
    case StartRole::Application:
        break;
    }
    TraceStep("instance check done");
    if (!RequirePacker()) return 0;
    TraceStep("packer check done");
    RestoreShellVerb();
    TraceStep("settings and verb done");
    DeleteLeftScripts();
    ProgramInstance = instance;
    TraceStep("dialog creation called");
    // A window of UTF-16 controls: the path field holds names of any letters.
    return static_cast<int>(
        DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN_WINDOW), nullptr, MainWindowProc, 0));
}
