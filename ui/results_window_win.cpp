#include "ui/results_window_win.h"

#include <algorithm>
#include <string>

#include "app/state_win.h"
#include "app/texts.h"
#include "app/win_util_win.h"
#include "packer/single_run_win.h"
#include "res/resource.h"
#include "ui/keyboard_win.h"

namespace {
HWND Results;
std::string ShownText; // what the edit shows, so that an unchanged text is not set again

// While a run goes on, a timer looks for ended packers and counts the time;
// nothing waits on a packer, so the main window never stops answering.
const UINT_PTR PollTimer = 1;
const UINT PollMilliseconds = 250;

// Fits the edit and the Stop button to the client area, for a size the user gave or one that a DPI
// change gave.
const UINT FitEdit = WM_APP + 1;

// On the main window's monitor, beside it where there is room.
void PlaceBesideMainWindow(HWND window) {
    RECT main, own;
    MONITORINFO monitor = {sizeof monitor, {}, {}, 0};
    if (!GetWindowRect(MainWindow, &main) || !GetWindowRect(window, &own) ||
        !GetMonitorInfoW(MonitorFromWindow(MainWindow, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& area = monitor.rcWork;
    const int width = own.right - own.left;
    const int gap = MulDiv(8, WindowDpi(MainWindow), USER_DEFAULT_SCREEN_DPI);
    int x = main.right + gap;
    if (x + width > area.right) x = main.left - gap - width;
    if (x < area.left) x = std::max(area.left, area.right - width); // no room on either side
    SetWindowPos(window, nullptr, x, main.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Sets the text and keeps the user's selection and scroll position, or, for a
// new entry, scrolls to the start of the last line.
void SetText(const std::string& text, bool newEntry) {
    HWND edit = GetDlgItem(Results, IDC_RESULTS_TEXT);
    DWORD from = 0, to = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    const LRESULT firstLine = SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageA(edit, WM_SETREDRAW, FALSE, 0);
    SetWindowTextW(edit, Utf8ToWide(text).c_str());
    if (newEntry) {
        const LRESULT lines = SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
        const LRESULT last = SendMessageA(edit, EM_LINEINDEX, lines - 1, 0);
        SendMessageA(edit, EM_SETSEL, last, last);
        SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    } else {
        SendMessageA(edit, EM_SETSEL, from, to);
        SendMessageA(edit, EM_LINESCROLL, 0, firstLine);
    }
    SendMessageA(edit, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(edit, nullptr, TRUE);
    ShownText = text;
}

// Stop works while a run goes on or waits. The focus leaves a button that
// goes grey for the text, so that the keyboard still reaches the window.
void EnableStop(bool enable) {
    HWND stop = GetDlgItem(Results, IDC_STOP_BUTTON);
    if (!enable && GetFocus() == stop)
        SendMessageW(Results, WM_NEXTDLGCTL,
                     reinterpret_cast<WPARAM>(GetDlgItem(Results, IDC_RESULTS_TEXT)), TRUE);
    EnableWindow(stop, enable);
}

void Refresh(const RunsNow& runs, bool newEntry) {
    if (newEntry || runs.text != ShownText) SetText(runs.text, newEntry);
    EnableStop(runs.goesOn);
}

// Shows the window and the entries as they stand; false when the window
// cannot be created, or no run would ever be seen to end.
bool Show(bool newEntry);

void OnTimer(HWND window) {
    const RunsNow runs = LookAtRuns();
    if (!runs.goesOn) KillTimer(window, PollTimer);
    if (runs.ended) {
        Show(false); // each outcome brings the window back, without the focus
        // Screen readers learn of the outcome from the text's value change.
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, GetDlgItem(window, IDC_RESULTS_TEXT), OBJID_CLIENT,
                       CHILDID_SELF);
    } else {
        Refresh(runs, false);
    }
}

// The Stop button keeps its size, which Windows scales with the window's DPI,
// in the bottom right corner; the edit fills the rest above it.
void OnFitEdit(HWND window) {
    RECT client, button;
    HWND stop = GetDlgItem(window, IDC_STOP_BUTTON);
    GetClientRect(window, &client);
    GetWindowRect(stop, &button);
    const int width = button.right - button.left, height = button.bottom - button.top;
    const int gap = height / 4, top = std::max(0, int(client.bottom) - height - gap);
    SetWindowPos(stop, nullptr, client.right - width - gap, top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(GetDlgItem(window, IDC_RESULTS_TEXT), nullptr, 0, 0, client.right,
                 std::max(0, top - gap), SWP_NOZORDER | SWP_NOACTIVATE);
}

void OnStop() {
    StopSingleFileRuns();
    Show(false); // the stopped runs' lines
}

INT_PTR CALLBACK ResultsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        PlaceBesideMainWindow(window);
        OnFitEdit(window);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_STOP_BUTTON) OnStop();
        break;
    case WM_TIMER:
        OnTimer(window);
        break;
    case WM_SIZE:
    case FitEdit:
        OnFitEdit(window);
        break;
    case WM_DPICHANGED:
        // Windows scales the window and its edit after this returns; the edit must then still
        // fill it exactly.
        PostMessageW(window, FitEdit, 0, 0);
        break;
    case WM_CLOSE:
        ShowWindow(window, SW_HIDE); // closed, not gone: the next outcome brings it up again
        return TRUE;
    }
    return FALSE;
}

bool Show(bool newEntry) {
    if (!Results) {
        Results = CreateDialogParamW(ProgramInstance, MAKEINTRESOURCEW(IDD_RESULTS_WINDOW), nullptr,
                                     ResultsWindowProc, 0);
        if (!Results) return false;
        WatchResultsKeys(Results);
    }
    const RunsNow runs = LookAtRuns();
    Refresh(runs, newEntry);
    const LONG style = GetWindowLongA(Results, GWL_STYLE);
    if (!(style & WS_VISIBLE) || (style & WS_MINIMIZE)) ShowWindow(Results, SW_SHOWNOACTIVATE);
    // Without its timer no run would ever be seen to end.
    return !runs.goesOn || SetTimer(Results, PollTimer, PollMilliseconds, nullptr) != 0;
}
} // namespace

namespace {
bool ShowOrSay(HWND owner, bool newEntry) {
    if (Show(newEntry)) return true;
    MessageBoxA(owner, "The results window could not be opened.", ZorvikCaption,
                MB_OK | MB_ICONWARNING);
    return false;
}
} // namespace

void ShowNewResults(HWND owner) {
    ShowOrSay(owner, true);
}

void ShowResultsWithFocus(HWND owner) {
    if (!ShowOrSay(owner, false)) return;
    SetForegroundWindow(Results);
    // As the dialog manager moves the focus, so it restores it there later.
    SendMessageA(Results, WM_NEXTDLGCTL,
                 reinterpret_cast<WPARAM>(GetDlgItem(Results, IDC_RESULTS_TEXT)), TRUE);
}
