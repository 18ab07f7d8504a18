// Explorer's verb and its settings file zir.cfg, the shortcut menu, the file chooser and the
// closing fade-out.
//
// The verb goes per user, under HKEY_CURRENT_USER\Software\Classes. Wine does not show those keys
// through HKEY_CLASSES_ROOT (Windows merges them), so they are read back where Zorvik wrote them.
// Registry state outlives a case: every case removes Zorvik's keys before it starts and again,
// with the empty parent keys it caused, when it ends.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "e2e.h"

namespace {

using namespace e2e;

const char* const kPrompt = "Please Choose a File";
const char* const kSettingsOn = "[Shell Menu] : 1";
const char* const kSettingsOff = "[Shell Menu] : 0";
const char* const kClasses = "Software\\Classes\\";
const char* const kFileTypes[] = {"exefile", "dllfile", "Directory"};

std::string VerbKey(const char* fileType) { return std::string(fileType) + "\\shell\\Zorvik!"; }
std::string UserVerbKey(const char* fileType) { return kClasses + VerbKey(fileType); }
std::string VerbCommand(const std::string& program) { return Quoted(program) + " \"%1\" "; }

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// A value of a key (null `name`: the default value): its type and bytes without the final NUL.
// False when absent.
bool ReadValue(HKEY root, const std::string& path, const char* name, DWORD& type,
               std::string& text) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  char buffer[1024];
  DWORD size = sizeof buffer - 1;
  LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return false;
  text.assign(buffer, size);
  if (!text.empty() && text.back() == '\0') text.pop_back();
  return true;
}

// Deletes a key with all its sub-keys; a missing key is fine.
void DeleteKeyTree(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  std::vector<std::string> children;
  char name[256];
  for (DWORD at = 0;; ++at) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, at, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    children.push_back(std::string(name, length));
  }
  RegCloseKey(key);
  for (const std::string& child : children) DeleteKeyTree(root, path + "\\" + child);
  RegDeleteKeyA(root, path.c_str());
}

bool WriteCommandKey(HKEY root, const std::string& verbKey, const std::string& command) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, (verbKey + "\\command").c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return false;
  LONG result =
      RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                     DWORD(command.size() + 1));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

// Removes Zorvik's verb keys now and when the case ends, and then also the parent keys
// (exefile, exefile\shell, ...) that did not exist when the case began.
class VerbKeysGuard {
 public:
  VerbKeysGuard() {
    RemoveVerbKeys();
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_CLASSES_ROOT})
      for (const char* type : kFileTypes) {
        std::string base = root == HKEY_CURRENT_USER ? kClasses : "";
        for (const std::string& parent : {base + type + "\\shell", base + type})
          if (!KeyExists(root, parent)) missing_.push_back({root, parent});
      }
  }
  ~VerbKeysGuard() {
    RemoveVerbKeys();
    for (const auto& key : missing_) RegDeleteKeyA(key.first, key.second.c_str());  // only if empty
  }
  static void RemoveVerbKeys() {
    for (const char* type : kFileTypes) {
      DeleteKeyTree(HKEY_CURRENT_USER, UserVerbKey(type));
      DeleteKeyTree(HKEY_CLASSES_ROOT, VerbKey(type));
    }
  }

 private:
  std::vector<std::pair<HKEY, std::string>> missing_;
};

// Both per-user command keys hold `command` as REG_SZ, and both verb keys the selection model
// that keeps the verb for more than 15 selected files. Prints what was read back.
void CheckVerbInstalled(Case& c, const std::string& command, const std::string& when) {
  for (const char* type : kFileTypes) {
    DWORD valueType = 0;
    std::string value;
    if (c.Check(
            ReadValue(HKEY_CURRENT_USER, UserVerbKey(type), "MultiSelectModel", valueType, value),
            when + ": HKCU\\" + UserVerbKey(type) + " has a MultiSelectModel value"))
      c.CheckEqual(when + ": MultiSelectModel of HKCU\\" + UserVerbKey(type) + " (type " +
                       std::to_string(valueType) + ")",
                   "Player", valueType == REG_SZ ? value : "(not REG_SZ)");
    std::string path = UserVerbKey(type) + "\\command";
    if (!c.Check(ReadValue(HKEY_CURRENT_USER, path, nullptr, valueType, value),
                 when + ": HKCU\\" + path + " has a default value"))
      continue;
    c.CheckEqual(when + ": type of HKCU\\" + path, REG_SZ, valueType);
    c.CheckEqual(when + ": HKCU\\" + path, command, value);
    c.Info(when + ": HKCU\\" + path + " = " + Shown(value) +
           (valueType == REG_SZ ? " (REG_SZ)" : " (type " + std::to_string(valueType) + ")"));
  }
}

