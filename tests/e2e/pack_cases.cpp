// Compress and Decompress: the packer's arguments for one file, the prompt, the batch
// confirmation, and the batch scripts as Wine's cmd runs them with the stand-in packer.
#include <cstdio>

#include "e2e.h"

namespace {

using namespace e2e;

const char* const kPrompt = "Please Choose a File";
const char* const kConfirmCaption = "Brannoc.";
const char* const kZorvikCaption = "Zorvik";

struct Kind {
  const char* name;
  int button;
  const char* script;
  const char* scriptOption;  // what follows the packer in every script line
  const char* question;
};
const Kind kPack = {"Compress", kCompressButton, "runupxcmd.bat", "",
                    "Are you sure you want to compress them all ?\n\n"};
const Kind kUnpack = {"Decompress", kDecompressButton, "derunupxcmd.bat", "-d ",
                      "Are you sure you want to Decompress them all ?\n\n"};

// A command-line tail as Explorer's verb hands it over: the quoted path and a blank.
std::string Tail(const std::string& path) { return Quoted(path) + " "; }

void HandOver(Case& c, HWND window, const std::vector<std::string>& tails) {
  for (const std::string& tail : tails)
    c.Require(SendCopyData(window, 1, tail + '\0'),
              "the main window answers the hand-off of " + Shown(tail));
}

// Presses a button of a message box and waits until the box is gone.
void Answer(Case& c, HWND box, int button, const std::string& what) {
  c.Require(PressMessageBoxButton(box, button), what + ": the box has the button");
  double end = NowMs() + 10000;
  while (IsWindow(box) && NowMs() < end) Sleep(20);
  c.Require(!IsWindow(box), what + ": the box closes within 10 s");
}

// Presses the kind's button while hand-offs are present; the confirmation must appear.
HWND AskBatch(Case& c, HWND window, const Process& zorvik, const Kind& kind) {
  c.Require(ClickButton(window, kind.button), std::string("press ") + kind.name);
  HWND box = WaitForMessageBox(zorvik.pid, kConfirmCaption, 15000);
  c.Require(box != nullptr, std::string(kind.name) + " shows a \"Brannoc.\" box within 15 s");
  return box;
}

std::string ConfirmText(const Kind& kind, size_t total, const std::string& field,
                        const std::vector<std::string>& handOffs) {
  std::string text =
      "Total " + std::to_string(total) + " items Selected !\n" + kind.question + field + "\n";
  for (size_t i = 0; i < handOffs.size() && i < 10; ++i) text += handOffs[i];
  return text;
}

std::string ScriptHead(const Case& c, const Kind& kind) {
  return Quoted(c.packerPath) + " " + kind.scriptOption;
}

// One packer line with these (already cmd-escaped, console-encoded) paths, and the script's end.
std::string OneLineScript(const Case& c, const Kind& kind, const std::vector<std::string>& paths) {
  std::string bytes = ScriptStartLines() + ScriptHead(c, kind);
  for (const std::string& path : paths) bytes += Tail(path);
  return bytes + kScriptEnd;
}

// The record names the packer beside Zorvik as argv[0] and shows it ran in the case's work folder.
void CheckPackerAndFolder(Case& c, const std::string& what, const PackerCall& call) {
  c.Check(!call.argv.empty() && _stricmp(call.argv[0].c_str(), c.packerPath.c_str()) == 0,
          what + ": argv[0] is " + Shown(c.packerPath) + "; got " + Shown(call.argv));
  c.Check(_stricmp(call.currentDir.c_str(), c.workDir.c_str()) == 0,
          what + ": the packer runs in " + Shown(c.workDir) + "; got " + Shown(call.currentDir));
}

// The same, and the record holds exactly `args` after argv[0].
void CheckCall(Case& c, const std::string& what, const PackerCall& call,
               const std::vector<std::string>& args) {
  CheckPackerAndFolder(c, what, call);
  c.CheckEqual(
      what + ": the packer's argv[1..]", args,
      std::vector<std::string>(call.argv.begin() + (call.argv.empty() ? 0 : 1), call.argv.end()));
}

// Calls recorded so far, after a bounded wait for one more than `known`: used where nothing may
// start, so that a call that does start shows up.
size_t CallsAfterWaiting(const Case& c, size_t known, DWORD waitMs) {
  return WaitForPackerCalls(c.packerLog, known + 1, waitMs).size();
}

// ANSI text as the console's OEM code page spells it (empty when it cannot).
std::string InOemCodePage(const std::string& ansi) {
  wchar_t wide[512];
  int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), wide, 512);
  char oem[1024];
  BOOL lossy = FALSE;
  int size = WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, wide, length, oem, sizeof oem,
                                 nullptr, &lossy);
  return size > 0 && !lossy ? std::string(oem, size_t(size)) : std::string();
}

}  // namespace

