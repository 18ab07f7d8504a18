#include "packer/script_win.h"

#include <cstdio>
#include <vector>

#include "app/state_win.h"
#include "app/win_util_win.h"

namespace {
// cmd reads a script in the console's OEM code page, Zorvik's paths are ANSI:
// re-encode, and refuse a path that the OEM code page cannot spell.
std::optional<std::string> ToConsoleCodePage(const std::string& ansi) {
    bool ascii = true;
    for (unsigned char c : ansi)
        ascii = ascii && c < 0x80;
    if (ascii) return ansi;
    int wideLength = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(),
                                         static_cast<int>(ansi.size()), nullptr, 0);
    if (wideLength <= 0) return std::nullopt;
    std::vector<wchar_t> wide(wideLength);
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), static_cast<int>(ansi.size()),
                        &wide[0], wideLength);
    BOOL lossy = FALSE;
    int length = WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength,
                                     nullptr, 0, nullptr, &lossy);
    if (length <= 0 || lossy) return std::nullopt;
    std::string oem(length, '\0');
    WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, &oem[0], length,
                        nullptr, &lossy);
    if (lossy) return std::nullopt;
    return oem;
}

bool WriteWholeFile(const char* name, const std::string& bytes) {
    FILE* file = std::fopen(name, "wb");
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
} // namespace

void WriteAndOpenScript(HWND owner, ScriptKind kind, const std::vector<std::string>& entries,
                        EntryStyle style) {
    const char* name = ScriptName(kind);
    Script script = ComposeScript(kind, Paths.PackerPath, entries, style, ToConsoleCodePage);
    if (!script.leftOut.empty()) ShowError(owner, LeftOutText(script.leftOut));
    // A script that is not written now must not run: an older one of the same
    // name would pack files the user did not choose.
    if (script.bytes.empty() || !WriteWholeFile(name, script.bytes)) {
        ShowError(owner, ScriptNotWrittenText(FullPathName(name)));
        return;
    }
    ShellOpen(name, nullptr, SW_SHOW);
}

void DeleteScripts() {
    DeleteFileA(PackScript);
    DeleteFileA(UnpackScript);
}
