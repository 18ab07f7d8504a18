#include "ui/fade_out_win.h"

#include "ui/fade_out.h"

void FadeOut(HWND window) {
    // Looked up at run time: Windows before 2000 has no layered windows, and
    // there the window simply closes.
    using SetLayered = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    auto setLayered = reinterpret_cast<SetLayered>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SetLayeredWindowAttributes")));
    if (!setLayered) return;
    SetWindowLongA(window, GWL_EXSTYLE, GetWindowLongA(window, GWL_EXSTYLE) | WS_EX_LAYERED);
    for (int opacity : FadeOutSchedule()) {
        setLayered(window, 0, static_cast<BYTE>(opacity), LWA_ALPHA);
        Sleep(FadeStepMilliseconds);
    }
}