// Neither verb key is left: not per user, and not straight under HKEY_CLASSES_ROOT.
void CheckVerbRemoved(Case& c, const std::string& when) {
  for (const char* type : kFileTypes) {
    c.Check(!KeyExists(HKEY_CURRENT_USER, UserVerbKey(type)),
            when + ": HKCU\\" + UserVerbKey(type) + " is gone");
    c.Check(!KeyExists(HKEY_CLASSES_ROOT, VerbKey(type)),
            when + ": HKCR\\" + VerbKey(type) + " is gone");
  }
}

std::string SettingsPath(const Case& c) { return c.progDir + "\\zir.cfg"; }

// The settings file's bytes, or "(none)" when there is no file.
std::string SettingsNow(const Case& c) {
  std::string bytes;
  return ReadWholeFile(SettingsPath(c), bytes) ? bytes : "(none)";
}

// Waits until the settings file holds `expected` (a menu command runs after the post returns).
std::string WaitForSettings(const Case& c, const std::string& expected, DWORD timeoutMs = 10000) {
  double end = NowMs() + timeoutMs;
  std::string now = SettingsNow(c);
  while (now != expected && NowMs() < end) {
    Sleep(20);
    now = SettingsNow(c);
  }
  return now;
}

bool PostMenuCommand(HWND window, int id) {
  return PostMessageA(window, WM_COMMAND, WPARAM(id), 0);
}

// The menu's six items in order, each plain and enabled, exactly one of the first two checked;
// below a separator Test File and File Info, below another the three options, checked while on,
// and below a last one Show Results.
void CheckMenu(Case& c, const std::vector<PopupMenuItem>& items, bool verbOn,
               const std::string& when, const std::vector<std::string>& optionsOn = {}) {
  std::vector<std::string> texts, ids, checked;
  for (const PopupMenuItem& item : items) {
    const bool separator = item.state & MF_SEPARATOR;
    texts.push_back(separator ? "-" : item.text);
    ids.push_back(separator ? "-" : std::to_string(item.id));
    if (item.state & MF_CHECKED) checked.push_back(item.text);
    if (separator) continue;  // the system reports a separator as grayed
    const UINT odd = MF_GRAYED | MF_DISABLED | MF_POPUP | MF_BITMAP | MF_OWNERDRAW;
    c.Check(!(item.state & odd), when + ": item " + Shown(item.text) +
                                     " is a plain enabled text item; its state is " +
                                     std::to_string(item.state));
  }
  c.CheckEqual(when + ": menu texts, top to bottom",
               {"Add Context Menu Shortcut", "Remove Context Menu Shortcut", "Do Batch UPXing",
                "Choose Folder...", "More Apps", "About Me", "-", "Test File", "File Info", "-", "Use LZMA",
                "Keep Backup", "Force", "-", "Show Results"},
               texts);
  c.CheckEqual(
      when + ": menu ids, top to bottom",
      {"895", "896", "899", "906", "897", "898", "-", "900", "901", "-", "902", "903", "904", "-",
       "905"},
      ids);
  std::vector<std::string> expected = {verbOn ? "Add Context Menu Shortcut"
                                              : "Remove Context Menu Shortcut"};
  expected.insert(expected.end(), optionsOn.begin(), optionsOn.end());
  c.CheckEqual(when + ": checked items", expected, checked);
}

