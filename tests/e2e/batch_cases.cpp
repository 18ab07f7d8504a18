// The batch window: drops on either window, the list it shows, its Compress, Decompress and "X",
// Esc, paths with % and paths longer than 259 bytes, and batch windows opened inside each other.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "e2e.h"

namespace {

using namespace e2e;

const DWORD kWindowMs = 15000;
const DWORD kPackerMs = 30000;  // cmd under Wine, on a busy machine

// The lines a batch window shows: the count line, then each path, every line ending in CR LF.
std::string Listing(const std::vector<std::string>& paths) {
  std::string text = "Total " + std::to_string(paths.size()) + " Files In Batch.\r\n";
  for (const std::string& path : paths) text += path + "\r\n";
  return text;
}

// A visible batch window of `pid` that is not among `known`, or the case ends.
HWND WaitForNewBatchWindow(Case& c, DWORD pid, const std::vector<HWND>& known,
                           const std::string& after) {
  double end = NowMs() + kWindowMs;
  do {
    for (HWND window : FindTopWindows(kBatchTitle, pid, kDialogClass))
      if (std::find(known.begin(), known.end(), window) == known.end()) return window;
    Sleep(20);
  } while (NowMs() < end);
  c.Require(false, "a new batch window (\"" + std::string(kBatchTitle) + "\") opens " + after);
  return nullptr;
}

// The batch text once it equals `expected`, or what it held when the time ran out.
std::string WaitForBatchText(HWND batch, const std::string& expected) {
  std::string text;
  double end = NowMs() + kWindowMs;
  do {
    text = ControlText(batch, kBatchText);
    if (text == expected) break;
    Sleep(20);
  } while (NowMs() < end);
  return text;
}

bool WaitUntilClosed(HWND window) {
  double end = NowMs() + kWindowMs;
  while (IsWindow(window) && IsWindowVisible(window) && NowMs() < end) Sleep(20);
  return !IsWindow(window) || !IsWindowVisible(window);
}

void PostMenuCommand(HWND mainWindow, int id) {
  PostMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void MakeFiles(Case& c, const std::vector<std::string>& paths) {
  for (const std::string& path : paths) c.Require(WriteWholeFile(path, "MZ"), "write " + path);
}

// Waits for the packer's call number `index` (from 0) and checks its argv and its folder.
void CheckPackerCall(Case& c, size_t index, const std::vector<std::string>& argv,
                     const std::string& what) {
  std::vector<PackerCall> calls = WaitForPackerCalls(c.packerLog, index + 1, kPackerMs);
  if (!c.Check(calls.size() == index + 1,
               what + ": the packer has been called " + std::to_string(index + 1) +
                   " time(s) in all; its log holds " + std::to_string(calls.size()) + " call(s)"))
    return;
  c.CheckEqual(what + ": the packer's argv", argv, calls[index].argv);
  c.CheckEqual(what + ": the packer's current directory", c.workDir, calls[index].currentDir);
}

// Creates a folder or file by its wide name, for paths longer than the ANSI calls take.
// Ends every process Zorvik started, and theirs: the consoles of the scripts, waiting at PAUSE.
// Wine's cmd holds a script open, without leave to delete it, for as long as it runs; cmd on
// Windows opens it afresh for each line.
void EndScriptConsoles(DWORD zorvikPid) {
  std::vector<ProcessEntry> processes = ListProcesses();
  std::vector<DWORD> tree = {zorvikPid};
  for (size_t i = 0; i < tree.size(); ++i)
    for (const ProcessEntry& entry : processes)
      if (entry.parentPid == tree[i] && entry.pid != zorvikPid &&
          std::find(tree.begin(), tree.end(), entry.pid) == tree.end())
        tree.push_back(entry.pid);
  for (size_t i = 1; i < tree.size(); ++i) TerminateById(tree[i]);
}

bool MakeLongFolder(const std::string& path) {
  std::wstring wide(path.begin(), path.end());
  return CreateDirectoryW((L"\\\\?\\" + wide).c_str(), nullptr) ||
         GetLastError() == ERROR_ALREADY_EXISTS;
}

bool MakeLongFile(const std::string& path) {
  std::wstring wide(path.begin(), path.end());
  HANDLE file = CreateFileW((L"\\\\?\\" + wide).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace

E2E_CASE(batch_window_opens_on_a_main_window_drop_with_exe_and_dll_only) {
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  const std::string w = c.workDir + "\\";
  MakeFiles(c, {w + "x.exe", w + "Y.DLL", w + "z.txt", w + "n.exe.bak", w + "exe"});

  // Nothing that passes: the window opens all the same, with the count line alone.
  c.Require(DropFiles(window, {w + "z.txt"}), "drop z.txt on the main window");
  HWND empty = WaitForNewBatchWindow(c, zorvik.pid, {}, "after a drop of only z.txt");
  c.CheckEqual("batch text after a drop of only z.txt", "Total 0 Files In Batch.\r\n",
               WaitForBatchText(empty, "Total 0 Files In Batch.\r\n"));
  c.Check(GetWindow(empty, GW_OWNER) == nullptr, "the batch window has no owner");
  c.Check(IsWindowEnabled(window) != 0,
          "the main window stays enabled while a batch window is open");

  c.Require(ClickButton(empty, kBatchClose), "click \"X\" (1001) of the batch window");
  c.Check(WaitUntilClosed(empty), "\"X\" closes the batch window");
  c.Check(IsWindowVisible(window) && WindowAnswers(window),
          "the main window is still open and answers after \"X\"");
  double end = NowMs() + 5000;
  while (GetForegroundWindow() != window && NowMs() < end) Sleep(20);
  c.Check(GetForegroundWindow() == window, "the main window is brought forward after \"X\"");

  // Five names, three that pass, kept in drop order: a name of only "exe" is its own extension.
  c.Require(DropFiles(window, {w + "x.exe", w + "Y.DLL", w + "z.txt", w + "n.exe.bak", w + "exe"}),
            "drop five files on the main window");
  HWND batch = WaitForNewBatchWindow(c, zorvik.pid, {}, "after a drop of five files");
  std::string expected =
      "Total 3 Files In Batch.\r\n" + w + "x.exe\r\n" + w + "Y.DLL\r\n" + w + "exe\r\n";
  c.CheckEqual("batch text after dropping x.exe, Y.DLL, z.txt, n.exe.bak and exe", expected,
               WaitForBatchText(batch, expected));
  c.CheckEqual("batch windows of Zorvik after the second drop", 1,
               FindTopWindows(kBatchTitle, zorvik.pid, kDialogClass).size());
}

// The batches run without the user's UPX variable. Sibling scripts that are the user's own stay
// through Zorvik's start, its batches and its close; one a Zorvik left goes at the start.
E2E_CASE(batch_window_drop_appends_and_its_buttons_pack_every_entry) {
  const std::string w = c.workDir + "\\";
  const std::vector<std::string> users = {w + "runupxcmd-2.bat", w + "derunupxcmd-3.bat"};
  for (const std::string& user : users)
    c.Require(WriteWholeFile(user, "@echo off\r\nrem mine\r\nPAUSE\r\n"),
              "write the user's " + user);
  const std::string left = w + "derunupxcmd-2.bat";
  c.Require(WriteWholeFile(left, ScriptStartLines() + Quoted(c.packerPath) + " -d \"" + w +
                                     "a.exe\" " + kScriptEnd),
            "write a script a Zorvik left, " + left);
  Process& zorvik = c.StartWithEnvironment(c.BareCommandLine(), {{"UPX", "-qqq --best"}});
  HWND window = c.WaitForMainWindow(zorvik);
  c.Check(!FileExists(left), "the start deletes the script a Zorvik left, " + left);
  const std::string a = w + "a.exe", b = w + "B.Dll", d = w + "d d.exe";
  MakeFiles(c, {a, b, w + "c.txt", d});

  PostMenuCommand(window, kBatchMenuCommand);
  HWND batch = WaitForNewBatchWindow(c, zorvik.pid, {}, "on menu command 899");
  c.CheckEqual("batch text when opened from the menu", Listing({}),
               WaitForBatchText(batch, Listing({})));

  // Esc goes first; the drops posted after it show when it has been handled, and any command
  // Esc gave rise to has been handled by the time the second drop shows.
  c.Require(PressEscape(batch), "post Esc to the batch window");
  c.Require(DropFiles(batch, {a, b, w + "c.txt"}),
            "drop a.exe, B.Dll and c.txt on the batch window");
  c.CheckEqual("batch text after the first drop on it", Listing({a, b}),
               WaitForBatchText(batch, Listing({a, b})));
  c.Require(DropFiles(batch, {d}), "drop \"d d.exe\" on the batch window");
  const std::string all = Listing({a, b, d});
  c.CheckEqual("batch text after the second drop on it", all, WaitForBatchText(batch, all));
  c.Check(IsWindow(batch) && IsWindowVisible(batch), "Esc does not close the batch window");

  c.Require(ClickButton(batch, kBatchCompress), "click Compress (1005) of the batch window");
  CheckPackerCall(c, 0, {c.packerPath, a, b, d}, "Compress");
  c.Require(ClickButton(batch, kBatchDecompress), "click Decompress (1006) of the batch window");
  CheckPackerCall(c, 1, {c.packerPath, "-d", a, b, d}, "Decompress");
  c.CheckEqual("batch text after Compress and Decompress", all, ControlText(batch, kBatchText));
  c.Check(FileExists(w + "runupxcmd.bat") && FileExists(w + "derunupxcmd.bat"),
          "both scripts are in the current directory while the batch window is open");

  EndScriptConsoles(zorvik.pid);
  c.Require(ClickButton(batch, kBatchClose), "click \"X\" (1001) of the batch window");
  c.Check(WaitUntilClosed(batch), "\"X\" closes the batch window");
  c.Check(!FileExists(w + "runupxcmd.bat"), "closing the batch window deletes runupxcmd.bat");
  c.Check(!FileExists(w + "derunupxcmd.bat"), "closing the batch window deletes derunupxcmd.bat");
  for (const std::string& user : users)
    c.Check(FileExists(user), "the user's " + user + " is left after two batches and a close");
  std::string env;
  c.Check(!ReadWholeFile(c.progDir + "\\upx-env.log", env),
          "no batch packer sees the UPX variable; upx-env.log holds " + Shown(env));
  c.Check(IsRunning(zorvik) && IsWindowVisible(window) && WindowAnswers(window),
          "the main window is still open and answers after the batch window closed");
}

// cmd looks for a command it does not know itself in the current folder first: a chcp.bat there
// would run instead of System32's chcp and, not being called, end the script before the packer.
E2E_CASE(batch_script_never_runs_a_chcp_bat_in_its_folder) {
  const std::string w = c.workDir + "\\", ran = w + "chcp-ran.txt", a = w + "a.exe";
  c.Require(WriteWholeFile(w + "chcp.bat", "@echo %*> \"" + ran + "\"\r\n"), "write chcp.bat");
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  MakeFiles(c, {a});
  PostMenuCommand(window, kBatchMenuCommand);
  HWND batch = WaitForNewBatchWindow(c, zorvik.pid, {}, "on menu command 899");
  c.Require(DropFiles(batch, {a}) && WaitForBatchText(batch, Listing({a})) == Listing({a}),
            "the batch lists a.exe");
  c.Require(ClickButton(batch, kBatchCompress), "click Compress");
  CheckPackerCall(c, 0, {c.packerPath, a}, "Compress beside a chcp.bat");
  std::string args;
  c.Check(!ReadWholeFile(ran, args), "the folder's chcp.bat never ran; it wrote " + Shown(args));
  EndScriptConsoles(zorvik.pid);
}

E2E_CASE(batch_window_keeps_dropped_paths_with_percent_or_over_259_bytes_whole) {
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);

  // %windir% would turn into the Windows folder if the script let cmd expand it.
  const std::string percentFolder = c.workDir + "\\100%";
  const std::string percent = percentFolder + "\\%windir% 50%.exe";
  c.Require(MakeFolders(percentFolder), "create the folder " + percentFolder);
  MakeFiles(c, {percent});

  std::string longPath = c.workDir;
  bool made = true;
  while (longPath.size() < 300) {
    longPath += "\\deep-folder-" + std::string(40, 'f');
    made = made && MakeLongFolder(longPath);
  }
  longPath += "\\far.exe";
  made = made && MakeLongFile(longPath);
  if (!made) c.Info("the deep folder could not be made; its path is dropped all the same");
  c.Info("the long path has " + std::to_string(longPath.size()) + " bytes");

  c.Require(DropFiles(window, {percent, longPath}), "drop the two paths on the main window");
  HWND batch = WaitForNewBatchWindow(c, zorvik.pid, {}, "after the drop");
  const std::string expected = Listing({percent, longPath});
  c.CheckEqual("batch text after dropping a path with % and one of " +
                   std::to_string(longPath.size()) + " bytes",
               expected, WaitForBatchText(batch, expected));

  c.Require(ClickButton(batch, kBatchCompress), "click Compress (1005) of the batch window");
  CheckPackerCall(c, 0, {c.packerPath, percent, longPath}, "Compress");
}

E2E_CASE(batch_window_nested_ones_refresh_the_window_dropped_on) {
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  const std::string a = c.workDir + "\\a.exe", b = c.workDir + "\\b.dll";
  MakeFiles(c, {a, b});

  PostMenuCommand(window, kBatchMenuCommand);
  HWND older = WaitForNewBatchWindow(c, zorvik.pid, {}, "on the first menu command 899");
  PostMenuCommand(window, kBatchMenuCommand);
  HWND newer =
      WaitForNewBatchWindow(c, zorvik.pid, {older}, "on menu command 899 with a batch window open");
  c.CheckEqual("batch text of the second window", Listing({}),
               WaitForBatchText(newer, Listing({})));

  c.Require(ClickButton(newer, kBatchClose), "click \"X\" of the newer batch window");
  c.Check(WaitUntilClosed(newer), "\"X\" closes the newer batch window");
  c.Check(IsWindowVisible(older) != 0, "the older batch window stays open");

  c.Require(DropFiles(older, {a}), "drop a.exe on the older batch window");
  c.CheckEqual("text of the older batch window after a drop on it", Listing({a}),
               WaitForBatchText(older, Listing({a})));
  c.Check(IsRunning(zorvik) && WindowAnswers(older) && WindowAnswers(window),
          "Zorvik still runs and both of its windows answer after the drop");

  // A drop on the main window opens a third window over the older one, on the same list.
  c.Require(DropFiles(window, {b}), "drop b.dll on the main window");
  HWND third = WaitForNewBatchWindow(c, zorvik.pid, {older}, "on a drop on the main window");
  c.CheckEqual("text of the third batch window", Listing({a, b}),
               WaitForBatchText(third, Listing({a, b})));
  c.CheckEqual("text of the older batch window after the drop on the main window", Listing({a}),
               ControlText(older, kBatchText));

  c.Require(PostClose(third), "WM_CLOSE to the third batch window");
  c.Check(WaitUntilClosed(third), "WM_CLOSE closes the third batch window");
  c.Require(PostClose(older), "WM_CLOSE to the older batch window");
  c.Check(WaitUntilClosed(older), "WM_CLOSE closes the older batch window");
  c.CloseMainWindow(window, zorvik, "after both batch windows closed");
}

// cmd on Windows reads a script afresh for every line, so Zorvik never deletes or rewrites one
// whose console runs. A held stand-in packer keeps the first line of a two-line script running:
// a second Compress goes to runupxcmd-3.bat at once (runupxcmd-2.bat is the user's own, and
// stays), closing the batch window leaves both, and a console that is killed or ends at a key
// press leaves its script to Zorvik's close. (Wine's
// cmd holds its script open, and a delete there only takes effect when the console ends: so the
// killed console shows whether Zorvik tried.)
E2E_CASE(batch_window_close_leaves_a_running_script_until_its_console_ends) {
  const std::string users = c.workDir + "\\runupxcmd-2.bat", mine = "@rem mine\r\nPAUSE\r\n";
  c.Require(WriteWholeFile(users, mine), "write the user's runupxcmd-2.bat");
  PackerHold hold(c.progDir + "\\hold");  // until the first console is gone
  Process& zorvik = c.StartWithEnvironment(c.BareCommandLine(), {hold.Knob()});
  HWND window = c.WaitForMainWindow(zorvik);
  std::vector<std::string> paths;  // 150 of 60 characters: two script lines
  for (int i = 0; i < 150; ++i) {
    char name[64];
    snprintf(name, sizeof name, "C:\\two lines\\file%03d", i);
    paths.push_back(name + std::string(60 - strlen(name) - 4, 'x') + ".exe");
  }
  PostMenuCommand(window, kBatchMenuCommand);
  HWND batch = WaitForNewBatchWindow(c, zorvik.pid, {}, "on menu command 899");
  c.Require(DropFiles(batch, paths), "drop 150 paths on the batch window");
  c.Require(WaitForBatchText(batch, Listing(paths)) == Listing(paths), "the batch lists them");

  const std::string first = c.workDir + "\\runupxcmd.bat", second = c.workDir + "\\runupxcmd-3.bat";
  auto consoles = [&zorvik] {
    std::vector<DWORD> found;
    for (const ProcessEntry& entry : ListProcesses())
      if (entry.parentPid == zorvik.pid && _stricmp(entry.exeName.c_str(), "cmd.exe") == 0)
        found.push_back(entry.pid);
    return found;
  };
  c.Require(ClickButton(batch, kBatchCompress), "click Compress");
  c.Require(WaitForPackerCalls(c.packerLog, 1, kPackerMs).size() == 1, "the first line runs");
  std::string bytes, now;
  c.Require(ReadWholeFile(first, bytes), "read runupxcmd.bat");
  c.CheckEqual("lines of runupxcmd.bat", 7, std::count(bytes.begin(), bytes.end(), '\n') + 1);
  const std::vector<DWORD> firstConsole = consoles();
  c.Require(firstConsole.size() == 1, "one console runs runupxcmd.bat");

  c.Require(ClickButton(batch, kBatchCompress), "click Compress again while it runs");
  double end = NowMs() + 10000;
  while ((consoles().size() < 2 || !FileExists(second)) && NowMs() < end) Sleep(20);
  c.Check(FileExists(second) && consoles().size() == 2,
          "a second console runs runupxcmd-3.bat within 10 s, while the first one runs");
  c.Check(ReadWholeFile(first, now) && now == bytes, "runupxcmd.bat is not rewritten");

  c.Require(ClickButton(batch, kBatchClose), "click \"X\" while both consoles run");
  c.Check(WaitUntilClosed(batch), "\"X\" closes the batch window");
  c.Check(ReadWholeFile(first, now) && now == bytes && FileExists(second),
          "both scripts are left while their consoles run");

  TerminateById(firstConsole[0]);  // as a user closing the console's window
  Sleep(1000);
  c.Check(FileExists(first), "runupxcmd.bat is left after its console was killed");
  hold.Release();

  // The second console runs both packer lines, then waits at PAUSE for a key.
  std::vector<PackerCall> calls = WaitForPackerCalls(c.packerLog, 3, kPackerMs);
  c.Require(calls.size() == 3, "the second script's two lines run");
  end = NowMs() + kPackerMs;
  auto packersRun = [] {
    for (const ProcessEntry& entry : ListProcesses())
      if (_stricmp(entry.exeName.c_str(), "upx.exe") == 0) return true;
    return false;
  };
  while (packersRun() && NowMs() < end) Sleep(50);
  std::vector<DWORD> left = consoles();
  c.Require(left.size() == 1 && left[0] != firstConsole[0], "the second console is left");
  Process& key = c.Start(Quoted(c.Settings().driverExe) + " --press-key " + std::to_string(left[0]),
                         c.Settings().driverExe);
  DWORD code = 1;
  c.Check(WaitForExit(key, 10000, &code) && code == 0,
          "a key goes into the second console; the helper ended with " + std::to_string(code));
  end = NowMs() + 10000;
  while (!consoles().empty() && NowMs() < end) Sleep(50);
  c.Check(consoles().empty(), "the second console ends after the key");
  c.Check(FileExists(second), "runupxcmd-3.bat does not delete itself when its console ends");

  c.CloseMainWindow(window, zorvik, "after both consoles ended");
  c.Check(!FileExists(first) && !FileExists(second),
          "closing the main window deletes runupxcmd.bat and runupxcmd-3.bat, which no console "
          "runs any more");
  std::string theirs;
  c.Check(ReadWholeFile(users, theirs) && theirs == mine,
          "the user's runupxcmd-2.bat is left as it was");
}

// A running script is held open against writers, renamers and deleters by its console, from
// Zorvik's write until the console ends, also after Zorvik has ended. A Zorvik that reaches the
// same folder under another drive letter (Q:, as subst makes one; tests/e2e/run.sh maps it to the
// cases' root) neither rewrites nor deletes it, and writes runupxcmd-2.bat instead. The script
// fixes cmd's settings itself: run again by a cmd with delayed expansion on, it still names
// b!c!d.exe and x^y!.exe.
E2E_CASE(batch_running_script_is_held_against_writers_under_any_drive_letter) {
  const std::string other = "Q:\\" + c.Name() + "\\work";
  c.Require(GetFileAttributesA(other.c_str()) != INVALID_FILE_ATTRIBUTES,
            other + " is the work folder under drive Q: (run.sh maps it)");
  const std::string w = c.workDir + "\\";
  const std::vector<std::string> paths = {w + "b!c!d.exe", w + "x^y!.exe"};
  const std::string first = w + "runupxcmd.bat", second = w + "runupxcmd-2.bat";
  size_t runs = 0;
  auto compress = [&](const Process& zorvik, const std::string& when) {
    HWND window = c.WaitForMainWindow(zorvik);
    PostMenuCommand(window, kBatchMenuCommand);
    HWND batch = WaitForNewBatchWindow(c, zorvik.pid, {}, when);
    c.Require(DropFiles(batch, paths) && WaitForBatchText(batch, Listing(paths)) == Listing(paths),
              when + ": the batch lists both paths");
    c.Require(ClickButton(batch, kBatchCompress), when + ": click Compress");
    ++runs;
    c.Require(WaitForPackerCalls(c.packerLog, runs, kPackerMs).size() == runs,
              when + ": the packer runs");
    c.Require(ClickButton(batch, kBatchClose) && WaitUntilClosed(batch),
              when + ": \"X\" closes the batch window");
    return window;
  };
  auto checkHeld = [&](const std::string& path, const std::string& when) {
    Handle file(CreateFileA(path.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr));
    c.Check(!file.Valid(), path + " cannot be opened for writing " + when);
    const std::string away = path + ".away";
    const bool renamed = MoveFileA(path.c_str(), away.c_str()) != 0;
    if (renamed) MoveFileA(away.c_str(), path.c_str());
    c.Check(!renamed, path + " cannot be renamed " + when);
    c.Check(!DeleteFileA(path.c_str()), path + " cannot be deleted " + when);
  };

  PackerHold hold(c.progDir + "\\hold");  // every packer runs until the case ends
  Process& zorvik = c.StartWithEnvironment(c.BareCommandLine(), {hold.Knob()});
  HWND window = compress(zorvik, "in the work folder");
  std::vector<PackerCall> calls = WaitForPackerCalls(c.packerLog, 1, kPackerMs);
  c.CheckEqual("the packer's argv", {c.packerPath, paths[0], paths[1]}, calls[0].argv);
  std::string bytes, now;
  c.Require(ReadWholeFile(first, bytes), "read runupxcmd.bat while it runs");
  checkHeld(first, "while it runs");
  c.CloseMainWindow(window, zorvik, "while its console runs");
  checkHeld(first, "after Zorvik has ended");

  ScopedEnvironment held(ScopedEnvironment::Variables{hold.Knob()});
  Process& onQ = c.Start(c.BareCommandLine(), "", other);
  window = compress(onQ, "in the same folder as " + other);
  calls = WaitForPackerCalls(c.packerLog, 2, kPackerMs);
  c.CheckEqual("the packer's argv from Q:", {c.packerPath, paths[0], paths[1]}, calls[1].argv);
  c.Check(FileExists(second), "the Zorvik on Q: writes runupxcmd-2.bat");
  c.CloseMainWindow(window, onQ, "on Q:, while both consoles run");
  c.Check(ReadWholeFile(first, now) && now == bytes,
          "runupxcmd.bat is neither rewritten nor deleted from Q:; holds " + Shown(now));

  // As a user might run the left-over script by hand, with delayed expansion on.
  Process& byHand = c.Start("cmd /v:on /c runupxcmd.bat", "C:\\windows\\system32\\cmd.exe");
  (void)byHand;
  calls = WaitForPackerCalls(c.packerLog, 3, kPackerMs);
  c.Require(calls.size() == 3, "the script runs under cmd /v:on");
  c.CheckEqual("the packer's argv under cmd /v:on", {c.packerPath, paths[0], paths[1]},
               calls[2].argv);
}

// A dropped folder adds its .exe and .dll files, sorted without regard to case, then its
// subfolders' (a folder named like a .dll among them), each once: a link back up, made on the
// Unix side (Wine 8 lists it as a reparse point without a tag), is not followed, and tree\sub,
// dropped again under drive Q: (run.sh maps it to the cases' root), is a folder met before. Items
// after the folder keep the drop's order, and no folder reaches the packer.
E2E_CASE(batch_folder_drop_walks_the_tree_once_in_order) {
  const std::string tree = c.workDir + "\\tree", lib = tree + "\\lib.dll",
                    z = c.workDir + "\\z.exe";
  c.Require(MakeFolders(lib) && MakeFolders(tree + "\\sub"), "create tree\\lib.dll and tree\\sub");
  MakeFiles(c, {tree + "\\B.exe", tree + "\\a.exe", tree + "\\notes.txt", lib + "\\c.DLL",
                tree + "\\sub\\d.exe", z});
  using UnixName = char*(CDECL*)(const wchar_t*);
  auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  c.Require(unixName != nullptr, "Wine's kernel32 names the Unix side of a path");
  const std::wstring wideTree(tree.begin(), tree.end()), wideUp = wideTree + L"\\lib.dll\\up";
  const std::string unixTree = unixName(wideTree.c_str()), unixUp = unixName(wideUp.c_str());
  // Wine starts a Unix program but gives no handle to wait on: its work shows when it is done.
  auto unixRun = [&](const std::string& program, const std::string& arguments, bool linked) {
    Process unix;
    std::string error;
    c.Require(
        StartProcess("Z:\\bin\\" + program, program + " " + arguments, c.workDir, unix, &error),
        "start " + program + ": " + error);
    for (double end = NowMs() + 10000;
         (GetFileAttributesW(wideUp.c_str()) != INVALID_FILE_ATTRIBUTES) != linked &&
         NowMs() < end;)
      Sleep(20);
  };
  unixRun("ln", "-sfn " + unixTree + " " + unixUp, true);
  const DWORD upAttributes = GetFileAttributesW(wideUp.c_str());
  c.Info("Wine shows tree\\lib.dll\\up with attributes " + std::to_string(upAttributes));
  c.Require(upAttributes != INVALID_FILE_ATTRIBUTES && (upAttributes & FILE_ATTRIBUTE_DIRECTORY),
            "the link shows as a folder");

  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  const std::string subOnQ = "Q:\\" + c.Name() + "\\work\\tree\\sub";
  c.Require(DropFiles(window, {tree, subOnQ, z}),
            "drop tree, Q:...\\sub and z.exe on the main window");
  HWND batch = WaitForNewBatchWindow(c, zorvik.pid, {}, "after the drop");
  const std::vector<std::string> files = {tree + "\\a.exe", tree + "\\B.exe", lib + "\\c.DLL",
                                          tree + "\\sub\\d.exe", z};
  c.CheckEqual("batch text after dropping tree, Q:...\\sub and z.exe", Listing(files),
               WaitForBatchText(batch, Listing(files)));
  c.Require(ClickButton(batch, kBatchCompress), "click Compress (1005) of the batch window");
  std::vector<std::string> argv = {c.packerPath};
  argv.insert(argv.end(), files.begin(), files.end());
  CheckPackerCall(c, 0, argv, "Compress");
  unixRun("rm", unixUp, false);  // the suite's clean-up leaves links alone
}
