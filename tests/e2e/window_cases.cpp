// Main window: its state after start, the method hints, hand-off receipt, Esc and closing, and
// its logo at two scalings.
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

// The DPI that processes started from now on get: Wine reads LogPixels when a process starts.
// Set for one scope; the value that was there (or none) comes back afterwards.
class ScopedDpi {
 public:
  explicit ScopedDpi(DWORD dpi) {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                    KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr);
    DWORD size = sizeof old_;
    had_ = RegQueryValueExA(key_, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_),
                            &size) == ERROR_SUCCESS;
    RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                   sizeof dpi);
  }
  ~ScopedDpi() {
    if (had_)
      RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_),
                     sizeof old_);
    else
      RegDeleteValueA(key_, "LogPixels");
    RegCloseKey(key_);
  }
  ScopedDpi(const ScopedDpi&) = delete;
  ScopedDpi& operator=(const ScopedDpi&) = delete;

 private:
  HKEY key_ = nullptr;
  DWORD old_ = 0;
  bool had_ = false;
};

// The columns of the screen's rectangle `area` in which some pixel differs clearly from the
// pixel at its top-left corner: first and one past the last, {0, 0} when none.
std::pair<int, int> PaintedColumns(const RECT& area) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP shot = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::pair<int, int> columns = {0, 0};
  if (memory && shot) {
    HGDIOBJ old = SelectObject(memory, shot);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    const BYTE* pixels = static_cast<const BYTE*>(bits);
    auto differs = [&](int x, int y) {
      const BYTE* p = pixels + (size_t(y) * width + x) * 4;
      for (int channel = 0; channel < 3; ++channel)
        if (std::abs(int(p[channel]) - int(pixels[channel])) > 48) return true;
      return false;
    };
    for (int x = 0; x < width; ++x)
      for (int y = 0; y < height; ++y)
        if (differs(x, y)) {
          if (columns.second == 0) columns.first = x;
          columns.second = x + 1;
          break;
        }
  }
  if (shot) DeleteObject(shot);
  if (memory) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return columns;
}

// A control's rectangle in its dialog's client coordinates.
RECT ClientRectOf(HWND dialog, int id) {
  RECT rect = {};
  GetWindowRect(GetDlgItem(dialog, id), &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
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

  c.Require(SendCopyData(window, 3, std::string("tag three") + '\0'),
            "the main window answers WM_COPYDATA with tag 3");
  // Tag 2 is UTF-16: "d" and "e", then an odd byte that is no character.
  c.Require(SendCopyData(window, 2, std::string("d\0e\0f", 5)),
            "the main window answers a UTF-16 hand-off");
  c.CheckEqual("hand-off list after tags 3 and 2", {"", "A", "b", "c", "de"}, ListBoxItems(list));
  c.Require(SendCopyData(window, 1, std::string("A") + '\0'),
            "the main window answers a second hand-off of \"A\"");
  c.CheckEqual("hand-off list after \"A\" once more", {"", "A", "A", "b", "c", "de"},
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

// At 96 and at 192 DPI the painted logo spans the same share of the main window's width: at 192
// it is drawn twice as large, as the dialog around it grows (unscaled it spanned 36 %, not 68 %).
// The logo is what is painted in the band above the ":)" button; the hidden hand-off list stays
// below the client area.
E2E_CASE(window_logo_keeps_its_share_at_96_and_192_dpi) {
  double shareAt96 = 0;
  LONG widthAt96 = 0;
  for (DWORD dpi : {96, 192}) {
    const std::string at = " at " + std::to_string(dpi) + " DPI";
    ScopedDpi scoped(dpi);
    Process& zorvik = c.Start(c.BareCommandLine());
    HWND window = c.WaitForMainWindow(zorvik);
    RECT client;
    GetClientRect(window, &client);
    RECT band = {0, 0, client.right, ClientRectOf(window, kMenuButton).top};
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&band), 2);
    c.Require(band.bottom > band.top + 8, "the band above \":)\" is" + at + " " +
                                              std::to_string(band.bottom - band.top) + " high");
    // Painted by now or soon: the same columns twice in a row.
    std::pair<int, int> logo = {0, 0}, before = {-1, -1};
    for (double end = NowMs() + 5000; NowMs() < end && (logo.second == 0 || logo != before);) {
      before = logo;
      Sleep(100);
      logo = PaintedColumns(band);
    }
    const int width = logo.second - logo.first;
    const double share = double(width) / client.right;
    c.Info("logo" + at + ": columns " + std::to_string(logo.first) + ".." +
           std::to_string(logo.second) + " of a client area " + std::to_string(client.right) +
           " wide (" + std::to_string(int(share * 100 + 0.5)) + " %)");
    c.Check(width >= int(180 * dpi / 96), "the logo" + at + " is painted about " +
                                              std::to_string(200 * dpi / 96) + " pixels wide; " +
                                              std::to_string(width) + " were painted");
    if (dpi == 96) {
      shareAt96 = share;
      widthAt96 = client.right;
    } else {
      // The driver's own calls answer with its own DPI; the dialog's size shows Zorvik's.
      c.Require(client.right >= widthAt96 * 3 / 2,
                "Zorvik runs" + at + ": its dialog grew from " + std::to_string(widthAt96) +
                    " to " + std::to_string(client.right) + " pixels wide");
      // The dialog grows with its font's average width, which is rounded to whole pixels (under
      // Wine 7 at 96 DPI, 13 at 192), the art exactly with the DPI: hence the 10 % allowed.
      c.Check(std::abs(share - shareAt96) <= 0.10 * shareAt96,
              "the logo's share of the window's width" + at + " (" + std::to_string(share) +
                  ") stays within 10 % of its share at 96 DPI (" + std::to_string(shareAt96) + ")");
    }
    c.Check(ClientRectOf(window, kHandOffList).top >= client.bottom,
            "the hand-off list lies below the client area" + at);
    c.CloseMainWindow(window, zorvik, at);
  }
}
