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
  c.Require(BringToFront(window), "the main window comes to the foreground");
  c.CheckEqual("the focus after start", kPathField, FocusId(window));
  CheckEscEnterDoNothing(c, window, zorvik, 1, "main window, on the path field");
  c.CheckEqual("Tab, from the path field round",
               {"1001", "1004", "1003", "1007", "1005", "1006", "1000"}, TabIds(window, 7));
  c.CheckEqual("Shift+Tab from the path field", {"1006", "1005"}, TabIds(window, 2, true));

  SetCursorPos(0, 0);
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
  c.Require(batch && BringToFront(batch), "the batch window opens and comes to the foreground");
  c.CheckEqual("Tab round the batch window", {"1005", "1006", "1001", "1007"}, TabIds(batch, 4));
  c.CheckEqual("the focus before Esc and Enter", kBatchText, FocusId(batch));
  CheckEscEnterDoNothing(c, batch, zorvik, 2, "batch window, on its list");
}