// Presses Esc at a popup menu and waits until it is gone.
bool DismissMenu(HWND popup) {
  PostKey(popup, VK_ESCAPE);
  double end = NowMs() + 5000;
  while (IsWindow(popup) && IsWindowVisible(popup) && NowMs() < end) Sleep(20);
  return !IsWindowVisible(popup);
}

// Moves the mouse cursor and waits until the system reports it there (Wine moves it through X).
bool MoveCursor(POINT to) {
  if (!SetCursorPos(to.x, to.y)) return false;
  double end = NowMs() + 5000;
  POINT now = {};
  while (GetCursorPos(&now) && (now.x != to.x || now.y != to.y) && NowMs() < end) Sleep(20);
  return now.x == to.x && now.y == to.y;
}

// A real left click (through the system's input queue) at the middle of a menu item, right after
// the cursor got there: under Wine a click that comes later, after the menu was read again, was
// seen to close the menu without choosing the item. True when the menu closed; a click that left
// it open is tried again.
bool ClickMenuItem(HWND popup, const PopupMenuItem& item) {
  const RECT& at = item.rect;
  if (IsRectEmpty(&at) || !MoveCursor({(at.left + at.right) / 2, (at.top + at.bottom) / 2}))
    return false;
  for (int attempt = 0; attempt < 3; ++attempt) {
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    if (SendInput(2, click, sizeof(INPUT)) != 2) return false;
    double end = NowMs() + 5000;  // as long as a user would wait for the menu to go
    while (IsWindowVisible(popup) && NowMs() < end) Sleep(20);
    if (!IsWindowVisible(popup)) return true;
  }
  return false;
}

// Reads a shown popup menu, or ends the case saying why it could not.
void RequireMenuItems(Case& c, HWND popup, std::vector<PopupMenuItem>& items,
                      const std::string& when) {
  std::string error;
  c.Require(ReadPopupMenu(popup, items, &error), when + ": read the menu's items: " + error);
}

// Opens the menu with ":)" while the cursor rests at the middle of the window's lower half, reads
// it, and checks that its bottom-left corner lies at the cursor. Returns the popup window.
HWND OpenMenuByButton(Case& c, HWND window, DWORD pid, std::vector<PopupMenuItem>& items,
                      const std::string& when) {
  RECT frame;
  GetWindowRect(window, &frame);
  POINT cursor = {(frame.left + frame.right) / 2, (frame.top + 3 * frame.bottom) / 4};
  c.Require(MoveCursor(cursor), when + ": move the cursor to " + std::to_string(cursor.x) + "," +
                                    std::to_string(cursor.y));
  c.Require(ClickButton(window, kMenuButton), when + ": click \":)\"");
  HWND popup = WaitForPopupMenu(pid);
  c.Require(popup != nullptr, when + ": \":)\" shows a popup menu (#32768) of Zorvik's process");
  RECT shown;
  GetWindowRect(popup, &shown);
  c.Check(std::abs(shown.left - cursor.x) <= 2 && std::abs(shown.bottom - cursor.y) <= 2,
          when + ": the menu's bottom-left corner lies at the cursor (" + std::to_string(cursor.x) +
              "," + std::to_string(cursor.y) + "); the menu spans " + std::to_string(shown.left) +
              "," + std::to_string(shown.top) + " to " + std::to_string(shown.right) + "," +
              std::to_string(shown.bottom));
  RequireMenuItems(c, popup, items, when);
  return popup;
}

}  // namespace

