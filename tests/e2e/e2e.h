// The case registry and the per-case context of Zorvik's end-to-end tests.
//
// Each case runs in its own fresh folder:
//   <root>\<case>\prog\   a copy of Zorvik.exe and of the stand-in packer upx.exe
//   <root>\<case>\work\   the current directory of every process the case starts
// A failed check prints "FAIL <case>: ..." and the case goes on; Require() ends the case at once
// when nothing sensible can follow. Processes the case started, and processes that appeared
// while it ran (consoles, Explorer windows, a browser), are ended after it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "driver.h"

namespace e2e {

const char* const kMainTitle = "Simple GUI App For UPX Packer";
const char* const kDialogClass = "#32770";

// Controls of the main window.
const int kPathField = 1000;
const int kChooseButton = 1001;
const int kHandOffList = 1002;
const int kMethodCombo = 1003;
const int kMenuButton = 1004;
const int kCompressButton = 1005;
const int kDecompressButton = 1006;
const int kHintField = 1007;

// The batch window and the menu command that opens it.
const char* const kBatchTitle = "Batch UPXing";
const int kBatchClose = 1001;
const int kBatchCompress = 1005;
const int kBatchDecompress = 1006;
const int kBatchText = 1007;
const int kBatchMenuCommand = 899;

// The results window of single-file runs and its read-only text.
const char* const kResultsTitle = "Zorvik - Results";
const int kResultsText = 1010;

// How every batch script begins: it fixes cmd's settings for itself, clears the UPX variable and
// states the (OEM) code page its names are written in, through System32's chcp by its full path.
inline std::string ScriptStartLines() {
  char system[MAX_PATH];
  const UINT length = GetSystemDirectoryA(system, MAX_PATH);
  return "@setlocal DisableDelayedExpansion EnableExtensions\r\n@set \"UPX=\"\r\n@\"" +
         std::string(system, length < MAX_PATH ? length : 0) + "\\chcp.com\" " +
         std::to_string(GetOEMCP()) + " >nul\r\n";
}
// How every batch script ends: PAUSE; it does not delete itself.
const char* const kScriptEnd = "\r\nPAUSE\r\n";

struct SuiteSettings {
  std::string zorvikExe;  // the build's Zorvik.exe
  std::string packerExe;  // the stand-in upx.exe
  std::string driverExe;  // this program, which also serves as a helper process
  std::string root;       // parent of the case folders
};

struct CaseAbort {};

class Case {
 public:
  Case(const std::string& name, const SuiteSettings& settings);
  // Creates the case's folders and installs the program; run by the suite before the case.
  void Prepare();

  const std::string& Name() const { return name_; }
  const SuiteSettings& Settings() const { return settings_; }
  int Failures() const { return failures_; }

  // Folders and files of this case.
  std::string progDir;
  std::string workDir;
  std::string zorvikPath;  // progDir\Zorvik.exe
  std::string packerPath;  // progDir\upx.exe
  std::string packerLog;   // progDir\upx-calls.log

  // Copies Zorvik.exe (and, unless told not to, upx.exe) into `folder`, creating it.
  void InstallProgram(const std::string& folder, bool withPacker = true);

  // The command line Explorer's verb gives: quoted program, blank, quoted file, blank.
  std::string VerbCommandLine(const std::string& file) const;
  // The quoted program path alone (a start without arguments).
  std::string BareCommandLine() const;

  // Starts a process with exactly `commandLine`; the case owns it and ends it afterwards.
  Process& Start(const std::string& commandLine, const std::string& exe = "",
                 const std::string& currentDir = "", bool suspended = false);
  // Starts Zorvik with these environment variables added, e.g. the stand-in packer's knobs.
  Process& StartWithEnvironment(const std::string& commandLine,
                                const ScopedEnvironment::Variables& variables);
  // The same with a UTF-16 command line (CreateProcessW), in the work folder.
  Process& Start(const std::wstring& commandLine, const std::wstring& exe);
  // The visible main window of that process, or the case ends.
  HWND WaitForMainWindow(const Process& process, DWORD timeoutMs = 15000);
  // WM_CLOSE, then the process must end with exit code 0.
  void CloseMainWindow(HWND window, const Process& process, const std::string& when);

  // Checks: each failure prints one FAIL line; the case goes on.
  bool Check(bool ok, const std::string& what);
  bool CheckEqual(const std::string& what, const std::string& expected, const std::string& got);
  bool CheckEqual(const std::string& what, const std::vector<std::string>& expected,
                  const std::vector<std::string>& got);
  bool CheckEqual(const std::string& what, long long expected, long long got);
  void Require(bool ok, const std::string& what);  // a failure ends the case
  void Info(const std::string& text);

  // Ends what the case started or caused to start; run by the suite after the case.
  void CleanUp(const std::vector<ProcessEntry>& before);

 private:
  std::string name_;
  SuiteSettings settings_;
  int failures_ = 0;
  std::vector<std::unique_ptr<Process>> started_;
};

using CaseFunction = void (*)(Case&);

struct CaseEntry {
  const char* name;
  CaseFunction run;
};

std::vector<CaseEntry>& CaseRegistry();

struct RegisterCase {
  RegisterCase(const char* name, CaseFunction run) { CaseRegistry().push_back({name, run}); }
};

#define E2E_CASE(name)                                     \
  static void name(::e2e::Case& c);                        \
  static ::e2e::RegisterCase register_##name(#name, name); \
  static void name(::e2e::Case& c)

}  // namespace e2e
