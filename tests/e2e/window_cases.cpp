// Main window: its state after start, the method hints, hand-off receipt, Esc and closing.
#include <algorithm>

#include "e2e.h"

namespace {

using namespace e2e;

const char* const kPrompt = "Please Choose a File";

// `after` without one occurrence of each item of `before`.
std::vector<std::string> Added(const std::vector<std::string>& before,
                               std::vector<std::string> after) {
  for (const std::string& item : before) {
    auto found = std::find(after.begin(), after.end(), item);
    if (found != after.end()) after.erase(found);
  }
  return after;
}

}  // namespace

E2E_CASE(fresh_main_window_shows_prompt_methods_and_hints) {
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);

  c.CheckEqual("path field (1000) after a start without arguments", kPrompt,
               ControlText(window, kPathField));
  HWND combo = GetDlgItem(window, kMethodCombo);
  c.Require(combo != nullptr, "the main window has the method combo 1003");
  c.CheckEqual("method combo (1003) items",
               {"Normal", "Best", "Brute", "Ultra Brute", "1", "2", "3", "4", "5", "6", "7", "8", "9"},
               ComboItems(combo));
  c.CheckEqual("method combo selection after start", 0, ComboSelection(combo));
  c.CheckEqual("hint field (1007) after start", "Normal ,Yeah it's Recommanded",
               ControlText(window, kHintField));

  HWND list = GetDlgItem(window, kHandOffList);
  c.Require(list != nullptr, "the main window has the hand-off list box 1002");
  c.CheckEqual("hand-off list (1002) after start", std::vector<std::string>{}, ListBoxItems(list));
  RECT client, listRect;
  GetClientRect(window, &client);
  GetWindowRect(list, &listRect);
  POINT listTop = {listRect.left, listRect.top};
  ScreenToClient(window, &listTop);
  c.Check(listTop.y >= client.bottom,
          "the hand-off list lies below the client area: its top is at y " +
              std::to_string(listTop.y) + ", the client area is " + std::to_string(client.bottom) +
              " high");

  struct Pick {
    int row;
    const char* hint;
  };
  const Pick picks[] = {{8, "Yeah ! 4, 5 and 6 are also good :)"},
                        {12, "Yeah ! 7, 8 and 9 are very good :)"},
                        {1, "Best , Umm It'll take time"}};
  for (const Pick& pick : picks) {
    std::string row = "row " + std::to_string(pick.row);
    c.Require(SelectComboRow(window, kMethodCombo, pick.row), "select " + row + " of the combo");
    c.CheckEqual("hint field after selecting " + row, pick.hint, ControlText(window, kHintField));
  }

  // The combo's own notification, from a key press, refreshes the hint as well.
  PostKey(combo, VK_HOME);
  double end = NowMs() + 5000;
  while (ComboSelection(combo) != 0 && NowMs() < end) Sleep(20);
  c.CheckEqual("combo selection after pressing Home on it", 0, ComboSelection(combo));
  c.CheckEqual("hint field after pressing Home on the combo", "Normal ,Yeah it's Recommanded",
               ControlText(window, kHintField));
}

