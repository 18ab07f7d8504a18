// Bad input end to end: a storm of hand-offs, hand-offs of every length, a huge settings file, a
// settings file and a batch script that cannot be written. Zorvik must keep answering, lose or
// misplace no file, and say what it could not do.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "e2e.h"

namespace {

using namespace e2e;

const int kAddVerb = 895, kRemoveVerb = 896;
const char* const kVerbKeys[] = {"Software\\Classes\\exefile\\shell\\Zorvik!",
                                 "Software\\Classes\\dllfile\\shell\\Zorvik!"};

// Zorvik's answer to one hand-off (1 when filed), or -1 when it did not answer within 10 s.
long HandOff(HWND window, const std::string& bytes) {
  COPYDATASTRUCT data = {1, DWORD(bytes.size()), const_cast<char*>(bytes.data())};
  DWORD_PTR answer = 0;
  return SendMessageTimeoutA(window, WM_COPYDATA, 0, LPARAM(&data), SMTO_NORMAL, 10000, &answer)
             ? long(answer)
             : -1;
}

// Printable ASCII, different for each seed, so that every text survives the W round trip.
std::string Printable(size_t length, size_t seed) {
  std::string text(length, ' ');
  for (size_t i = 0; i < length; ++i) text[i] = char('!' + (seed * 31 + i * 7 + i / 94) % 94);
  return text;
}

// The same texts in any order; a failure names the counts and the first text that differs.
void CheckSameTexts(Case& c, const std::string& what, std::vector<std::string> want,
                    std::vector<std::string> got) {
  std::sort(want.begin(), want.end());
  std::sort(got.begin(), got.end());
  auto at = std::mismatch(want.begin(), want.end(), got.begin(), got.end());
  c.Check(want == got, what + ": " + std::to_string(want.size()) + " texts expected, " +
                           std::to_string(got.size()) + " got; first difference: expected " +
                           (at.first == want.end() ? "none" : Shown(*at.first)) + ", got " +
                           (at.second == got.end() ? "none" : Shown(*at.second)));
}

std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do
    if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, ".."))
      names.push_back(found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// Both verb commands as "value|value"; "-" for a missing key.
std::string VerbState() {
  std::string state;
  for (const char* key : kVerbKeys) {
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    bool found = RegGetValueA(HKEY_CURRENT_USER, (std::string(key) + "\\command").c_str(), nullptr,
                              RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS;
    state += (state.empty() ? "" : "|") + (found ? std::string(value) : "-");
  }
  return state;
}
// Both verb keys with this command, or none when `set` is null.
void SetVerb(const char* set) {
  for (const char* key : kVerbKeys) {
    RegDeleteTreeA(HKEY_CURRENT_USER, key);
    if (set)
      RegSetKeyValueA(HKEY_CURRENT_USER, key, "command", REG_SZ, set, DWORD(strlen(set) + 1));
  }
}
std::string Installed(const Case& c) {
  std::string command = Quoted(c.zorvikPath) + " \"%1\" ";
  return command + "|" + command;
}

// The Zorvik box that must appear now: its text, after it is dismissed with OK.
std::string ZorvikBoxText(Case& c, const Process& zorvik, const std::string& when) {
  HWND box = WaitForMessageBox(zorvik.pid, "Zorvik", 10000);
  c.Require(box != nullptr, "a \"Zorvik\" message box within 10 s " + when);
  std::string text = MessageBoxText(box);
  c.Check(PressMessageBoxButton(box, IDOK), "the box " + when + " has an OK button");
  double end = NowMs() + 5000;
  while (IsWindow(box) && NowMs() < end) Sleep(20);
  return text;
}

// Makes `path` impossible to write: either a folder of that name, or a read-only file with `text`
// that this process also holds open without sharing write access (Wine running as root writes
// over the read-only attribute alone; the open handle stops it, as an editor's would on Windows).
bool MakeUnwritable(const std::string& path, bool folder, const std::string& text, Handle& lock) {
  if (folder) return MakeFolders(path);
  if (!WriteWholeFile(path, text) || !SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY))
    return false;
  lock.Reset(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  return lock.Valid();
}

// The box's text begins with `opening` and ends with the full path.
void CheckBox(Case& c, const std::string& what, const std::string& text, const std::string& opening,
              const std::string& path) {
  size_t tail = text.size() > path.size() ? text.size() - path.size() : 0;
  c.CheckEqual(what + ": the box's opening", opening, text.substr(0, opening.size()));
  c.CheckEqual(what + ": the box's end", path, text.substr(tail));
}

}  // namespace

E2E_CASE(bad_input_handoff_storm_from_eight_senders_files_every_text) {
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  const int kSenders = 8, kEach = 125;
  std::vector<std::string> texts;
  for (int t = 0; t < kSenders * kEach; ++t)
    texts.push_back("\"C:\\storm\\sender" + std::to_string(t % kSenders) + "\\file" +
                    std::to_string(t) + ".exe\" ");
  // Win32 threads: the win32 threading flavour of the toolchain has no std::thread.
  struct Sender {
    HWND window;
    const std::vector<std::string>* texts;
    size_t first, step;
    std::atomic<int>* filed;
    static DWORD WINAPI Run(void* p) {
      auto* s = static_cast<Sender*>(p);
      for (size_t t = s->first; t < s->texts->size(); t += s->step)
        *s->filed += HandOff(s->window, (*s->texts)[t] + '\0') == 1;
      return 0;
    }
  };
  std::atomic<int> filed(0);
  std::vector<Sender> senders;
  for (int s = 0; s < kSenders; ++s)
    senders.push_back({window, &texts, size_t(s), kSenders, &filed});
  std::vector<Handle> threads;
  double start = NowMs();
  for (Sender& sender : senders)
    threads.emplace_back(CreateThread(nullptr, 0, Sender::Run, &sender, 0, nullptr));
  for (Handle& thread : threads)
    c.Check(thread.Valid() && WaitForSingleObject(thread.Get(), INFINITE) == WAIT_OBJECT_0,
            "a sender thread started and ended");
  c.Info("1000 hand-offs from 8 threads took " + std::to_string(int(NowMs() - start)) + " ms");
  c.CheckEqual("hand-offs Zorvik answered with 1", kSenders * kEach, filed.load());
  c.Check(IsRunning(zorvik) && WindowAnswers(window), "the window answers after the storm");
  CheckSameTexts(c, "hand-off list after the storm", texts,
                 ListBoxItems(GetDlgItem(window, kHandOffList)));
  c.CheckEqual("path field after the storm", "Please Choose a File",
               ControlText(window, kPathField));
}

E2E_CASE(bad_input_handoff_payloads_of_every_length_up_to_64_kib) {
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  std::vector<size_t> lengths;
  for (size_t n = 0; n < 65535; n += n < 300 ? 1 : 997) lengths.push_back(n);
  lengths.insert(lengths.end(), {65535, 65536});
  std::vector<std::string> expected;
  std::string refused;
  for (size_t n : lengths) {
    // Without a NUL the entry is all cbData bytes. With one (at the end, as Zorvik's own sender
    // puts it, or halfway with more text after it) the entry stops there.
    std::string whole = Printable(n, n);
    std::string withNul = Printable(n, n + 1);
    size_t nul = n % 2 ? n - 1 : n / 2;
    if (n > 0) withNul[nul] = '\0';
    for (const std::string& payload :
         n ? std::vector<std::string>{whole, withNul} : std::vector<std::string>{whole}) {
      if (HandOff(window, payload) != 1) refused += " " + std::to_string(n);
      expected.push_back(payload.substr(0, std::min(payload.find('\0'), payload.size())));
    }
    if (n > 300 && !c.Check(WindowAnswers(window), "the window answers after " + std::to_string(n)))
      break;
  }
  c.Check(refused.empty(), "every hand-off is answered with 1; not those of length" + refused);
  c.Check(IsRunning(zorvik) && WindowAnswers(window), "the window answers after every length");
  std::vector<std::string> items = ListBoxItems(GetDlgItem(window, kHandOffList));
  size_t longest = 0;
  for (const std::string& item : items) longest = std::max(longest, item.size());
  c.CheckEqual("the longest entry read back", 65536, longest);
  CheckSameTexts(c, "hand-off list after payloads of 0 to 65536 bytes", expected, items);
}

E2E_CASE(bad_input_settings_file_of_one_mib_starts_in_time_and_is_made_canonical) {
  const size_t kMiB = 1 << 20;
  std::string blanks, garbage(kMiB, '\0');
  for (size_t i = 0; i < kMiB; ++i) blanks += " \t\r\n"[i % 4];
  for (size_t i = 1, x = 1; i < kMiB; ++i) garbage[i] = char((x = x * 1103515245 + 12345) >> 16);
  // What the file holds, and whether it asks for the verb (a number past 1 MiB of digits is not 1).
  struct {
    const char* name;
    std::string text;
    bool on;
  } variants[] = {
      {"\"[Shell Menu] : 1\" and 1 MiB of x", "[Shell Menu] : 1" + std::string(kMiB, 'x'), true},
      // Only the first 64 KiB are read: the 1 behind the blanks is not.
      {"\"[Shell Menu] :\", 1 MiB of white space, \"1\"", "[Shell Menu] :" + blanks + "1", false},
      {"\"[Shell Menu] : 1\" and 1 MiB of 0s", "[Shell Menu] : 1" + std::string(kMiB, '0'), false},
      {"1 MiB of random bytes", garbage, false}};
  const std::string cfg = c.progDir + "\\zir.cfg";
  for (const auto& v : variants) {
    SetVerb(v.on ? nullptr : "stale");  // the opposite of what the file asks for
    c.Require(WriteWholeFile(cfg, v.text), std::string("write zir.cfg: ") + v.name);
    double start = NowMs();
    Process& zorvik = c.Start(c.BareCommandLine());
    HWND window = c.WaitForMainWindow(zorvik, 20000);
    c.Info(v.name + (": main window after " + std::to_string(int(NowMs() - start)) + " ms"));
    std::string now;
    ReadWholeFile(cfg, now);
    c.CheckEqual(std::string("zir.cfg after starting with ") + v.name,
                 v.on ? "[Shell Menu] : 1" : "[Shell Menu] : 0", now);
    c.CheckEqual(std::string("verb commands after starting with ") + v.name,
                 v.on ? Installed(c) : "-|-", VerbState());
    c.Check(WindowAnswers(window), std::string("the window answers: ") + v.name);
    c.CloseMainWindow(window, zorvik, v.name);
  }
  c.CheckEqual("files in the work folder", std::vector<std::string>{}, NamesIn(c.workDir));
  SetVerb(nullptr);
}

E2E_CASE(bad_input_unwritable_settings_file_is_reported_and_nothing_lands_elsewhere) {
  const std::string cfg = c.progDir + "\\zir.cfg";
  for (bool folder : {false, true}) {
    const std::string kind = folder ? "a folder named zir.cfg" : "a read-only, locked zir.cfg";
    SetVerb(nullptr);
    Handle lock;
    c.Require(MakeUnwritable(cfg, folder, "[Shell Menu] : 0", lock), "make " + kind);
    Process& zorvik = c.Start(c.BareCommandLine());
    HWND window = c.WaitForMainWindow(zorvik);
    const std::string opening = "Zorvik could not save its settings";
    PostMessageA(window, WM_COMMAND, kAddVerb, 0);
    CheckBox(c, "Add with " + kind, ZorvikBoxText(c, zorvik, "after Add with " + kind), opening,
             cfg);
    c.CheckEqual("verb commands after Add with " + kind, Installed(c), VerbState());
    PostMessageA(window, WM_COMMAND, kRemoveVerb, 0);
    CheckBox(c, "Remove with " + kind, ZorvikBoxText(c, zorvik, "after Remove with " + kind),
             opening, cfg);
    c.CheckEqual("verb commands after Remove with " + kind, "-|-", VerbState());
    c.Check(WindowAnswers(window), "the window answers after both boxes, " + kind);
    std::string now;
    if (!folder)
      c.Check(ReadWholeFile(cfg, now) && now == "[Shell Menu] : 0",
              "the read-only zir.cfg is unchanged; holds " + Shown(now));
    c.CheckEqual("program folder with " + kind, {"Zorvik.exe", "upx.exe", "zir.cfg"},
                 NamesIn(c.progDir));
    c.CheckEqual("work folder with " + kind, std::vector<std::string>{}, NamesIn(c.workDir));
    c.CloseMainWindow(window, zorvik, kind);
    lock.Reset();
    SetFileAttributesA(cfg.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(cfg.c_str());
  }
}

E2E_CASE(bad_input_unwritable_batch_script_is_reported_and_the_packer_never_starts) {
  const std::string script = c.workDir + "\\runupxcmd.bat";
  const std::string old = "@echo off\r\n" + Quoted(c.packerPath) + " old-script\r\n";
  for (bool folder : {false, true}) {
    const std::string kind =
        (folder ? "a folder named runupxcmd.bat" : "a read-only, locked old runupxcmd.bat") +
        std::string(" and folders of every other script name");
    DeleteFileA(c.packerLog.c_str());
    Handle lock;
    c.Require(MakeUnwritable(script, folder, old, lock), "make " + kind);
    for (int n = 2; n <= 99; ++n)
      c.Require(MakeFolders(c.workDir + "\\runupxcmd-" + std::to_string(n) + ".bat"),
                "make the folder runupxcmd-" + std::to_string(n) + ".bat");
    std::vector<ProcessEntry> before = ListProcesses();
    Process& zorvik = c.Start(c.BareCommandLine());
    HWND window = c.WaitForMainWindow(zorvik);
    c.CheckEqual("answer to the hand-off", 1, HandOff(window, "\"C:\\in\\app.exe\" "));
    c.Require(ClickButton(window, kCompressButton), "click Compress");
    HWND confirm = WaitForMessageBox(zorvik.pid, "Brannoc.", 10000);
    c.Require(confirm && PressMessageBoxButton(confirm, IDYES), "a \"Brannoc.\" box to answer Yes");
    CheckBox(c, kind, ZorvikBoxText(c, zorvik, "after Yes with " + kind),
             "The batch script could not be written, so the packer was not started:", script);
    c.CheckEqual("packer calls with " + kind, 0, WaitForPackerCalls(c.packerLog, 1, 3000).size());
    std::string started;  // names of processes that are new since Zorvik's start, but for it
    for (const ProcessEntry& now : ListProcesses())
      if (now.pid != zorvik.pid &&
          std::none_of(before.begin(), before.end(), [&](auto& b) { return b.pid == now.pid; }))
        started += " " + now.exeName;
    c.Check(started.empty(), "no process started after Yes with " + kind + "; got" + started);
    c.Check(WindowAnswers(window), "the window answers after the box, " + kind);
    std::string now;
    c.Check(folder ? (GetFileAttributesA(script.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0
                   : ReadWholeFile(script, now) && now == old,
            kind + " is left as it was; holds " + Shown(now));
    c.CheckEqual("names in the work folder with " + kind, 99, NamesIn(c.workDir).size());
    c.CheckEqual("program folder with " + kind, {"Zorvik.exe", "upx.exe"}, NamesIn(c.progDir));
    lock.Reset();
    c.CloseMainWindow(window, zorvik, kind);
    SetFileAttributesA(script.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(script.c_str());
    RemoveDirectoryA(script.c_str());
  }
}

// DLLs named like system ones, planted beside Zorvik.exe (a downloads folder) and in the current
// folder, are never loaded into Zorvik: not at a start or a hand-off, nor by the file chooser, a
// single-file run, a batch, the menu or the shell. Each copy of planted.dll notes in
// "<its path>.hit" which program loaded it.
E2E_CASE(hardening_planted_dlls_are_never_loaded_into_zorvik) {
  const char* const names[] = {"compstui.dll", "shcore.dll",        "uxtheme.dll",  "propsys.dll",
                               "version.dll",  "dwmapi.dll",        "comdlg32.dll", "ole32.dll",
                               "oleaut32.dll", "windowscodecs.dll", "crypt32.dll",  "bcrypt.dll"};
  const std::string planted = FolderOf(c.Settings().driverExe) + "\\planted.dll";
  std::vector<std::string> copies;
  for (const std::string& folder : {c.progDir, c.workDir})
    for (const char* name : names) {
      copies.push_back(folder + "\\" + name);
      c.Require(CopyFileA(planted.c_str(), copies.back().c_str(), FALSE) != 0,
                "plant " + copies.back());
    }
  const std::string file = c.workDir + "\\app.exe";
  c.Require(WriteWholeFile(file, "MZ"), "write " + file);

  Process& zorvik = c.Start(c.VerbCommandLine(file));
  HWND window = c.WaitForMainWindow(zorvik);
  Process& later = c.Start(c.VerbCommandLine(c.workDir + "\\handed.exe"));
  c.Check(WaitForExit(later, 15000), "a later start hands its file over and ends");

  c.Require(ClickButton(window, kChooseButton), "click \". . .\"");
  HWND chooser = WaitForDialog(zorvik.pid, window);
  c.Require(chooser && PressMessageBoxButton(chooser, IDCANCEL), "the chooser opens and cancels");
  for (double end = NowMs() + 5000; IsWindow(chooser) && NowMs() < end;) Sleep(20);

  c.Require(ClickButton(window, kMenuButton), "click \":)\"");
  HWND popup = WaitForPopupMenu(zorvik.pid);
  c.Require(popup != nullptr, "\":)\" shows the menu");
  PostKey(popup, VK_ESCAPE);
  for (double end = NowMs() + 5000; IsWindowVisible(popup) && NowMs() < end;) Sleep(20);
  PostMessageA(window, WM_COMMAND, 897, 0);  // "More Apps": the shell opens the maker's site

  c.Require(ClickButton(window, kCompressButton), "click Compress");  // the batch: 2 files
  HWND confirm = WaitForMessageBox(zorvik.pid, "Brannoc.", 10000);
  c.Require(confirm && PressMessageBoxButton(confirm, IDYES), "a \"Brannoc.\" box to answer Yes");
  c.Require(WaitForPackerCalls(c.packerLog, 1, 30000).size() == 1, "the batch's packer runs");
  DeleteFileA(c.packerLog.c_str());
  // The single-file run, once the hand-off list is gone with a fresh Zorvik.
  c.CloseMainWindow(window, zorvik, "after the batch");
  Process& single = c.Start(c.VerbCommandLine(file));
  window = c.WaitForMainWindow(single);
  c.Require(ClickButton(window, kCompressButton), "click Compress on one file");
  c.Require(WaitForPackerCalls(c.packerLog, 1, 30000).size() == 1, "the single run's packer runs");
  c.CloseMainWindow(window, single, "after the single run");

  std::string loaders;
  for (const std::string& copy : copies) {
    std::string hits;
    if (!ReadWholeFile(copy + ".hit", hits)) continue;
    c.Info(copy + " was loaded by: " + Shown(hits));
    if (hits.find("Zorvik.exe") != std::string::npos) loaders += " " + copy;
  }
  c.Check(loaders.empty(), "no planted DLL is loaded into Zorvik; loaded:" + loaders);
}