// One file in the field: Compress passes the selected row's option and the path as two arguments,
// whether the tail came quoted (as the verb gives it) or bare with a blank inside; Decompress
// passes -d whatever row is selected.
E2E_CASE(pack_single_file_reaches_the_packer_as_one_argument) {
  const std::string file = c.workDir + "\\Program Files x\\a.exe";
  c.Require(MakeFolders(FolderOf(file)) && WriteWholeFile(file, "MZ"), "create " + file);
  const struct {
    int row;
    const char* option;
  } rows[] = {{0, "-8"}, {1, "--best"}, {3, "--ultra-brute"}, {4, "-1"}, {11, "-8"}, {12, "-9"}};
  size_t seen = 0;
  for (const std::string& tail : {Tail(file), file}) {
    const std::string start = "with the tail " + Shown(tail);
    Process& zorvik = c.Start(Quoted(c.zorvikPath) + " " + tail);
    HWND window = c.WaitForMainWindow(zorvik);
    c.CheckEqual(start + ": path field", tail, ControlText(window, kPathField));
    auto press = [&](int button, const std::string& option, const std::string& what) {
      c.Require(ClickButton(window, button), "press " + what);
      // One packer per file at a time: the next press waits for this one to end.
      std::vector<PackerCall> calls = WaitForEndedPackerCalls(c.packerLog, seen + 1, 30000);
      c.Require(calls.size() > seen, start + ", " + what + ": the packer runs within 30 s");
      CheckCall(c, start + ", " + what, calls[seen++], {option, file});
    };
    for (const auto& row : rows) {
      c.Require(SelectComboRow(window, kMethodCombo, row.row),
                "select row " + std::to_string(row.row));
      press(kCompressButton, row.option, "Compress with row " + std::to_string(row.row));
    }
    c.Require(SelectComboRow(window, kMethodCombo, 3), "select row 3 before Decompress");
    press(kDecompressButton, "-d", "Decompress with row 3 selected");
    c.CloseMainWindow(window, zorvik, start);
  }
  c.CheckEqual("packer calls in all (one per press)", seen, CallsAfterWaiting(c, seen, 1500));
}

// The prompt in the field: both buttons open the file chooser, owned by the main window; Esc
// closes it, and the field keeps the prompt; the packer never starts.
E2E_CASE(pack_prompt_in_the_field_opens_the_chooser_and_starts_nothing) {
  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  for (const Kind* kind : {&kPack, &kUnpack}) {
    const std::string what = std::string(kind->name) + " with the prompt";
    c.Require(ClickButton(window, kind->button), "press " + std::string(kind->name));
    HWND chooser = WaitForDialog(zorvik.pid, window);
    c.Require(chooser != nullptr, what + ": a dialog other than the main window opens within 15 s");
    c.Check(GetWindow(chooser, GW_OWNER) == window && !IsWindowEnabled(window),
            what + ": the dialog is modal to the main window");
    c.Require(PressEscape(chooser), what + ": post Esc to the file chooser");
    double end = NowMs() + 10000;
    while (IsWindow(chooser) && NowMs() < end) Sleep(20);
    c.Require(!IsWindow(chooser), what + ": Esc closes the file chooser within 10 s");
    c.CheckEqual(what + ": path field after Esc", kPrompt, ControlText(window, kPathField));
  }
  c.CheckEqual("packer calls after both buttons", 0, CallsAfterWaiting(c, 0, 3000));
  c.Check(WindowAnswers(window), "the main window still answers");
}

