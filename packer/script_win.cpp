#include "packer/script_win.h"

#include <shellapi.h>

#include <cstdio>
#include <vector>

#include "app/ansi_name_win.h"
#include "app/ansi_names.h"
#include "app/handles_win.h"
#include "app/state_win.h"
#include "app/win_util_win.h"
#include "packer/script_book.h"

namespace {
ScriptBook Book;
// Markers whose console could not be given a copy: the name stays taken for
// as long as this Zorvik runs, since nothing tells when that console ends.
// The system closes them at exit.
std::vector<HANDLE> KeptMarkers;

// cmd reads a script in the console's OEM code page, Zorvik's paths are ANSI:
// re-encode, and refuse a path that the OEM code page cannot spell.
std::optional<std::string> ToConsoleCodePage(const std::string& ansi) {
    return ExactRecode(ansi, CP_ACP, CP_OEMCP);
}

bool WriteWholeFile(const char* name, const std::string& bytes) {
    FILE* file = std::fopen(name, "wb");
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Script names are ASCII; the current folder's may not be.
std::wstring FullPathOf(const char* name) {
    return FullPathName(WidenAscii(name));
}

std::wstring MarkerName(const std::wstring& fullPath) {
    std::wstring upper = fullPath;
    CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
    return WidenAscii(ScriptMarkerName(upper));
}

// True while a console of this or another Zorvik runs the script.
bool ConsoleRuns(const std::wstring& fullPath) {
    KernelHandle marker(OpenEventW(SYNCHRONIZE, FALSE, MarkerName(fullPath).c_str()));
    // Denied: a marker of a Zorvik run as administrator.
    return marker.Valid() || GetLastError() != ERROR_FILE_NOT_FOUND;
}

// Makes the marker of a script name that no console runs, so that no other
// Zorvik takes the name meanwhile; false when the name is taken.
bool ClaimMarker(const std::string& name, KernelHandle& marker) {
    KernelHandle made(
        CreateEventW(nullptr, TRUE, FALSE, MarkerName(FullPathOf(name.c_str())).c_str()));
    if (!made.Valid() || GetLastError() == ERROR_ALREADY_EXISTS) return false;
    *marker.Receive() = made.Release();
    return true;
}

// The console holds a copy of the marker for as long as it runs, also after
// this Zorvik has ended, so the copy goes exactly when the console does.
void HandMarkerTo(HANDLE console, KernelHandle& marker) {
    HANDLE copy = nullptr;
    if (console && DuplicateHandle(GetCurrentProcess(), marker.Get(), console, &copy, 0, FALSE,
                                   DUPLICATE_SAME_ACCESS))
        return;
    // Unless that console has ended already, nothing tells when it does.
    if (!console || WaitForSingleObject(console, 0) != WAIT_OBJECT_0)
        KeptMarkers.push_back(marker.Release());
}

// Has the shell run the script; the console's process when it tells it.
bool StartScript(const std::string& name, HANDLE* console, DWORD* error) {
    static auto shellExecuteEx =
        LateBound<decltype(&ShellExecuteExA)>("shell32.dll", "ShellExecuteExA");
    if (!shellExecuteEx) {
        *error = ERROR_PROC_NOT_FOUND;
        return false;
    }
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "open";
    info.lpFile = name.c_str();
    info.nShow = SW_SHOW;
    if (!shellExecuteEx(&info)) {
        *error = GetLastError();
        return false;
    }
    *console = info.hProcess;
    return true;
}
} // namespace

void WriteAndOpenScript(HWND owner, ScriptKind kind, const std::vector<std::string>& entries,
                        EntryStyle style) {
    Script script =
        ComposeScript(kind, Paths.PackerPath, entries, style, ToConsoleCodePage, IsAnsiLeadByte);
    if (!script.leftOut.empty()) ShowError(owner, LeftOutText(script.leftOut));
    KernelHandle marker;
    std::optional<std::string> name = ClaimScriptName(
        kind, [&marker](const std::string& candidate) { return ClaimMarker(candidate, marker); });
    const std::wstring fullPath = FullPathOf(name ? name->c_str() : ScriptName(kind));
    // A script that is not written now must not run: an older one of the same
    // name would pack files the user did not choose.
    if (!name || script.bytes.empty() || !WriteWholeFile(name->c_str(), script.bytes)) {
        ShowError(owner, ScriptNotWrittenText(fullPath));
        return;
    }
    Book.Wrote(fullPath);
    KernelHandle console;
    DWORD error = 0;
    if (!StartScript(*name, console.Receive(), &error)) {
        ShowError(owner, ScriptNotStartedText(fullPath, error));
        return;
    }
    HandMarkerTo(console.Get(), marker);
}

void DeleteScripts() {
    const std::vector<std::wstring> usualHere = {FullPathOf(PackScript), FullPathOf(UnpackScript)};
    for (const std::wstring& path : Book.TakeDeletable(usualHere, ConsoleRuns))
        DeleteFileW(path.c_str());
}
