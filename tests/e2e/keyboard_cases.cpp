// Use by keyboard alone, with real key strokes (SendInput) to the foreground window, and the
// names a screen reader reads through oleacc.
#include <oleacc.h>

#include "e2e.h"

namespace {

using namespace e2e;

int FocusId(HWND window) { return GetDlgCtrlID(FocusTarget(window)); }

// Presses Tab (with Shift when `back`) `count` times; the control ids the focus went to.
std::vector<std::string> TabIds(HWND window, int count, bool back = false) {
  std::vector<std::string> ids;
  for (int i = 0; i < count; ++i) {
    HWND before = FocusTarget(window);
    back ? SendKeys({VK_SHIFT, VK_TAB}) : SendKeys({VK_TAB});
    ids.push_back(std::to_string(GetDlgCtrlID(WaitForFocusChange(window, before))));
  }
  return ids;
}

// Brings the window forward; its first control on screen then has the focus, or gets it with
// the first Tab where the window was activated without a focus.
void FocusFirst(Case& c, HWND window, int id) {
  c.Require(BringToFront(window), "the window comes to the foreground");
  for (double end = NowMs() + 1000; FocusId(window) != id && NowMs() < end;) Sleep(20);
  if (FocusId(window) != id) TabIds(window, 1);
  c.CheckEqual("the focus on the first control on screen", id, FocusId(window));
}

// Esc and Enter on the focused control leave the window open, with nothing else opened.
void CheckEscEnterDoNothing(Case& c, HWND window, const Process& zorvik, size_t dialogs,
                            const std::string& what) {
  SendKeys({VK_ESCAPE});
  SendKeys({VK_RETURN});
  Sleep(700);
  c.Check(
      IsWindowVisible(window) && WindowAnswers(window) && DialogsOf(zorvik.pid).size() == dialogs,
      what + ": Esc and Enter leave the window open, and open nothing");
}

std::string AccessibleName(HWND control) {
  IAccessible* accessible = nullptr;
  if (FAILED(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                        reinterpret_cast<void**>(&accessible))))
    return "(no accessible object)";
  VARIANT self;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  std::string text = "(no name)";
  if (accessible->get_accName(self, &name) == S_OK && name) {
    text.assign(name, name + SysStringLen(name));  // the expected names are ASCII
    SysFreeString(name);
  }
  accessible->Release();
  return text;
}

}  // namespace

// Tab and Shift+Tab in screen order, never to the hidden hand-off list; Shift+F10 on a button
// opens the menu at ":)" while the pointer is far away; the fields' names; Esc and Enter.
E2E_CASE(keyboard_main_window_tab_order_menu_key_and_names) {
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  FocusFirst(c, window, kPathField);
  CheckEscEnterDoNothing(c, window, zorvik, 1, "main window, on the path field");
  c.CheckEqual("Tab, from the path field round",
               {"1001", "1004", "1003", "1007", "1005", "1006", "1000"}, TabIds(window, 7));
  c.CheckEqual("Shift+Tab from the path field", {"1006", "1005"}, TabIds(window, 2, true));

  SetCursorPos(0, 0);
  POINT cursor = {};
  for (double end = NowMs() + 5000;
       GetCursorPos(&cursor) && (cursor.x || cursor.y) && NowMs() < end;)
    Sleep(20);
  SendKeys({VK_SHIFT, VK_F10});
  HWND popup = WaitForPopupMenu(zorvik.pid);
  c.Require(popup != nullptr, "Shift+F10 on Compress shows the shortcut menu");
  RECT shown, button;
  GetWindowRect(popup, &shown);
  GetWindowRect(GetDlgItem(window, kMenuButton), &button);
  c.Check(std::abs(shown.left - button.left) <= 2 && std::abs(shown.top - button.bottom) <= 2,
          "the menu hangs from \":)\" (" + std::to_string(button.left) + "," +
              std::to_string(button.bottom) + "), not at the pointer; its corner is " +
              std::to_string(shown.left) + "," + std::to_string(shown.top));
  PostKey(popup, VK_ESCAPE);

  CoInitialize(nullptr);
  c.CheckEqual("the path field's name", "File to pack",
               AccessibleName(GetDlgItem(window, kPathField)));
  c.CheckEqual("the hint's name", "Method hint", AccessibleName(GetDlgItem(window, kHintField)));
  CoUninitialize();
  c.CloseMainWindow(window, zorvik, "after the keys");
}

