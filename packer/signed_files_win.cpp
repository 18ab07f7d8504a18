#include "packer/signed_files_win.h"

#include <algorithm>
#include <memory>

#include "app/ansi_name_win.h"
#include "app/handles_win.h"
#include "app/texts.h"
#include "app/win_util_win.h"
#include "packer/packer_args.h"
#include "packer/signed_files.h"

namespace {
std::string ReadAt(HANDLE file, uint32_t offset, size_t size) {
    std::string bytes(size, '\0');
    OVERLAPPED at = {};
    at.Offset = offset;
    DWORD got = 0;
    if (!ReadFile(file, &bytes[0], DWORD(size), &got, &at)) got = 0;
    bytes.resize(got);
    return bytes;
}

// A folder that is not there holds no file: a batch of thousands of names in a
// folder since removed costs one look, not an open for each. The separator is
// kept, so that a folder name ending in a blank or dot is looked up as the
// file's path spells it.
class MissingFolders {
  public:
    bool Contain(const std::wstring& path) {
        const size_t end = path.find_last_of(L"\\/");
        if (end == std::wstring::npos) return false;
        std::wstring folder = path.substr(0, end + 1);
        if (folder != last_) {
            last_ = std::move(folder);
            const bool absent = GetFileAttributesW(last_.c_str()) == INVALID_FILE_ATTRIBUTES;
            const DWORD error = GetLastError();
            missing_ = absent && (error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND);
        }
        return missing_;
    }

  private:
    std::wstring last_;
    bool missing_ = false;
};

// Files that are not on the disk now (cloud placeholders, offline files):
// reading them would download them first.
// FILE_ATTRIBUTE_RECALL_ON_OPEN and _ON_DATA_ACCESS, which these headers lack.
constexpr DWORD NotOnDisk = FILE_ATTRIBUTE_OFFLINE | 0x40000 | 0x400000;

enum Look : LONG { NotYet, Unsigned, Signed, NotLookedAt };

// Only the header's bytes are read, and only of a file on the disk now: the
// open itself recalls nothing. A file that cannot be read, or a device or
// pipe, whose reads could wait for ever, counts as unsigned.
Look LookAt(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_NO_RECALL, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.Valid() || GetFileType(file.Get()) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(file.Get(), &info))
        return Unsigned;
    if (info.dwFileAttributes & NotOnDisk) return NotLookedAt;
    const uint32_t start = PeHeaderStart(ReadAt(file.Get(), 0, DosHeaderBytes));
    return start != 0 && HasCertificateTable(ReadAt(file.Get(), start, PeHeaderBytes)) ? Signed
                                                                                       : Unsigned;
}

// The files to look at, and what each turned out to be, shared by the window
// thread and the helpers that look. Whoever lets go of it last deletes it: a
// helper may be held up by a share that does not answer long after the window
// has stopped waiting for it.
struct Scan {
    std::vector<std::wstring> paths;
    std::unique_ptr<LONG[]> looks; // a Look each, NotYet until a helper has looked
    LONG next = 0, done = 0, holders = 1;
};

void LetGo(Scan* scan) {
    if (InterlockedDecrement(&scan->holders) == 0) delete scan;
}

void LookAtEach(Scan& scan) {
    MissingFolders missing;
    for (LONG i; (i = InterlockedIncrement(&scan.next) - 1) < LONG(scan.paths.size());) {
        const std::wstring& path = scan.paths[i];
        InterlockedExchange(&scan.looks[i], missing.Contain(path) ? Unsigned : LookAt(path));
        InterlockedIncrement(&scan.done);
    }
}

DWORD WINAPI LookAtFiles(void* shared) {
    LookAtEach(*static_cast<Scan*>(shared));
    LetGo(static_cast<Scan*>(shared));
    return 0;
}

// Dispatches what came in while waiting (Zorvik posts no WM_QUIT).
void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Thousands of files opened one after another wait for the disk one at a time;
// a few threads keep it busy, and the window thread only waits, painting and
// answering: a file on a share that does not answer can hold an open for a
// minute. The owner takes no input meanwhile, as under a message box. Once no
// file has been looked at for a few seconds the rest stay not looked at.
void LookAtAll(HWND owner, Scan& scan) {
    constexpr size_t FilesPerHelper = 64, MostHelpers = 4;
    constexpr DWORD Patience = 5000;
    const size_t wanted = std::min(MostHelpers, 1 + scan.paths.size() / FilesPerHelper);
    KernelHandle helpers[MostHelpers];
    size_t started = 0;
    scan.holders += LONG(wanted); // before any helper runs
    for (size_t i = 0; i < wanted; ++i) {
        helpers[started].Reset(CreateThread(nullptr, 0, LookAtFiles, &scan, 0, nullptr));
        if (helpers[started].Valid())
            ++started;
        else
            InterlockedDecrement(&scan.holders);
    }
    if (started == 0) return; // none is looked at, and the question says so
    HWND focus = GetFocus();  // which a disabled window loses
    const bool wasDisabled = EnableWindow(owner, FALSE);
    LONG seen = -1;
    for (DWORD since = GetTickCount(); started > 0;) {
        HANDLE last = helpers[started - 1].Get();
        if (MsgWaitForMultipleObjects(1, &last, FALSE, 250, QS_ALLINPUT) == WAIT_OBJECT_0) {
            --started;
            continue;
        }
        PumpMessages();
        if (const LONG done = *static_cast<volatile LONG*>(&scan.done); done != seen) {
            seen = done;
            since = GetTickCount();
        } else if (GetTickCount() - since > Patience) {
            break;
        }
    }
    InterlockedExchange(&scan.next, LONG(scan.paths.size())); // no helper starts on another
    if (!wasDisabled) EnableWindow(owner, TRUE);
    SetFocus(focus);
}
} // namespace

namespace {
// Asks about the signed files of `scan`, and those not looked at; lets go of it.
bool MayPackScanned(HWND owner, Scan* scan) {
    const std::vector<std::wstring>& paths = scan->paths;
    scan->looks.reset(new LONG[paths.size()]()); // NotYet each
    if (!paths.empty()) LookAtAll(owner, *scan);
    std::vector<std::string> asked; // UTF-8: a single run's name may have no ANSI spelling
    for (size_t i = 0; i < paths.size(); ++i) {
        const LONG look = static_cast<volatile LONG*>(scan->looks.get())[i];
        if (look != Unsigned) asked.push_back(Utf8FromWide(paths[i]));
        if (look == NotYet || look == NotLookedAt) asked.back() += NotLookedAtNote;
    }
    LetGo(scan);
    return asked.empty() ||
           MessageBoxW(owner, Utf8ToWide(SignedFilesQuestion(asked)).c_str(), ZorvikCaptionW,
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}
} // namespace

bool MayPackSigned(HWND owner, const std::wstring& file) {
    Scan* scan = new Scan;
    scan->paths.push_back(file);
    return MayPackScanned(owner, scan);
}

bool MayPackSigned(HWND owner, const std::vector<std::string>& entries, EntryStyle style) {
    Scan* scan = new Scan;
    for (const std::string& entry : entries) {
        const std::string path = style == EntryStyle::Raw ? TakePath(entry) : entry;
        if (IsWindowsPathText(path, IsAnsiLeadByte)) scan->paths.push_back(WideFromAnsi(path));
    }
    return MayPackScanned(owner, scan);
}
