#include "app/single_instance_win.h"

#include <windows.h>

#include "app/texts.h"

namespace {
// Held by the application for its whole life; released by the system at exit.
constexpr char ApplicationMutexName[] = "Local\\Zorvik.Application";
// How long a later instance waits for a starting one's main window.
constexpr DWORD HandOffWaitMilliseconds = 10000;
constexpr DWORD PollMilliseconds = 10;

HANDLE ApplicationMutex;

// True when a main window exists and filed the tail. A window that is closing
// refuses, and the tail waits for the next application instead.
bool HandOverToMainWindow(const std::string& tail) {
    HWND window = FindWindowA(nullptr, MainWindowTitle);
    if (!window) return false;
    COPYDATASTRUCT data;
    data.dwData = HandOffTag;
    data.cbData = static_cast<DWORD>(tail.size() + 1);
    data.lpData = const_cast<char*>(tail.c_str());
    LRESULT filed = SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    return filed == HandOffFiled;
}

bool Acquired(DWORD waitResult) {
    return waitResult == WAIT_OBJECT_0 || waitResult == WAIT_ABANDONED;
}
} // namespace

StartRole ClaimOrHandOver(const std::string& tail) {
    if (HandOverToMainWindow(tail)) return StartRole::HandedOver;
    ApplicationMutex = CreateMutexA(nullptr, FALSE, ApplicationMutexName);
    if (!ApplicationMutex) return StartRole::Application;
    const DWORD start = GetTickCount();
    for (;;) {
        if (Acquired(WaitForSingleObject(ApplicationMutex, PollMilliseconds))) {
            // The last application may have ended just after this tail's first try,
            // and a new one may have opened its window meanwhile: that one gets it.
            if (HandOverToMainWindow(tail)) {
                ReleaseMutex(ApplicationMutex);
                return StartRole::HandedOver;
            }
            return StartRole::Application;
        }
        if (HandOverToMainWindow(tail)) return StartRole::HandedOver;
        if (GetTickCount() - start > HandOffWaitMilliseconds) return StartRole::NotAnswered;
    }
}