// The first start writes nothing; the menu's "Add" and "Remove" switch the verb and the file, and
// the check mark follows.
E2E_CASE(verb_add_and_remove_switch_keys_file_and_check_mark) {
  VerbKeysGuard keys;
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  c.Check(!FileExists(SettingsPath(c)), "the first start creates no zir.cfg");
  c.Check(!FileExists(c.workDir + "\\zir.cfg"),
          "the first start creates no zir.cfg in the current directory");
  CheckVerbRemoved(c, "after the first start");

  std::vector<PopupMenuItem> items;
  HWND popup = OpenMenuByButton(c, window, zorvik.pid, items, "verb off");
  CheckMenu(c, items, false, "verb off");
  // Picking "Add Context Menu Shortcut" with the mouse runs command 895.
  c.Require(!items.empty() && ClickMenuItem(popup, items[0]),
            "click \"Add Context Menu Shortcut\"");
  c.CheckEqual("zir.cfg after Add", kSettingsOn, WaitForSettings(c, kSettingsOn));
  CheckVerbInstalled(c, VerbCommand(c.zorvikPath), "after Add");
  c.Check(!KeyExists(HKEY_LOCAL_MACHINE, std::string(kClasses) + VerbKey("exefile")),
          "after Add: nothing machine-wide (HKLM\\Software\\Classes\\exefile\\shell\\Zorvik!)");

  // A right click on the background shows the same menu, now with "Add" checked.
  c.Require(PostMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, 200)),
            "right click on the window background");
  popup = WaitForPopupMenu(zorvik.pid);
  c.Require(popup != nullptr, "a right click on the background shows the popup menu");
  RequireMenuItems(c, popup, items, "verb on");
  CheckMenu(c, items, true, "verb on (right click)");
  c.Check(DismissMenu(popup), "Esc closes the menu");
  c.Check(WindowAnswers(window), "the main window answers after the menu closed");
  c.CheckEqual("zir.cfg after dismissing the menu", kSettingsOn, SettingsNow(c));

  c.Require(PostMenuCommand(window, 896), "post command 896");
  c.CheckEqual("zir.cfg after Remove", kSettingsOff, WaitForSettings(c, kSettingsOff));
  CheckVerbRemoved(c, "after Remove");
  c.CloseMainWindow(window, zorvik, "after the verb commands");
}

// A failed registry write is reported, and the state and the file stay as they were. A volatile
// key cannot have lasting sub-keys, so a volatile dllfile\shell\Zorvik! makes the second write
// fail.
E2E_CASE(verb_add_failure_is_reported_and_changes_nothing) {
  VerbKeysGuard keys;
  for (DWORD options : {DWORD(REG_OPTION_NON_VOLATILE), DWORD(REG_OPTION_VOLATILE)}) {
    std::string path = options == REG_OPTION_VOLATILE ? UserVerbKey("dllfile")
                                                      : std::string(kClasses) + "dllfile\\shell";
    HKEY key = nullptr;
    c.Require(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, options, KEY_READ,
                              nullptr, &key, nullptr) == ERROR_SUCCESS,
              "create HKCU\\" + path + (options == REG_OPTION_VOLATILE ? " (volatile)" : ""));
    RegCloseKey(key);
  }
  HKEY probe = nullptr;
  LONG refused = RegCreateKeyExA(HKEY_CURRENT_USER, (UserVerbKey("dllfile") + "\\command").c_str(),
                                 0, nullptr, 0, KEY_SET_VALUE, nullptr, &probe, nullptr);
  if (refused == ERROR_SUCCESS) RegCloseKey(probe);
  c.Require(refused != ERROR_SUCCESS, "the registry refuses a lasting key below a volatile one");

  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  c.Require(PostMenuCommand(window, 895), "post command 895");
  HWND box = WaitForMessageBox(zorvik.pid, "Zorvik", 10000);
  c.Require(box != nullptr, "a \"Zorvik\" message box reports the failed install");
  std::string text = MessageBoxText(box);
  c.Check(text.find("dllfile") != std::string::npos,
          "the message names the key; got " + Shown(text));
  c.Check(!FileExists(SettingsPath(c)), "no zir.cfg is written while the box shows");
  c.Require(PressMessageBoxButton(box, IDOK), "press OK");
  double end = NowMs() + 5000;
  while (IsWindow(box) && NowMs() < end) Sleep(20);
  Sleep(300);
  c.Check(!FileExists(SettingsPath(c)), "no zir.cfg after the failed install");
  DWORD type = 0;
  std::string left;
  c.Check(!ReadValue(HKEY_CURRENT_USER, UserVerbKey("exefile") + "\\command", nullptr, type, left),
          "no half-installed verb: the exefile command written before the failure is gone; got " +
              Shown(left));

  std::vector<PopupMenuItem> items;
  HWND popup = OpenMenuByButton(c, window, zorvik.pid, items, "after the failed install");
  CheckMenu(c, items, false, "after the failed install");
  c.Check(DismissMenu(popup), "Esc closes the menu");
  c.CloseMainWindow(window, zorvik, "after the failed install");
}

