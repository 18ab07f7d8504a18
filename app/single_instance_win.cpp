#include "app/single_instance_win.h"

#include <windows.h>

#include "app/ansi_name_win.h"
#include "app/texts.h"

namespace {
// Held by the application for its whole life; released by the system at exit.
constexpr char ApplicationMutexName[] = "Local\\Zorvik.Application";
// How long a later instance waits for a starting one's main window.
constexpr DWORD HandOffWaitMilliseconds = 10000;
constexpr DWORD PollMilliseconds = 10;

HANDLE ApplicationMutex;

// The role this start takes from one try at the running main window, or
// nothing while there is none or it is closing: a closing window refuses, and
// the tail waits for the next application instead.
std::optional<StartRole> TryHandOver(const std::optional<std::wstring>& tail) {
    HWND window = FindWindowA(nullptr, MainWindowTitle);
    if (!window) return std::nullopt;
    if (!tail) return StartRole::NotHanded;
    COPYDATASTRUCT data;
    const std::optional<std::string> ansi = ExactAnsi(*tail);
    if (ansi) {
        data.dwData = HandOffTag;
        data.cbData = static_cast<DWORD>(ansi->size() + 1);
        data.lpData = const_cast<char*>(ansi->c_str());
    } else {
        data.dwData = HandOffTagWide;
        data.cbData = static_cast<DWORD>((tail->size() + 1) * sizeof(wchar_t));
        data.lpData = const_cast<wchar_t*>(tail->c_str());
    }
    SetLastError(0);
    DWORD_PTR answer = 0;
    // Bounded: a hung window would otherwise hold up every start behind it.
    if (!SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, HandOffWaitMilliseconds, &answer)) {
        const DWORD error = GetLastError();
        if (error == ERROR_INVALID_WINDOW_HANDLE) return std::nullopt; // it has just closed
        if (error != HandOffAccessDenied) return StartRole::NotAnswered;
    }
    switch (HandOffOutcome(static_cast<long>(answer), GetLastError())) {
    case HandOffResult::Filed:
        return StartRole::HandedOver;
    case HandOffResult::Elevated:
        return StartRole::Elevated;
    case HandOffResult::NotFiled:
        break;
    }
    return std::nullopt;
}

bool Acquired(DWORD waitResult) {
    return waitResult == WAIT_OBJECT_0 || waitResult == WAIT_ABANDONED;
}
} // namespace

StartRole ClaimOrHandOver(const std::optional<std::wstring>& tail) {
    if (std::optional<StartRole> role = TryHandOver(tail)) return *role;
    ApplicationMutex = CreateMutexA(nullptr, FALSE, ApplicationMutexName);
    if (!ApplicationMutex) return StartRole::Application;
    const DWORD start = GetTickCount();
    for (;;) {
        if (Acquired(WaitForSingleObject(ApplicationMutex, PollMilliseconds))) {
            // The last application may have ended just after this tail's first try,
            // and a new one may have opened its window meanwhile: that one gets it.
            if (std::optional<StartRole> role = TryHandOver(tail)) {
                ReleaseMutex(ApplicationMutex);
                return *role;
            }
            return StartRole::Application;
        }
        if (std::optional<StartRole> role = TryHandOver(tail)) return *role;
        if (GetTickCount() - start > HandOffWaitMilliseconds) return StartRole::NotAnswered;
    }
}
