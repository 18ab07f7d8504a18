#include "packer/single_run_win.h"

#include <windows.h>

#include "app/ansi_name_win.h"
#include "app/handles_win.h"
#include "app/state_win.h"
#include "app/win_util_win.h"
#include "packer/packer_args.h"

namespace {
// Which file a path names, whatever its spelling (case, short name, drive).
struct FileId {
    bool known = false;
    DWORD volume = 0, high = 0, low = 0;
};

struct SingleRun {
    RunEntry entry;          // UTF-8 texts
    std::wstring file;       // full path, whose state is taken before and after
    FileId id;               // the same file under any other spelling
    std::string packerNames; // UTF-8, the file as the packer names it in messages
    DWORD startTick = 0;
    KernelHandle process, output, errors;
    SingleRun* next = nullptr;
};

// Every run of this process, oldest first. Each entry is shown until Zorvik
// ends, so a run is allocated once and never freed.
SingleRun *FirstRun, *LastRun;

FileState StateOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    FileState state;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return state;
    state.exists = true;
    state.size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    state.writeTime =
        uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
    return state;
}

FileId IdOf(const std::wstring& path) {
    FileId id; // the same file under any other spelling
    HANDLE opened =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return id;
    KernelHandle file(opened);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.Get(), &info)) return id;
    id = {true, info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return id;
}

bool GoesOn(const SingleRun& run) {
    return run.process.Valid() && WaitForSingleObject(run.process.Get(), 0) == WAIT_TIMEOUT;
}

// The run whose packer still works on this file, if any: a second packer
// writing the same file could leave it broken.
const SingleRun* RunOn(const std::wstring& file, const FileId& id) {
    for (const SingleRun* run = FirstRun; run; run = run->next) {
        if (!GoesOn(*run)) continue;
        const bool sameId = id.known && run->id.known && id.volume == run->id.volume &&
                            id.high == run->id.high && id.low == run->id.low;
        if (sameId ||
            CompareStringOrdinal(file.c_str(), -1, run->file.c_str(), -1, TRUE) == CSTR_EQUAL)
            return run;
    }
    return nullptr;
}

std::string ClockNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ClockText(now.wHour, now.wMinute, now.wSecond);
}

// A pipe breaks when Zorvik closes before the packer ends, and the packer's
// next write fails. A temporary file that the packer holds open outlives
// Zorvik, needs no reader, and goes when its last holder closes it.
HANDLE CreateOutputFile() {
    wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || !GetTempFileNameW(folder, L"zrv", 0, name))
        return nullptr;
    HANDLE file = CreateFileW(
        name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    DeleteFileW(name);
    return nullptr;
}

void SetInheritable(const SingleRun& run, bool inheritable) {
    const DWORD flag = inheritable ? HANDLE_FLAG_INHERIT : 0;
    SetHandleInformation(run.output.Get(), HANDLE_FLAG_INHERIT, flag);
    SetHandleInformation(run.errors.Get(), HANDLE_FLAG_INHERIT, flag);
}

// The system's error code, never zero.
DWORD LastError() {
    const DWORD error = GetLastError();
    return error ? error : ERROR_GEN_FAILURE;
}

// Zero, or the system's error code.
DWORD StartPacker(SingleRun& run, const std::string& parameters) {
    run.output.Reset(CreateOutputFile());
    run.errors.Reset(CreateOutputFile());
    if (!run.output.Valid() || !run.errors.Valid()) return LastError();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = run.output.Get();
    startup.hStdError = run.errors.Get();
    std::string commandLine = QuoteArgument(Paths.PackerPath, IsAnsiLeadByte) + " " + parameters;
    PROCESS_INFORMATION started;
    // Only these two handles are ever inheritable, and only for this call:
    // Zorvik starts processes on this one thread, so no other start sees them.
    SetInheritable(run, true);
    const BOOL ok = CreateProcessA(Paths.PackerPath.c_str(), &commandLine[0], nullptr, nullptr,
                                   TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started);
    const DWORD error = ok ? 0 : LastError();
    SetInheritable(run, false);
    if (!ok) return error;
    CloseHandle(started.hThread);
    run.process.Reset(started.hProcess);
    return 0;
}

// The last bytes the packer wrote into one of its output files, as UTF-8.
std::string OutputTail(HANDLE file) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) return std::string();
    const uint64_t start = OutputTailStart(uint64_t(size.QuadPart));
    std::string bytes(size_t(uint64_t(size.QuadPart) - start), '\0');
    OVERLAPPED at = {};
    at.Offset = DWORD(start);
    at.OffsetHigh = DWORD(start >> 32);
    DWORD got = 0;
    if (!ReadFile(file, &bytes[0], DWORD(bytes.size()), &got, &at)) got = 0;
    bytes.resize(got);
    return OutputText(bytes, start > 0, Utf16LeToUtf8, AnsiToUtf8);
}

void Finish(SingleRun& run) {
    RunEntry& entry = run.entry;
    DWORD code = 0;
    if (!GetExitCodeProcess(run.process.Get(), &code)) code = DWORD(-1); // not a success
    entry.state = RunState::Ended;
    entry.exitCode = code;
    entry.after = StateOf(run.file);
    const std::string output = OutputTail(run.output.Get());
    if (entry.kind == RunKind::Test) entry.tested = TestPassed(output);
    if (entry.kind == RunKind::Info) entry.listing = ListedFile(output);
    if (code != 0 || (entry.kind == RunKind::Test && !entry.tested) ||
        (entry.kind == RunKind::Info && !entry.listing))
        entry.message = PackerMessage(OutputTail(run.errors.Get()), output, run.packerNames);
    run.process.Reset();
    run.output.Reset(); // the output files are deleted once the packer's handles are gone too
    run.errors.Reset();
}
} // namespace

bool StartSingleFileRun(HWND owner, RunKind kind, const std::string& option,
                        const std::string& path, const std::string& parameters) {
    // Worked out in UTF-16: the ANSI call would best-fit a current folder that
    // the code page cannot spell into the name of another one.
    const std::wstring file = FullPathName(WideFromAnsi(path));
    const FileId id = IdOf(file);
    if (RunOn(file, id)) {
        ShowError(owner, StillPackingText(file));
        return false;
    }
    SingleRun* run = new SingleRun;
    run->file = file;
    run->id = id;
    run->packerNames = AnsiToUtf8(PackerFilePath(path));
    RunEntry& entry = run->entry;
    entry.started = ClockNow();
    entry.path = Utf8FromWide(run->file);
    entry.kind = kind;
    entry.option = option;
    entry.before = StateOf(run->file);
    run->startTick = GetTickCount();
    if (DWORD error = StartPacker(*run, parameters)) {
        entry.state = RunState::NotStarted;
        entry.exitCode = error;
        entry.after = entry.before; // no packer, no change
    }
    (LastRun ? LastRun->next : FirstRun) = run;
    LastRun = run;
    return true;
}

RunsNow LookAtRuns() {
    const DWORD now = GetTickCount();
    RunsNow runs;
    for (SingleRun* run = FirstRun; run; run = run->next) {
        if (run->process.Valid() && WaitForSingleObject(run->process.Get(), 0) == WAIT_OBJECT_0) {
            Finish(*run);
            runs.ended = true;
        }
        runs.goesOn = runs.goesOn || run->process.Valid();
        run->entry.elapsedSeconds = (now - run->startTick) / 1000;
        if (!runs.text.empty()) runs.text += "\r\n";
        runs.text += EntryText(run->entry);
    }
    return runs;
}
