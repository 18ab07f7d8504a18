// The main window: path field, method drop-down, and the hidden list of
// command lines that later instances handed over.
#include "ui/main_window_win.h"

#include <shellapi.h>

#include <algorithm>

#include "app/ansi_name_win.h"
#include "app/ansi_names.h"
#include "app/command_tail.h"
#include "app/handles_win.h"
#include "app/single_instance_win.h"
#include "app/state_win.h"
#include "app/texts.h"
#include "app/trace_win.h"
#include "app/win_util_win.h"
#include "packer/commands_win.h"
#include "packer/script_win.h"
#include "packer/single_run_win.h"
#include "res/resource.h"
#include "ui/batch_window_win.h"
#include "ui/fade_out_win.h"
#include "ui/file_chooser_win.h"
#include "ui/folder_walk_win.h"
#include "ui/keyboard_win.h"
#include "ui/logo_win.h"
#include "ui/menu_win.h"
#include "ui/method_table.h"
#include "ui/results_window_win.h"

namespace {
// Set once the window starts to close: hand-offs then wait for the next
// application instead of vanishing with this one.
bool Closing;

// Posted at start-up when a start on a folder left files out or found none.
constexpr UINT TellFolderLeftOut = WM_APP + 2;

// Files one handed-over command line; HandOffFiled, or 0 when it was not filed.
LRESULT FileHandOffText(const std::wstring& text) {
    const LRESULT at =
        SendMessageW(HandOffList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (at < 0) return 0;
    const size_t row = std::min(static_cast<size_t>(at), HandOffTexts.size());
    HandOffTexts.insert(HandOffTexts.begin() + row, text);
    return HandOffFiled;
}

// Read within the bytes that came. ANSI bytes that are no ANSI text never come
// from a Zorvik, and read as other letters they could name another file: they
// are not filed.
LRESULT FileHandOff(const COPYDATASTRUCT* data) {
    if (Closing) return 0;
    if (data->dwData == HandOffTagWide)
        return FileHandOffText(HandOffPayloadWide(data->lpData, data->cbData));
    if (data->dwData != HandOffTag) return 0;
    const std::optional<std::wstring> text =
        ExactWide(HandOffPayloadText(static_cast<const char*>(data->lpData), data->cbData));
    return text ? FileHandOffText(*text) : 0;
}

// A start on a folder files its files after the first as later starts would have.
void FileStartFolder(HWND window) {
    for (const std::string& tail : StartFolder.taken)
        FileHandOffText(WideFromAnsi(tail));
    const WalkedFiles& left = StartFolder;
    if (!left.notTaken.empty() || !left.cappedIn.empty() || !left.withoutFiles.empty())
        PostMessageA(window, TellFolderLeftOut, 0, 0);
}

// Hand-offs are answered here, ahead of the dialog manager: a dialog procedure's answer goes
// through DWLP_MSGRESULT, which under Wine is a round trip to the server, once for each of
// thousands of hand-offs in a batch.
WNDPROC DialogManagerProc;

LRESULT CALLBACK HandOffProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) return FileHandOff(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    return CallWindowProcW(DialogManagerProc, window, message, wParam, lParam);
}

void SetUpMainWindow(HWND window) {
    FitLogo(WindowDpi(window));
    TraceStep("WM_INITDIALOG: logo fitted");
    MethodCombo = GetDlgItem(window, IDC_METHOD_COMBO);
    for (const CompressionMethod& method : MethodTable)
        SendMessageA(MethodCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(method.label));
    SendMessageA(MethodCombo, CB_SELECTSTRING, 0, reinterpret_cast<LPARAM>(MethodTable[0].label));
    TraceStep("WM_INITDIALOG: methods listed");
    HintField = GetDlgItem(window, IDC_HINT_FIELD);
    SetWindowTextA(HintField, MethodTable[0].hint);
    TraceStep("WM_INITDIALOG: hint set");
    PathField = GetDlgItem(window, IDC_PATH_FIELD);
    if (CommandLineText.empty())
        SetWindowTextA(PathField, PromptText);
    else
        SetWindowTextW(PathField, CommandLineText.c_str());
    TraceStep("WM_INITDIALOG: path field filled");
}

void OnInitDialog(HWND window) {
    TraceStep("WM_INITDIALOG entered");
    HandOffList = GetDlgItem(window, IDC_HANDOFF_LIST);
    // The list is never seen: repainting its scroll bar for every hand-off made
    // a batch of thousands crawl.
    SendMessageA(HandOffList, WM_SETREDRAW, FALSE, 0);
    DialogManagerProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HandOffProc)));
    TraceStep("WM_INITDIALOG: hand-off list ready");
    SetUpMainWindow(window);
    SetUpKeyboard(window);
    MainWindow = window;
    FileStartFolder(window);
    TraceStep("WM_INITDIALOG done");
}

