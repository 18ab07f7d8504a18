#include "ui/keyboard_win.h"

#include <oleacc.h>

#include "app/state_win.h"
#include "app/win_util_win.h"
#include "res/resource.h"
#include "ui/batch_window_win.h"

namespace {
// oleacc's Dynamic Annotation service and the name property.
const GUID AccPropServicesClass = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
const GUID AccPropServicesInterface = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
const GUID AccNameProperty = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

WNDPROC ButtonProc; // the button class's own, the same for both buttons

// Screen readers may ask a focused button before its window.
LRESULT CALLBACK NamedButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETOBJECT) NameControls();
    return CallWindowProcA(ButtonProc, button, message, wParam, lParam);
}

// A screen reader names an unnamed field by the static just before it in
// z-order, shown or not.
HWND HiddenLabel(HWND window, const wchar_t* name) {
    return CreateWindowExW(0, L"STATIC", name, WS_CHILD, 0, 0, 0, 0, window, nullptr,
                           ProgramInstance, nullptr);
}

void SetStyle(HWND control, LONG style, bool on) {
    const LONG now = GetWindowLongA(control, GWL_STYLE);
    SetWindowLongA(control, GWL_STYLE, on ? now | style : now & ~style);
}

HWND Results;
bool Filtering; // IsDialogMessage calls the filter hook again

bool OnResultsKey(const MSG& message) {
    if (message.message != WM_KEYDOWN) return false;
    if (message.wParam == VK_ESCAPE)
        SendMessageA(Results, WM_CLOSE, 0, 0); // hides it, as its close box does
    else if (message.wParam == 'A' && GetKeyState(VK_CONTROL) < 0)
        SendMessageA(GetDlgItem(Results, IDC_RESULTS_TEXT), EM_SETSEL, 0, -1);
    else
        return false;
    return true;
}

// A modeless window inside another's modal loop gets no IsDialogMessage of its
// own: the loops of the main window and of all it opens lend it theirs.
LRESULT CALLBACK FilterMessage(int code, WPARAM wParam, LPARAM lParam) {
    MSG& message = *reinterpret_cast<MSG*>(lParam);
    if (code == MSGF_DIALOGBOX && !Filtering) {
        // A multi-line edit closes its dialog on Esc (it posts WM_CLOSE); the
        // batch window's list must not. Its id is the main window hint's too.
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE &&
            GetDlgCtrlID(message.hwnd) == IDC_BATCH_TEXT && IsBatchWindow(GetParent(message.hwnd)))
            return TRUE;
        if (Results && (message.hwnd == Results || IsChild(Results, message.hwnd))) {
            Filtering = true;
            const bool done = OnResultsKey(message) || IsDialogMessageW(Results, &message);
            Filtering = false;
            if (done) return TRUE;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
} // namespace

void SetUpKeyboard(HWND window) {
    HWND combo = MethodCombo;
    HWND methodLabel = GetWindow(combo, GW_HWNDNEXT); // the template's "Method", right after it
    SetStyle(combo, WS_TABSTOP, true);
    SetStyle(HandOffList, WS_TABSTOP, false); // it lies outside the window
    const HWND order[] = {HiddenLabel(window, L"File to pack"),
                          PathField,
                          GetDlgItem(window, IDC_CHOOSE_BUTTON),
                          GetDlgItem(window, IDC_MENU_BUTTON),
                          methodLabel,
                          combo,
                          HiddenLabel(window, L"Method hint"),
                          HintField,
                          GetDlgItem(window, IDC_COMPRESS_BUTTON),
                          GetDlgItem(window, IDC_DECOMPRESS_BUTTON)};
    HWND after = HWND_TOP;
    for (HWND control : order) {
        SetWindowPos(control, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = control;
    }
    // The group boxes, now below the controls, must not paint over ":)", which overlaps one.
    for (HWND rest = GetWindow(after, GW_HWNDNEXT); rest; rest = GetWindow(rest, GW_HWNDNEXT))
        SetStyle(rest, WS_CLIPSIBLINGS, true);
    for (HWND button : {order[2], order[3]})
        ButtonProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NamedButtonProc)));
}

// Buttons are named by their texts (". . .", ":)"); Dynamic Annotation names
// them instead. Its class comes from System32's oleacc itself, not from
// whatever the registry names for it.
void NameControls() {
    static bool named;
    if (named) return;
    named = true;
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto getClassObject = LateBound<GetClassObject>("oleacc.dll", "DllGetClassObject");
    IClassFactory* factory;
    IAccPropServices* services;
    InitialiseComForShell();
    if (!getClassObject || FAILED(getClassObject(AccPropServicesClass, __uuidof(IClassFactory),
                                                 reinterpret_cast<void**>(&factory))))
        return;
    const HRESULT made = factory->CreateInstance(nullptr, AccPropServicesInterface,
                                                 reinterpret_cast<void**>(&services));
    factory->Release();
    if (FAILED(made)) return;
    const struct {
        int id;
        const wchar_t* name;
    } names[] = {{IDC_CHOOSE_BUTTON, L"Choose a file"},
                 {IDC_MENU_BUTTON, L"Menu"},
                 {IDC_METHOD_COMBO, L"Method"}};
    for (const auto& each : names)
        services->SetHwndPropStr(GetDlgItem(MainWindow, each.id), OBJID_CLIENT, CHILDID_SELF,
                                 AccNameProperty, each.name);
    services->Release();
}

// Only once a window needs it: each message of a modal loop passes the hook,
// and until then the main window's loop has nothing for it.
void FilterDialogKeys() {
    static HHOOK hook;
    if (!hook) hook = SetWindowsHookExW(WH_MSGFILTER, FilterMessage, nullptr, GetCurrentThreadId());
}

void WatchResultsKeys(HWND results) {
    Results = results;
    FilterDialogKeys();
}