// Each start that finds zir.cfg re-applies it: the number 1 writes both keys with the program as
// started this time, anything else removes them; a file that is not canonical is rewritten.
E2E_CASE(verb_settings_file_is_applied_at_the_next_start) {
  VerbKeysGuard keys;
  struct Setting {
    const char* text;
    bool verbOn;
    bool readMenu;
  };
  const Setting settings[] = {
      {"[Shell Menu] : 1", true, false},
      {"[Shell Menu]:1", true, true},
      {"[Shell Menu] : 1\r\nmore text", true, false},
      {"[Shell Menu] : 2", false, true},
      {"[Shell Menu] : -1", false, false},
      {"Shell Menu = 1", false, false},
      {" [Shell Menu] : 1", false, false},
  };
  // A command key of the program's earlier place, which the next start must replace.
  const std::string stale = VerbCommand("C:\\old place\\Zorvik.exe");
  for (const Setting& setting : settings) {
    std::string when = "zir.cfg " + Shown(setting.text);
    VerbKeysGuard::RemoveVerbKeys();
    for (const char* type : kFileTypes) {
      c.Require(WriteCommandKey(HKEY_CURRENT_USER, UserVerbKey(type), stale),
                "write HKCU\\" + UserVerbKey(type) + "\\command");
      if (!setting.verbOn)  // as an older Zorvik wrote them
        c.Require(WriteCommandKey(HKEY_CLASSES_ROOT, VerbKey(type), stale),
                  "write HKCR\\" + VerbKey(type) + "\\command");
    }
    c.Require(WriteWholeFile(SettingsPath(c), setting.text), "write " + when);

    Process& zorvik = c.Start(c.BareCommandLine());
    HWND window = c.WaitForMainWindow(zorvik);  // the settings are applied before it shows
    c.CheckEqual(when + ": the file afterwards", setting.verbOn ? kSettingsOn : kSettingsOff,
                 SettingsNow(c));
    if (setting.verbOn)
      CheckVerbInstalled(c, VerbCommand(c.zorvikPath), when);
    else
      CheckVerbRemoved(c, when);
    if (setting.readMenu) {
      std::vector<PopupMenuItem> items;
      HWND popup = OpenMenuByButton(c, window, zorvik.pid, items, when);
      CheckMenu(c, items, setting.verbOn, when);
      c.Check(DismissMenu(popup), when + ": Esc closes the menu");
    }
    c.CloseMainWindow(window, zorvik, when);
  }
}

// Started by its bare name from its own folder, Zorvik puts that name into the verb's command.
E2E_CASE(verb_command_keeps_a_typed_program_name) {
  VerbKeysGuard keys;
  Process& zorvik = c.Start("Zorvik.exe", c.zorvikPath, c.progDir);
  HWND window = c.WaitForMainWindow(zorvik);
  c.Require(PostMenuCommand(window, 895), "post command 895");
  c.CheckEqual("zir.cfg after Add", kSettingsOn, WaitForSettings(c, kSettingsOn));
  CheckVerbInstalled(c, "\"Zorvik.exe\" \"%1\" ", "after Add from a start as \"Zorvik.exe\"");
  c.CloseMainWindow(window, zorvik, "after Add");
}

