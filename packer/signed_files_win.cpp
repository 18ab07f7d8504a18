#include "packer/signed_files_win.h"

#include "app/ansi_name_win.h"
#include "app/handles_win.h"
#include "app/texts.h"
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

// Only the header's bytes are read. A file that cannot be read, or a device
// or pipe, whose reads could wait for ever, counts as unsigned.
bool IsSigned(const std::string& path) {
    FileHandle file(CreateFileW(WideFromAnsi(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid() || GetFileType(file.Get()) != FILE_TYPE_DISK) return false;
    const uint32_t start = PeHeaderStart(ReadAt(file.Get(), 0, DosHeaderBytes));
    return start != 0 && HasCertificateTable(ReadAt(file.Get(), start, PeHeaderBytes));
}
} // namespace

bool MayPackSigned(HWND owner, const std::vector<std::string>& entries, EntryStyle style) {
    std::vector<std::string> signedPaths;
    for (const std::string& entry : entries) {
        const std::string path = style == EntryStyle::Raw ? TakePath(entry) : entry;
        if (IsWindowsPathText(path, IsAnsiLeadByte) && IsSigned(path)) signedPaths.push_back(path);
    }
    return signedPaths.empty() ||
           MessageBoxA(owner, SignedFilesQuestion(signedPaths).c_str(), ZorvikCaption,
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}
