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
    HWND before = FocusTarget(window), now = before;
    back ? SendKeys({VK_SHIFT, VK_TAB}) : SendKeys({VK_TAB});
    for (double end = NowMs() + 3000; now == before && NowMs() < end; Sleep(20))
      now = FocusTarget(window);
    ids.push_back(std::to_string(GetDlgCtrlID(now)));
  }
  return ids;
}

// Brings the window forward with the focus on `id`, its first control on screen: there already,
// or after one Tab where the window was activated without a focus.
void FocusFirst(Case& c, HWND window, int id) {
  SetForegroundWindow(window);
  auto there = [&] { return GetForegroundWindow() == window && FocusId(window) == id; };
  for (double end = NowMs() + 3000; !there() && NowMs() < end;) Sleep(20);
  if (FocusId(window) != id) TabIds(window, 1);
  c.Require(there(), "focus on " + std::to_string(id));
}

std::string AccessibleName(HWND control) {
  IAccessible* accessible = nullptr;
  BSTR name = nullptr;
  VARIANT self = {};
  self.vt = VT_I4;  // lVal CHILDID_SELF (0)
  if (SUCCEEDED(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&accessible))))
    accessible->get_accName(self, &name), accessible->Release();
  std::string text(name, name + SysStringLen(name));  // the expected names are ASCII
  SysFreeString(name);
  return text;
}

}  // namespace

// Tab and Shift+Tab in screen order, never to the hidden hand-off list; Shift+F10 on a button
// opens the menu at ":)" while the pointer is far away; the fields' names.
E2E_CASE(keyboard_main_window_tab_order_menu_key_and_names) {
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  FocusFirst(c, window, kPathField);
  c.CheckEqual("Tab from the path field round",
               {"1001", "1004", "1003", "1007", "1005", "1006", "1000"}, TabIds(window, 7));
  c.CheckEqual("Shift+Tab from the path field", {"1006", "1005"}, TabIds(window, 2, true));
  POINT cursor = {};
  SetCursorPos(0, 0);
  for (double end = NowMs() + 5000; GetCursorPos(&cursor) && cursor.x + cursor.y && NowMs() < end;)
    Sleep(20);
  SendKeys({VK_SHIFT, VK_F10});
  HWND popup = WaitForPopupMenu(zorvik.pid);
  c.Require(popup != nullptr, "Shift+F10 on Compress shows the shortcut menu");
  RECT shown, button;
  GetWindowRect(popup, &shown);
  GetWindowRect(GetDlgItem(window, kMenuButton), &button);
  c.Check(std::abs(shown.left - button.left) <= 2 && std::abs(shown.top - button.bottom) <= 2,
          "the menu hangs from \":)\", not from the pointer at 0,0; its corner is " +
              std::to_string(shown.left) + "," + std::to_string(shown.top));
  PostKey(popup, VK_ESCAPE);
  CoInitialize(nullptr);
  c.CheckEqual("the path field's name", "File to pack",
               AccessibleName(GetDlgItem(window, kPathField)));
  c.CheckEqual("the hint's name", "Method hint", AccessibleName(GetDlgItem(window, kHintField)));
  CoUninitialize();
  c.CloseMainWindow(window, zorvik, "after the keys");
}

// The batch window: Tab in screen order, from its list; Esc and Enter there do nothing.
E2E_CASE(keyboard_batch_window_tab_order_esc_and_enter) {
  Process& zorvik = c.Start(c.BareCommandLine());
  c.Require(PostMessageA(c.WaitForMainWindow(zorvik), WM_COMMAND, kBatchMenuCommand, 0), "899");
  HWND batch = WaitForTopWindow(kBatchTitle, zorvik.pid, 10000, kDialogClass);
  c.Require(batch != nullptr, "the batch window opens");
  FocusFirst(c, batch, kBatchText);
  c.CheckEqual("Tab round the batch window", {"1005", "1006", "1001", "1007"}, TabIds(batch, 4));
  SendKeys({VK_ESCAPE});
  SendKeys({VK_RETURN});
  Sleep(700);
  c.Check(IsWindowVisible(batch) && DialogsOf(zorvik.pid).size() == 2, "Esc and Enter do nothing");
}

// 905 brings the results window forward with the focus in its text; Tab goes round its tab
// stops, Stop among them while a packer runs; a run's outcome leaves the focus where it was;
// Ctrl+A; Esc hides it.
E2E_CASE(keyboard_results_window_show_results_keys_and_esc) {
  c.Require(WriteWholeFile(c.workDir + "\\app.exe", "MZ"), "create app.exe");
  PackerHold hold(c.progDir + "\\hold");
  Process& zorvik =
      c.StartWithEnvironment(c.VerbCommandLine(c.workDir + "\\app.exe"), {hold.Knob()});
  HWND window = c.WaitForMainWindow(zorvik);
  FocusFirst(c, window, kPathField);
  c.Require(ClickButton(window, kCompressButton), "press Compress");
  HWND results = WaitForTopWindow(kResultsTitle, zorvik.pid, 10000, kDialogClass);
  HWND text = GetDlgItem(results, kResultsText);
  auto focused = [&] { return GetForegroundWindow() == results && FocusTarget(results) == text; };
  auto showResults = [&](const std::string& when) {
    c.Require(PostMessageA(window, WM_COMMAND, 905, 0), "post command 905 " + when);
    for (double end = NowMs() + 5000; !focused() && NowMs() < end;) Sleep(20);
    c.Require(focused(),
              "905 brings the results window forward with the focus in its text " + when);
  };
  showResults("while the packer runs");
  std::vector<std::string> stops;  // the working tab stops after the text in z-order, then the text
  for (HWND child = GetWindow(text, GW_HWNDNEXT); child; child = GetWindow(child, GW_HWNDNEXT))
    if ((GetWindowLongA(child, GWL_STYLE) & (WS_TABSTOP | WS_VISIBLE)) ==
            (WS_TABSTOP | WS_VISIBLE) &&
        IsWindowEnabled(child))
      stops.push_back(std::to_string(GetDlgCtrlID(child)));
  stops.push_back(std::to_string(kResultsText));
  c.CheckEqual("Tab round the results window while the packer runs", {"1011", "1010"}, stops);
  c.CheckEqual("Tab round the results window", stops, TabIds(results, int(stops.size())));

  FocusFirst(c, window, kPathField);
  hold.Release();
  for (double end = NowMs() + 20000;
       TextOf(text).find(" bytes") == std::string::npos && NowMs() < end;)
    Sleep(50);
  Sleep(500);
  c.Check(GetForegroundWindow() == window && FocusId(window) == kPathField,
          "the outcome leaves the focus where it was");
  showResults("after the run");
  SendKeys({VK_CONTROL, 'A'});
  Sleep(300);
  c.CheckEqual("Ctrl+A selects the whole text", MAKELONG(0, WideTextOf(text).size()),
               SendMessageW(text, EM_GETSEL, 0, 0));
  SendKeys({VK_ESCAPE});
  for (double end = NowMs() + 5000; IsWindowVisible(results) && NowMs() < end;) Sleep(20);
  c.Check(!IsWindowVisible(results) && IsRunning(zorvik), "Esc hides the results window");
}
