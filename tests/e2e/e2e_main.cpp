// zorvik_e2e: runs Zorvik's end-to-end cases under Windows or Wine.
//
//   zorvik_e2e.exe ZORVIK_EXE UPX_EXE [FILTER]
//       runs every case whose name contains FILTER; prints PASS/FAIL lines and, last,
//       "N passed, M failed"; exits with 0 only when none failed.
//
// The same program also serves as a helper process:
//   zorvik_e2e.exe --message-box CAPTION TEXT
//       shows an ordinary OK message box and exits with its result (cases use it to show that
//       the driver's key presses really reach a dialog).
//   zorvik_e2e.exe --press-key PID
//       types Return into the console of process PID, as a user at a PAUSE would; exits with 0
//       when the key went in.
//   zorvik_e2e.exe --launch EXE READY_FILE [TAIL [BUTTON:MS ...]]
//       starts EXE with the command line "EXE" TAIL exactly; once the program's first window is
//       visible, waits MS milliseconds and clicks BUTTON (0: none) in it for each BUTTON:MS given,
//       the pointer resting on it (":)" opens its menu there), or chooses the menu command of
//       that id where the window has no such button; a WIDTHxHEIGHT:MS sizes the program's
//       other window (the results window) to so many pixels. Then writes READY_FILE and waits
//       until the program ends (screenshot.sh).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "e2e.h"

namespace {

using namespace e2e;

std::string FullPath(const char* path) {
  char full[MAX_PATH * 4];
  DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
  return length > 0 && length < sizeof full ? std::string(full, length) : std::string(path);
}

int ShowMessageBox(const char* caption, const char* text) {
  return MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONINFORMATION);
}

int PressKeyIn(DWORD pid) {
  FreeConsole();
  if (!AttachConsole(pid)) return 2;
  Handle input(CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!input.Valid()) return 3;
  INPUT_RECORD keys[2] = {};
  for (int i = 0; i < 2; ++i) {
    keys[i].EventType = KEY_EVENT;
    keys[i].Event.KeyEvent.bKeyDown = i == 0;
    keys[i].Event.KeyEvent.wRepeatCount = 1;
    keys[i].Event.KeyEvent.wVirtualKeyCode = VK_RETURN;
    keys[i].Event.KeyEvent.uChar.UnicodeChar = L'\r';
  }
  DWORD written = 0;
  return WriteConsoleInputW(input.Get(), keys, 2, &written) && written == 2 ? 0 : 4;
}

// Under Wine the pointer reaches a new place a little after SetCursorPos returns.
void RestPointerOn(HWND control) {
  RECT box;
  if (!GetWindowRect(control, &box)) return;
  const POINT at = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  POINT now = {};
  for (int i = 0; i < 50 && !(GetCursorPos(&now) && now.x == at.x && now.y == at.y); ++i) {
    SetCursorPos(at.x, at.y);
    Sleep(50);
  }
}