void OnPaint(HWND window) {
    TraceStep("first WM_PAINT entered");
    PaintDc paint(window);
    PaintLogo(paint.Get());
    TraceStep("first WM_PAINT done: logo painted");
}

// Windows (10 1703 on) lays the dialog and its controls out anew for the new
// DPI once this returns; only the logo is Zorvik's to fit.
void OnDpiChanged(HWND window, UINT dpi) {
    FitLogo(dpi);
    InvalidateRect(window, nullptr, TRUE);
}

void OnMouseMove(HWND window, WPARAM keys) {
    // Dragging the background moves the window, as the caption would.
    if (keys & MK_LBUTTON) SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

// Shift+F10 and the Apps key (at -1, -1) open the menu at ":)", which the
// keyboard user's eyes are near, not at a pointer that may be anywhere. The
// text fields keep their own menu; a mouse's menu opens on WM_RBUTTONDOWN.
void OnContextMenu(HWND window, LPARAM at) {
    if (static_cast<DWORD>(at) == 0xFFFFFFFF) ShowShortcutMenu(window, true);
}

void OnDropFiles(HDROP drop) {
    OpenBatchWindow(DroppedPaths(drop));
}

void OnClose(HWND window) {
    if (Closing) return; // a second close while stopped runs are put right
    Closing = true;
    PutStoppedRunsRight(3000);
    DeleteScripts();
    FadeOut(window);
    EndDialog(window, 0);
}

void OnCommand(HWND window, WORD id) {
    switch (id) {
    case IDC_CHOOSE_BUTTON:
        ChooseFile(window);
        break;
    case IDC_MENU_BUTTON:
        ShowShortcutMenu(window);
        break;
    case IDC_COMPRESS_BUTTON:
        if (CompressCommand(window)) ShowNewResults(window);
        break;
    case IDC_DECOMPRESS_BUTTON:
        if (DecompressCommand(window)) ShowNewResults(window);
        break;
    default:
        RunMenuCommand(window, id); // IDOK and IDCANCEL (Esc) do nothing
        break;
    }
}
} // namespace

void UpdateMethodHint() {
    int row = static_cast<int>(SendMessageA(MethodCombo, CB_GETCURSEL, 0, 0));
    if (const char* hint = MethodHint(row)) SetWindowTextA(HintField, hint);
}

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(window);
        break;
    case WM_SETFONT: // the dialog's window is made; its controls come next
        TraceStep("dialog window made (WM_SETFONT)");
        break;
    case WM_SHOWWINDOW:
        TraceStep("window shown (WM_SHOWWINDOW)");
        break;
    case WM_PAINT:
        OnPaint(window);
        break;
    case WM_DPICHANGED:
        OnDpiChanged(window, LOWORD(wParam));
        break;
    case WM_MOUSEMOVE:
        OnMouseMove(window, wParam);
        break;
    case WM_RBUTTONDOWN:
        ShowShortcutMenu(window);
        break;
    case WM_CONTEXTMENU:
        OnContextMenu(window, lParam);
        break;
    case WM_GETOBJECT:
        NameControls();
        break;
    case WM_SYSCOLORCHANGE: // the logo's way of painting follows the colours
        InvalidateRect(window, nullptr, TRUE);
        break;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        break;
    case WM_CLOSE:
        OnClose(window);
        break;
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        if (HIWORD(wParam) == CBN_SELCHANGE) UpdateMethodHint();
        break;
    case TellFolderLeftOut:
        TellLeftOut(window, StartFolder);
        break;
    }
    return FALSE;
}
