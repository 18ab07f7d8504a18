#include <cstdio>
#include <cstring>
#include <set>

#include "e2e.h"

namespace e2e {

namespace {

// Programs a case may cause to run: Zorvik itself, the packer, the consoles of batch scripts,
// and what the shell starts for folders and web addresses under Wine. Only processes that were
// not running before the case are ended.
const char* const kCleanUpNames[] = {"zorvik.exe",   "upx.exe",        "cmd.exe",
                                     "conhost.exe",  "explorer.exe",   "winebrowser.exe",
                                     "start.exe",    "winefile.exe",   "iexplore.exe",
                                     "notepad.exe",  "zorvik_e2e.exe", "xdg-open"};

bool IsCleanUpName(const std::string& exeName) {
  for (const char* name : kCleanUpNames)
    if (_stricmp(exeName.c_str(), name) == 0) return true;
  return false;
}

void Print(const std::string& line) {
  fputs((line + "\n").c_str(), stdout);
  fflush(stdout);
}

}  // namespace

std::vector<CaseEntry>& CaseRegistry() {
  static std::vector<CaseEntry> registry;
  return registry;
}

Case::Case(const std::string& name, const SuiteSettings& settings)
    : name_(name), settings_(settings) {
  std::string caseDir = settings.root + "\\" + name;
  progDir = caseDir + "\\prog";
  workDir = caseDir + "\\work";
  zorvikPath = progDir + "\\Zorvik.exe";
  packerPath = progDir + "\\upx.exe";
  packerLog = progDir + "\\upx-calls.log";
}

void Case::Prepare() {
  RemoveTree(FolderOf(progDir));
  Require(MakeFolders(workDir), "create the work folder " + workDir);
  InstallProgram(progDir);
}

void Case::InstallProgram(const std::string& folder, bool withPacker) {
  Require(MakeFolders(folder), "create the folder " + folder);
  Require(CopyFileA(settings_.zorvikExe.c_str(), (folder + "\\Zorvik.exe").c_str(), FALSE) != 0,
          "copy " + settings_.zorvikExe + " into " + folder);
  if (withPacker)
    Require(CopyFileA(settings_.packerExe.c_str(), (folder + "\\upx.exe").c_str(), FALSE) != 0,
            "copy " + settings_.packerExe + " into " + folder);
}

std::string Case::VerbCommandLine(const std::string& file) const {
  return Quoted(zorvikPath) + " " + Quoted(file) + " ";
}

std::string Case::BareCommandLine() const { return Quoted(zorvikPath); }

Process& Case::Start(const std::string& commandLine, const std::string& exe,
                     const std::string& currentDir, bool suspended) {
  started_.push_back(std::unique_ptr<Process>(new Process));
  std::string error;
  Require(StartProcess(exe.empty() ? zorvikPath : exe, commandLine,
                       currentDir.empty() ? workDir : currentDir, *started_.back(), &error,
                       suspended),
          "start " + Shown(commandLine) + ": " + error);
  return *started_.back();
}

Process& Case::StartWithEnvironment(const std::string& commandLine,
                                    const ScopedEnvironment::Variables& variables) {
  ScopedEnvironment environment(variables);
  return Start(commandLine);
}

Process& Case::Start(const std::wstring& commandLine, const std::wstring& exe) {
  started_.push_back(std::unique_ptr<Process>(new Process));
  std::string error;
  std::wstring work(workDir.begin(), workDir.end());
  Require(StartProcess(exe, commandLine, work, *started_.back(), &error),
          "start a UTF-16 command line: " + error);
  return *started_.back();
}

HWND Case::WaitForMainWindow(const Process& process, DWORD timeoutMs) {
  HWND window = WaitForTopWindow(kMainTitle, process.pid, timeoutMs, kDialogClass);
  if (!window) {
    DWORD code = 0;
    bool ended = WaitForExit(process, 0, &code);
    Require(false, "a visible main window (" + std::string(kDialogClass) + " \"" + kMainTitle +
                       "\") of process " + std::to_string(process.pid) + " within " +
                       std::to_string(timeoutMs) + " ms; got none" +
                       (ended ? ", the process ended with " + std::to_string(code) : ""));
  }
  return window;
}

void Case::CloseMainWindow(HWND window, const Process& process, const std::string& when) {
  PostClose(window);
  DWORD code = 0;
  if (Check(WaitForExit(process, 10000, &code), when + ": the process ends within 10 s of WM_CLOSE"))
    CheckEqual(when + ": exit code after WM_CLOSE", 0, code);
}

bool Case::Check(bool ok, const std::string& what) {
  if (!ok) {
    ++failures_;
    Print("FAIL " + name_ + ": " + what);
  }
  return ok;
}

bool Case::CheckEqual(const std::string& what, const std::string& expected,
                      const std::string& got) {
  if (expected == got) return true;
  std::string message = what + ": expected " + Shown(expected) + ", got " + Shown(got);
  if (expected.size() > 40 || got.size() > 40) {
    size_t at = 0;
    while (at < expected.size() && at < got.size() && expected[at] == got[at]) ++at;
    size_t from = at > 20 ? at - 20 : 0;
    message += "; first difference at byte " + std::to_string(at) + ": expected ..." +
               Shown(expected.substr(from, 40)) + ", got ..." + Shown(got.substr(from, 40));
  }
  return Check(false, message);
}

bool Case::CheckEqual(const std::string& what, const std::vector<std::string>& expected,
                      const std::vector<std::string>& got) {
  return Check(expected == got, what + ": expected " + Shown(expected) + ", got " + Shown(got));
}

bool Case::CheckEqual(const std::string& what, long long expected, long long got) {
  return Check(expected == got,
               what + ": expected " + std::to_string(expected) + ", got " + std::to_string(got));
}

void Case::Require(bool ok, const std::string& what) {
  if (!Check(ok, what)) throw CaseAbort();
}

void Case::Info(const std::string& text) { Print("INFO " + name_ + ": " + text); }

void Case::CleanUp(const std::vector<ProcessEntry>& before) {
  std::set<DWORD> owned;
  for (const std::unique_ptr<Process>& process : started_) {
    owned.insert(process->pid);
    if (IsRunning(*process)) {
      TerminateProcess(process->handle.Get(), 1);
      WaitForSingleObject(process->handle.Get(), 3000);
    }
  }
  std::set<DWORD> old;
  for (const ProcessEntry& entry : before) old.insert(entry.pid);
  old.insert(GetCurrentProcessId());

  // New processes of the listed names, and every new descendant of a process the case started.
  std::vector<ProcessEntry> now = ListProcesses();
  bool grew = true;
  while (grew) {
    grew = false;
    for (const ProcessEntry& entry : now)
      if (!old.count(entry.pid) && !owned.count(entry.pid) && owned.count(entry.parentPid)) {
        owned.insert(entry.pid);
        grew = true;
      }
  }
  for (const ProcessEntry& entry : now)
    if (!old.count(entry.pid) && (owned.count(entry.pid) || IsCleanUpName(entry.exeName)))
      TerminateById(entry.pid);
  started_.clear();
}

}  // namespace e2e