// ". . ." opens the open-file dialog of Zorvik's process; cancelling it leaves the path field as
// it was, and a chosen file's full path goes into the field without quotes.
E2E_CASE(file_chooser_cancel_keeps_the_field_and_a_choice_fills_it) {
  const std::string picked = c.workDir + "\\pick me.exe";
  c.Require(WriteWholeFile(picked, "MZ"), "write " + picked);
  auto openChooser = [&c](HWND window, DWORD pid, const std::string& when) {
    c.Require(ClickButton(window, kChooseButton), when + ": click \". . .\"");
    HWND chooser = WaitForDialog(pid, window);
    c.Require(chooser != nullptr, when + ": \". . .\" opens a dialog of Zorvik's process");
    c.Check(GetWindow(chooser, GW_OWNER) == window, when + ": the main window owns the dialog");
    return chooser;
  };
  auto waitGone = [](HWND dialog) {
    double end = NowMs() + 5000;
    while (IsWindow(dialog) && NowMs() < end) Sleep(20);
    return !IsWindow(dialog);
  };

  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  HWND chooser = openChooser(window, zorvik.pid, "with the prompt");
  c.CheckEqual("the dialog's file types", {"Executable/DLL Files "},
               ComboItems(GetDlgItem(chooser, 0x470 /* cmb1 */)));
  c.Require(PressEscape(chooser), "press Esc in the dialog");
  c.Check(waitGone(chooser), "Esc closes the dialog");
  c.CheckEqual("path field after cancelling", kPrompt, ControlText(window, kPathField));

  // Typing the name into the dialog's file name field and pressing Return.
  chooser = openChooser(window, zorvik.pid, "to choose a file");
  HWND name = FindWindowExA(
      FindWindowExA(GetDlgItem(chooser, 0x47C /* cmb13 */), nullptr, "ComboBox", nullptr), nullptr,
      "Edit", nullptr);
  if (!name) name = GetDlgItem(chooser, 0x480 /* edt1 */);
  c.Require(name != nullptr, "the dialog has a file name field");
  for (char ch : picked) PostMessageA(name, WM_CHAR, WPARAM(static_cast<unsigned char>(ch)), 1);
  double end = NowMs() + 5000;
  while (TextOf(name) != picked && NowMs() < end) Sleep(20);
  c.CheckEqual("the typed file name", picked, TextOf(name));
  c.Require(PostKey(name, VK_RETURN), "press Return in the file name field");
  c.Check(waitGone(chooser), "Return closes the dialog");
  end = NowMs() + 5000;
  while (ControlText(window, kPathField) != picked && NowMs() < end) Sleep(20);
  c.CheckEqual("path field after choosing a file", picked, ControlText(window, kPathField));
  c.CloseMainWindow(window, zorvik, "after choosing a file");

  const std::string tail = "\"D:\\bin\\app.exe\" ";
  Process& withTail = c.Start(c.VerbCommandLine("D:\\bin\\app.exe"));
  window = c.WaitForMainWindow(withTail);
  chooser = openChooser(window, withTail.pid, "with a command-line tail");
  c.Require(PressMessageBoxButton(chooser, IDCANCEL), "press Cancel in the dialog");
  c.Check(waitGone(chooser), "Cancel closes the dialog");
  c.CheckEqual("path field after cancelling", tail, ControlText(window, kPathField));
  c.CloseMainWindow(window, withTail, "after cancelling");
}

