#include "app/win_util_win.h"

#include <shellapi.h>

#include "app/texts.h"

void ShellOpen(const std::string& target, const char* parameters, int showMode) {
    static auto shellExecute = LateBound<decltype(&ShellExecuteA)>("shell32.dll", "ShellExecuteA");
    if (shellExecute) shellExecute(nullptr, "open", target.c_str(), parameters, nullptr, showMode);
}

std::string WindowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(length + 1, '\0');
    int copied = GetWindowTextA(window, &text[0], length + 1);
    text.resize(copied > 0 ? copied : 0);
    return text;
}

std::vector<std::string> ListBoxTexts(HWND listBox) {
    std::vector<std::string> texts;
    LRESULT count = SendMessageA(listBox, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageA(listBox, LB_GETTEXTLEN, i, 0);
        if (length == LB_ERR) continue;
        std::string text(length + 1, '\0');
        LRESULT copied = SendMessageA(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(copied > 0 ? copied : 0);
        texts.push_back(text);
    }
    return texts;
}

std::wstring ModuleFileName() {
    // Grow until the whole name fits: a cut name would point at another folder.
    for (DWORD size = MAX_PATH;; size *= 2) {
        std::wstring name(size, L'\0');
        DWORD length = GetModuleFileNameW(nullptr, &name[0], size);
        if (length < size) {
            name.resize(length);
            return name;
        }
        if (size >= 32768 * 4) return std::wstring();
    }
}

std::wstring FullPathName(const std::wstring& path) {
    DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(path.c_str(), length, &full[0], nullptr);
    full.resize(length);
    return full;
}

void ShowError(HWND owner, const std::string& text) {
    MessageBoxA(owner, text.c_str(), ZorvikCaption, MB_OK | MB_ICONWARNING);
}

void ShowError(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), ZorvikCaptionW, MB_OK | MB_ICONWARNING);
}
