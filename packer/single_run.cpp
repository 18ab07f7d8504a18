#include "packer/single_run.h"

#include <algorithm>

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

std::wstring Numbered(const std::wstring& path, unsigned attempt) {
    if (attempt >= PackerNameAttempts) return std::wstring();
    const unsigned number = attempt - 1;
    std::wstring name = path.substr(0, ExtensionAt(path)) + L".";
    for (unsigned digit : {number / 100, number / 10 % 10, number % 10})
        name += wchar_t(L'0' + digit);
    return name;
}
} // namespace

std::wstring PackerOutputName(const std::wstring& path, unsigned attempt) {
    return attempt == 0 ? path.substr(0, ExtensionAt(path)) + L".upx" : Numbered(path, attempt);
}

std::wstring PackerBackupName(const std::wstring& path, unsigned attempt) {
    if (attempt > 0) return Numbered(path, attempt);
    const size_t dot = ExtensionAt(path);
    if (dot == path.size()) return path + L".~";   // no extension
    if (path.size() - dot < 4) return path + L"~"; // ".ex" -> ".ex~"
    std::wstring name = path;
    name.back() = L'~'; // ".exe" -> ".ex~"
    return name;
}

std::wstring EnvironmentWithout(const wchar_t* block, const std::wstring& name) {
    auto upper = [](wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - 32) : c; };
    std::wstring kept;
    for (const wchar_t* entry = block; *entry;) {
        const std::wstring text = entry;
        entry += text.size() + 1;
        // A name may begin with "=", as the hidden "=C:=C:\Tools" do.
        const size_t length = std::min(text.find(L'=', 1), text.size());
        bool same = length == name.size();
        for (size_t i = 0; same && i < length; ++i)
            same = upper(text[i]) == upper(name[i]);
        if (!same) (kept += text) += L'\0';
    }
    return kept += L'\0'; // the block's end; c_str() adds the NUL an empty block needs too
}