// Three hand-offs and a file in the field: the confirmation lists them in the list box's sorted
// order; No writes and starts nothing; Yes writes the two-line script and the packer gets every
// file in one call, the field's last.
E2E_CASE(pack_batch_of_three_handoffs_asks_then_runs_one_packer_line) {
  const std::string field = c.workDir + "\\field file.exe";
  const std::string zeta = c.workDir + "\\zeta.exe", alpha = c.workDir + "\\Alpha one.exe",
                    mid = c.workDir + "\\mid.exe";
  Process& zorvik = c.Start(c.VerbCommandLine(field));
  HWND window = c.WaitForMainWindow(zorvik);
  HandOver(c, window, {Tail(zeta), Tail(alpha), Tail(mid)});
  const std::vector<std::string> sorted = {Tail(alpha), Tail(mid), Tail(zeta)};
  c.CheckEqual("hand-off list", sorted, ListBoxItems(GetDlgItem(window, kHandOffList)));
  const std::vector<std::string> files = {alpha, mid, zeta, field};

  size_t calls = 0;
  for (const Kind* kind : {&kPack, &kUnpack}) {
    const std::string script = c.workDir + "\\" + kind->script;
    const std::string expected = ConfirmText(*kind, 4, Tail(field), sorted);
    HWND box = AskBatch(c, window, zorvik, *kind);
    c.CheckEqual(std::string(kind->name) + ": confirmation text", expected, MessageBoxText(box));
    Answer(c, box, IDNO, std::string(kind->name) + ", No");
    c.Check(!FileExists(script), std::string(kind->name) + ", No: no " + kind->script + " written");
    c.CheckEqual(std::string(kind->name) + ", No: packer calls", calls,
                 CallsAfterWaiting(c, calls, 3000));

    box = AskBatch(c, window, zorvik, *kind);
    c.CheckEqual(std::string(kind->name) + ", second press: confirmation text", expected,
                 MessageBoxText(box));
    Answer(c, box, IDYES, std::string(kind->name) + ", Yes");
    std::vector<PackerCall> got = WaitForPackerCalls(c.packerLog, calls + 1, 30000);
    c.Require(got.size() > calls, std::string(kind->name) + ", Yes: the packer starts within 30 s");
    std::vector<std::string> args = files;
    if (*kind->scriptOption) args.insert(args.begin(), "-d");
    CheckCall(c, std::string(kind->name) + ", Yes", got[calls++], args);
    std::string bytes;
    c.Check(ReadWholeFile(script, bytes), std::string(kind->name) + ", Yes: read " + script);
    c.CheckEqual(std::string(kind->name) + ", Yes: bytes of " + kind->script,
                 OneLineScript(c, *kind, files), bytes);
  }
  c.CheckEqual("packer calls in all", calls, CallsAfterWaiting(c, calls, 1500));
}

// A relative name means the file in the folder where it was given: a later instance started in
// folder A on "foo.exe" hands over A's foo.exe in full, and the first instance's own "foo.exe"
// stays the one in the folder it started in (the field still shows it as given); the batch packs
// exactly those two, never a foo.exe of the wrong folder.
E2E_CASE(pack_relative_names_mean_the_file_where_they_were_given) {
  const std::string a = c.workDir + "\\A";
  const std::string here = c.workDir + "\\foo.exe", there = a + "\\foo.exe";
  c.Require(MakeFolders(a) && WriteWholeFile(here, "MZ") && WriteWholeFile(there, "MZ"),
            "create foo.exe in the work folder and in A");
  Process& zorvik = c.Start(Quoted(c.zorvikPath) + " foo.exe");
  HWND window = c.WaitForMainWindow(zorvik);
  c.CheckEqual("path field after the start on foo.exe", "foo.exe", ControlText(window, kPathField));
  Process& later = c.Start(Quoted(c.zorvikPath) + " foo.exe", "", a);
  DWORD code = 0;
  if (c.Check(WaitForExit(later, 10000, &code), "the later instance ends within 10 s"))
    c.CheckEqual("exit code of the later instance", 0, code);
  c.CheckEqual("hand-off list: A's foo.exe in full, quoted", {Tail(there)},
               ListBoxItems(GetDlgItem(window, kHandOffList)));
  c.CheckEqual("path field after the hand-off", "foo.exe", ControlText(window, kPathField));

  HWND box = AskBatch(c, window, zorvik, kPack);
  c.CheckEqual("confirmation text", ConfirmText(kPack, 2, "foo.exe", {Tail(there)}),
               MessageBoxText(box));
  Answer(c, box, IDYES, "Compress, Yes");
  std::vector<PackerCall> got = WaitForPackerCalls(c.packerLog, 1, 30000);
  c.Require(got.size() == 1, "the packer starts within 30 s");
  CheckCall(c, "the batch", got[0], {there, here});
}

