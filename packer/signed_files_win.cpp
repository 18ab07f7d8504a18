#include "packer/signed_files_win.h"

#include <algorithm>

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

// Only the header's bytes are read. A file that cannot be read, or a device
// or pipe, whose reads could wait for ever, counts as unsigned.
bool IsSigned(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid() || GetFileType(file.Get()) != FILE_TYPE_DISK) return false;
    const uint32_t start = PeHeaderStart(ReadAt(file.Get(), 0, DosHeaderBytes));
    return start != 0 && HasCertificateTable(ReadAt(file.Get(), start, PeHeaderBytes));
}

// The files to look at, and what each turned out to be, shared by the threads
// that look.
struct Scan {
    std::vector<std::wstring> paths;
    std::vector<char> signedOnes;
    LONG next = 0;
};

DWORD WINAPI LookAtFiles(void* shared) {
    Scan& scan = *static_cast<Scan*>(shared);
    for (LONG i; (i = InterlockedIncrement(&scan.next) - 1) < LONG(scan.paths.size());)
        scan.signedOnes[i] = IsSigned(scan.paths[i]);
    return 0;
}

// Thousands of files opened one after another wait for the disk one at a time;
// a few threads keep it busy. Each thread only reads.
void LookAtAll(Scan& scan) {
    constexpr size_t FilesPerHelper = 64, MostHelpers = 3;
    scan.signedOnes.assign(scan.paths.size(), 0);
    const size_t wanted = std::min(MostHelpers, scan.paths.size() / FilesPerHelper);
    KernelHandle helpers[MostHelpers];
    for (size_t i = 0; i < wanted; ++i)
        helpers[i].Reset(CreateThread(nullptr, 0, LookAtFiles, &scan, 0, nullptr));
    LookAtFiles(&scan); // also all of it, should no helper start
    for (const KernelHandle& helper : helpers)
        if (helper.Valid()) WaitForSingleObject(helper.Get(), INFINITE);
}
} // namespace

bool MayPackSigned(HWND owner, const std::wstring& file) {
    if (!IsSigned(file)) return true;
    const std::wstring question = Utf8ToWide(SignedFilesQuestion({Utf8FromWide(file)}));
    return MessageBoxW(owner, question.c_str(), ZorvikCaptionW,
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

bool MayPackSigned(HWND owner, const std::vector<std::string>& entries, EntryStyle style) {
    std::vector<std::string> paths;
    Scan scan;
    MissingFolders missing;
    for (const std::string& entry : entries) {
        std::string path = style == EntryStyle::Raw ? TakePath(entry) : entry;
        if (!IsWindowsPathText(path, IsAnsiLeadByte)) continue;
        std::wstring wide = WideFromAnsi(path);
        if (missing.Contain(wide)) continue;
        paths.push_back(std::move(path));
        scan.paths.push_back(std::move(wide));
    }
    LookAtAll(scan);
    std::vector<std::string> signedPaths;
    for (size_t i = 0; i < paths.size(); ++i)
        if (scan.signedOnes[i]) signedPaths.push_back(paths[i]);
    return signedPaths.empty() ||
           MessageBoxA(owner, SignedFilesQuestion(signedPaths).c_str(), ZorvikCaption,
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}
