#include "packer/script_win.h"

#include <vector>

#include "app/ansi_name_win.h"
#include "app/ansi_names.h"
#include "app/handles_win.h"
#include "app/state_win.h"
#include "app/win_util_win.h"
#include "packer/script_book.h"

namespace {
ScriptBook Book;

// cmd reads a script in the console's OEM code page, Zorvik's paths are ANSI:
// re-encode, and refuse a path that the OEM code page cannot spell.
std::optional<std::string> ToConsoleCodePage(const std::string& ansi) {
    return ExactRecode(ansi, CP_ACP, CP_OEMCP);
}

// Script names are ASCII; the current folder's may not be.
std::wstring FullPathOf(const char* name) {
    return FullPathName(WidenAscii(name));
}

// Deletes a plain file that nobody holds open: the exclusive open fails while
// a console holds its script, under any spelling of its folder. A folder, a
// link, a read-only file or one held open stays. True when the name is free.
bool DeleteUnlessUsed(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.Valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
    BY_HANDLE_FILE_INFORMATION info;
    FILE_DISPOSITION_INFO dispose = {TRUE};
    return GetFileInformationByHandle(file.Get(), &info) && info.nNumberOfLinks == 1 &&
           !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) &&
           SetFileInformationByHandle(file.Get(), FileDispositionInfo, &dispose, sizeof dispose);
}

// Creates the script anew under `name` and writes it; then holds it open for
// reading with read and delete sharing only, so that from now on nobody can
// open it for writing. What it holds is read back: a writer that came in
// between the two opens makes the name unusable. False: take the next name.
bool WriteFreshScript(const std::string& name, const std::string& bytes, FileHandle& held) {
    const std::wstring path = WidenAscii(name);
    if (!DeleteUnlessUsed(path)) return false;
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    Book.Wrote(FullPathOf(name.c_str())); // Zorvik's own: deleted at a close, also if cut short
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        return false;
    file.Reset();
    held.Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    std::string now(bytes.size() + 1, '\0');
    DWORD read = 0;
    if (!held.Valid() || !ReadFile(held.Get(), &now[0], DWORD(now.size()), &read, nullptr))
        return false;
    now.resize(read);
    return now == bytes;
}

// cmd.exe of System32 itself, with AutoRun off, in a console of its own; the
// script is named relative to the current folder, which cmd shares, so that
// no character of the folder's name reaches cmd's command line. cmd does not
// take a network folder (\\server\share) as its own: there it is given the
// full path.
DWORD StartScript(const std::string& name, const std::wstring& fullPath, HANDLE held) {
    const std::wstring cmd = SystemFolder() + L"\\cmd.exe";
    std::wstring line = L"\"" + cmd + L"\" /d /c .\\" + WidenAscii(name);
    if (fullPath.compare(0, 2, L"\\\\") == 0)
        line = L"\"" + cmd + L"\" /d /s /c \"\"" + fullPath + L"\"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION started;
    if (!CreateProcessW(cmd.c_str(), &line[0], nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | CREATE_SUSPENDED, nullptr, nullptr, &startup,
                        &started))
        return GetLastError();
    KernelHandle process(started.hProcess), thread(started.hThread);
    // The console holds the script from its first line to its end, also after
    // Zorvik has ended.
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), held, process.Get(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        const DWORD error = GetLastError();
        TerminateProcess(process.Get(), 1);
        return error;
    }
    ResumeThread(thread.Get());
    return 0;
}
} // namespace

void WriteAndOpenScript(HWND owner, ScriptKind kind, const std::vector<std::string>& entries,
                        EntryStyle style) {
    Script script = ComposeScript(kind, Paths.PackerPath, entries, style, ToConsoleCodePage,
                                  IsAnsiLeadByte, ChosenOptions);
    if (!script.leftOut.empty()) ShowError(owner, LeftOutText(script.leftOut));
    FileHandle held;
    std::optional<std::string> name;
    if (!script.bytes.empty())
        name = ClaimScriptName(kind, [&](const std::string& candidate) {
            return WriteFreshScript(candidate, script.bytes, held);
        });
    const std::wstring fullPath = FullPathOf(name ? name->c_str() : ScriptName(kind));
    // A script that is not written now must not run: an older one of the same
    // name would pack files the user did not choose.
    if (!name) {
        ShowError(owner, ScriptNotWrittenText(fullPath));
        return;
    }
    if (DWORD error = StartScript(*name, fullPath, held.Get()))
        ShowError(owner, ScriptNotStartedText(fullPath, error));
}

void DeleteScripts() {
    Book.DeleteUnused({FullPathOf(PackScript), FullPathOf(UnpackScript)}, DeleteUnlessUsed);
}
