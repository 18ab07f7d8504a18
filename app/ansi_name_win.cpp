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

std::optional<std::string> ExactAnsi(const std::wstring& name, UINT codePage) {
    if (name.empty()) return std::string();
    if (codePage == CP_ACP) codePage = GetACP();
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