// Names in code page 932 whose second bytes are "|" and "\" reach the packer exactly: one file
// through the field, a batch of a hand-off and the field, and a drop. In a folder U+8868 (95 5C):
// U+30DD U+30FC U+30C8 ".exe" (83 7C 81 5B 83 67), U+30BD (83 5C, no extension) and U+80FD ".dll"
// (94 5C). tests/e2e/run.sh runs dbcs_ cases in a driver started under a Japanese locale.
E2E_CASE(dbcs_932_names_reach_the_packer_singly_and_in_batches) {
  c.Require(GetACP() == 932, "the ANSI code page is 932; it is " + std::to_string(GetACP()));
  const std::string folder = c.workDir + "\\\x95\x5C";
  const std::string port = folder + "\\\x83\x7C\x81\x5B\x83\x67.exe", so = folder + "\\\x83\x5C",
                    dll = folder + "\\\x94\x5C.dll";
  c.Require(MakeFolders(folder) && WriteWholeFile(port, "MZ") && WriteWholeFile(so, "MZ") &&
                WriteWholeFile(dll, "MZ"),
            "create the three files in U+8868");

  Process& zorvik = c.Start(c.VerbCommandLine(so));
  HWND window = c.WaitForMainWindow(zorvik);
  c.Require(ClickButton(window, kCompressButton), "press Compress on U+30BD");
  std::vector<PackerCall> got = WaitForPackerCalls(c.packerLog, 1, 30000);
  c.Require(got.size() == 1, "the packer starts on U+30BD within 30 s");
  CheckCall(c, "one file", got[0], {"-8", so});

  Process& later = c.Start(c.VerbCommandLine(port));
  c.Check(WaitForExit(later, 10000), "the later instance ends within 10 s");
  Answer(c, AskBatch(c, window, zorvik, kPack), IDYES, "Compress, Yes");
  got = WaitForPackerCalls(c.packerLog, 2, 30000);
  c.Require(got.size() == 2, "the batch's packer starts within 30 s");
  CheckCall(c, "a hand-off and the field", got[1], {port, so});

  c.Require(DropFiles(window, {port, dll}), "drop the .exe and the .dll on the main window");
  HWND batch = WaitForTopWindow(kBatchTitle, zorvik.pid, 15000, kDialogClass);
  c.Require(batch != nullptr, "the batch window opens after the drop");
  c.Require(ClickButton(batch, kBatchCompress), "press Compress in the batch window");
  got = WaitForPackerCalls(c.packerLog, 3, 30000);
  c.Require(got.size() == 3, "the dropped batch's packer starts within 30 s");
  CheckCall(c, "a drop", got[2], {port, dll});
}