void SizeOtherWindow(DWORD pid, HWND main, int width, int height) {
  for (HWND window : TopWindowsOf(pid))
    if (window != main)
      SetWindowPos(window, nullptr, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int LaunchAndWait(const char* exe, const char* readyFile, const char* tail,
                  const std::vector<std::string>& presses) {
  std::string commandLine = Quoted(exe);
  if (tail && *tail) commandLine += std::string(" ") + tail;
  Process process;
  std::string error;
  if (!StartProcess(exe, commandLine, "", process, &error)) {
    fprintf(stderr, "zorvik_e2e: %s\n", error.c_str());
    return 2;
  }
  double end = NowMs() + 30000;
  while (TopWindowsOf(process.pid).empty() && IsRunning(process) && NowMs() < end) Sleep(50);
  std::vector<HWND> windows = TopWindowsOf(process.pid);
  for (const std::string& press : windows.empty() ? std::vector<std::string>() : presses) {
    Sleep(DWORD(atoi(press.substr(press.find(':') + 1).c_str())));
    int width = 0, height = 0;
    if (sscanf(press.c_str(), "%dx%d:", &width, &height) == 2) {
      SizeOtherWindow(process.pid, windows.front(), width, height);
    } else if (int button = atoi(press.c_str())) {
      if (HWND control = GetDlgItem(windows.front(), button)) RestPointerOn(control);
      if (!ClickButton(windows.front(), button))
        PostMessageA(windows.front(), WM_COMMAND, WPARAM(button), 0);
    }
  }
  WriteWholeFile(readyFile, windows.empty() ? std::string() : TextOf(windows.front()) + "\n");
  WaitForSingleObject(process.handle.Get(), INFINITE);
  return 0;
}

// dbcs_ cases need a double-byte ANSI code page and the others a single-byte one: run.sh starts
// the driver once for each (Wine takes the code page from LC_ALL when a process starts).
bool RunsUnderThisCodePage(const char* name) {
  CPINFO info;
  const bool doubleByte = GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 2;
  return doubleByte == (strncmp(name, "dbcs_", 5) == 0);
}

int RunSuite(const SuiteSettings& settings, const char* filter) {
  // Under Wine the first window-station call starts the desktop process; do it before any case
  // takes its list of running processes, so that no case ever ends the desktop.
  GetDesktopWindow();
  RemoveTree(settings.root);
  MakeFolders(settings.root);

  int passed = 0, failed = 0;
  double suiteStart = NowMs();
  for (const CaseEntry& entry : CaseRegistry()) {
    if ((filter && !strstr(entry.name, filter)) || !RunsUnderThisCodePage(entry.name)) continue;
    std::vector<ProcessEntry> before = ListProcesses();
    int failures = 0;
    {
      Case current(entry.name, settings);
      try {
        current.Prepare();
        entry.run(current);
      } catch (const CaseAbort&) {
      }
      current.CleanUp(before);
      failures = current.Failures();
    }
    if (failures == 0) {
      printf("PASS %s\n", entry.name);
      fflush(stdout);
    }
    (failures ? failed : passed)++;
  }
  if (passed + failed == 0) fprintf(stderr, "zorvik_e2e: no case matches \"%s\"\n", filter);
  printf("INFO suite took %.1f s\n", (NowMs() - suiteStart) / 1000.0);
  printf("%d passed, %d failed\n", passed, failed);
  fflush(stdout);
  return failed == 0 && passed > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && strcmp(argv[1], "--message-box") == 0) return ShowMessageBox(argv[2], argv[3]);
  if (argc == 3 && strcmp(argv[1], "--press-key") == 0)
    return PressKeyIn(DWORD(strtoul(argv[2], nullptr, 10)));
  if (argc >= 4 && strcmp(argv[1], "--launch") == 0)
    return LaunchAndWait(argv[2], argv[3], argc >= 5 ? argv[4] : nullptr,
                         std::vector<std::string>(argv + (argc > 5 ? 5 : argc), argv + argc));
  if (argc < 3 || argc > 4) {
    fprintf(stderr, "usage: zorvik_e2e ZORVIK_EXE UPX_EXE [CASE_FILTER]\n");
    return 2;
  }
  char self[MAX_PATH * 4];
  DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  SuiteSettings settings;
  settings.zorvikExe = FullPath(argv[1]);
  settings.packerExe = FullPath(argv[2]);
  settings.driverExe = std::string(self, length < sizeof self ? length : 0);
  settings.root = FolderOf(settings.driverExe) + "\\e2e-run";
  for (const std::string& path : {settings.zorvikExe, settings.packerExe}) {
    if (!FileExists(path)) {
      fprintf(stderr, "zorvik_e2e: %s not found\n", path.c_str());
      return 2;
    }
  }
  return RunSuite(settings, argc == 4 ? argv[3] : nullptr);
}
