// Start-up: the command-line tail, the hand-off to a running window, the missing packer, and
// many instances started at once.
#include <algorithm>
#include <cstdio>

#include "e2e.h"

namespace {

using namespace e2e;

bool KeyExists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The path field's text and the hand-off list's entries of one main window.
std::vector<std::string> TailsHeldBy(HWND window) {
  std::vector<std::string> tails = ListBoxItems(GetDlgItem(window, kHandOffList));
  tails.push_back(ControlText(window, kPathField));
  return tails;
}

}  // namespace

E2E_CASE(command_line_tail_fills_the_path_field_unchanged) {
  // As Explorer's verb starts it: the tail is the quoted file and a trailing blank, 17 characters.
  Process& verb = c.Start(c.VerbCommandLine("D:\\bin\\app.exe"));
  HWND window = c.WaitForMainWindow(verb);
  c.CheckEqual("path field after a verb start (17 characters)", "\"D:\\bin\\app.exe\" ",
               ControlText(window, kPathField));
  c.CloseMainWindow(window, verb, "after the verb start");

  // A quoted program path with blanks, then blanks and tabs before the tail; tabs and blanks at
  // the tail's end stay.
  std::string spacedFolder = FolderOf(c.progDir) + "\\Program Files\\Zorvik App";
  c.InstallProgram(spacedFolder);
  Process& spaced =
      c.Start(Quoted(spacedFolder + "\\Zorvik.exe") + " \t  \"D:\\My Files\\app.exe\"\t ",
              spacedFolder + "\\Zorvik.exe");
  window = c.WaitForMainWindow(spaced);
  c.CheckEqual("path field after a quoted program path with blanks, then blanks and tabs",
               "\"D:\\My Files\\app.exe\"\t ", ControlText(window, kPathField));
  c.CloseMainWindow(window, spaced, "after the start from a folder with blanks");

  // An unquoted program path ends at the first blank.
  if (c.zorvikPath.find(' ') == std::string::npos) {
    Process& bare = c.Start(c.zorvikPath + " D:\\bin\\app.exe");
    window = c.WaitForMainWindow(bare);
    c.CheckEqual("path field after an unquoted program path", "D:\\bin\\app.exe",
                 ControlText(window, kPathField));
    c.CloseMainWindow(window, bare, "after the unquoted start");
  } else {
    c.Info("the unquoted start is left out: the case folder has a blank in its path");
  }
}

E2E_CASE(later_instances_hand_off_their_tail_and_exit_0) {
  Process& first = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(first);
  HWND list = GetDlgItem(window, kHandOffList);
  c.Require(list != nullptr, "the main window has the hand-off list box 1002");
  // A later instance hands off before anything else, so it does not look for the packer.
  c.Require(DeleteFileA(c.packerPath.c_str()) != 0, "remove upx.exe after the first start");

  Process& second = c.Start(c.VerbCommandLine("D:\\bin\\second.exe"));
  DWORD code = 0;
  if (c.Check(WaitForExit(second, 10000, &code), "the second instance ends within 10 s"))
    c.CheckEqual("exit code of the second instance", 0, code);
  c.CheckEqual("hand-off list after the second instance", {"\"D:\\bin\\second.exe\" "},
               ListBoxItems(list));

  Process& third = c.Start(c.BareCommandLine());
  if (c.Check(WaitForExit(third, 10000, &code),
              "the third instance (no arguments) ends within 10 s"))
    c.CheckEqual("exit code of the third instance", 0, code);
  c.CheckEqual("hand-off list after the third instance (an empty tail)",
               {"", "\"D:\\bin\\second.exe\" "}, ListBoxItems(list));

  c.CheckEqual("path field of the first instance", "Please Choose a File",
               ControlText(window, kPathField));
  c.CheckEqual("main windows open", 1, CountTopWindows(kMainTitle));
  c.Check(IsRunning(first), "the first instance still runs");
}

// A main window that hangs holds no later start for long: after about 10 s the later instance
// says that its file was not handed over and ends with exit code 1.
E2E_CASE(later_instance_gives_up_on_a_hung_main_window) {
  Process& first = c.Start(c.BareCommandLine());
  c.WaitForMainWindow(first);
  c.Require(SuspendThread(first.mainThread.Get()) != DWORD(-1), "suspend the window's thread");
  double start = NowMs();
  Process& later = c.Start(c.VerbCommandLine("D:\\bin\\later.exe"));
  HWND box = WaitForMessageBox(later.pid, "Zorvik", 40000);
  const double waited = NowMs() - start;
  ResumeThread(first.mainThread.Get());
  c.Require(box != nullptr, "the later instance shows a \"Zorvik\" box within 40 s");
  c.Info("the box came after " + std::to_string(int(waited)) + " ms");
  c.Check(waited < 25000, "it comes within 25 s; it came after " + std::to_string(int(waited)));
  c.Check(MessageBoxText(box).find("\"D:\\bin\\later.exe\"") != std::string::npos,
          "it names the file: " + Shown(MessageBoxText(box)));
  PressMessageBoxButton(box, IDOK);
  DWORD code = 0;
  c.Check(WaitForExit(later, 10000, &code) && code == 1, "then it ends with exit code 1");
}