// Closing fades the window out: it turns layered, its opacity falls through 213, 203, ... 3 and
// never reaches 0, and the window lasts at least the fade's 22 steps of 8 ms.
E2E_CASE(closing_fades_out_before_the_window_ends) {
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  c.Check(!(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED), "not layered before closing");

  bool layered = false;
  std::vector<int> opacities;
  double lastStepSeen = -1;  // when the opacity was first seen at 3, after WM_CLOSE
  double posted = NowMs();
  c.Require(PostClose(window), "post WM_CLOSE");
  while (IsWindow(window) && NowMs() - posted < 10000) {
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED) {
      layered = true;
      BYTE alpha = 0;
      DWORD flags = 0;
      if (GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) && (flags & LWA_ALPHA) &&
          (opacities.empty() || opacities.back() != alpha)) {
        opacities.push_back(alpha);
        if (alpha == 3) lastStepSeen = NowMs() - posted;
      }
    }
    Sleep(1);
  }
  double gone = NowMs() - posted;
  DWORD code = 0;
  c.Require(WaitForExit(zorvik, 10000, &code), "Zorvik ends within 10 s of WM_CLOSE");
  double ended = NowMs() - posted;
  c.CheckEqual("exit code after closing", 0, code);
  c.Check(layered, "the window has WS_EX_LAYERED while it fades");
  c.Check(gone >= 170, "the window lasts at least 170 ms after WM_CLOSE; it went after " +
                           std::to_string(int(gone)) + " ms");

  std::string seen;
  bool onSchedule = !opacities.empty(), falling = true;
  for (size_t i = 0; i < opacities.size(); ++i) {
    seen += (i ? " " : "") + std::to_string(opacities[i]);
    onSchedule = onSchedule && opacities[i] <= 213 && opacities[i] % 10 == 3;
    falling = falling && (i == 0 || opacities[i] < opacities[i - 1]);
  }
  c.Check(onSchedule, "every opacity seen is one of 213, 203, ... 3; seen: " + seen);
  c.Check(falling, "the opacity only falls; seen: " + seen);
  c.Check(!opacities.empty() && opacities.back() == 3,
          "the fade ends at opacity 3, not before and not at 0; seen: " + seen);
  // Seen can only be later than set, and 213 to 3 are 21 steps of 8 ms apart.
  if (lastStepSeen >= 0)
    c.Check(lastStepSeen >= 168,
            "the last step (3) comes at least 168 ms after WM_CLOSE; it came "
            "after " +
                std::to_string(int(lastStepSeen)) + " ms");
  char figures[240];
  snprintf(figures, sizeof figures,
           "opacity 3 seen %.0f ms, window gone %.0f ms, process ended %.0f ms after WM_CLOSE; "
           "opacities seen: %s",
           lastStepSeen, gone, ended, seen.c_str());
  c.Info(figures);
}

// The options hold across starts in a line of their own after the verb's 16 bytes, written only
// while one is on; switching an option keeps the verb's line as it is, and the verb's commands
// keep the options' line.
E2E_CASE(verb_options_are_remembered_beside_the_verb_line) {
  VerbKeysGuard keys;
  const std::string lzmaBackup = std::string(kSettingsOn) + "\r\n[Packer Options] : --lzma -k";
  const std::string lzma = std::string(kSettingsOn) + "\r\n[Packer Options] : --lzma";
  c.Require(WriteWholeFile(SettingsPath(c), kSettingsOn), "write zir.cfg with the verb on");
  Process& first = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(first);
  c.Require(PostMenuCommand(window, 902) && PostMenuCommand(window, 903), "post 902 and 903");
  c.CheckEqual("zir.cfg after Use LZMA and Keep Backup", lzmaBackup,
               WaitForSettings(c, lzmaBackup));
  c.Require(PostMenuCommand(window, 903), "post 903 again");
  c.CheckEqual("zir.cfg after Keep Backup again", lzma, WaitForSettings(c, lzma));
  c.CloseMainWindow(window, first, "after the options");

  Process& second = c.Start(c.BareCommandLine());
  window = c.WaitForMainWindow(second);
  c.CheckEqual("zir.cfg after the restart", lzma, SettingsNow(c));
  std::vector<PopupMenuItem> items;
  HWND popup = OpenMenuByButton(c, window, second.pid, items, "after the restart");
  CheckMenu(c, items, true, "after the restart", {"Use LZMA"});
  c.Check(DismissMenu(popup), "Esc closes the menu");
  c.Require(PostMenuCommand(window, 896), "post command 896");
  const std::string offLzma = std::string(kSettingsOff) + "\r\n[Packer Options] : --lzma";
  c.CheckEqual("zir.cfg after Remove", offLzma, WaitForSettings(c, offLzma));
  c.Require(PostMenuCommand(window, 902), "post 902 again");
  c.CheckEqual("zir.cfg with every option off: the verb's 16 bytes", kSettingsOff,
               WaitForSettings(c, kSettingsOff));
  c.CloseMainWindow(window, second, "after Remove");
}
