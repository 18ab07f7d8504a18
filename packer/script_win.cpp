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

// Bytes Zorvik reads of a file to tell whether it wrote it: far more than
// any batch it writes.
constexpr DWORD MaxOwnScript = 16 << 20;

bool HoldsOwnScript(HANDLE file) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart > MaxOwnScript) return false;
    std::string bytes(size_t(size.QuadPart), '\0');
    DWORD read = 0;
    return ReadFile(file, &bytes[0], DWORD(bytes.size()), &read, nullptr) && read == bytes.size() &&
           IsOwnScript(bytes);
}

// Deletes a plain file that nobody holds open: the exclusive open fails while
// a console holds its script, under any spelling of its folder. A folder, a
// link, a read-only file or one held open stays, and, unless `usual`, one
// that Zorvik did not write. True when the name is free.
bool DeleteUnlessUsed(const std::wstring& path, bool usual) {
    FileHandle file(CreateFileW(path.c_str(), DELETE | GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.Valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
    BY_HANDLE_FILE_INFORMATION info;
    FILE_DISPOSITION_INFO dispose = {TRUE};
    return GetFileInformationByHandle(file.Get(), &info) && info.nNumberOfLinks == 1 &&
           !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) &&
           (usual || HoldsOwnScript(file.Get())) &&
           SetFileInformationByHandle(file.Get(), FileDispositionInfo, &dispose, sizeof dispose);
}

// Sibling scripts left in the current folder, by this Zorvik or another one
// whose console has ended: those Zorvik wrote go, the user's own stay.
void DeleteLeftSiblings() {
    for (const wchar_t* pattern : {L"runupxcmd-*.bat", L"derunupxcmd-*.bat"}) {
        WIN32_FIND_DATAW found;
        HANDLE search =
            FindFirstFileExW(pattern, FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            std::string name; // Zorvik's names are ASCII: another letter makes none of them
            for (const wchar_t* c = found.cFileName; *c; ++c)
                name += *c < 0x80 ? char(*c) : '?';
            if (IsSiblingScriptName(name)) DeleteUnlessUsed(found.cFileName, false);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
}

// Writes the script anew under `name`, then holds it open for reading and
// shares nothing but reading: from now on nobody can write, rename, delete
// or replace it. What it holds is read back: a writer that came in between
// the two opens makes the name unusable. A usual name is taken over; a
// sibling name only from Zorvik's own script. False: take the next name.
bool WriteFreshScript(const std::string& name, const std::string& bytes, FileHandle& held) {
    const std::wstring path = WidenAscii(name);
    if (!DeleteUnlessUsed(path, !IsSiblingScriptName(name))) return false;
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    Book.Wrote(FullPathOf(name.c_str())); // Zorvik's own: deleted at a close
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        FILE_DISPOSITION_INFO dispose = {TRUE}; // half a script is nobody's
        SetFileInformationByHandle(file.Get(), FileDispositionInfo, &dispose, sizeof dispose);
        return false;
    }
    file.Reset();
    held.Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    std::string now(bytes.size() + 1, '\0');
    DWORD read = 0;
    if (!held.Valid() || !ReadFile(held.Get(), &now[0], DWORD(now.size()), &read, nullptr))
        return false;
    now.resize(read);
    return now == bytes;
}

// cmd.exe of System32 itself, with AutoRun off, in a console of its own (see
// ScriptCommandLine for how it names the script).
DWORD StartScript(const std::wstring& cmd, std::wstring line, HANDLE held) {
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
    // Zorvik has ended: the handle shares reading only, so nobody can write,
    // rename or delete the script while it runs.
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
    const std::wstring cmd = SystemFolder() + L"\\cmd.exe";
    // Refused before anything is written: the script could not be run.
    const std::wstring usualPath = FullPathOf(ScriptName(kind));
    if (!ScriptCommandLine(cmd, ScriptName(kind), usualPath)) {
        ShowError(owner, ScriptFolderRefusedText(usualPath));
        return;
    }
    // A System32 that the ANSI code page cannot spell writes no script.
    const std::string system = ExactAnsi(SystemFolder()).value_or(std::string());
    Script script = ComposeScript(kind, Paths.PackerPath, system, entries, style, ToConsoleCodePage,
                                  GetOEMCP(), IsAnsiLeadByte, ChosenOptions);
    if (!script.leftOut.empty()) ShowError(owner, LeftOutText(script.leftOut));
    // Scripts whose consoles have ended go first, so that their names are free.
    Book.DeleteUnused({}, DeleteUnlessUsed);
    DeleteLeftSiblings();
    FileHandle held;
    std::optional<std::string> name;
    if (!script.bytes.empty())
        name = ClaimScriptName(kind, [&](const std::string& candidate) {
            return WriteFreshScript(candidate, script.bytes, held);
        });
    // A script that is not written now must not run: an older one of the same
    // name would pack files the user did not choose.
    if (!name) {
        ShowError(owner, ScriptNotWrittenText(usualPath));
        return;
    }
    const std::wstring fullPath = FullPathOf(name->c_str());
    const std::optional<std::wstring> line = ScriptCommandLine(cmd, *name, fullPath);
    if (!line)
        ShowError(owner, ScriptFolderRefusedText(fullPath));
    else if (DWORD error = StartScript(cmd, *line, held.Get()))
        ShowError(owner, ScriptNotStartedText(fullPath, error));
}

void DeleteScripts() {
    Book.DeleteUnused({FullPathOf(PackScript), FullPathOf(UnpackScript)}, DeleteUnlessUsed);
    DeleteLeftSiblings();
}

void DeleteLeftScripts() {
    DeleteLeftSiblings();
}
