// Thin helpers at the Win32 boundary: texts in and out of windows, the shell.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Limits where DLLs come from to System32, for the whole process: Windows
// would otherwise look in Zorvik's own folder (a downloads folder, where
// anyone may have left a DLL named like a system one) before System32.
// The first thing Zorvik does.
void LoadDllsFromSystem32Only();
std::wstring SystemFolder(); // System32, without a trailing backslash
// A DLL of System32 by its bare name, never one found elsewhere.
HMODULE LoadSystemLibrary(const char* dll);

// Fills `bytes` from the system's random source, System32's bcrypt, loaded on
// first use (on the window thread, see LateBound). False when it gives nothing.
bool RandomBytes(void* bytes, unsigned long size);

// A function of a DLL that only some runs need, found when it is first needed:
// a later instance, which only hands its file over, then loads neither the
// shell nor the common dialogs and is gone sooner. The DLL stays loaded.
// Callers keep the result in a function-local static, which Zorvik builds without a
// thread-safe guard (see CMakeLists.txt): the first call comes from the window thread.
template <typename Function> Function LateBound(const char* dll, const char* name) {
    HMODULE module = LoadSystemLibrary(dll);
    if (!module) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// COM, apartment-threaded, on the window thread, as the shell and the file
// chooser ask of their callers; once, before the first of them.
void InitialiseComForShell();

// Hands a file, folder, script or address to the shell with the verb "open".
void ShellOpen(const std::string& target, const char* parameters, int showMode);

// Text between the ANSI code page, UTF-8 and the wide form of the W calls.
std::string AnsiToUtf8(const std::string& ansi);
std::string Utf8FromWide(const std::wstring& wide);
std::string Utf16LeToUtf8(const std::string& bytes); // little-endian code units
std::wstring Utf8ToWide(const std::string& utf8);

// The DPI the window is laid out for: its monitor's under per-monitor awareness
// (Windows 10 1607 on), else the system's.
UINT WindowDpi(HWND window);

std::string WindowText(HWND window);
std::wstring WideWindowText(HWND window);
// Names that Zorvik does not hand on are kept in UTF-16.
std::wstring ModuleFileName();
std::wstring FullPathName(const std::wstring& path);

// Which file an open handle is, whatever the path's spelling: FileIdInfo's 128-bit id with
// the volume's serial (ReFS needs all 128 bits), or where that is refused (Windows 7, some
// file systems) the 64-bit index with the 32-bit serial; `wide` says which. False when
// neither answers.
bool ReadFileId(HANDLE file, unsigned long long& volume, unsigned char (&id)[16], bool& wide);

void ShowError(HWND owner, const std::string& text);
// For texts that name a file the ANSI code page may not spell.
void ShowError(HWND owner, const std::wstring& text);