E2E_CASE(missing_packer_shows_one_message_box_and_exits_0) {
  c.Require(DeleteFileA(c.packerPath.c_str()) != 0, "remove upx.exe from the program folder");
  // A packer in the current directory is not the one beside the program.
  c.Require(
      CopyFileA(c.Settings().packerExe.c_str(), (c.workDir + "\\upx.exe").c_str(), FALSE) != 0,
      "put upx.exe into the current directory");
  const char* const verbKeys[] = {"exefile\\shell\\Zorvik!", "dllfile\\shell\\Zorvik!"};
  bool keyBefore[2] = {KeyExists(HKEY_CLASSES_ROOT, verbKeys[0]),
                       KeyExists(HKEY_CLASSES_ROOT, verbKeys[1])};

  Process& zorvik = c.Start(c.BareCommandLine());
  HWND box = WaitForMessageBox(zorvik.pid, "upx.exe not found.", 15000);
  c.Require(box != nullptr, "a message box with the caption \"upx.exe not found.\" appears");
  Sleep(500);
  std::vector<HWND> windows = TopWindowsOf(zorvik.pid);
  c.CheckEqual("visible top-level windows of Zorvik while the box shows", 1, windows.size());
  c.CheckEqual("main windows while the box shows", 0, CountTopWindows(kMainTitle));

  const std::string fixed =
      "Error :\n"
      "upx.exe not found ! Download it from https://github.com/upx/upx/releases \n"
      "and put it in same folder as this program.\n"
      "after Pressing OK that folder will be automatically opened.\n"
      "More Apps : ";
  std::string text = MessageBoxText(box);
  c.CheckEqual("message text up to \"More Apps : \"", fixed, text.substr(0, fixed.size()));
  std::string address = text.size() > fixed.size() ? text.substr(fixed.size()) : "";
  c.Check(!address.empty() && std::none_of(address.begin(), address.end(),
                                           [](char ch) { return unsigned(ch) <= ' '; }),
          "a web address without blanks or line breaks ends the message; got " + Shown(address));

  HWND ok = GetDlgItem(box, IDOK);
  c.Check(ok && IsWindowVisible(ok), "the message box has an OK button");
  for (int other : {IDCANCEL, IDYES, IDNO}) {
    HWND button = GetDlgItem(box, other);
    c.Check(!button || !IsWindowVisible(button),
            "the message box has no button with id " + std::to_string(other));
  }

  c.Require(PressMessageBoxButton(box, IDOK), "press OK");
  DWORD code = 0;
  if (c.Check(WaitForExit(zorvik, 20000, &code), "Zorvik ends within 20 s of OK"))
    c.CheckEqual("exit code after the missing-packer message", 0, code);
  c.Check(!FileExists(c.progDir + "\\zir.cfg"), "no zir.cfg in the program folder");
  c.Check(!FileExists(c.workDir + "\\zir.cfg"), "no zir.cfg in the current directory");
  for (int i = 0; i < 2; ++i)
    if (!keyBefore[i])
      c.Check(!KeyExists(HKEY_CLASSES_ROOT, verbKeys[i]),
              std::string("no HKCR\\") + verbKeys[i] + " key written");
}

E2E_CASE(twenty_simultaneous_starts_leave_one_window_with_all_tails) {
  const int kCount = 20;
  std::vector<std::string> tails;
  std::vector<Process*> processes;
  for (int i = 1; i <= kCount; ++i) {
    char file[64];
    snprintf(file, sizeof file, "C:\\many files\\app%02d.exe", i);
    tails.push_back(Quoted(file) + " ");
  }
  // Explorer starts one process per selected file within milliseconds. All 20 are created
  // suspended and then let go together, so that all of them look for a main window at once.
  double start = NowMs();
  for (int i = 0; i < kCount; ++i)
    processes.push_back(
        &c.Start(c.VerbCommandLine(tails[i].substr(1, tails[i].size() - 3)), "", "", true));
  double created = NowMs() - start;
  for (Process* process : processes) c.Require(Resume(*process), "resume an instance");

  // Until every tail is in some main window of these processes.
  double allIn = -1;
  while (allIn < 0 && NowMs() - start < 30000) {
    std::vector<std::string> held;
    for (Process* process : processes)
      for (HWND window : FindTopWindows(kMainTitle, process->pid, kDialogClass)) {
        std::vector<std::string> some = TailsHeldBy(window);
        held.insert(held.end(), some.begin(), some.end());
      }
    if (std::all_of(tails.begin(), tails.end(), [&held](const std::string& tail) {
          return std::find(held.begin(), held.end(), tail) != held.end();
        }))
      allIn = NowMs() - start;
    else
      Sleep(20);
  }
  if (c.Check(allIn >= 0, "all 20 tails reach a main window within 30 s")) {
    char figure[160];
    snprintf(figure, sizeof figure,
             "all 20 tails had arrived in a main window %.0f ms after the first start "
             "(creating the 20 processes took %.0f ms)",
             allIn, created);
    c.Info(figure);
  }

  // Let the hand-off instances end: all but one.
  double end = NowMs() + 20000;
  auto running = [&processes] {
    return std::count_if(processes.begin(), processes.end(),
                         [](Process* process) { return IsRunning(*process); });
  };
  while (running() > 1 && NowMs() < end) Sleep(50);
  Sleep(500);

  int endedWithZero = 0;
  std::string otherEnds;
  for (Process* process : processes) {
    DWORD code = 0;
    if (!WaitForExit(*process, 0, &code)) continue;
    if (code == 0)
      ++endedWithZero;
    else
      otherEnds += " " + std::to_string(code);
  }
  c.CheckEqual("instances that ended with exit code 0", kCount - 1, endedWithZero);
  c.CheckEqual("instances still running", 1, running());
  c.Check(otherEnds.empty(), "no instance ends with another exit code; got" + otherEnds);

  std::vector<HWND> windows = FindTopWindows(kMainTitle);
  c.CheckEqual("windows titled \"" + std::string(kMainTitle) + "\"", 1, windows.size());
  if (windows.size() == 1) {
    std::vector<std::string> held = TailsHeldBy(windows.front());
    std::sort(held.begin(), held.end());
    std::sort(tails.begin(), tails.end());
    c.CheckEqual("path field and hand-off list together", tails, held);
  }
}
