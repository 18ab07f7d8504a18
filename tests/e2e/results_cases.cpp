// Single-file runs and their results window: Zorvik starts the packer itself, never waits for it,
// and shows one line per run with the sizes and ratio, or the packer's own message.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "e2e.h"

namespace {

using namespace e2e;

using Knobs = ScopedEnvironment::Variables;

std::string Clock() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char text[16];
  snprintf(text, sizeof text, "%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
  return text;
}

// The entries of the process's results window, as UTF-8; empty while there is no window.
std::vector<std::string> Entries(DWORD pid) {
  std::vector<std::string> entries;
  std::vector<HWND> windows = FindTopWindows(kResultsTitle, pid, kDialogClass, false);
  if (windows.empty()) return entries;
  HWND edit = GetDlgItem(windows.front(), kResultsText);
  std::string text = Settled([edit] { return TextOf(edit, CP_UTF8); }, 2000);
  for (size_t at = 0; !text.empty();) {
    size_t end = text.find("\r\n", at);
    entries.push_back(text.substr(at, end == std::string::npos ? end : end - at));
    if (end == std::string::npos) break;
    at = end + 2;
  }
  return entries;
}

bool Waiting(const std::string& entry) {
  return entry.size() > 9 && entry.compare(entry.size() - 9, 9, "  waiting") == 0;
}
bool Running(const std::string& entry) {
  return entry.find("  running for ") != std::string::npos || Waiting(entry);
}

// Waits until the results window shows `count` entries, none of them running. Two reads must
// agree: a read while the window rewrites its text can come back cut.
std::vector<std::string> WaitForOutcomes(Case& c, DWORD pid, size_t count, DWORD timeoutMs) {
  std::vector<std::string> entries, last;
  for (double end = NowMs() + timeoutMs; NowMs() < end; Sleep(50)) {
    last = entries;
    entries = Entries(pid);
    bool done = entries.size() == count && entries == last;
    for (const std::string& entry : entries) done = done && !Running(entry);
    if (done) return entries;
  }
  c.Require(false, "the results window shows " + std::to_string(count) + " ended runs within " +
                       std::to_string(timeoutMs) + " ms; it shows " + Shown(entries));
  return entries;
}

// An entry is the start time, the full path, the option and what came of the run.
void CheckEntry(Case& c, const std::string& what, const std::string& entry, const std::string& from,
                const std::string& to, const std::string& rest) {
  const std::string time = entry.substr(0, 8);
  bool isClock = time.size() == 8 && time[2] == ':' && time[5] == ':';
  for (size_t i : {0, 1, 3, 4, 6, 7})
    isClock = isClock && isdigit(static_cast<unsigned char>(time[i]));
  c.Check(isClock && time >= from && time <= to,
          what + ": the entry starts with the time of the press, between " + from + " and " + to +
              "; got " + Shown(entry));
  c.CheckEqual(what + ": the entry after the time", rest, entry.substr(entry.size() < 8 ? 0 : 8));
}

std::string EndsLog(const Case& c) {
  std::string text;
  ReadWholeFile(c.progDir + "\\upx-ends.log", text);
  return text;
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (long long)data.nFileSizeHigh << 32 | data.nFileSizeLow;
}

// Zorvik's temporary output files of the packer, in the temporary folder; `openable` counts
// those that this process can open for reading or for renaming and deleting.
int OutputFilesLeft(int* openable = nullptr) {
  char folder[MAX_PATH + 1];
  GetTempPathA(sizeof folder, folder);
  int count = 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((std::string(folder) + "zrv*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    ++count;
    for (DWORD access : {DWORD(GENERIC_READ), DWORD(DELETE)}) {
      Handle file(CreateFileA((folder + std::string(found.cFileName)).c_str(), access,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
      if (openable) *openable += file.Valid();
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

// The results window's Stop button (1011), or null.
HWND StopButton(DWORD pid) {
  std::vector<HWND> windows = FindTopWindows(kResultsTitle, pid, kDialogClass, false);
  return windows.empty() ? nullptr : GetDlgItem(windows.front(), 1011);
}

// Each file in a folder, as its name and bytes.
std::vector<std::string> FolderContents(const std::string& folder) {
  std::vector<std::string> contents;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
    std::string bytes;
    if (ReadWholeFile(folder + "\\" + found.cFileName, bytes))
      contents.push_back(found.cFileName + (": " + bytes));
  }
  FindClose(search);
  std::sort(contents.begin(), contents.end());
  return contents;
}

}  // namespace

// The packer rewrites a 1,262,080-byte file to 482,816 bytes: the entry shows both sizes and the
// ratio as the packer computes it; Decompress back shows the sizes the other way round. The
// window has its caption and a read-only, multi-line text.
E2E_CASE(results_success_shows_both_sizes_and_the_ratio) {
  const std::string file = c.workDir + "\\app.exe";
  c.Require(WriteWholeFile(file, std::string(1262080, 'x')), "create " + file);
  const struct {
    int button;
    const char* newSize;
    const char* outcome;
  } runs[] = {{kCompressButton, "482816", "  -8  1,262,080 -> 482,816 bytes (38.26%)"},
              {kDecompressButton, "1262080", "  -d  482,816 -> 1,262,080 bytes (38.26%)"}};
  for (const auto& run : runs) {
    const std::string what = run.button == kCompressButton ? "Compress" : "Decompress";
    Process& zorvik = c.StartWithEnvironment(
        c.VerbCommandLine(file),
        {{"ZORVIK_FAKE_UPX_RESIZE", run.newSize}, {"ZORVIK_FAKE_UPX_STDOUT", "Packed 1 file.\n"}});
    HWND window = c.WaitForMainWindow(zorvik);
    const std::string from = Clock();
    c.Require(ClickButton(window, run.button), "press " + what);
    std::vector<std::string> entries = WaitForOutcomes(c, zorvik.pid, 1, 30000);
    CheckEntry(c, what, entries[0], from, Clock(), "  " + file + run.outcome);
    HWND results = FindTopWindows(kResultsTitle, zorvik.pid, kDialogClass).front();
    LONG style = GetWindowLongA(GetDlgItem(results, kResultsText), GWL_STYLE);
    c.Check((style & ES_READONLY) && (style & ES_MULTILINE),
            what + ": the results text is read-only and multi-line");
    c.CloseMainWindow(window, zorvik, what);
  }
}

// A failure shows the packer's own message without its program and file names, the exit code,
// and that the file was left as it was, whether the packer wrote UTF-16 or the ANSI code page; and
// after two blanks the advice for the packer's message, if any.
E2E_CASE(results_failure_shows_the_packers_message) {
  const std::string packed = c.workDir + "\\packed.exe";
  c.Require(WriteWholeFile(packed, "MZ packed"), "create " + packed);
  // Named like an advice row, it gets the advice of the packer's message, never of its name.
  const std::string dotNet = c.workDir + "\\.NET files are not yet supported.exe";
  c.Require(WriteWholeFile(dotNet, "MZ"), "create " + dotNet);
  const std::string gone = c.workDir + "\\Caf\xE9\\gone.exe";  // ANSI; the folder does not exist
  const std::string goneUtf8 = c.workDir + "\\Caf\xC3\xA9\\gone.exe";
  const struct {
    std::string file, shownFile;
    int button;
    Knobs knobs;
    std::string outcome;
  } runs[] = {
      {packed,
       packed,
       kCompressButton,
       {{"ZORVIK_FAKE_UPX_EXIT", "2"},
        {"ZORVIK_FAKE_UPX_ENCODING", "utf16"},
        {"ZORVIK_FAKE_UPX_STDOUT", "UPX 4.2.4\n\nPacked 1 file: 0 ok, 1 error.\n"},
        {"ZORVIK_FAKE_UPX_STDERR", "upx: {file}: AlreadyPackedException: already packed by UPX\n"}},
       "  -8  failed, exit code 2: AlreadyPackedException: already packed by UPX; the file was "
       "left as it was  It is packed already."},
      {dotNet,
       dotNet,
       kCompressButton,
       {{"ZORVIK_FAKE_UPX_EXIT", "1"},
        {"ZORVIK_FAKE_UPX_STDERR",
         "upx: {file}: CantPackException: GUARD_CF enabled PE files are "
         "not supported (use --force to disable)\n"}},
       "  -8  failed, exit code 1: CantPackException: GUARD_CF enabled PE files are not supported "
       "(use --force to disable); the file was left as it was  It uses Control Flow Guard; Force "
       "packs it without that protection."},
      {gone,
       goneUtf8,
       kDecompressButton,
       {{"ZORVIK_FAKE_UPX_EXIT", "1"},
        {"ZORVIK_FAKE_UPX_STDERR",
         "upx: {file}: FileNotFoundException: {file}: No such file or directory\r\n"}},
       "  -d  failed, exit code 1: FileNotFoundException: " + goneUtf8 +
           ": No such file or directory; the file was left as it was"},
  };
  for (const auto& run : runs) {
    const std::string what =
        (run.button == kCompressButton ? "Compress " : "Decompress ") + std::to_string(&run - runs);
    Process& zorvik = c.StartWithEnvironment(c.VerbCommandLine(run.file), run.knobs);
    HWND window = c.WaitForMainWindow(zorvik);
    const std::string from = Clock();
    c.Require(ClickButton(window, run.button), "press " + what);
    std::vector<std::string> entries = WaitForOutcomes(c, zorvik.pid, 1, 30000);
    CheckEntry(c, what, entries[0], from, Clock(), "  " + run.shownFile + run.outcome);
    c.CloseMainWindow(window, zorvik, what);
  }
  std::string bytes;
  c.Check(ReadWholeFile(packed, bytes) && bytes == "MZ packed", "the packed file is unchanged");
}

// One packer per file at a time: Decompress pressed while the packer still works on the file
// starts nothing and says so, naming the file; once that run has ended, Decompress runs, and the
// window shows the two runs, each with its own outcome.
E2E_CASE(results_second_command_on_a_file_still_packing_is_refused) {
  const std::string file = c.workDir + "\\app.exe";
  c.Require(WriteWholeFile(file, std::string(1000, 'x')), "create " + file);
  PackerHold hold(c.progDir + "\\hold");
  Process& zorvik = c.StartWithEnvironment(c.VerbCommandLine(file),
                                           {hold.Knob(), {"ZORVIK_FAKE_UPX_RESIZE", "500"}});
  HWND window = c.WaitForMainWindow(zorvik);
  const std::string from = Clock();
  c.Require(ClickButton(window, kCompressButton), "press Compress");
  c.Require(WaitForPackerCalls(c.packerLog, 1, 15000).size() == 1, "the packer starts within 15 s");
  c.Require(ClickButton(window, kDecompressButton), "press Decompress during the run");
  HWND box = WaitForMessageBox(zorvik.pid, "Zorvik", 10000);
  c.Require(box != nullptr, "a \"Zorvik\" box appears within 10 s");
  const std::string text = MessageBoxText(box);
  c.Check(text.find("still works on this file") != std::string::npos &&
              text.find("\n\n" + file) != std::string::npos,
          "the box says the packer still works on the file and names it: " + Shown(text));
  c.Require(PressMessageBoxButton(box, IDOK), "press OK");
  c.CheckEqual("packers started during the run", 1,
               WaitForPackerCalls(c.packerLog, 2, 1000).size());
  hold.Release();
  std::vector<std::string> entries = WaitForOutcomes(c, zorvik.pid, 1, 30000);
  CheckEntry(c, "Compress", entries[0], from, Clock(),
             "  " + file + "  -8  1,000 -> 500 bytes (50.00%)");
  c.Require(ClickButton(window, kDecompressButton), "press Decompress after the run");
  entries = WaitForOutcomes(c, zorvik.pid, 2, 30000);
  CheckEntry(c, "Decompress", entries[1], from, Clock(),
             "  " + file + "  -d  500 -> 500 bytes (100.00%)");
}

// During a 3-second run the main window answers (within 2 s, which a busy machine needs) and its
// drop-down works; the entry shows the run as running with a growing time, and its outcome comes
// when the packer ends. The packer is held until the entry has counted to 2 s.
E2E_CASE(results_main_window_answers_during_a_3_second_run) {
  const std::string file = c.workDir + "\\app.exe";
  c.Require(WriteWholeFile(file, "MZ"), "create " + file);
  PackerHold hold(c.progDir + "\\hold");
  Process& zorvik = c.StartWithEnvironment(c.VerbCommandLine(file), {hold.Knob()});
  HWND window = c.WaitForMainWindow(zorvik);
  c.Require(ClickButton(window, kCompressButton), "press Compress");
  const double pressed = NowMs();
  c.Require(SelectComboRow(window, kMethodCombo, 8), "select row 8 (\"5\") during the run");
  c.CheckEqual("the hint after selecting row 8 during the run",
               "Yeah ! 4, 5 and 6 are also good :)", ControlText(window, kHintField));
  double slowest = 0, released = 0;
  std::vector<std::string> seen;  // each different text of the entry
  std::vector<std::string> entries;
  while (NowMs() < pressed + 30000) {
    // A Zorvik that waited on its packer would not answer, nor count, until the release.
    const double asked = NowMs();
    c.Require(WindowAnswers(window, 2000), "the main window answers within 2 s during the run");
    slowest = std::max(slowest, NowMs() - asked);
    entries = Entries(zorvik.pid);
    if (entries.size() == 1 && (seen.empty() || seen.back() != entries[0]))
      seen.push_back(entries[0]);
    if (entries.size() == 1 && !Running(entries[0])) break;
    size_t count = entries.size() == 1 ? entries[0].find("  running for ") : std::string::npos;
    if (!released && count != std::string::npos && atoi(entries[0].c_str() + count + 14) >= 2) {
      hold.Release();
      released = NowMs();
    }
    Sleep(100);
  }
  const double ended = NowMs();
  c.Info("slowest answer of the main window during the run: " + std::to_string(int(slowest)) +
         " ms; outcome " + std::to_string(int(ended - released)) +
         " ms after the packer's release, " + std::to_string(int(ended - pressed)) +
         " ms after the press");
  c.Require(entries.size() == 1 && !Running(entries[0]), "the run ends: " + Shown(entries));
  c.Check(released && ended - released < 5000,
          "the outcome shows within 5 s of the packer's release, not before it");
  c.Check(seen.size() >= 3 && Running(seen.front()),
          "the entry showed the run as running, counting up to 2 s: " + Shown(seen));
}

// Closing Zorvik while the packer runs ends neither the packer nor its writes: it still writes
// both outputs and the file, and its output files are gone once it ends. While it runs, nobody
// else can open them. The packer runs without the variable UPX, from which it would take options.
// A packer that cannot start leaves no output file either.
E2E_CASE(results_closing_zorvik_lets_the_packer_finish) {
  const std::string file = c.workDir + "\\app.exe";
  c.Require(WriteWholeFile(file, std::string(1000, 'x')), "create " + file);
  const int filesBefore = OutputFilesLeft();
  PackerHold hold(c.progDir + "\\hold");
  Process& zorvik = c.StartWithEnvironment(c.VerbCommandLine(file),
                                           {hold.Knob(),
                                            {"ZORVIK_FAKE_UPX_STDOUT", "Packed 1 file.\n"},
                                            {"ZORVIK_FAKE_UPX_STDERR", "a warning\n"},
                                            {"ZORVIK_FAKE_UPX_RESIZE", "100"},
                                            {"UPX", "-qqq"}});
  HWND window = c.WaitForMainWindow(zorvik);
  c.Require(ClickButton(window, kCompressButton), "press Compress");
  std::vector<PackerCall> calls = WaitForPackerCalls(c.packerLog, 1, 15000);
  c.Require(calls.size() == 1, "the packer starts within 15 s");
  int openable = 0;
  c.CheckEqual("output files while the packer runs", filesBefore + 2, OutputFilesLeft(&openable));
  c.CheckEqual("output files that another process can open", 0, openable);
  c.CloseMainWindow(window, zorvik, "closed during the run");
  c.Check(EndsLog(c).empty(), "Zorvik ended before the packer did");
  hold.Release();
  const std::string expected = std::to_string(calls[0].pid) + " out=ok err=ok resize=ok\n";
  double end = NowMs() + 15000;
  while (EndsLog(c).empty() && NowMs() < end) Sleep(50);
  c.CheckEqual("the packer's own record of its writes", expected, EndsLog(c));
  c.CheckEqual("the file's size after the packer", 100, FileSize(file));
  std::string env;
  c.Check(!ReadWholeFile(c.progDir + "\\upx-env.log", env),
          "the packer does not see the UPX variable; upx-env.log holds " + Shown(env));
  end = NowMs() + 5000;
  while (OutputFilesLeft() > filesBefore && NowMs() < end) Sleep(50);
  c.CheckEqual("Zorvik's output files left in the temporary folder", filesBefore,
               OutputFilesLeft());

  Process& again = c.Start(c.VerbCommandLine(file));
  window = c.WaitForMainWindow(again);
  c.Require(WriteWholeFile(c.packerPath, "not a program"), "spoil upx.exe");
  c.Require(ClickButton(window, kCompressButton), "press Compress with a spoilt packer");
  const std::string entry = WaitForOutcomes(c, again.pid, 1, 15000)[0];
  c.Check(entry.find("  -8  could not start the packer, error ") != std::string::npos,
          "the line says the packer could not start: " + Shown(entry));
  c.CheckEqual("output files left after a failed start", filesBefore, OutputFilesLeft());
}

// Test File and File Info run the packer with -t and -l on each file Compress would use (the
// handed-over ones, then the field's), without a question, each with a line of its own: "tested
// OK", or the sizes, ratio and format the packer lists; for a file the packer did not pack its
// message. With the prompt in the field they open the file chooser and start nothing.
E2E_CASE(results_test_and_info_lines_for_each_file) {
  const std::string field = c.workDir + "\\field.exe", handed = c.workDir + "\\handed.exe";
  for (const std::string& file : {field, handed})
    c.Require(WriteWholeFile(file, std::string(482816, 'x')), "create " + file);
  const std::string list =
      "                       Ultimate Packer for eXecutables\n"
      "UPX 4.2.4       Markus Oberhumer, Laszlo Molnar & John Reiser    May 9th 2024\n\n"
      "        File size         Ratio      Format      Name\n"
      "   --------------------   ------   -----------   -----------\n"
      "   1262080 ->    482816   38.26%    win32/pe     {file}\n";
  Process& zorvik =
      c.StartWithEnvironment(c.VerbCommandLine(field),
                             {{"ZORVIK_FAKE_UPX_LIST", list},
                              {"ZORVIK_FAKE_UPX_TEST", "testing {file} [OK]\n\nTested 1 file.\n"}});
  HWND window = c.WaitForMainWindow(zorvik);
  c.Require(SendCopyData(window, 1, Quoted(handed) + " " + '\0'), "hand over handed.exe");
  const std::string from = Clock();
  c.Require(PostMessageA(window, WM_COMMAND, 900, 0), "post Test File (900)");
  std::vector<std::string> entries = WaitForOutcomes(c, zorvik.pid, 2, 30000);
  c.Require(PostMessageA(window, WM_COMMAND, 901, 0), "post File Info (901)");
  entries = WaitForOutcomes(c, zorvik.pid, 4, 30000);
  const std::string listed = "  -l  1,262,080 -> 482,816 bytes (38.26%)  win32/pe";
  const std::string rests[] = {"  " + handed + "  -t  tested OK", "  " + field + "  -t  tested OK",
                               "  " + handed + listed, "  " + field + listed};
  for (size_t i = 0; i < 4; ++i)
    CheckEntry(c, "line " + std::to_string(i + 1), entries[i], from, Clock(), rests[i]);
  std::vector<std::string> args;  // runs side by side: their records come in any order
  for (const PackerCall& call : WaitForPackerCalls(c.packerLog, 4, 5000))
    args.push_back(call.argv.size() == 3 ? call.argv[1] + " " + call.argv[2] : Shown(call.argv));
  std::sort(args.begin(), args.end());
  c.CheckEqual("the packer's arguments",
               {"-l " + field, "-l " + handed, "-t " + field, "-t " + handed}, args);
  c.CloseMainWindow(window, zorvik, "after Test and Info");

  // A file the packer did not pack: its warning, exit code 2.
  Process& plain = c.StartWithEnvironment(
      c.VerbCommandLine(field),
      {{"ZORVIK_FAKE_UPX_EXIT", "2"},
       {"ZORVIK_FAKE_UPX_STDERR", "upx: {file}: NotPackedException: not packed by UPX\n"}});
  window = c.WaitForMainWindow(plain);
  c.Require(PostMessageA(window, WM_COMMAND, 900, 0), "post Test File for a plain file");
  WaitForOutcomes(c, plain.pid, 1, 30000);
  c.Require(PostMessageA(window, WM_COMMAND, 901, 0), "post File Info for a plain file");
  entries = WaitForOutcomes(c, plain.pid, 2, 30000);
  CheckEntry(c, "Test of a plain file", entries[0], from, Clock(),
             "  " + field +
                 "  -t  failed, exit code 2: NotPackedException: not packed by UPX; the "
                 "file was left as it was  It is not packed.");
  CheckEntry(c, "Info of a plain file", entries[1], from, Clock(),
             "  " + field + "  -l  not packed by UPX");
  c.CloseMainWindow(window, plain, "after the plain file");

  Process& bare = c.Start(c.BareCommandLine());
  window = c.WaitForMainWindow(bare);
  const size_t before = WaitForPackerCalls(c.packerLog, 6, 5000).size();
  c.Require(PostMessageA(window, WM_COMMAND, 901, 0), "post File Info with the prompt");
  HWND chooser = WaitForDialog(bare.pid, window);
  c.Require(chooser != nullptr, "File Info with the prompt opens the file chooser");
  c.Require(PressEscape(chooser), "post Esc to the file chooser");
  c.CheckEqual("packer calls after File Info with the prompt", before,
               WaitForPackerCalls(c.packerLog, before + 1, 2000).size());
}

// Stop after each step of the packer's work leaves the file as it was, or as the packer's whole
// output once that had replaced it, with nothing else of the packer's beside it and a .upx file
// that was there before left alone. A backup that another program holds stays, and the line says
// where the file's bytes are. Stop works only while a packer runs.
E2E_CASE(results_stop_puts_the_file_right_at_each_step) {
  const struct {
    const char *steps, *upxBefore, *outcome;
    bool backup, held;
  } runs[] = {{"0", "", "was left as it was", false, false},
              {"1", "", "was left as it was", false, false},
              {"2", "mine", "was left as it was", false, false},
              {"3", "", "was changed", false, false},
              {"4", "", "was changed", false, false},
              {"3", "", "was left as it was", true, false},
              {"3", "", "is missing; its bytes are in app.ex~", true, true}};
  for (const auto& run : runs) {
    const std::string folder = c.workDir + "\\" + std::to_string(&run - runs),
                      file = folder + "\\app.exe";
    const std::string what = folder + ", stopped after step " + run.steps;
    c.Require(MakeFolders(folder) && WriteWholeFile(file, "MZ") &&
                  (!*run.upxBefore || WriteWholeFile(folder + "\\app.upx", run.upxBefore)),
              "create " + file);
    std::vector<std::string> expected = FolderContents(folder);
    if (run.outcome[4] == 'c') expected = {"app.exe: UPX!packed"};
    if (run.held) expected = {"app.ex~: MZ", "app.upx: UPX!packed"};
    Process& zorvik = c.StartWithEnvironment(
        c.VerbCommandLine(file),
        {{"ZORVIK_FAKE_UPX_STEPS", run.steps}, {"ZORVIK_FAKE_UPX_DELAY_MS", "60000"}});
    HWND window = c.WaitForMainWindow(zorvik);
    if (run.backup) c.Require(PostMessageA(window, WM_COMMAND, 903, 0), "switch Keep Backup");
    c.Require(ClickButton(window, kCompressButton) &&
                  WaitForPackerCalls(c.packerLog, 1, 15000).size() == 1,
              what + ": the packer runs");
    for (double end = NowMs() + 5000; !IsWindowEnabled(StopButton(zorvik.pid)) && NowMs() < end;)
      Sleep(50);
    Handle holders[2];  // as a scanner would hold the backup and the output
    for (int i = 0; run.held && i < 2; ++i)
      holders[i].Reset(CreateFileA((folder + (i ? "\\app.upx" : "\\app.ex~")).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    c.Require((holders[0].Valid() && holders[1].Valid()) == run.held,
              what + ": hold the backup and the output open");
    c.Require(ClickButton(GetParent(StopButton(zorvik.pid)), 1011), what + ": press Stop, enabled");
    c.CheckEqual(
        what,
        "  " + file + (run.backup ? "  -8 -k" : "  -8") + "  stopped; the file " + run.outcome,
        WaitForOutcomes(c, zorvik.pid, 1, 15000)[0].substr(8));
    holders[0].Reset();
    holders[1].Reset();
    c.CheckEqual(what + ": the folder", expected, FolderContents(folder));
    c.Check(!IsWindowEnabled(StopButton(zorvik.pid)),
            what + ": Stop is disabled once nothing runs");
    if (run.backup) c.Require(PostMessageA(window, WM_COMMAND, 903, 0), "switch Keep Backup off");
    c.CloseMainWindow(window, zorvik, what);
    DeleteFileA(c.packerLog.c_str());
  }
}

// Test File over 24 files runs at most one packer per logical processor (at least 2) at once, the
// other runs saying they wait, and each file gets its outcome. Stop ends those that run and those
// that wait.
E2E_CASE(results_24_files_run_a_few_at_a_time) {
  const size_t limit = std::max(2ul, GetActiveProcessorCount(ALL_PROCESSOR_GROUPS));
  std::vector<std::string> files;
  for (int i = 10; i < 34; ++i) {
    files.push_back(c.workDir + "\\app" + std::to_string(i) + ".exe");
    c.Require(WriteWholeFile(files.back(), "MZ"), "create " + files.back());
  }
  for (bool stop : {false, true}) {
    Process& zorvik = c.StartWithEnvironment(c.VerbCommandLine(files.back()),
                                             {{"ZORVIK_FAKE_UPX_DELAY_MS", stop ? "60000" : "1000"},
                                              {"ZORVIK_FAKE_UPX_TEST", "testing {file} [OK]\n"}});
    HWND window = c.WaitForMainWindow(zorvik);
    for (size_t i = 0; i + 1 < files.size(); ++i)
      c.Require(SendCopyData(window, 1, Quoted(files[i]) + " " + '\0'), "hand over " + files[i]);
    c.Require(PostMessageA(window, WM_COMMAND, 900, 0), "post Test File (900)");
    size_t most = 0, waiting = 0, done = 0;
    for (double end = NowMs() + 60000;
         NowMs() < end && (stop ? most < limit || !waiting : done < 24); Sleep(50)) {
      size_t packers = done = 0;
      for (const ProcessEntry& process : ListProcesses())
        packers +=
            process.parentPid == zorvik.pid && _stricmp(process.exeName.c_str(), "upx.exe") == 0;
      most = std::max(most, packers);
      for (const std::string& entry : Entries(zorvik.pid)) {
        waiting += Waiting(entry);
        done += !Running(entry);
      }
    }
    c.Check(most >= 2 && most <= limit && waiting > 0, std::to_string(most) +
                                                           " packers at once, at most " +
                                                           std::to_string(limit) + "; runs waited");
    if (stop) c.Require(ClickButton(GetParent(StopButton(zorvik.pid)), 1011), "press Stop");
    std::vector<std::string> entries = WaitForOutcomes(c, zorvik.pid, 24, 60000);
    for (size_t i = 0; i < entries.size(); ++i)
      c.CheckEqual("line " + std::to_string(i + 1),
                   "  " + files[i] + "  -t  " +
                       (!stop       ? "tested OK"
                        : i < limit ? "stopped; the file was left as it was"
                                    : "stopped before it started"),
                   entries[i].substr(8));
    const size_t calls = WaitForPackerCalls(c.packerLog, 25, 1000).size();
    c.Check(stop ? calls <= limit : calls == 24, std::to_string(calls) + " packers started");
    c.CloseMainWindow(window, zorvik, stop ? "stopped" : "tested");
    DeleteFileA(c.packerLog.c_str());
  }
}

// The real packer of this build's bitness in ../shared/real-packer, which a checkout may lack.
static std::string RealPacker() {
  char folder[MAX_PATH] = "";
  GetEnvironmentVariableA("ZORVIK_REAL_PACKER_DIR", folder, sizeof folder);
  if (!*folder) return "(no ZORVIK_REAL_PACKER_DIR)";
  return folder + std::string(sizeof(void*) == 8 ? "\\upx64.exe" : "\\upx32.exe");
}

// With the real packer, when ../shared/real-packer holds it: Ultra Brute on a program of a few MB
// (the packer itself), stopped after a few seconds, leaves the program byte for byte as it was and
// nothing of the packer's beside it.
E2E_CASE(results_stop_ultra_brute_with_the_real_packer) {
  const std::string packer = RealPacker();
  if (!FileExists(packer))
    return c.Info("skipped: the real packer " + Shown(packer) +
                  " is not there (../shared/real-packer)");
  const std::string program = c.workDir + "\\big.exe";
  c.Require(CopyFileA(packer.c_str(), c.packerPath.c_str(), FALSE) &&
                CopyFileA(packer.c_str(), program.c_str(), FALSE) &&
                SetFileAttributesA(program.c_str(), FILE_ATTRIBUTE_NORMAL),
            "copy the real packer beside Zorvik, and as the program to pack");
  const std::vector<std::string> before = FolderContents(c.workDir);
  Process& zorvik = c.Start(c.VerbCommandLine(program));
  HWND window = c.WaitForMainWindow(zorvik);
  c.Require(SelectComboRow(window, kMethodCombo, 3) && ClickButton(window, kCompressButton),
            "Compress with Ultra Brute");
  Sleep(4000);
  std::vector<std::string> entries = Entries(zorvik.pid);
  c.Require(entries.size() == 1 && Running(entries[0]) && FileExists(c.workDir + "\\big.upx"),
            "after 4 s the packer still runs and has begun big.upx: " + Shown(entries));
  c.Require(ClickButton(GetParent(StopButton(zorvik.pid)), 1011), "press Stop");
  c.CheckEqual("the line", "  " + program + "  --ultra-brute  stopped; the file was left as it was",
               WaitForOutcomes(c, zorvik.pid, 1, 15000)[0].substr(8));
  c.Check(before == FolderContents(c.workDir), "the folder holds the program as it was, alone");
}

// A program named in Chinese in a folder named in Chinese, which the ANSI code page (1252 here)
// cannot spell, reaches the packer as a stand-in beside it. Stopped after each step of the stand-in
// packer's work (with Keep Backup after its last), it keeps its original bytes. With the real
// packer, when ../shared/real-packer holds it, it is packed and unpacked: the line names the file
// with its sizes on disk. Nothing else is left in the folders.
E2E_CASE(results_name_ansi_cannot_spell_packed_and_unpacked_with_the_real_packer) {
  auto wide = [](const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); };
  auto utf8 = [](const std::wstring& text) {
    char bytes[MAX_PATH * 3];
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr);
    return std::string(bytes);
  };
  const std::wstring tools = wide(c.workDir) + L"\\\u5de5\u5177", stops = tools + L"\\s";  // 工具
  const std::wstring program = tools + L"\\\u6d4b\u8bd5.exe",
                     zorvik = wide(c.zorvikPath);  // 测试.exe
  c.Require(CreateDirectoryW(tools.c_str(), nullptr) && CreateDirectoryW(stops.c_str(), nullptr),
            "create the folders");
  std::vector<std::wstring> stopped;
  for (const std::string steps : {"0", "1", "2", "3", "4", "4k"}) {
    stopped.push_back(wide(steps) + L"\u6d4b.exe");
    const std::wstring file = stops + L"\\" + stopped.back();
    c.Require(CopyFileW(wide(c.Settings().packerExe).c_str(), file.c_str(), TRUE), utf8(file));
    ScopedEnvironment knobs(
        {{"ZORVIK_FAKE_UPX_STEPS", steps.substr(0, 1)}, {"ZORVIK_FAKE_UPX_DELAY_MS", "60000"}});
    Process& stoppedOne = c.Start(L"\"" + zorvik + L"\" \"" + file + L"\" ", zorvik);
    HWND window = c.WaitForMainWindow(stoppedOne);
    const bool backup = steps.size() > 1;
    if (backup) c.Require(PostMessageA(window, WM_COMMAND, 903, 0), "switch Keep Backup");
    c.Require(ClickButton(window, kCompressButton), "Compress");
    const std::vector<PackerCall> calls = WaitForPackerCalls(c.packerLog, 1, 15000);
    c.Require(calls.size() == 1 && calls[0].argv.size() == 3 && calls[0].argv[1] == "-8" &&
                  calls[0].argv[2].compare(0, 3, "zrv") == 0,
              "after step " + steps + ": the packer runs on a stand-in, without -k");
    for (double end = NowMs() + 5000;
         !IsWindowEnabled(StopButton(stoppedOne.pid)) && NowMs() < end;)
      Sleep(50);
    c.Require(ClickButton(GetParent(StopButton(stoppedOne.pid)), 1011), "press Stop");
    c.CheckEqual("stopped after step " + steps,
                 "  " + utf8(file) + (backup ? "  -8 -k" : "  -8") +
                     "  stopped; the file was left as it was",
                 WaitForOutcomes(c, stoppedOne.pid, 1, 15000)[0].substr(8));
    if (backup) c.Require(PostMessageA(window, WM_COMMAND, 903, 0), "switch Keep Backup off");
    c.CloseMainWindow(window, stoppedOne, "stopped after step " + steps);
    DeleteFileA(c.packerLog.c_str());
  }
  std::sort(stopped.begin(), stopped.end());
  c.Check(WideNamesIn(stops) == stopped,
          "the stopped files alone: " + std::to_string(WideNamesIn(stops).size()));

  const std::string packer = RealPacker();
  if (!FileExists(packer))
    return c.Info("skipped: the real packer " + Shown(packer) +
                  " is not there (../shared/real-packer)");
  c.Require(CopyFileA(packer.c_str(), c.packerPath.c_str(), FALSE) &&
                CopyFileW(wide(c.Settings().packerExe).c_str(), program.c_str(), FALSE),
            "copy the real packer beside Zorvik, and a program into the Chinese folder");
  auto size = [&] {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExW(program.c_str(), GetFileExInfoStandard, &data)
               ? (long long)data.nFileSizeHigh << 32 | data.nFileSizeLow
               : -1;
  };
  auto grouped = [](long long number) {
    std::string text = std::to_string(number);
    for (int at = int(text.size()) - 3; at > 0; at -= 3) text.insert(at, ",");
    return text;
  };
  const long long unpacked = size();
  Process& packing = c.Start(L"\"" + zorvik + L"\" \"" + program + L"\" ", zorvik);
  HWND window = c.WaitForMainWindow(packing);
  c.Require(ClickButton(window, kCompressButton), "Compress");
  std::string entry = WaitForOutcomes(c, packing.pid, 1, 60000)[0].substr(8);
  const long long packed = size();
  c.Check(packed > 0 && packed < unpacked &&
              entry.find("  " + utf8(program) + "  -8  " + grouped(unpacked) + " -> " +
                         grouped(packed) + " bytes (") == 0,
          "packed: " + Shown(entry));
  c.Require(ClickButton(window, kDecompressButton), "Decompress");
  const std::string back = WaitForOutcomes(c, packing.pid, 2, 60000)[1].substr(8);
  c.Check(size() == unpacked && back.find("  " + utf8(program) + "  -d  " + grouped(packed) +
                                          " -> " + grouped(unpacked) + " bytes (") == 0,
          "unpacked: " + Shown(back));
  c.Check(WideNamesIn(tools) == std::vector<std::wstring>{L"s", L"\u6d4b\u8bd5.exe"},
          "the folder holds the program alone, " + std::to_string(WideNamesIn(tools).size()) +
              " names");
}
