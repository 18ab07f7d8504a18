// Driver for Zorvik's end-to-end tests: starts processes with exact command lines and works
// another process's windows the way a user or a later Zorvik instance would. Every wait is
// bounded; nothing here blocks on a hung target for more than the timeout given.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "handle.h"

namespace e2e {

// ---- Processes -------------------------------------------------------------------------------

struct Process {
  Handle handle;
  Handle mainThread;
  DWORD pid = 0;
  DWORD mainThreadId = 0;
};

// CreateProcessA with `exe` as the application and `commandLine` and `currentDir` passed through
// unchanged, so the child sees exactly that command line (no shell, no re-quoting). A suspended
// process runs only once Resume() is called.
bool StartProcess(const std::string& exe, const std::string& commandLine,
                  const std::string& currentDir, Process& process, std::string* error,
                  bool suspended = false);
// The same with CreateProcessW, for names the ANSI code page cannot spell.
bool StartProcess(const std::wstring& exe, const std::wstring& commandLine,
                  const std::wstring& currentDir, Process& process, std::string* error);
bool Resume(const Process& process);

// Environment variables of this process (UTF-8 names and values) for one scope: processes started
// meanwhile inherit them, and through Zorvik so does the stand-in packer (its knobs).
class ScopedEnvironment {
 public:
  using Variables = std::vector<std::pair<std::string, std::string>>;
  explicit ScopedEnvironment(const Variables& variables);
  ~ScopedEnvironment();  // removes them again
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  Variables variables_;
};

// True when the process has ended within `timeoutMs`; its exit code goes to `exitCode`.
bool WaitForExit(const Process& process, DWORD timeoutMs, DWORD* exitCode = nullptr);
bool IsRunning(const Process& process);
// True when the process with this id has ended within `timeoutMs` (or is already gone).
bool WaitForProcessEnd(DWORD pid, DWORD timeoutMs);

struct ProcessEntry {
  DWORD pid;
  DWORD parentPid;
  std::string exeName;
};
std::vector<ProcessEntry> ListProcesses();
// Terminates one process by id and waits (bounded) until it is gone.
void TerminateById(DWORD pid, DWORD timeoutMs = 3000);

// Holds every stand-in packer that gets Knob() in its environment, after its record, until
// Release(): a run that a case must see going on lasts until the case has seen it, not a fixed
// time that a busy machine can outlast.
class PackerHold {
 public:
  explicit PackerHold(const std::string& flagFile);  // creates the file the packers wait on
  ~PackerHold() { Release(); }
  PackerHold(const PackerHold&) = delete;
  PackerHold& operator=(const PackerHold&) = delete;
  std::pair<std::string, std::string> Knob() const { return {"ZORVIK_FAKE_UPX_HOLD", flagFile_}; }
  void Release();  // the held packers go on within a poll

