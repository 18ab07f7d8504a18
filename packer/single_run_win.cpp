#include "packer/single_run_win.h"

#include <windows.h>

#include <cstring>

#include "app/ansi_name_win.h"
#include "app/handles_win.h"
#include "app/state_win.h"
#include "app/win_util_win.h"
#include "packer/packer_args.h"
#include "packer/single_run.h"

namespace {
// Which file a path names, whatever its spelling (case, short name, drive).
struct FileId {
    bool known = false;
    bool wide = false; // the 128-bit id, or else the 64-bit index
    uint64_t volume = 0;
    unsigned char id[16] = {};
    bool operator==(const FileId& other) const {
        return known && other.known && wide == other.wide && volume == other.volume &&
               memcmp(id, other.id, sizeof id) == 0;
    }
};

// Known to be two files: an id that could not be read, or was read another
// way, proves nothing.
bool Differs(const FileId& a, const FileId& b) {
    return a.known && b.known && a.wide == b.wide && !(a == b);
}

struct SingleRun {
    RunEntry entry;          // UTF-8 texts
    std::wstring file;       // full path, whose state is taken before and after
    FileId id;               // the same file under any other spelling; taken again at the start
    std::string packerNames; // UTF-8, the file as the packer names it in messages
    std::string options;     // the packer's, before the file
    std::wstring given;      // the file as the user gave it
    std::string packerFile;  // the file in the ANSI bytes the packer gets and makes side names of
    // A file whose path ANSI cannot spell: the packer works on a stand-in in
    // the file's folder, its current one, and Zorvik keeps the backup.
    std::wstring folder, standIn; // the folder ends in a backslash
    FileId standInId;
    bool byStandIn = false, keepBackup = false;
    std::wstring outputName; // Compress and Decompress: the free name the packer will write to
    bool stopping = false;   // Stop ended the packer; its files are still to be put right
    DWORD startTick = 0;
    uint64_t startTime = 0; // UTC, in the file system's units
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

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

uint64_t FileTimeValue(const FILETIME& time) {
    return uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

// `flags` FILE_FLAG_OPEN_REPARSE_POINT: the link itself, not what it points to.
// `created`, when given, receives the file's creation time.
FileId IdOf(const std::wstring& path, DWORD flags = 0, uint64_t* created = nullptr) {
    FileId id;
    FileHandle file(CreateFileW(path.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.Valid() || !GetFileInformationByHandle(file.Get(), &info)) return id;
    if (created) *created = FileTimeValue(info.ftCreationTime);
    id.known = ReadFileId(file.Get(), id.volume, id.id, id.wide);
    return id;
}

bool GoesOn(const SingleRun& run) {
    return run.entry.state == RunState::Waiting ||
           (run.process.Valid() && WaitForSingleObject(run.process.Get(), 0) == WAIT_TIMEOUT);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The run whose packer still works on this file, or waits to, if any: a
// second packer writing the same file could leave it broken.
const SingleRun* RunOn(const std::wstring& file, const FileId& id) {
    for (const SingleRun* run = FirstRun; run; run = run->next)
        if (GoesOn(*run) && (id == run->id || SameName(file, run->file))) return run;
    return nullptr;
}

bool Writes(const SingleRun& run) {
    return run.entry.kind == RunKind::Pack || run.entry.kind == RunKind::Unpack;
}

// A name the packer makes beside the file (see PackerOutputName), as the file
// system finds it: the packer opens it by those ANSI bytes, in its current
// folder (Zorvik's, or a stand-in's).
std::wstring SideName(const SingleRun& run, const std::string& name) {
    return run.folder.empty() ? FullPathName(WideFromAnsi(name)) : run.folder + WideFromAnsi(name);
}

// Two packers writing `app.exe` and `app.dll` would choose among the same
// names for their output: such a run waits until the other has ended, so
// that each file the packer makes belongs to one run alone.
bool SharesNamesWithARunningOne(const SingleRun& run) {
    // A stand-in's names are its own, random ones.
    if (!Writes(run) || run.byStandIn) return false;
    const std::wstring output = SideName(run, PackerOutputName(run.packerFile, 0));
    for (const SingleRun* other = FirstRun; other; other = other->next)
        if (other->process.Valid() && Writes(*other) &&
            SameName(output, SideName(*other, PackerOutputName(other->packerFile, 0))))
            return true;
    return false;
}

std::string ClockNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ClockText(now.wHour, now.wMinute, now.wSecond);
}

// A pipe breaks when Zorvik closes before the packer ends, and the packer's
// next write fails. A temporary file that the packer holds open outlives
// Zorvik, needs no reader, and goes when its last holder closes it. It is made
// in one step under a name nobody can foresee, and shared with nobody: the
// packer writes through the handle it inherits, which needs no sharing.
HANDLE CreateOutputFile() {
    wchar_t name[MAX_PATH + 1]; // the temporary folder, with its closing backslash
    unsigned char random[16];
    const DWORD length = GetTempPathW(MAX_PATH + 1, name);
    if (length == 0 || length > MAX_PATH) return nullptr;
    if (!RandomBytes(random, sizeof random)) {
        SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }
    const std::wstring path =
        std::wstring(name, length) + L"zrv" + HexDigits(random, sizeof random) + L".tmp";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
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

// Zorvik's environment without `UPX`, from which the packer would take
// options that Zorvik never shows; empty when it cannot be read.
std::wstring PackerEnvironment() {
    wchar_t* block = GetEnvironmentStringsW();
    if (!block) return std::wstring();
    std::wstring environment = EnvironmentWithout(block, L"UPX");
    FreeEnvironmentStringsW(block);
    return environment;
}

// Starts the packer, which inherits its two output files and no other handle
// of Zorvik's: zero, or the system's error code.
DWORD CreatePacker(SingleRun& run) {
    std::wstring environment = PackerEnvironment();
    if (environment.empty()) return LastError();
    void* list[16]; // one attribute takes 48 bytes on x64, and the list holds pointers
    SIZE_T size = sizeof list;
    auto attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list);
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return LastError();
    HANDLE inherited[] = {run.output.Get(), run.errors.Get()};
    DWORD error = 0;
    if (UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                  sizeof inherited, nullptr, nullptr)) {
        STARTUPINFOEXW startup = {};
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdOutput = run.output.Get();
        startup.StartupInfo.hStdError = run.errors.Get();
        startup.lpAttributeList = attributes;
        // In UTF-16, for a stand-in's folder; the ANSI parts were proven exact, so the
        // packer's ANSI command line gets their bytes back.
        std::wstring commandLine =
            WideFromAnsi(QuoteArgument(Paths.PackerPath, IsAnsiLeadByte) + " " + run.options + " " +
                         PackerFileArgument(run.packerFile, IsAnsiLeadByte));
        const std::wstring packer = WideFromAnsi(Paths.PackerPath);
        PROCESS_INFORMATION started;
        // Inheritable only for this call: Zorvik starts processes on this one
        // thread, so no other start sees them.
        SetInheritable(run, true);
        if (CreateProcessW(packer.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                           CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT |
                               EXTENDED_STARTUPINFO_PRESENT,
                           &environment[0], run.folder.empty() ? nullptr : run.folder.c_str(),
                           &startup.StartupInfo, &started)) {
            CloseHandle(started.hThread);
            run.process.Reset(started.hProcess);
        } else {
            error = LastError();
        }
        SetInheritable(run, false);
    } else {
        error = LastError();
    }
    DeleteProcThreadAttributeList(attributes);
    return error;
}

// The name the packer will write its output to: the first of its names that
// is free now. None when all are taken; then no file of the packer's is touched.
std::wstring FreeOutputName(const SingleRun& run) {
    for (unsigned attempt = 0; attempt < PackerNameAttempts; ++attempt) {
        const std::wstring name = SideName(run, PackerOutputName(run.packerFile, attempt));
        if (!Exists(name)) return name;
    }
    return std::wstring();
}

// Sets a file's attributes and leaves its times (zero) as they are.
bool SetAttributes(HANDLE file, DWORD attributes) {
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
}

// Deletes this name of a file, and only it, unless another program holds the
// file open. Read-only belongs to the file, not to the name: a stand-in of a
// read-only file is read-only too, so the attribute is lifted for the delete
// and put back for the file's other name, the user's.
void Remove(const std::wstring& name) {
    FileHandle file(CreateFileW(name.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_BASIC_INFO basic;
    if (!file.Valid() ||
        !GetFileInformationByHandleEx(file.Get(), FileBasicInfo, &basic, sizeof basic))
        return;
    constexpr DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_TEMPORARY;
    const DWORD attributes = basic.FileAttributes & settable;
    const bool readOnly = attributes & FILE_ATTRIBUTE_READONLY;
    if (readOnly && !SetAttributes(file.Get(), attributes & ~FILE_ATTRIBUTE_READONLY)) return;
    FILE_DISPOSITION_INFO dispose = {TRUE};
    SetFileInformationByHandle(file.Get(), FileDispositionInfo, &dispose, sizeof dispose);
    if (readOnly) SetAttributes(file.Get(), attributes);
}

constexpr size_t StandInRandomBytes = 8, StandInStem = 3 + 2 * StandInRandomBytes;

// A new name for the file in its folder: a hard link, or where links are
// refused (FAT, exFAT, some shares) a copy. Zero, or the system's error code.
DWORD MakeStandIn(SingleRun& run) {
    run.folder = run.file.substr(0, run.file.rfind(L'\\') + 1);
    for (int attempt = 0; attempt < 8; ++attempt) {
        unsigned char random[StandInRandomBytes];
        if (!RandomBytes(random, sizeof random)) return ERROR_GEN_FAILURE;
        const std::wstring name = StandInName(run.file, random, sizeof random);
        run.standIn = run.folder + name;
        if (!CreateHardLinkW(run.standIn.c_str(), run.file.c_str(), nullptr) &&
            (GetLastError() == ERROR_ALREADY_EXISTS ||
             !CopyFileW(run.file.c_str(), run.standIn.c_str(), TRUE))) {
            const DWORD error = LastError();
            if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) continue;
            run.standIn.clear();
            return error;
        }
        run.standInId = IdOf(run.standIn, FILE_FLAG_OPEN_REPARSE_POINT);
        run.packerFile = AsciiSketch(name);
        run.packerNames = run.packerFile;
        return 0;
    }
    run.standIn.clear();
    return ERROR_FILE_EXISTS;
}

void StartPacker(SingleRun& run) {
    RunEntry& entry = run.entry;
    entry.state = RunState::Running;
    run.file = FullPathName(run.given); // where the packer finds it, should the folder have moved
    entry.before = StateOf(run.file);
    run.id = IdOf(run.file);
    run.startTick = GetTickCount();
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    run.startTime = FileTimeValue(now);
    DWORD error = run.byStandIn ? MakeStandIn(run) : 0;
    if (Writes(run) && !error) run.outputName = FreeOutputName(run);
    if (!error) run.output.Reset(CreateOutputFile());
    if (run.output.Valid()) run.errors.Reset(CreateOutputFile());
    if (!error) error = run.errors.Valid() ? CreatePacker(run) : LastError();
    if (!error) return;
    if (!run.standIn.empty()) Remove(run.standIn); // only a name of ours
    entry.state = RunState::NotStarted;
    entry.exitCode = error;
    entry.after = entry.before; // no packer, no change
    run.output.Reset();         // and no output file left behind
    run.errors.Reset();
}

// Starts waiting runs in order while fewer packers run than the limit.
void StartWaitingRuns() {
    unsigned running = 0;
    for (const SingleRun* run = FirstRun; run; run = run->next)
        running += run->process.Valid();
    const unsigned limit = PackerLimit(GetActiveProcessorCount(ALL_PROCESSOR_GROUPS));
    for (SingleRun* run = FirstRun; run && running < limit; run = run->next) {
        if (run->entry.state != RunState::Waiting || SharesNamesWithARunningOne(*run)) continue;
        StartPacker(*run);
        running += run->process.Valid();
    }
}

// Whether `name` is a file that this run's packer made: not the user's file
// under another name, and made since the run started. Another packer working
// on the same stem (a console, a second Zorvik) may have taken the name that
// was free at the start. FAT keeps creation times in steps of 10 ms, and the
// clock moves in steps of up to 16 ms: a file the packer made just after the
// start may seem that much older. A name that the file system gave an older
// file's creation time (its tunnelling, for 15 s after that file went) is
// left alone too, which errs on the safe side.
bool MadeByTheRun(const SingleRun& run, const std::wstring& name) {
    constexpr uint64_t Margin = 20 * 10000; // 20 ms
    uint64_t created = 0;
    return Differs(IdOf(name, FILE_FLAG_OPEN_REPARSE_POINT, &created), run.id) &&
           created + Margin >= run.startTime;
}

// The name without its folder, in UTF-8.
std::string BareUtf8(const std::wstring& path) {
    return Utf8FromWide(path.substr(path.find_last_of(L'\\') + 1));
}

// After a stop the file is at its path as it was, or as the packer's whole
// output once that had replaced it; its backup and output go back where
// they belong. The packer writes its output, then deletes the file (or with
// Keep Backup renames it to its backup), then renames the output into its
// place. Only a backup that is the file itself (by its id) and an output
// name that was free at the start, that the run made and that nobody holds
// open are touched. When the file stays missing, the entry names the file
// that holds its bytes.
void PutFilesRight(SingleRun& run) {
    if (!Writes(run) || !run.entry.before.exists || !run.id.known) return;
    std::wstring holder;
    for (unsigned attempt = 0; !Exists(run.file) && attempt < PackerNameAttempts; ++attempt) {
        const std::wstring backup = SideName(run, PackerBackupName(run.packerFile, attempt));
        if (!Exists(backup)) break; // the packer took the first free name
        if (IdOf(backup, FILE_FLAG_OPEN_REPARSE_POINT) == run.id &&
            !MoveFileExW(backup.c_str(), run.file.c_str(), 0))
            holder = backup;
    }
    const bool own = !run.outputName.empty() && MadeByTheRun(run, run.outputName);
    if (own && !Exists(run.file)) { // the packer's whole output
        if (!MoveFileExW(run.outputName.c_str(), run.file.c_str(), 0) && holder.empty())
            holder = run.outputName;
    } else if (own) {
        Remove(run.outputName);
    }
    if (!Exists(run.file) && !holder.empty()) run.entry.bytesIn = BareUtf8(holder);
}

// With Keep Backup, a second name for the original bytes, the first of the
// backup names the packer's rule gives the user's file that is free.
DWORD KeepBackupOf(const SingleRun& run) {
    for (unsigned attempt = 0; attempt < PackerNameAttempts; ++attempt) {
        const std::wstring backup = PackerBackupName(run.file, attempt);
        if (Exists(backup)) continue;
        if (CreateHardLinkW(backup.c_str(), run.file.c_str(), nullptr) ||
            CopyFileW(run.file.c_str(), backup.c_str(), TRUE))
            return 0;
        return LastError();
    }
    return ERROR_FILE_EXISTS;
}

// A stand-in run's end: the result onto the user's name after a success, and
// away with whatever else the run made. Zero, or the system's error code of
// a move that kept the result from the file.
DWORD PutStandInRight(SingleRun& run, bool succeeded) {
    StandInEnd end;
    end.writes = Writes(run);
    end.succeeded = succeeded;
    end.keepBackup = run.keepBackup;
    end.fileThere = Exists(run.file);
    // Not by its creation time: the packer deletes the stand-in's name and
    // renames its output to it at once, and the file system gives the output
    // the old creation time (tunnelling), as Wine gives it the copied write time.
    const FileId standIn = IdOf(run.standIn, FILE_FLAG_OPEN_REPARSE_POINT);
    if (standIn == run.standInId)
        end.standIn = Held::Original;
    else if (Differs(standIn, run.standInId) && Differs(standIn, run.id))
        end.standIn = Held::Output;
    end.outputThere = !run.outputName.empty() && MadeByTheRun(run, run.outputName);
    DWORD error = 0;
    for (FileMove move : StandInMoves(end)) {
        switch (move) {
        case FileMove::RemoveOutput:
            Remove(run.outputName);
            break;
        case FileMove::KeepBackup:
            error = KeepBackupOf(run);
            break;
        case FileMove::OntoFile:
            if (!error && !MoveFileExW(run.standIn.c_str(), run.file.c_str(),
                                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                error = LastError();
            if (error) Remove(run.standIn); // the file keeps its original bytes
            break;
        case FileMove::RestoreFile:
            MoveFileExW(run.standIn.c_str(), run.file.c_str(), 0);
            break;
        case FileMove::RemoveStandIn:
            Remove(run.standIn);
            break;
        }
    }
    return error;
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
    const DWORD moveError = run.byStandIn ? PutStandInRight(run, !code && !run.stopping) : 0;
    if (run.stopping && !run.byStandIn) PutFilesRight(run);
    entry.state = run.stopping ? RunState::Stopped : RunState::Ended;
    entry.exitCode = moveError ? moveError : code;
    entry.after = StateOf(run.file);
    const std::string output = OutputTail(run.output.Get());
    if (entry.kind == RunKind::Test) entry.tested = TestPassed(output);
    if (entry.kind == RunKind::Info) entry.listing = ListedFile(output);
    if (moveError) {
        entry.message = "the packer's result could not take the file's name";
    } else if (code != 0 || (entry.kind == RunKind::Test && !entry.tested) ||
               (entry.kind == RunKind::Info && !entry.listing)) {
        entry.message = PackerMessage(OutputTail(run.errors.Get()), output, run.packerNames);
        if (run.byStandIn) { // its names are its stem and the file's extension, or none
            const size_t extension = run.packerFile.size() - StandInStem;
            entry.message =
                WithUsersName(entry.message, run.packerFile.substr(0, StandInStem),
                              Utf8FromWide(run.file.substr(0, run.file.size() - extension)));
        }
    }
    run.process.Reset();
    run.output.Reset(); // the output files are deleted once the packer's handles are gone too
    run.errors.Reset();
}
} // namespace

bool StartSingleFileRun(HWND owner, RunKind kind, const std::string& option,
                        const std::wstring& given) {
    // Worked out in UTF-16: the ANSI call would best-fit a current folder that
    // the code page cannot spell into the name of another one.
    const std::wstring file = FullPathName(given);
    const FileId id = IdOf(file);
    if (RunOn(file, id)) {
        ShowError(owner, StillPackingText(file));
        return false;
    }
    SingleRun* run = new SingleRun;
    run->file = file;
    run->id = id;
    run->options = option;
    const std::optional<std::string> ansi = ExactAnsi(given);
    if (ansi && ExactAnsi(file)) {
        run->packerFile = PackerFilePath(*ansi);
        run->packerNames = AnsiToUtf8(run->packerFile);
    } else { // for a stand-in the packer gets no "-k": Zorvik keeps the backup itself
        run->byStandIn = true;
        run->options = WithoutBackupOption(option);
        run->keepBackup = run->options != option;
    }
    run->given = given;
    RunEntry& entry = run->entry;
    entry.started = ClockNow();
    entry.path = Utf8FromWide(run->file);
    entry.kind = kind;
    entry.option = option;
    (LastRun ? LastRun->next : FirstRun) = run;
    LastRun = run;
    StartWaitingRuns();
    return true;
}

void StopSingleFileRuns() {
    for (SingleRun* run = FirstRun; run; run = run->next) {
        if (run->entry.state == RunState::Waiting)
            run->entry.state = RunState::StoppedBeforeStart;
        else if (GoesOn(*run) && !run->stopping)
            run->stopping = TerminateProcess(run->process.Get(), 1) != 0;
    }
    // Ending is asynchronous: LookAtRuns puts the files right once each packer
    // is seen to have ended, and meanwhile the windows keep answering.
}

void PutStoppedRunsRight(DWORD patience) {
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE ending[MAXIMUM_WAIT_OBJECTS - 1];
        DWORD count = 0;
        for (SingleRun* run = FirstRun; run; run = run->next) {
            if (!run->stopping || !run->process.Valid()) continue;
            if (WaitForSingleObject(run->process.Get(), 0) == WAIT_OBJECT_0)
                Finish(*run);
            else if (count < MAXIMUM_WAIT_OBJECTS - 1)
                ending[count++] = run->process.Get();
        }
        const DWORD spent = GetTickCount() - start;
        if (count == 0 || spent >= patience) return;
        if (MsgWaitForMultipleObjects(count, ending, FALSE, patience - spent, QS_ALLINPUT) !=
            WAIT_OBJECT_0 + count)
            continue;
        MSG message; // the windows keep painting meanwhile
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(int(message.wParam));
                return;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

RunsNow LookAtRuns() {
    RunsNow runs;
    for (SingleRun* run = FirstRun; run; run = run->next) {
        if (run->process.Valid() && WaitForSingleObject(run->process.Get(), 0) == WAIT_OBJECT_0) {
            Finish(*run);
            runs.ended = true;
        }
    }
    StartWaitingRuns();
    const DWORD now = GetTickCount();
    for (SingleRun* run = FirstRun; run; run = run->next) {
        runs.goesOn = runs.goesOn || run->entry.state == RunState::Waiting || run->process.Valid();
        run->entry.elapsedSeconds = (now - run->startTick) / 1000;
        if (!runs.text.empty()) runs.text += "\r\n";
        runs.text += EntryText(run->entry);
    }
    return runs;
}
