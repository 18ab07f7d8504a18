// Names the ANSI code page cannot spell: a drop and a hand-off of "\u0101.exe" beside "a.exe",
// and a program folder of such a name. Windows would spell them as look-alikes (the names of
// other files); none may reach the packer or a script so, and each batch says so once.
#include <algorithm>
#include <cstdio>

#include "e2e.h"

namespace {

using namespace e2e;

const wchar_t* const kMacronA = L"\u0101";           // best fit: "a"
const wchar_t* const kFullwidthBackslash = L"\uff3c";  // best fit: "\"

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// A wide name for failure messages: ASCII as it is, the rest as \uXXXX.
std::string Printable(const std::wstring& text) {
  std::string out;
  for (wchar_t ch : text) {
    char escape[8];
    snprintf(escape, sizeof escape, "\\u%04X", unsigned(ch));
    out += ch < 0x80 ? std::string(1, char(ch)) : std::string(escape);
  }
  return out;
}

void MakeFile(Case& c, const std::wstring& path) {
  Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  c.Require(file.Valid() && WriteFile(file.Get(), "MZ", 2, &written, nullptr),
            "create " + Printable(path));
}

// These cases show nothing where the ANSI code page spells U+0101 (a UTF-8 one does).
void RequireAnsiCannotSpellIt(Case& c) {
  BOOL lossy = FALSE;
  char out[8];
  int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, kMacronA, 1, out, sizeof out,
                                 nullptr, &lossy);
  c.Require(size <= 0 || lossy, "the ANSI code page (" + std::to_string(GetACP()) +
                                    ") cannot spell U+0101, which this case needs");
}

// The one "Zorvik" box of `pid` names every file in `names`; OK closes it.
void CheckToldOnce(Case& c, const Process& process, const std::vector<std::wstring>& names,
                   const std::string& what) {
  HWND box = WaitForMessageBox(process.pid, "Zorvik", 15000);
  c.Require(box != nullptr, what + ": a \"Zorvik\" box appears within 15 s");
  const std::wstring text = WideMessageBoxText(box);
  for (const std::wstring& name : names)
    c.Check(text.find(name) != std::wstring::npos,
            what + ": the box names " + Printable(name) + "; it says " + Printable(text));
  c.Check(text.find(L"ANSI") != std::wstring::npos && text.find(L"Renaming") != std::wstring::npos,
          what + ": the box says why and what helps; it says " + Printable(text));
  c.Require(PressMessageBoxButton(box, IDOK), what + ": press OK");
  double end = NowMs() + 10000;
  while (IsWindow(box) && NowMs() < end) Sleep(20);
  Sleep(300);
  c.CheckEqual(what + ": \"Zorvik\" boxes after OK", 0,
               FindTopWindows("Zorvik", process.pid, kDialogClass).size());
}

}  // namespace

E2E_CASE(names_drop_leaves_out_what_ansi_cannot_spell_and_says_so) {
  RequireAnsiCannotSpellIt(c);
  const std::wstring w = Wide(c.workDir) + L"\\";
  const std::wstring macron = w + kMacronA + L".exe";
  const std::wstring climbing = w + L"deep\\.." + kFullwidthBackslash + L"a.exe";
  c.Require(CreateDirectoryW((w + L"deep").c_str(), nullptr) != 0, "create the folder deep");
  for (const std::wstring& path : {w + L"a.exe", w + L"b.exe", macron, climbing}) MakeFile(c, path);

  Process& zorvik = c.Start(c.BareCommandLine());
  HWND window = c.WaitForMainWindow(zorvik);
  c.Require(DropFiles(window, {macron, climbing, w + L"b.exe"}),
            "drop \\u0101.exe, deep\\..\\uFF3Ca.exe and b.exe on the main window");
  CheckToldOnce(c, zorvik, {macron, climbing}, "after the drop");

  const std::string b = c.workDir + "\\b.exe";
  HWND batch = WaitForTopWindow(kBatchTitle, zorvik.pid, 15000, kDialogClass);
  c.Require(batch != nullptr, "the batch window opens after the drop");
  const std::string listing = "Total 1 Files In Batch.\r\n" + b + "\r\n";
  std::string shown;
  for (double end = NowMs() + 5000; (shown = ControlText(batch, kBatchText)) != listing &&
                                    NowMs() < end;)
    Sleep(20);
  c.CheckEqual("the batch holds b.exe alone", listing, shown);
  c.Require(ClickButton(batch, kBatchCompress), "click Compress in the batch window");
  std::vector<PackerCall> calls = WaitForPackerCalls(c.packerLog, 1, 30000);
  c.Require(calls.size() == 1, "the packer starts within 30 s");
  c.CheckEqual("the packer's argv", {c.packerPath, b}, calls[0].argv);
}