E2E_CASE(handoff_messages_fill_the_sorted_list) {
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  HWND list = GetDlgItem(window, kHandOffList);
  c.Require(list != nullptr, "the main window has the hand-off list box 1002");

  for (const char* text : {"b", "A", "c", ""})
    c.Require(SendCopyData(window, 1, std::string(text) + '\0'),
              "the main window answers the hand-off of " + Shown(text));
  c.CheckEqual("hand-off list after \"b\", \"A\", \"c\" and \"\"", {"", "A", "b", "c"},
               ListBoxItems(list));

  c.Require(SendCopyData(window, 2, std::string("tag two") + '\0'),
            "the main window answers WM_COPYDATA with tag 2");
  c.CheckEqual("hand-off list after a WM_COPYDATA with tag 2", {"", "A", "b", "c"},
               ListBoxItems(list));
  c.Require(SendCopyData(window, 1, std::string("A") + '\0'),
            "the main window answers a second hand-off of \"A\"");
  c.CheckEqual("hand-off list after \"A\" once more", {"", "A", "A", "b", "c"},
               ListBoxItems(list));
  c.CheckEqual("path field after the hand-offs", kPrompt, ControlText(window, kPathField));

  // 5000 bytes and no NUL anywhere: the entry is those bytes, nothing read beyond them.
  std::string payload;
  for (int i = 0; i < 5000; ++i) payload += "zorvik0123456789"[i % 16];
  std::vector<std::string> before = ListBoxItems(list);
  c.Check(SendCopyData(window, 1, payload), "the main window answers a 5000-byte hand-off with no NUL");
  c.Check(IsRunning(zorvik) && WindowAnswers(window),
          "Zorvik still runs and answers after the 5000-byte hand-off");
  std::vector<std::string> added = Added(before, ListBoxItems(list));
  c.CheckEqual("entries the 5000-byte hand-off added", 1, added.size());
  if (added.size() == 1)
    c.CheckEqual("entry of the 5000-byte hand-off", payload, added.front());
}

E2E_CASE(escape_closes_a_message_box_but_not_the_main_window) {
  // Positive control: the same Esc closes an ordinary message box of another process.
  const SuiteSettings& settings = c.Settings();
  Process& probe =
      c.Start(Quoted(settings.driverExe) + " --message-box \"Zorvik e2e probe\" \"Press Esc\"",
              settings.driverExe);
  HWND box = WaitForMessageBox(probe.pid, "Zorvik e2e probe", 10000);
  c.Require(box != nullptr, "the probe message box appears");
  Sleep(300);
  c.Require(IsRunning(probe), "the probe message box stays open until a key is pressed");
  c.Require(PressEscape(box), "post Esc to the probe message box");
  c.Require(WaitForExit(probe, 5000), "Esc closes the probe message box within 5 s");

  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  HWND combo = GetDlgItem(window, kMethodCombo);
  c.Require(PressEscape(window), "post Esc to the main window");
  // A key posted after Esc runs only once Esc has been handled: when the combo shows its
  // effect, Esc is behind us.
  PostKey(combo, VK_END);
  double end = NowMs() + 5000;
  while (IsWindow(window) && ComboSelection(combo) != 12 && NowMs() < end) Sleep(20);
  Sleep(500);
  c.Check(IsRunning(zorvik), "Zorvik still runs after Esc");
  c.Check(IsWindow(window) && IsWindowVisible(window) && WindowAnswers(window),
          "the main window is still open and answers after Esc");
}

E2E_CASE(close_deletes_both_scripts_and_exits_0) {
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  const std::string work = c.workDir + "\\";
  const std::string prog = c.progDir + "\\";
  const char* const deleted[] = {"runupxcmd.bat", "derunupxcmd.bat"};
  const char* const kept[] = {"keep.bat", "runupxcmd.bat.txt", "runupxcmd.cmd", "upxcmd.bat"};
  for (const char* name : deleted) {
    c.Require(WriteWholeFile(work + name, "@echo off\r\nPAUSE\r\n"), std::string("write ") + name);
    c.Require(WriteWholeFile(prog + name, "@echo off\r\n"), std::string("write prog\\") + name);
  }
  for (const char* name : kept)
    c.Require(WriteWholeFile(work + name, "keep\r\n"), std::string("write ") + name);

  c.CloseMainWindow(window, zorvik, "with both scripts present");
  for (const char* name : deleted)
    c.Check(!FileExists(work + name),
            std::string(name) + " in the current directory is deleted on close");
  for (const char* name : kept)
    c.Check(FileExists(work + name), std::string(name) + " in the current directory stays");
  for (const char* name : deleted)
    c.Check(FileExists(prog + name),
            std::string(name) + " in the program folder (not the current directory) stays");

  // Closing with no script to delete ends the same way.
  for (const char* name : deleted) DeleteFileA((prog + name).c_str());
  Process& again = c.Start(c.BareCommandLine());
  c.CloseMainWindow(c.WaitForMainWindow(again), again, "with no script present");
}
