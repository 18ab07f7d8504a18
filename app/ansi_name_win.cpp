#include "app/ansi_name_win.h"

#include "app/ansi_names.h"

std::wstring WideFromAnsi(const std::string& text, UINT codePage) {
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (size <= 0) return std::wstring();
    std::wstring wide(size, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, &wide[0], size);
    return wide;
}

// The number of the system's ANSI or OEM code page: the best-fit flags rule
// needs it, and 65001 there refuses them.
static UINT Resolved(UINT codePage) {
    return codePage == CP_ACP ? GetACP() : codePage == CP_OEMCP ? GetOEMCP() : codePage;
}

std::optional<std::string> ExactAnsi(const std::wstring& name, UINT codePage) {
    if (name.empty()) return std::string();
    codePage = Resolved(codePage);
    const bool flagged = TakesBestFitFlags(codePage);
    const DWORD flags = flagged ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL usedDefault = FALSE;
    BOOL* used = flagged ? &usedDefault : nullptr;
    const int length = static_cast<int>(name.size());
    const int size =
        WideCharToMultiByte(codePage, flags, name.data(), length, nullptr, 0, nullptr, used);
    if (size <= 0 || usedDefault) return std::nullopt;
    std::string text(size, '\0');
    if (WideCharToMultiByte(codePage, flags, name.data(), length, &text[0], size, nullptr, used) !=
            size ||
        usedDefault)
        return std::nullopt;
    // Only the way back proves the name: it also catches what a page without
    // those flags changed.
    if (WideFromAnsi(text, codePage) != name) return std::nullopt;
    return text;
}

static bool IsAscii(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

std::optional<std::wstring> ExactWide(const std::string& text, UINT codePage) {
    if (IsAscii(text)) return std::wstring(text.begin(), text.end());
    std::wstring wide = WideFromAnsi(text, codePage);
    if (ExactAnsi(wide, codePage) != text) return std::nullopt;
    return wide;
}

std::optional<std::string> ExactRecode(const std::string& text, UINT from, UINT to) {
    if (IsAscii(text)) return text; // the same bytes in every ANSI and OEM code page
    const std::optional<std::wstring> wide = ExactWide(text, from);
    if (!wide) return std::nullopt;
    return ExactAnsi(*wide, to);
}

bool IsAnsiLeadByte(unsigned char byte) {
    return IsDBCSLeadByteEx(CP_ACP, byte);
}