// A later start hands such a name over in UTF-16. File Info runs the packer on a stand-in for it;
// a batch leaves it out, says so, and asks about the rest.
E2E_CASE(names_hand_off_of_a_file_ansi_cannot_spell_travels_in_utf16) {
  RequireAnsiCannotSpellIt(c);
  const std::wstring w = Wide(c.workDir) + L"\\", macron = w + kMacronA + L".exe";
  MakeFile(c, w + L"a.exe");
  MakeFile(c, macron);
  const std::wstring verb = L"\"" + Wide(c.zorvikPath) + L"\" \"";  // as Explorer's verb starts it
  Process& first = c.Start(verb + w + L"a.exe\" ", Wide(c.zorvikPath));
  HWND window = c.WaitForMainWindow(first);
  DWORD code = 1;
  WaitForExit(c.Start(verb + macron + L"\" ", Wide(c.zorvikPath)), 10000, &code);
  c.CheckEqual("exit code of the later start (0: handed over)", 0, code);
  // Read-only, and so is its stand-in, a link to it: that must go all the same.
  c.Require(SetFileAttributesW(macron.c_str(), FILE_ATTRIBUTE_READONLY), "make it read-only");
  c.Require(PostMessageA(window, WM_COMMAND, 901, 0), "post File Info");
  std::vector<PackerCall> calls = WaitForEndedPackerCalls(c.packerLog, 2, 30000);
  c.Require(calls.size() == 2, "File Info starts two packers, for a.exe and for it, within 30 s");
  const bool fieldFirst = calls[0].argv.back() == c.workDir + "\\a.exe";
  const PackerCall &field = calls[fieldFirst ? 0 : 1], &run = calls[fieldFirst ? 1 : 0];
  c.CheckEqual("File Info on the field's file", {c.packerPath, "-l", c.workDir + "\\a.exe"},
               field.argv);
  c.Check(
      run.argv.size() == 3 && run.argv[2].compare(0, 3, "zrv") == 0 && run.currentDir == c.workDir,
      "File Info on it runs on a stand-in in its folder: " + run.commandLine);
  auto standInLeft = [&c] {
    const std::vector<std::wstring> names = WideNamesIn(Wide(c.workDir));
    return std::any_of(names.begin(), names.end(), [](const std::wstring& name) {
      return !_wcsnicmp(name.c_str(), L"zrv", 3);
    });
  };
  for (double end = NowMs() + 5000; standInLeft() && NowMs() < end;) Sleep(50);
  c.Check(!standInLeft(), "no stand-in is left once File Info has ended");
  c.Check(GetFileAttributesW(macron.c_str()) & FILE_ATTRIBUTE_READONLY, "the file stays read-only");

  c.Require(ClickButton(window, kCompressButton), "click Compress");
  CheckToldOnce(c, first, {macron}, "Compress with the handed name");
  HWND question = WaitForMessageBox(first.pid, "Brannoc.", 15000);
  c.Check(question && MessageBoxText(question).find("Total 1 items") == 0,
          "then the batch asks about a.exe alone: " + (question ? MessageBoxText(question) : ""));
}

E2E_CASE(names_program_folder_that_ansi_cannot_spell_is_refused_at_start) {
  RequireAnsiCannotSpellIt(c);
  // The look-alike folder holds a packer too: Zorvik must not take it for its own.
  const std::string parent = FolderOf(c.progDir);
  c.InstallProgram(parent + "\\prog-a");
  const std::wstring folder = Wide(parent) + L"\\prog-" + kMacronA;
  c.Require(CreateDirectoryW(folder.c_str(), nullptr) != 0, "create " + Printable(folder));
  const std::wstring exe = folder + L"\\Zorvik.exe";
  c.Require(CopyFileW(Wide(c.Settings().zorvikExe).c_str(), exe.c_str(), FALSE) &&
                CopyFileW(Wide(c.Settings().packerExe).c_str(), (folder + L"\\upx.exe").c_str(),
                          FALSE),
            "install Zorvik and upx.exe into " + Printable(folder));

  Process& zorvik = c.Start(L"\"" + exe + L"\"", exe);
  HWND box = WaitForMessageBox(zorvik.pid, "Zorvik", 15000);
  c.Require(box != nullptr, "a \"Zorvik\" box appears within 15 s");
  const std::wstring text = WideMessageBoxText(box);
  c.Check(text.find(folder + L"\n") != std::wstring::npos &&
              text.find(L"ANSI") != std::wstring::npos,
          "the box names the folder and says why; it says " + Printable(text));
  c.CheckEqual("main windows while the box shows", 0, CountTopWindows(kMainTitle));
  c.Require(PressMessageBoxButton(box, IDOK), "press OK");
  DWORD code = 0;
  if (c.Check(WaitForExit(zorvik, 10000, &code), "Zorvik ends within 10 s of OK"))
    c.CheckEqual("exit code after the refusal", 0, code);
}
