#include "packer/single_run.h"

#include <cwchar>

unsigned PackerLimit(unsigned processors) {
    return processors < 2 ? 2 : processors;
}

namespace {
// Where the name's last extension starts (its dot), or its end: the packer
// looks for the dot only after the last separator.
size_t ExtensionAt(const std::wstring& path) {
    const size_t name = path.find_last_of(L"\\/:");
    const size_t dot = path.rfind(L'.');
    return dot != std::wstring::npos && (name == std::wstring::npos || dot > name) ? dot
                                                                                   : path.size();
}

std::wstring WithEnding(const std::wstring& path, size_t kept, const wchar_t* ending) {
    std::wstring name(path, 0, kept);
    return name += ending;
}
} // namespace

std::wstring PackerOutputName(const std::wstring& path, unsigned attempt) {
    if (attempt >= PackerNameAttempts) return std::wstring();
    wchar_t ending[] = L".upx";
    if (attempt > 0) { // ".000" to ".998"
        const unsigned number = attempt - 1;
        ending[1] = wchar_t(L'0' + number / 100);
        ending[2] = wchar_t(L'0' + number / 10 % 10);
        ending[3] = wchar_t(L'0' + number % 10);
    }
    return WithEnding(path, ExtensionAt(path), ending);
}

std::wstring PackerBackupName(const std::wstring& path, unsigned attempt) {
    if (attempt > 0) return PackerOutputName(path, attempt);
    const size_t dot = ExtensionAt(path), length = path.size();
    if (dot == length) return WithEnding(path, length, L".~");   // no extension
    if (length - dot < 4) return WithEnding(path, length, L"~"); // ".ex" -> ".ex~"
    return WithEnding(path, length - 1, L"~");                   // ".exe" -> ".ex~"
}

std::wstring EnvironmentWithout(const wchar_t* block, const std::wstring& name) {
    auto upper = [](wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - 32) : c; };
    std::wstring kept;
    for (const wchar_t* entry = block; *entry;) {
        const size_t length = std::wcslen(entry) + 1;
        size_t same = 0; // letters of the name that the entry begins with
        while (same < name.size() && upper(entry[same]) == upper(name[same]))
            ++same;
        if (same < name.size() || entry[same] != L'=') kept.append(entry, length);
        entry += length;
    }
    return kept += L'\0'; // the block's end; c_str() adds the NUL an empty block needs too
}