 private:
  std::string flagFile_;
};

// ---- Windows ---------------------------------------------------------------------------------

// Top-level windows with this exact title; `pid` 0 means any process, `className` null any class.
std::vector<HWND> FindTopWindows(const std::string& title, DWORD pid = 0,
                                 const char* className = nullptr, bool visibleOnly = true);
// Waits until a visible top-level window of that title (and process, and class) exists.
HWND WaitForTopWindow(const std::string& title, DWORD pid, DWORD timeoutMs,
                      const char* className = nullptr);
int CountTopWindows(const std::string& title);
// All visible top-level windows of one process.
std::vector<HWND> TopWindowsOf(DWORD pid);
std::string ClassNameOf(HWND window);
DWORD ProcessOf(HWND window);
// True when the window's thread handles a sent message within the timeout.
bool WindowAnswers(HWND window, DWORD timeoutMs = 3000);

// ---- Controls (read with the W messages, which Wine marshals whole across processes) ----------

// WM_GETTEXT, converted to the ANSI code page (or to CP_UTF8, which keeps every character).
std::string TextOf(HWND window, UINT codePage = CP_ACP);
std::wstring WideTextOf(HWND window);  // WM_GETTEXT as it is
std::string ControlText(HWND dialog, int id);
std::vector<std::string> ListBoxItems(HWND listBox);
std::vector<std::string> ComboItems(HWND combo);
int ComboSelection(HWND combo);  // CB_ERR (-1) for none
// Selects a row as the combo itself would on a user's pick: CB_SETCURSEL, then the parent gets
// WM_COMMAND with CBN_SELCHANGE from that combo.
bool SelectComboRow(HWND dialog, int comboId, int row);

// ---- Popup menus -----------------------------------------------------------------------------

struct PopupMenuItem {
  int id;
  std::string text;
  UINT state;  // GetMenuState by position
  RECT rect;   // screen coordinates
};
// The visible popup menu window (class #32768) of a process, or null after the timeout.
HWND WaitForPopupMenu(DWORD pid, DWORD timeoutMs = 10000);
// A popup menu's items, read inside the process that shows it by menu_probe.dll (which lies
// beside this program), through a hook on that process's thread. Bounded: false, with the
// reason, when the menu could not be read within a few seconds.
bool ReadPopupMenu(HWND popup, std::vector<PopupMenuItem>& items, std::string* error);

// ---- Input -----------------------------------------------------------------------------------

// The window that has the keyboard focus in `topWindow`'s thread, or `topWindow` when none.
HWND FocusTarget(HWND topWindow);
// Posts WM_KEYDOWN and WM_KEYUP of a virtual key to `target`; the key goes through the target
// thread's message loop, so a dialog manager sees it as a key press.
bool PostKey(HWND target, UINT virtualKey);
// Real key strokes through the system's input queue to the foreground window: `keys` pressed
// in order and released in reverse, e.g. {VK_SHIFT, VK_F10}.
bool SendKeys(std::initializer_list<WORD> keys);
// Esc as a user presses it in a dialog: a key press at the dialog's focused control.
bool PressEscape(HWND dialog);
// A click on a dialog button as the dialog sees it: WM_COMMAND with BN_CLICKED, posted, so a
// handler that opens a modal box does not block the driver.
bool ClickButton(HWND dialog, int buttonId);
bool PostClose(HWND window);

// ---- Cross-process data ----------------------------------------------------------------------

// WM_COPYDATA with `tag` as dwData and exactly `bytes` as the payload (cbData = bytes.size(); add
// the NUL yourself when it must travel). False when the receiver did not answer in time.
bool SendCopyData(HWND target, ULONG_PTR tag, const std::string& bytes, DWORD timeoutMs = 5000);
// Drops files on a window: a DROPFILES block (ANSI paths) written into the target process and
// WM_DROPFILES posted with it. `point` is in client coordinates unless `nonClient`.
bool DropFiles(HWND target, const std::vector<std::string>& paths, POINT point = {20, 20},
               bool nonClient = false);
// The same with a wide block (fWide 1), as Explorer drops names of any letters.
bool DropFiles(HWND target, const std::vector<std::wstring>& paths);

// ---- Message boxes ---------------------------------------------------------------------------

// A visible box of that caption whose text is set: read non-empty twice alike (its process may
// still be making it, or be too busy to answer at once). The box as it is after the timeout.
HWND WaitForMessageBox(DWORD pid, const std::string& caption, DWORD timeoutMs);
// Visible dialog-class (#32770) windows of a process: its message boxes, and its dialogs too.
std::vector<HWND> DialogsOf(DWORD pid);
// A visible dialog of the process other than `except` (a file chooser over the main window) whose
// thread answers, so that its set-up is done; null after the timeout.
HWND WaitForDialog(DWORD pid, HWND except, DWORD timeoutMs = 15000);
// Its static text control (id 0xFFFF), read as WaitForMessageBox does.
std::string MessageBoxText(HWND box);
std::wstring WideMessageBoxText(HWND box);
// Presses one of the box's buttons (IDOK, IDYES, IDNO, ...); false when it has no such button.
bool PressMessageBoxButton(HWND box, int buttonId);

// ---- Files -----------------------------------------------------------------------------------

bool FileExists(const std::string& path);
bool ReadWholeFile(const std::string& path, std::string& bytes);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool MakeFolders(const std::string& path);
void RemoveTree(const std::string& path);
// The names in a folder, sorted, without "." and "..". In UTF-16, so that a name the code page
// cannot spell is not listed as a look-alike.
std::vector<std::wstring> WideNamesIn(const std::wstring& folder);
std::string FolderOf(const std::string& path);

// ---- The stand-in packer's log ---------------------------------------------------------------

struct PackerCall {
  DWORD pid = 0;
  std::string commandLine;
  std::string currentDir;
  std::vector<std::string> argv;
};
// Parses complete records; a record cut short at the end (still being written) is left out.
// False, with a reason, when the text is not a sequence of well-formed records.
bool ParsePackerLog(const std::string& text, std::vector<PackerCall>& calls, std::string* error);
// Reads the log until it holds at least `count` records or the timeout passes.
std::vector<PackerCall> WaitForPackerCalls(const std::string& logPath, size_t count,
                                           DWORD timeoutMs);
// The same, and then until the processes of those records have ended, for an action that needs
// them gone (Zorvik starts no second packer on a file its packer still works on): the calls
// whose packers ended, so fewer than `count` after the timeout.
std::vector<PackerCall> WaitForEndedPackerCalls(const std::string& logPath, size_t count,
                                                DWORD timeoutMs);

// ---- Small helpers ---------------------------------------------------------------------------

// Milliseconds from a monotonic clock.
double NowMs();

// Reads until two reads in a row agree (and hold something, when `nonEmpty`), or the timeout
// passes: a text, list or line read while its writer may still be changing it.
template <typename Read>
auto Settled(Read read, DWORD timeoutMs, bool nonEmpty = false) -> decltype(read()) {
  auto last = read();
  for (double end = NowMs() + timeoutMs;;) {
    Sleep(20);
    auto now = read();
    if ((now == last && !(nonEmpty && now.empty())) || NowMs() >= end) return now;
    last = now;
  }
}

// A text shown in a failure message: quoted, control bytes escaped, long texts shortened.
std::string Shown(const std::string& text);
std::string Shown(const std::vector<std::string>& texts);
std::string Quoted(const std::string& path);  // "path"

}  // namespace e2e