// 300 hand-offs of 60 characters do not fit one cmd line: the script holds several packer lines,
// each within cmd's 8191 characters, and the packer receives every file once, in order.
E2E_CASE(pack_batch_of_300_handoffs_splits_over_several_packer_lines) {
  std::vector<std::string> paths, tails;
  for (int i = 0; i < 300; ++i) {
    char name[64];
    snprintf(name, sizeof name, "C:\\three hundred\\file%03d", i);
    std::string path = name;
    path += std::string(60 - path.size() - 4, 'x') + ".exe";
    paths.push_back(path);
    tails.push_back(Tail(path));
  }
  const std::string field = c.workDir + "\\field.exe";
  Process& zorvik = c.Start(c.VerbCommandLine(field));
  HWND window = c.WaitForMainWindow(zorvik);
  HandOver(c, window, std::vector<std::string>(tails.rbegin(), tails.rend()));
  c.CheckEqual("hand-off list", tails, ListBoxItems(GetDlgItem(window, kHandOffList)));

  HWND box = AskBatch(c, window, zorvik, kPack);
  c.CheckEqual("confirmation text (ten hand-offs shown)",
               ConfirmText(kPack, 301, Tail(field), tails), MessageBoxText(box));
  Answer(c, box, IDYES, "Yes");
  double yes = NowMs();

  std::vector<std::string> expected = paths;
  expected.push_back(field);
  std::vector<PackerCall> calls;
  size_t received = 0;
  double end = NowMs() + 60000;
  while (received < expected.size() && NowMs() < end) {
    Sleep(100);
    calls = WaitForPackerCalls(c.packerLog, 0, 0);
    received = 0;
    for (const PackerCall& call : calls) received += call.argv.empty() ? 0 : call.argv.size() - 1;
  }
  c.Info(std::to_string(calls.size()) + " packer calls carried " + std::to_string(received) +
         " paths, " + std::to_string(int(NowMs() - yes)) + " ms after Yes");
  c.Check(calls.size() > 1, "the packer is called more than once");
  std::vector<std::string> all;
  for (size_t i = 0; i < calls.size(); ++i) {
    const PackerCall& call = calls[i];
    CheckPackerAndFolder(c, "call " + std::to_string(i + 1), call);
    if (!call.argv.empty()) all.insert(all.end(), call.argv.begin() + 1, call.argv.end());
  }
  c.CheckEqual("all paths the packer received, in the order of its calls", expected, all);

  std::string bytes;
  c.Require(ReadWholeFile(c.workDir + "\\" + kPack.script, bytes), "read the script");
  std::vector<std::string> lines;
  for (size_t at = 0;;) {
    size_t crlf = bytes.find("\r\n", at);
    lines.push_back(bytes.substr(at, crlf == std::string::npos ? std::string::npos : crlf - at));
    if (crlf == std::string::npos) break;
    at = crlf + 2;
  }
  c.Require(lines.size() > 5, "the script has its first lines, packer lines and PAUSE");
  c.CheckEqual("the script's last line", "PAUSE\r\n",
               lines[lines.size() - 2] + "\r\n" + lines.back());
  c.CheckEqual("the script's first lines", ScriptStartLines(),
               lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n");
  c.CheckEqual("packer lines in the script", calls.size(), lines.size() - 5);
  const std::string head = ScriptHead(c, kPack);
  std::string joined;
  for (size_t i = 3; i + 2 < lines.size(); ++i) {
    const std::string which = "script line " + std::to_string(i + 1);
    const std::string length = std::to_string(lines[i].size() + 2);
    c.Check(lines[i].size() + 2 <= 8191,
            which + " with its CR LF fits cmd's 8191 characters; it has " + length);
    if (c.Check(lines[i].compare(0, head.size(), head) == 0, which + " begins with the head"))
      joined += lines[i].substr(head.size());
  }
  std::string parts;
  for (const std::string& path : expected) parts += Tail(path);
  c.CheckEqual("the script lines' entries together", parts, joined);
}

// An old read-only script in the work folder cannot be replaced: Zorvik leaves it as it is and
// writes its batch under the next name, so the old script's packer line never runs.
E2E_CASE(pack_read_only_old_script_is_never_run) {
  std::string old[2];
  const Kind* kinds[2] = {&kPack, &kUnpack};
  Handle holds[2];
  for (int i = 0; i < 2; ++i) {
    const std::string script = c.workDir + "\\" + kinds[i]->script;
    old[i] = "@" + Quoted(c.packerPath) + " OLD-SCRIPT-MARKER-" + std::to_string(i) + "\r\nPAUSE";
    c.Require(WriteWholeFile(script, old[i]) &&
                  SetFileAttributesA(script.c_str(), FILE_ATTRIBUTE_READONLY),
              "write the read-only old " + script);
    // Wine run by root lets anyone write a read-only file. Then the script is also held open
    // for reading with read sharing only: a writer is refused, cmd could still read it.
    Handle probe(CreateFileA(script.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (probe.Valid()) {
      probe.Reset();
      holds[i].Reset(CreateFileA(script.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      c.Require(holds[i].Valid(), "hold " + script + " open against writers");
      if (i == 0) c.Info("the read-only attribute does not stop writers here; scripts held open");
    }
  }
  Process& zorvik = c.Start(c.VerbCommandLine(c.workDir + "\\field.exe"));
  HWND window = c.WaitForMainWindow(zorvik);
  HandOver(c, window, {Tail(c.workDir + "\\handed.exe")});

  for (int i = 0; i < 2; ++i) {
    const std::string name = kinds[i]->name, script = kinds[i]->script;
    const std::string sibling = script.substr(0, script.size() - 4) + "-2.bat";
    Answer(c, AskBatch(c, window, zorvik, *kinds[i]), IDYES, name + ", Yes");
    std::vector<PackerCall> calls = WaitForPackerCalls(c.packerLog, i + 1, 30000);
    c.Require(calls.size() == size_t(i + 1), name + ": the packer starts within 30 s");
    std::vector<std::string> args = {c.workDir + "\\handed.exe", c.workDir + "\\field.exe"};
    if (i) args.insert(args.begin(), "-d");
    CheckCall(c, name + " (not the old script's line)", calls[i], args);
    c.Check(FileExists(c.workDir + "\\" + sibling), name + ": the batch goes to " + sibling);
  }
  for (int i = 0; i < 2; ++i) {
    std::string bytes;
    ReadWholeFile(c.workDir + "\\" + kinds[i]->script, bytes);
    c.CheckEqual(std::string("the old ") + kinds[i]->script + " after the attempt", old[i], bytes);
  }
}

// Hand-offs with %, with an accented letter (ANSI bytes), and texts that are no path: cmd hands
// the paths to the packer unchanged; the others are named in a "Zorvik" box and left out, and
// the rest still runs.
E2E_CASE(pack_batch_percent_and_accents_arrive_unchanged_non_paths_left_out) {
  const std::vector<std::string> good = {"C:\\100%\\a.exe", "C:\\x%PATH%y.exe",
                                         "C:\\Caf\xE9\\a.exe"};
  const std::vector<std::string> bad = {"\"C:\\a.exe\" & calc ", "\"C:\\b|c.exe\" "};
  c.Info("ANSI code page " + std::to_string(GetACP()) + ", OEM code page " +
         std::to_string(GetOEMCP()));
  const std::string field = c.workDir + "\\field.exe";
  Process& zorvik = c.Start(c.VerbCommandLine(field));
  HWND window = c.WaitForMainWindow(zorvik);
  HandOver(c, window, {Tail(good[0]), bad[0], Tail(good[1]), bad[1], Tail(good[2])});

  // The packer's files and the script's entries, in the list box's order.
  std::vector<std::string> files, entries;
  for (const std::string& item : ListBoxItems(GetDlgItem(window, kHandOffList)))
    for (const std::string& path : good)
      if (item == Tail(path)) files.push_back(path);
  c.CheckEqual("usable paths in the hand-off list", good.size(), files.size());
  files.push_back(field);
  for (const std::string& path : files) {
    std::string entry;
    for (char ch : InOemCodePage(path)) entry += ch == '%' ? "%%" : std::string(1, ch);
    entries.push_back(entry);
  }

  Answer(c, AskBatch(c, window, zorvik, kPack), IDYES, "Yes");
  HWND box = WaitForMessageBox(zorvik.pid, kZorvikCaption, 15000);
  if (c.Check(box != nullptr, "a \"Zorvik\" box about left-out entries appears within 15 s")) {
    std::string text = MessageBoxText(box);
    c.Check(text.find("left out") != std::string::npos,
            "the box says entries were left out: " + Shown(text));
    for (const std::string& entry : bad)
      c.Check(text.find(entry) != std::string::npos, "the box names " + Shown(entry));
    for (const std::string& path : good)
      c.Check(text.find(path) == std::string::npos, "the box does not name " + Shown(path));
    c.Check(!FileExists(c.workDir + "\\" + kPack.script) && CallsAfterWaiting(c, 0, 500) == 0,
            "no script is written and the packer does not start while the box shows");
    Answer(c, box, IDOK, "OK on the left-out box");
  }

  std::vector<PackerCall> calls = WaitForPackerCalls(c.packerLog, 1, 30000);
  c.Require(calls.size() == 1, "the packer starts within 30 s");
  CheckCall(c, "the batch", calls[0], files);
  std::string bytes;
  c.Check(ReadWholeFile(c.workDir + "\\" + kPack.script, bytes), "read the script");
  c.CheckEqual("script bytes (%% doubled, OEM code page)", OneLineScript(c, kPack, entries), bytes);
  c.CheckEqual("packer calls in all", 1, CallsAfterWaiting(c, 1, 1500));
}

// The menu's options go into every call they apply to: single-file Compress (after the method)
// and Decompress (the backup only), and the scripts of the main window's batch and of the batch
// window, which still carry no method. An option chosen again is off again.
E2E_CASE(pack_options_reach_single_and_batch_calls_and_turn_off_again) {
  const std::string field = c.workDir + "\\field.exe", handed = c.workDir + "\\handed.exe",
                    dropped = c.workDir + "\\dropped.exe";
  for (const std::string& file : {field, handed, dropped})
    c.Require(WriteWholeFile(file, "MZ"), "create " + file);
  Process& zorvik = c.Start(c.VerbCommandLine(field));
  HWND window = c.WaitForMainWindow(zorvik);
  size_t seen = 0;
  auto expectCall = [&](const std::string& what, const std::vector<std::string>& args) {
    // The next press on the same file waits for this packer to end.
    std::vector<PackerCall> calls = WaitForEndedPackerCalls(c.packerLog, seen + 1, 30000);
    c.Require(calls.size() > seen, what + ": the packer runs within 30 s");
    CheckCall(c, what, calls[seen++], args);
  };
  for (int id : {902, 903, 904})
    c.Require(PostMessageA(window, WM_COMMAND, id, 0), "post menu command " + std::to_string(id));
  c.Require(SelectComboRow(window, kMethodCombo, 1), "select row 1 (--best)");
  c.Require(ClickButton(window, kCompressButton), "press Compress");
  expectCall("Compress, all options on", {"--best", "--lzma", "-k", "--force", field});
  c.Require(ClickButton(window, kDecompressButton), "press Decompress");
  expectCall("Decompress, all options on", {"-d", "-k", field});
  c.Require(PostMessageA(window, WM_COMMAND, 904, 0), "post menu command 904 again");
  c.Require(ClickButton(window, kCompressButton), "press Compress");
  expectCall("Compress, Force off again", {"--best", "--lzma", "-k", field});

  HandOver(c, window, {Tail(handed)});
  for (const Kind* kind : {&kPack, &kUnpack}) {
    Answer(c, AskBatch(c, window, zorvik, *kind), IDYES, std::string(kind->name) + " batch");
    expectCall(std::string(kind->name) + " batch",
               kind == &kPack ? std::vector<std::string>{"--lzma", "-k", handed, field}
                              : std::vector<std::string>{"-d", "-k", handed, field});
  }
  c.Require(DropFiles(window, {dropped}), "drop dropped.exe on the main window");
  HWND batch = WaitForTopWindow("Batch UPXing", zorvik.pid, 15000, kDialogClass);
  c.Require(batch != nullptr, "the drop opens the batch window");
  c.Require(ClickButton(batch, kBatchCompress), "press the batch window's Compress");
  expectCall("batch window's Compress", {"--lzma", "-k", dropped});
  c.Require(ClickButton(batch, kBatchDecompress), "press the batch window's Decompress");
  expectCall("batch window's Decompress", {"-d", "-k", dropped});
  c.CheckEqual("packer calls in all", seen, CallsAfterWaiting(c, seen, 1500));
}

// A copy of the PE file `exe` whose header lists a certificate table (data directory entry 4,
// security), as a signed program's does; the table itself need not be there.
static bool WriteSignedCopy(const std::string& exe, const std::string& to) {
  std::string bytes;
  if (!ReadWholeFile(exe, bytes) || bytes.size() < 0x40) return false;
  const size_t header = *reinterpret_cast<const DWORD*>(&bytes[0x3C]) + 24;  // optional header
  if (header + 0x98 > bytes.size()) return false;
  const bool pe32Plus = *reinterpret_cast<const WORD*>(&bytes[header]) == 0x20B;
  DWORD* security = reinterpret_cast<DWORD*>(&bytes[header + (pe32Plus ? 144 : 128)]);
  security[0] = DWORD(bytes.size());  // where a certificate would follow the sections
  security[1] = 0x1000;
  return WriteWholeFile(to, bytes);
}

// A signed program: every Compress asks first, in a "Zorvik" box with No as default that names
// only signed files; No starts nothing (no script, no confirmation). Test and Decompress never
// ask. The batch also names a file in a folder that is not there, which is looked at once; the
// batch window's 66 files are looked at by several threads.
E2E_CASE(pack_signed_file_asks_before_compress_single_and_batch) {
  const std::string sig = c.workDir + "\\signed.exe", plain = c.workDir + "\\plain.exe";
  c.Require(WriteSignedCopy(c.packerPath, sig) && WriteWholeFile(plain, "MZ"), "create files");
  Process& zorvik = c.Start(c.VerbCommandLine(sig));
  HWND window = c.WaitForMainWindow(zorvik);
  auto ask = [&](HWND dialog, int button, int answer, const std::string& what) {
    c.Require(ClickButton(dialog, button), what + ": press Compress");
    HWND box = WaitForMessageBox(zorvik.pid, kZorvikCaption, 15000);
    const std::string text = box ? MessageBoxText(box) : "";
    c.Check(text.find(sig) != std::string::npos && text.find(plain) == std::string::npos &&
                GetWindowLongA(GetDlgItem(box, IDNO), GWL_STYLE) & BS_DEFPUSHBUTTON,
            what + ": a box names the signed file only, No its default; got " + Shown(text));
    Answer(c, box, answer, what);
  };
  size_t calls = 0;
  for (int answer : {IDNO, IDYES, IDNO, IDYES}) {  // the single file, then a batch with plain.exe
    if (calls == 1 && answer == IDNO)
      HandOver(c, window, {Tail(plain), Tail(c.workDir + "\\gone\\program.exe")});
    const std::string what = std::to_string(calls) + " call(s) so far, " + std::to_string(answer);
    ask(window, kCompressButton, answer, what);
    const bool batchYes = answer == IDYES && calls == 1;
    HWND confirm = WaitForMessageBox(zorvik.pid, kConfirmCaption, batchYes ? 15000 : 1000);
    c.Check((confirm != nullptr) == batchYes, what + ": a confirmation only after a batch's Yes");
    if (confirm) Answer(c, confirm, IDYES, what + ": confirm");
    calls += answer == IDYES;
    c.CheckEqual(what + ": packer calls", calls,
                 answer == IDYES ? WaitForPackerCalls(c.packerLog, calls, 30000).size()
                                 : CallsAfterWaiting(c, calls, 2000));
    c.Check(FileExists(c.workDir + "\\" + kPack.script) == (calls == 2), what + ": script");
  }
  c.Require(PostMessageA(window, WM_COMMAND, 900, 0), "post Test File");  // a run per file
  c.CheckEqual("Test starts unasked", 5, WaitForPackerCalls(c.packerLog, 5, 30000).size());
  std::vector<std::string> dropped = {plain, sig};
  for (int i = 0; i < 64; ++i)
    dropped.push_back(c.workDir + "\\absent-" + std::to_string(i) + ".exe");
  c.Require(DropFiles(window, dropped), "drop both files and 64 absent ones on the main window");
  HWND batch = WaitForTopWindow(kBatchTitle, zorvik.pid, 15000, kDialogClass);
  c.Require(batch != nullptr, "the drop opens the batch window");
  ask(batch, kBatchCompress, IDNO, "the batch window");
  c.CheckEqual("the batch window, No: packer calls", 5, CallsAfterWaiting(c, 5, 2000));
  c.Require(ClickButton(batch, kBatchDecompress), "press the batch window's Decompress");
  c.CheckEqual("Decompress starts unasked", 6, WaitForPackerCalls(c.packerLog, 6, 30000).size());
}