// The batch window: Tab in screen order, the list first; Esc and Enter do nothing.
E2E_CASE(keyboard_batch_window_tab_order_esc_and_enter) {
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  c.Require(PostMessageA(window, WM_COMMAND, kBatchMenuCommand, 0), "post command 899");
  HWND batch = WaitForTopWindow(kBatchTitle, zorvik.pid, 10000, kDialogClass);
  c.Require(batch != nullptr, "the batch window opens");
  FocusFirst(c, batch, kBatchText);
  c.CheckEqual("Tab round the batch window", {"1005", "1006", "1001", "1007"}, TabIds(batch, 4));
  CheckEscEnterDoNothing(c, batch, zorvik, 2, "batch window, on its list");
}

// The outcome of a run brings the results window up without the focus; 905 brings it forward
// with the focus in its text, where Ctrl+A and Ctrl+C work; Tab goes round its controls (the text
// and any other with a tab stop); Esc hides it.
E2E_CASE(keyboard_results_window_show_results_keys_and_esc) {
  const std::string file = c.workDir + "\\app.exe";
  c.Require(WriteWholeFile(file, "MZ"), "create " + file);
  Process& zorvik = c.Start(c.VerbCommandLine(file));
  HWND window = c.WaitForMainWindow(zorvik);
  FocusFirst(c, window, kPathField);
  HWND focus = FocusTarget(window);
  c.Require(ClickButton(window, kCompressButton), "press Compress");
  HWND results = WaitForTopWindow(kResultsTitle, zorvik.pid, 10000, kDialogClass);
  c.Require(results != nullptr, "the run opens the results window");
  HWND text = GetDlgItem(results, kResultsText);
  for (double end = NowMs() + 20000;
       TextOf(text).find(" bytes") == std::string::npos && NowMs() < end;)
    Sleep(50);
  Sleep(500);
  c.Check(GetForegroundWindow() == window && FocusTarget(window) == focus,
          "the outcome leaves the focus where it was");

  c.Require(PostMessageA(window, WM_COMMAND, 905, 0), "post command 905");
  auto focused = [&] { return GetForegroundWindow() == results && FocusTarget(results) == text; };
  for (double end = NowMs() + 5000; !focused() && NowMs() < end;) Sleep(20);
  c.Require(focused(), "905 brings the results window forward with the focus in its text");
  SendKeys({VK_CONTROL, 'A'});
  Sleep(300);
  const std::wstring shown = WideTextOf(text);
  c.CheckEqual("Ctrl+A selects the whole text", MAKELONG(0, shown.size()),
               SendMessageW(text, EM_GETSEL, 0, 0));
  if (OpenClipboard(nullptr)) EmptyClipboard(), CloseClipboard();
  SendKeys({VK_CONTROL, 'C'});
  Sleep(300);
  std::wstring copied;
  if (OpenClipboard(nullptr)) {
    if (const wchar_t* data = static_cast<const wchar_t*>(GetClipboardData(CF_UNICODETEXT)))
      copied = data;
    CloseClipboard();
  }
  c.Check(!shown.empty() && copied == shown, "Ctrl+C copies the whole text");

  std::vector<std::string> stops;  // the tab stops after the text, and the text again
  for (HWND child = GetWindow(text, GW_HWNDNEXT);; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!child) child = GetWindow(text, GW_HWNDFIRST);
    if (child != text &&
        (GetWindowLongA(child, GWL_STYLE) & (WS_TABSTOP | WS_VISIBLE)) != (WS_TABSTOP | WS_VISIBLE))
      continue;
    stops.push_back(std::to_string(GetDlgCtrlID(child)));
    if (child == text) break;
  }
  c.CheckEqual("Tab round the results window", stops, TabIds(results, int(stops.size())));
  std::vector<std::string> back(stops.rbegin() + 1, stops.rend());
  back.push_back(stops.back());
  c.CheckEqual("Shift+Tab round the results window", back,
               TabIds(results, int(stops.size()), true));

  SendKeys({VK_ESCAPE});
  for (double end = NowMs() + 5000; IsWindowVisible(results) && NowMs() < end;) Sleep(20);
  c.Check(!IsWindowVisible(results) && IsRunning(zorvik), "Esc hides the results window");
}
