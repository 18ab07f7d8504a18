#include "app/win_util_win.h"

#include <bcrypt.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstring>

#include "app/ansi_name_win.h"
#include "app/ansi_names.h"
#include "app/texts.h"

void LoadDllsFromSystem32Only() {
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    auto setDefault = reinterpret_cast<SetDefaultDirectories>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    // Windows 7 without its loader update (KB2533623) lacks it; there at least
    // the current folder is taken out of the search.
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

HMODULE LoadSystemLibrary(const char* dll) {
    const std::wstring name = WidenAscii(dll);
    if (HMODULE module = LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return module;
    // Without the loader update the flag is refused: name the file in System32.
    const std::wstring folder = SystemFolder();
    if (GetLastError() != ERROR_INVALID_PARAMETER || folder.empty()) return nullptr;
    return LoadLibraryW((folder + L"\\" + name).c_str());
}

// Not advapi32's RtlGenRandom: Windows forwards it to cryptbase, which is no KnownDLL.
bool RandomBytes(void* bytes, unsigned long size) {
    static auto generate = LateBound<decltype(&BCryptGenRandom)>("bcrypt.dll", "BCryptGenRandom");
    return generate && generate(nullptr, static_cast<PUCHAR>(bytes), size,
                                BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0; // Windows 7 on
}

void InitialiseComForShell() {
    static bool initialised = false;
    if (initialised) return;
    initialised = true;
    using Initialise = HRESULT(WINAPI*)(void*, DWORD);
    if (auto initialise = LateBound<Initialise>("ole32.dll", "CoInitializeEx"))
        initialise(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
}

void ShellOpen(const std::string& target, const char* parameters, int showMode) {
    static auto shellExecute = LateBound<decltype(&ShellExecuteA)>("shell32.dll", "ShellExecuteA");
    InitialiseComForShell();
    if (shellExecute) shellExecute(nullptr, "open", target.c_str(), parameters, nullptr, showMode);
}

static std::string ToUtf8(const wchar_t* wide, int units) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
    std::string utf8(length > 0 ? length : 0, '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide, units, &utf8[0], length, nullptr, nullptr);
    return utf8;
}

std::string Utf8FromWide(const std::wstring& wide) {
    return ToUtf8(wide.data(), int(wide.size()));
}

std::string AnsiToUtf8(const std::string& ansi) {
    const std::wstring wide = WideFromAnsi(ansi);
    return ToUtf8(wide.data(), int(wide.size()));
}

std::string Utf16LeToUtf8(const std::string& bytes) {
    std::vector<wchar_t> wide(bytes.size() / 2 + 1, L'\0');
    memcpy(wide.data(), bytes.data(), bytes.size() / 2 * 2);
    return ToUtf8(wide.data(), int(bytes.size() / 2));
}

std::wstring Utf8ToWide(const std::string& utf8) {
    return WideFromAnsi(utf8, CP_UTF8);
}

UINT WindowDpi(HWND window) {
    static auto getDpiForWindow = LateBound<UINT(WINAPI*)(HWND)>("user32.dll", "GetDpiForWindow");
    if (UINT dpi = getDpiForWindow ? getDpiForWindow(window) : 0) return dpi;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

std::string WindowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(length + 1, '\0');
    int copied = GetWindowTextA(window, &text[0], length + 1);
    text.resize(copied > 0 ? copied : 0);
    return text;
}

std::wstring WideWindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(length + 1, L'\0');
    const int copied = GetWindowTextW(window, &text[0], length + 1);
    text.resize(copied > 0 ? copied : 0);
    return text;
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

bool ReadFileId(HANDLE file, unsigned long long& volume, unsigned char (&id)[16], bool& wide) {
    struct { // FILE_ID_INFO, which headers for Windows 7 lack
        ULONGLONG volume;
        unsigned char id[16];
    } read = {};
    constexpr auto FileIdInfoClass = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
    wide = GetFileInformationByHandleEx(file, FileIdInfoClass, &read, sizeof read);
    if (!wide) {
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(file, &info)) return false;
        read.volume = info.dwVolumeSerialNumber;
        std::memcpy(read.id, &info.nFileIndexLow, 4);
        std::memcpy(read.id + 4, &info.nFileIndexHigh, 4);
    }
    volume = read.volume;
    std::memcpy(id, read.id, sizeof id);
    return true;
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
