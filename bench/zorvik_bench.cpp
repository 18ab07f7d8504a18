// zorvik_bench: timings of Zorvik under Windows or Wine, each beside a baseline measured in the
// same run, so that a noisy machine shows in both.
//
//   zorvik_bench.exe ZORVIK_EXE UPX_EXE BASELINE_DIALOG_EXE BASELINE_SENDER_EXE [PART]
//
// Start-up is also timed against baseline_dialog_plain.exe, the same dialog without a manifest,
// when it lies beside BASELINE_DIALOG_EXE.
// PART is one of startup, breakdown, handoff, storm, scale (all when left out). breakdown runs
// Zorvik_trace.exe and baseline_dialog_trace.exe, when they lie beside BASELINE_DIALOG_EXE.
// Prints figures only; the exit code is 0 unless the programs could not be set up.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "../tests/e2e/e2e.h"

namespace {

using namespace e2e;

const char* const kBaselineTitle = "Zorvik Bench Baseline";
const int kMethodCount = 13;
const int kRuns = 25;         // start-up and hand-off, each side
const int kStormReps = 3;     // per storm size, each side
const int kScaleReps = 3;
const int kScaleFiles = 5000;

struct Setup {
  std::string progDir, workDir;
  std::string zorvik, packer, dialog, sender;  // the copies in progDir
  std::string plainDialog;                      // empty when there is none
  std::string templateDialog;  // the bare dialog with Zorvik's main window template, or empty
  std::string traceZorvik, traceDialog, traceTemplate;  // the tracing builds, or empty
};

// ---- Figures ---------------------------------------------------------------------------------

double Quantile(const std::vector<double>& sorted, double q) {
  double at = q * double(sorted.size() - 1);
  size_t low = size_t(at);
  size_t high = std::min(low + 1, sorted.size() - 1);
  return sorted[low] + (sorted[high] - sorted[low]) * (at - double(low));
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return Quantile(values, 0.5);
}

void PrintSeries(const char* part, const char* who, std::vector<double> ms) {
  if (ms.empty()) {
    printf("%-8s %-9s no runs\n", part, who);
    return;
  }
  std::sort(ms.begin(), ms.end());
  printf("%-8s %-9s n=%-3zu median %8.1f ms  IQR %8.1f .. %8.1f  min %8.1f  max %8.1f\n", part,
         who, ms.size(), Quantile(ms, 0.5), Quantile(ms, 0.25), Quantile(ms, 0.75), ms.front(),
         ms.back());
}

void PrintRatio(const char* part, const std::vector<double>& zorvik,
                const std::vector<double>& baseline, const char* name = "baseline") {
  double b = Median(baseline);
  if (zorvik.empty() || b <= 0) return;
  printf("%-8s ratio of medians Zorvik / %s = %.2f\n", part, name, Median(zorvik) / b);
}

void Note(const char* part, const std::string& text) {
  printf("%-8s NOTE %s\n", part, text.c_str());
}

std::string Ms(double ms) { return ms < 0 ? "none" : std::to_string(int(ms + 0.5)) + " ms"; }

// ---- Small helpers ---------------------------------------------------------------------------

LRESULT SendCount(HWND control, UINT message) {
  DWORD_PTR answer = 0;
  if (!control || !SendMessageTimeoutW(control, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer))
    return -1;
  return LRESULT(answer);
}

std::string Tail(const std::string& file) { return Quoted(file) + " "; }

// The first visible window of `pid` with `title` for which `ready` holds, polled every
// millisecond; null when none within the timeout or when the process ended.
template <typename Ready>
HWND PollWindow(const Process& process, const char* title, Ready ready, DWORD timeoutMs = 20000) {
  double end = NowMs() + timeoutMs;
  while (NowMs() < end) {
    for (HWND window : FindTopWindows(title, process.pid, kDialogClass))
      if (ready(window)) return window;
    if (!IsRunning(process)) return nullptr;
    Sleep(1);
  }
  return nullptr;
}

bool ZorvikFilled(HWND window) {
  return !ControlText(window, kPathField).empty() &&
         SendCount(GetDlgItem(window, kMethodCombo), CB_GETCOUNT) == kMethodCount;
}

bool BaselineFilled(HWND window) { return !ControlText(window, kPathField).empty(); }

// A message box with its text set; polled every millisecond, as start-up is, since the
// driver's waits poll every 20 ms and would round the times to that.
bool BoxFilled(HWND box) { return !ControlText(box, 0xFFFF).empty(); }

// WM_CLOSE and a bounded wait; a process that does not end is terminated.
void CloseAndWait(HWND window, Process& process) {
  if (window) PostClose(window);
  if (!WaitForExit(process, 10000)) {
    TerminateProcess(process.handle.Get(), 1);
    WaitForExit(process, 3000);
  }
}

// Ends the processes that appeared since `before` and that the runs cause: Zorvik copies, the
// consoles of a batch script, the stand-in packer, the baselines. By id, one at a time.
void EndNewProcesses(const std::vector<ProcessEntry>& before) {
  static const char* const names[] = {"zorvik.exe",  "upx.exe",           "cmd.exe",
                                      "conhost.exe", "start.exe",         "baseline_dialog.exe",
                                      "baseline_sender.exe", "baseline_dialog_plain.exe"};
  std::set<DWORD> old;
  for (const ProcessEntry& entry : before) old.insert(entry.pid);
  for (const ProcessEntry& entry : ListProcesses()) {
    if (old.count(entry.pid) || entry.pid == GetCurrentProcessId()) continue;
    for (const char* name : names)
      if (_stricmp(entry.exeName.c_str(), name) == 0) TerminateById(entry.pid);
  }
}

bool Start(const std::string& exe, const std::string& tail, const Setup& setup, Process& process,
           bool suspended = false) {
  std::string error;
  std::string commandLine = Quoted(exe) + (tail.empty() ? "" : " " + tail);
  if (StartProcess(exe, commandLine, setup.workDir, process, &error, suspended)) return true;
  printf("ERROR starting %s: %s\n", Shown(commandLine).c_str(), error.c_str());
  return false;
}

// A Zorvik main window that later parts hand over to; null when it did not open.
HWND StartMainWindow(const Setup& setup, Process& process) {
  if (!Start(setup.zorvik, "", setup, process)) return nullptr;
  return PollWindow(process, kMainTitle, ZorvikFilled);
}

// ---- 1. Start-up -----------------------------------------------------------------------------

// The window that `exe` opens, once it is visible and filled. The bare dialog with Zorvik's
// template carries Zorvik's caption.
HWND FilledWindow(const Setup& setup, const std::string& exe, const Process& process) {
  if (exe == setup.zorvik || exe == setup.traceZorvik)
    return PollWindow(process, kMainTitle, ZorvikFilled);
  if (exe == setup.templateDialog || exe == setup.traceTemplate)
    return PollWindow(process, kMainTitle, BaselineFilled);
  return PollWindow(process, kBaselineTitle, BaselineFilled);
}

// CreateProcess until the window is visible and filled; -1 when it did not come.
double TimeStartUp(const Setup& setup, const std::string& exe, int run) {
  char file[64];
  snprintf(file, sizeof file, "C:\\Bench Input\\startup-%02d.exe", run);
  Process process;
  double start = NowMs();
  if (!Start(exe, Tail(file), setup, process)) return -1;
  HWND window = FilledWindow(setup, exe, process);
  double ms = NowMs() - start;
  CloseAndWait(window, process);
  return window ? ms : -1;
}

// In turns: Zorvik, the dialog with Zorvik's manifest, the dialog without one, the dialog with
// Zorvik's manifest and main window template.
void StartUpPart(const Setup& setup) {
  std::vector<std::string> exes = {setup.zorvik, setup.dialog, setup.plainDialog,
                                   setup.templateDialog};
  std::vector<std::vector<double>> ms(exes.size());
  int failed = 0;
  for (int run = 0; run <= kRuns; ++run)  // run 0 is the warm-up of each, not counted
    for (size_t i = 0; i < exes.size(); ++i) {
      if (exes[i].empty()) continue;
      double taken = TimeStartUp(setup, exes[i], run);
      if (run == 0) continue;
      if (taken >= 0) ms[i].push_back(taken); else ++failed;
    }
  printf("startup: CreateProcess -> main window visible, path field filled, %d methods listed; "
         "baseline: the bare dialog with Zorvik's manifest, plain: the same without a manifest, "
         "template: the bare dialog with Zorvik's manifest and main window template\n",
         kMethodCount);
  PrintSeries("startup", "Zorvik", ms[0]);
  PrintSeries("startup", "baseline", ms[1]);
  if (!ms[2].empty()) PrintSeries("startup", "plain", ms[2]);
  if (!ms[3].empty()) PrintSeries("startup", "template", ms[3]);
  PrintRatio("startup", ms[0], ms[1]);
  if (!ms[2].empty()) PrintRatio("startup", ms[0], ms[2], "plain");
  if (!ms[3].empty()) PrintRatio("startup", ms[0], ms[3], "template");
  if (failed) Note("startup", std::to_string(failed) + " runs had no filled window in 20 s");
}

// ---- 1b. Start-up breakdown --------------------------------------------------------------------

// Milliseconds from the process's creation to now, on the clock its creation time is kept in.
double MsSinceCreation(const Process& process) {
  using PreciseTime = void(WINAPI*)(FILETIME*);
  static auto precise = reinterpret_cast<PreciseTime>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
  FILETIME now, created, exited, kernel, user;
  if (precise) precise(&now); else GetSystemTimeAsFileTime(&now);
  if (!GetProcessTimes(process.handle.Get(), &created, &exited, &kernel, &user)) return -1;
  auto ticks = [](const FILETIME& t) {
    return (long long)t.dwHighDateTime << 32 | t.dwLowDateTime;
  };
  return double(ticks(now) - ticks(created)) / 10000.0;
}

using Steps = std::vector<std::pair<std::string, double>>;  // step, ms since creation

// One traced start: the steps the program wrote (ZORVIK_TRACE names the file), then the moment
// the bench saw the window visible and filled; empty when the window did not come.
Steps TraceStartUp(const Setup& setup, const std::string& exe, int run) {
  const std::string traceFile = setup.workDir + "\\start-trace.txt";
  DeleteFileA(traceFile.c_str());
  char file[64];
  snprintf(file, sizeof file, "C:\\Bench Input\\breakdown-%02d.exe", run);
  SetEnvironmentVariableA("ZORVIK_TRACE", traceFile.c_str());
  Process process;
  bool started = Start(exe, Tail(file), setup, process);
  SetEnvironmentVariableA("ZORVIK_TRACE", nullptr);
  if (!started) return Steps();
  HWND window = FilledWindow(setup, exe, process);
  double seen = MsSinceCreation(process);
  CloseAndWait(window, process);  // the trace is written at exit
  std::string text;
  if (!window || !ReadWholeFile(traceFile, text)) return Steps();
  Steps steps;
  for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    size_t tab = text.find('\t', at), last = end > at && text[end - 1] == '\r' ? end - 1 : end;
    if (tab < last)
      steps.push_back({text.substr(tab + 1, last - tab - 1), atof(text.c_str() + at) / 1000});
  }
  steps.push_back({"seen visible and filled by the bench", seen});
  return steps;
}

void BreakdownPart(const Setup& setup) {
  if (setup.traceZorvik.empty() || setup.traceDialog.empty()) {
    Note("breakdown", "Zorvik_trace.exe or baseline_dialog_trace.exe is missing; part skipped");
    return;
  }
  std::vector<std::string> exes = {setup.traceZorvik, setup.traceDialog};
  if (!setup.traceTemplate.empty()) exes.push_back(setup.traceTemplate);
  std::vector<std::string> order;  // the steps as they came, Zorvik's first
  std::vector<std::map<std::string, std::vector<double>>> times(exes.size());
  int failed = 0;
  for (int run = 0; run <= kRuns; ++run)  // run 0 is the warm-up of each, not counted
    for (size_t i = 0; i < exes.size(); ++i) {
      Steps steps = TraceStartUp(setup, exes[i], run);
      if (steps.empty()) ++failed;
      if (run == 0) continue;
      for (const auto& step : steps) {
        if (std::find(order.begin(), order.end(), step.first) == order.end())
          order.insert(i == 0 ? order.end() : order.end() - 1, step.first);  // "seen" stays last
        times[i][step.first].push_back(step.second);
      }
    }
  printf("breakdown: ms from the process's creation to each step (medians of %d traced starts "
         "each, in turns; the step's gain over the step above in brackets); baseline: the bare "
         "dialog with Zorvik's manifest; template: the same with Zorvik's main window template\n",
         kRuns);
  printf("breakdown %-48s %18s %18s %18s\n", "step", "Zorvik", "baseline",
         exes.size() > 2 ? "template" : "");
  std::vector<double> last(exes.size(), 0);
  for (const std::string& step : order) {
    printf("breakdown %-48s", step.c_str());
    for (size_t i = 0; i < exes.size(); ++i) {
      if (!times[i].count(step)) {
        printf(" %18s", "");
        continue;
      }
      double m = Median(times[i][step]);
      printf(" %7.1f (+%6.1f)", m, m - last[i]);
      last[i] = m;
    }
    printf("\n");
  }
  if (failed) Note("breakdown", std::to_string(failed) + " traced starts gave no trace");
}

// ---- 2. Hand-off -----------------------------------------------------------------------------

// CreateProcess until the process has ended; -1 on a failed start or a non-zero exit.
double TimeHandOff(const Setup& setup, const std::string& exe, const std::string& tail) {
  Process process;
  double start = NowMs();
  if (!Start(exe, tail, setup, process)) return -1;
  DWORD code = 1;
  bool ended = WaitForExit(process, 20000, &code);
  double ms = NowMs() - start;
  if (!ended) CloseAndWait(nullptr, process);
  return ended && code == 0 ? ms : -1;
}

void HandOffPart(const Setup& setup) {
  Process first;
  HWND window = StartMainWindow(setup, first);
  if (!window) {
    Note("handoff", "the receiving main window did not open; part skipped");
    return;
  }
  std::vector<std::string> sent;
  std::vector<double> zorvik, baseline;
  int failed = 0;
  for (int run = 0; run <= kRuns; ++run) {  // run 0 is the warm-up of each, not counted
    char z[64], b[64];
    snprintf(z, sizeof z, "C:\\Bench Input\\handoff-zorvik-%02d.exe", run);
    snprintf(b, sizeof b, "C:\\Bench Input\\handoff-baseline-%02d.exe", run);
    sent.push_back(Tail(z));
    sent.push_back(Tail(b));
    double zMs = TimeHandOff(setup, setup.zorvik, Tail(z));
    double bMs = TimeHandOff(setup, setup.sender, Tail(b));
    if (run == 0) continue;
    if (zMs >= 0) zorvik.push_back(zMs); else ++failed;
    if (bMs >= 0) baseline.push_back(bMs); else ++failed;
  }
  std::vector<std::string> held = ListBoxItems(GetDlgItem(window, kHandOffList));
  size_t arrived = 0;
  for (const std::string& tail : sent)
    if (std::find(held.begin(), held.end(), tail) != held.end()) ++arrived;
  printf("handoff: a later instance's whole life, CreateProcess -> exit 0, one main window "
         "running\n");
  PrintSeries("handoff", "Zorvik", zorvik);
  PrintSeries("handoff", "baseline", baseline);
  PrintRatio("handoff", zorvik, baseline);
  printf("handoff  arrived in the list box: %zu of %zu tails sent (list box holds %zu)\n", arrived,
         sent.size(), held.size());
  printf("handoff  main windows open: %d\n", CountTopWindows(kMainTitle));
  if (failed) Note("handoff", std::to_string(failed) + " runs did not end with 0 within 20 s");
  CloseAndWait(window, first);
}

// ---- 3. Storm --------------------------------------------------------------------------------

struct StormResult {
  double ms = -1;            // first resume -> every tail held by a main window
  size_t windows = 0;        // distinct main windows seen
  size_t arrived = 0;        // tails found in main windows at the end
  int exitedZero = 0, exitedOther = 0, running = 0;
};

// Every tail that main windows of these processes hold: path fields and hand-off lists.
std::vector<std::string> TailsHeld(const std::vector<HWND>& windows) {
  std::vector<std::string> held;
  for (HWND window : windows) {
    std::vector<std::string> some = ListBoxItems(GetDlgItem(window, kHandOffList));
    held.insert(held.end(), some.begin(), some.end());
    held.push_back(ControlText(window, kPathField));
  }
  return held;
}

size_t CountArrived(const std::vector<std::string>& tails, const std::vector<std::string>& held) {
  std::multiset<std::string> pool(held.begin(), held.end());
  size_t count = 0;
  for (const std::string& tail : tails) {
    auto found = pool.find(tail);
    if (found != pool.end()) {
      pool.erase(found);
      ++count;
    }
  }
  return count;
}

std::vector<std::string> StormTails(const char* who, int count, int rep) {
  std::vector<std::string> tails;
  for (int i = 1; i <= count; ++i) {
    char file[80];
    snprintf(file, sizeof file, "C:\\Storm Files\\%s-%d-%d-%02d.exe", who, count, rep, i);
    tails.push_back(Tail(file));
  }
  return tails;
}

bool CreateSuspended(const Setup& setup, const std::string& exe,
                     const std::vector<std::string>& tails,
                     std::vector<std::unique_ptr<Process>>& processes) {
  for (const std::string& tail : tails) {
    processes.emplace_back(new Process);
    if (!Start(exe, tail, setup, *processes.back(), true)) return false;
  }
  return true;
}

void CountEnds(const std::vector<std::unique_ptr<Process>>& processes, StormResult& result) {
  for (const auto& process : processes) {
    DWORD code = 0;
    if (!WaitForExit(*process, 0, &code)) ++result.running;
    else if (code == 0) ++result.exitedZero;
    else ++result.exitedOther;
  }
}

// All instances start at once while no Zorvik runs.
StormResult ZorvikStorm(const Setup& setup, int count, int rep) {
  StormResult result;
  std::vector<ProcessEntry> before = ListProcesses();
  std::vector<std::string> tails = StormTails("zorvik", count, rep);
  std::vector<std::unique_ptr<Process>> processes;
  if (!CreateSuspended(setup, setup.zorvik, tails, processes)) {
    EndNewProcesses(before);
    return result;
  }
  double start = NowMs();
  for (const auto& process : processes) Resume(*process);

  std::set<HWND> seen;
  std::vector<HWND> windows;
  while (NowMs() - start < 60000) {
    windows.clear();
    for (const auto& process : processes)
      for (HWND window : FindTopWindows(kMainTitle, process->pid, kDialogClass))
        windows.push_back(window);
    seen.insert(windows.begin(), windows.end());
    // Cheap first: the list counts; the texts are read only once they can all be there.
    LRESULT listed = 0;
    for (HWND window : windows)
      listed += SendCount(GetDlgItem(window, kHandOffList), LB_GETCOUNT) + 1;
    if (listed >= count && CountArrived(tails, TailsHeld(windows)) == tails.size()) {
      result.ms = NowMs() - start;
      break;
    }
    Sleep(2);
  }
  // The hand-off instances end once filed; all but the application should be gone soon.
  double end = NowMs() + 20000;
  while (NowMs() < end) {
    int running = 0;
    for (const auto& process : processes) running += IsRunning(*process);
    if (running <= 1) break;
    Sleep(20);
  }
  Sleep(300);
  windows.clear();
  for (const auto& process : processes)
    for (HWND window : FindTopWindows(kMainTitle, process->pid, kDialogClass))
      windows.push_back(window);
  seen.insert(windows.begin(), windows.end());
  result.windows = seen.size();
  result.arrived = CountArrived(tails, TailsHeld(windows));
  CountEnds(processes, result);
  for (HWND window : windows) PostClose(window);
  for (const auto& process : processes)
    if (!WaitForExit(*process, 5000)) TerminateProcess(process->handle.Get(), 1);
  EndNewProcesses(before);
  return result;
}

// The same number of minimal senders started at once, handing over to a main window that is
// already open: the floor for starting that many processes that each deliver one tail.
StormResult BaselineStorm(const Setup& setup, int count, int rep) {
  StormResult result;
  std::vector<ProcessEntry> before = ListProcesses();
  Process receiver;
  HWND window = StartMainWindow(setup, receiver);
  std::vector<std::string> tails = StormTails("baseline", count, rep);
  std::vector<std::unique_ptr<Process>> processes;
  if (window && CreateSuspended(setup, setup.sender, tails, processes)) {
    HWND list = GetDlgItem(window, kHandOffList);
    double start = NowMs();
    for (const auto& process : processes) Resume(*process);
    while (NowMs() - start < 60000) {
      if (SendCount(list, LB_GETCOUNT) >= count) {
        result.ms = NowMs() - start;
        break;
      }
      Sleep(2);
    }
    for (const auto& process : processes) WaitForExit(*process, 10000);
    result.windows = 1;
    result.arrived = CountArrived(tails, ListBoxItems(list));
    CountEnds(processes, result);
  }
  if (window) CloseAndWait(window, receiver);
  EndNewProcesses(before);
  return result;
}

void StormPart(const Setup& setup) {
  printf("storm: N instances created suspended, then resumed together while no Zorvik runs; time "
         "from the first resume until every tail is in a main window\n");
  printf("storm: baseline: N minimal senders resumed together, handing over to a main window "
         "already open\n");
  for (int count : {10, 20, 50}) {
    std::vector<double> zorvik, baseline;
    for (int rep = 1; rep <= kStormReps; ++rep) {
      StormResult z = ZorvikStorm(setup, count, rep);
      StormResult b = BaselineStorm(setup, count, rep);
      printf("storm    N=%-2d rep %d  Zorvik: %s, %zu main window(s), %zu/%d tails arrived, "
             "exit 0: %d, other exit: %d, still running: %d\n",
             count, rep, z.ms < 0 ? "not all in 60 s" : Ms(z.ms).c_str(),
             z.windows, z.arrived, count, z.exitedZero, z.exitedOther, z.running);
      printf("storm    N=%-2d rep %d  baseline: %s, %zu/%d tails arrived, exit 0: %d, "
             "other exit: %d, still running: %d\n",
             count, rep, b.ms < 0 ? "not all in 60 s" : Ms(b.ms).c_str(),
             b.arrived, count, b.exitedZero, b.exitedOther, b.running);
      if (z.ms >= 0) zorvik.push_back(z.ms);
      if (b.ms >= 0) baseline.push_back(b.ms);
    }
    char part[16];
    snprintf(part, sizeof part, "storm%d", count);
    PrintSeries(part, "Zorvik", zorvik);
    PrintSeries(part, "baseline", baseline);
    PrintRatio(part, zorvik, baseline);
  }
}

// ---- 4. Scale --------------------------------------------------------------------------------

std::vector<std::string> ScalePaths() {
  std::vector<std::string> paths;
  for (int i = 1; i <= kScaleFiles; ++i) {
    char path[80];  // 60 characters
    snprintf(path, sizeof path, "C:\\Bench Input\\Release Build Output Folder\\program-%05d.exe",
             i);
    paths.push_back(path);
  }
  return paths;
}

double HandOver(HWND window, const std::vector<std::string>& paths) {
  double start = NowMs();
  for (const std::string& path : paths) SendCopyData(window, 1, Tail(path) + '\0');
  return NowMs() - start;
}

// Size of a file, -1 when it is not there.
long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (long long)data.nFileSizeHigh << 32 | data.nFileSizeLow;
}

// True once the file ends as every batch script does (PAUSE, then its self-deletion).
bool EndsInPause(const std::string& path) {
  Handle file(CreateFileA(path.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  const LONG size = LONG(strlen(kScriptEnd));
  char last[64];
  DWORD got = 0;
  return file.Valid() &&
         SetFilePointer(file.Get(), -size, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
         ReadFile(file.Get(), last, DWORD(size), &got, nullptr) && got == DWORD(size) &&
         memcmp(last, kScriptEnd, size_t(size)) == 0;
}

struct Written {
  double ms = -1;         // Yes -> the file ends in PAUSE
  double boxGoneMs = -1;  // Yes -> the question box is destroyed
};

// Presses Yes in `box` and polls, every millisecond, until `path` ends in "PAUSE".
Written PressYesAndWait(HWND box, const std::string& path) {
  Written result;
  double start = NowMs();
  PressMessageBoxButton(box, IDYES);
  while (NowMs() - start < 30000) {
    if (result.boxGoneMs < 0 && !IsWindow(box)) result.boxGoneMs = NowMs() - start;
    if (FileSize(path) >= (long long)strlen(kScriptEnd) && EndsInPause(path)) {
      result.ms = NowMs() - start;
      break;
    }
    Sleep(1);
  }
  return result;
}

// The in-process baseline: the same bytes written from here, the way Zorvik writes them.
double TimeWrite(const std::string& path, const std::string& bytes) {
  double start = NowMs();
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return -1;
  size_t written = fwrite(bytes.data(), 1, bytes.size(), file);
  bool closed = fclose(file) == 0;
  double ms = NowMs() - start;
  DeleteFileA(path.c_str());
  return written == bytes.size() && closed ? ms : -1;
}

// How many of `paths` appear as a quoted argument in the script.
size_t PathsInScript(const std::string& script, const std::vector<std::string>& paths) {
  std::set<std::string> quoted;
  for (size_t open = script.find('"'); open != std::string::npos;) {
    size_t close = script.find('"', open + 1);
    if (close == std::string::npos) break;
    quoted.insert(script.substr(open + 1, close - open - 1));
    open = script.find('"', close + 1);
  }
  size_t count = 0;
  for (const std::string& path : paths) count += quoted.count(path);
  return count;
}

struct ScaleSeries {
  std::vector<double> handZ, handB, askZ, askB, writeZ, writeB, writeHere;
};

// Zorvik: 5,000 hand-offs, Compress, Yes, the script; returns its bytes (empty on failure).
std::string ZorvikScale(const Setup& setup, const std::vector<std::string>& paths, int rep,
                        ScaleSeries& series) {
  std::string scriptPath = setup.workDir + "\\runupxcmd.bat";
  std::string logPath = setup.progDir + "\\upx-calls.log";
  DeleteFileA(scriptPath.c_str());
  DeleteFileA(logPath.c_str());
  Process zorvik;
  HWND window = StartMainWindow(setup, zorvik);
  if (!window) {
    Note("scale", "the main window did not open");
    return std::string();
  }
  series.handZ.push_back(HandOver(window, paths));
  LRESULT listed = SendCount(GetDlgItem(window, kHandOffList), LB_GETCOUNT);
  double start = NowMs();
  ClickButton(window, kCompressButton);
  HWND box = PollWindow(zorvik, "Brannoc.", BoxFilled, 30000);
  if (!box) {
    Note("scale", "no \"Brannoc.\" box within 30 s of Compress");
    CloseAndWait(window, zorvik);
    return std::string();
  }
  series.askZ.push_back(NowMs() - start);
  Written written = PressYesAndWait(box, scriptPath);
  if (written.ms >= 0) series.writeZ.push_back(written.ms);

  long long size = FileSize(scriptPath);
  Sleep(300);
  bool stable = size == FileSize(scriptPath);
  std::string bytes;
  ReadWholeFile(scriptPath, bytes);
  size_t lines = bytes.empty() ? 0 : 1;
  for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2))
    ++lines;
  // The script runs the stand-in packer once a packer line (all but its last two): it should
  // see every file.
  std::vector<PackerCall> calls = WaitForPackerCalls(logPath, lines > 1 ? lines - 2 : 0, 30000);
  size_t files = 0;
  for (const PackerCall& call : calls) files += call.argv.size() > 0 ? call.argv.size() - 1 : 0;
  size_t boxes = DialogsOf(zorvik.pid).size() - 1;  // besides the main window
  printf("scale    rep %d Zorvik: %ld hand-offs listed; Yes -> script complete %s (box gone "
         "after %s); %lld bytes, %zu lines, size %s, ends in PAUSE: %s; %zu of %d paths in it; "
         "the packer ran %zu times with %zu files; other boxes open: %zu\n",
         rep, long(listed), Ms(written.ms).c_str(), Ms(written.boxGoneMs).c_str(), size, lines,
         stable ? "stable" : "STILL CHANGING", EndsInPause(scriptPath) ? "yes" : "no",
         PathsInScript(bytes, paths), kScaleFiles, calls.size(), files, boxes);
  CloseAndWait(window, zorvik);
  return bytes;
}

// The minimal dialog: the same hand-offs, its own Yes/No box, and on Yes it writes the bytes
// it was given (WM_COPYDATA tag 2) as baseline-script.bat.
void BaselineScale(const Setup& setup, const std::vector<std::string>& paths,
                   const std::string& bytes, int rep, ScaleSeries& series) {
  std::string scriptPath = setup.workDir + "\\baseline-script.bat";
  DeleteFileA(scriptPath.c_str());
  Process baseline;
  if (!Start(setup.dialog, "", setup, baseline)) return;
  HWND window = PollWindow(baseline, kBaselineTitle, BaselineFilled);
  Written written;
  if (window) {
    series.handB.push_back(HandOver(window, paths));
    SendCopyData(window, 2, bytes);
    double start = NowMs();
    PostMessageA(window, WM_COMMAND, kCompressButton, 0);
    HWND box = PollWindow(baseline, "Baseline.", BoxFilled, 15000);
    if (box) {
      series.askB.push_back(NowMs() - start);
      written = PressYesAndWait(box, scriptPath);
      if (written.ms >= 0) series.writeB.push_back(written.ms);
    }
  }
  printf("scale    rep %d baseline dialog: Yes -> file complete %s (box gone after %s), %lld "
         "bytes\n",
         rep, Ms(written.ms).c_str(), Ms(written.boxGoneMs).c_str(), FileSize(scriptPath));
  CloseAndWait(window, baseline);
  DeleteFileA(scriptPath.c_str());
}

void ScalePart(const Setup& setup) {
  std::vector<std::string> paths = ScalePaths();
  ScaleSeries series;
  for (int rep = 1; rep <= kScaleReps; ++rep) {
    std::vector<ProcessEntry> before = ListProcesses();
    std::string bytes = ZorvikScale(setup, paths, rep, series);
    EndNewProcesses(before);  // the script's console, waiting at PAUSE
    if (bytes.empty()) continue;
    BaselineScale(setup, paths, bytes, rep, series);
    for (int i = 0; i < 5; ++i) {
      double ms = TimeWrite(setup.workDir + "\\baseline-write.bat", bytes);
      if (ms >= 0) series.writeHere.push_back(ms);
    }
  }
  printf("scale: %d hand-offs of 60-character paths by WM_COPYDATA from the bench "
         "(baseline: the same to the minimal dialog, which only answers them)\n",
         kScaleFiles);
  PrintSeries("handover", "Zorvik", series.handZ);
  PrintSeries("handover", "baseline", series.handB);
  PrintRatio("handover", series.handZ, series.handB);
  printf("scale: Compress -> question box visible (baseline: the minimal dialog's Yes/No box)\n");
  PrintSeries("question", "Zorvik", series.askZ);
  PrintSeries("question", "baseline", series.askB);
  PrintRatio("question", series.askZ, series.askB);
  printf("scale: Yes -> runupxcmd.bat complete; baseline 1: the same bytes written by the bench "
         "itself (fopen/fwrite/fclose); baseline 2: written by the minimal dialog after Yes in its "
         "own box\n");
  PrintSeries("script", "Zorvik", series.writeZ);
  PrintSeries("script", "baseline1", series.writeHere);
  PrintSeries("script", "baseline2", series.writeB);
  PrintRatio("script", series.writeZ, series.writeHere, "baseline1");
  PrintRatio("script", series.writeZ, series.writeB, "baseline2");
}

// ---- Set-up ----------------------------------------------------------------------------------

std::string FullPath(const char* path) {
  char full[MAX_PATH * 4];
  DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
  return length > 0 && length < sizeof full ? std::string(full, length) : std::string(path);
}

bool Install(const char* from, const std::string& to) {
  if (CopyFileA(FullPath(from).c_str(), to.c_str(), FALSE)) return true;
  fprintf(stderr, "zorvik_bench: cannot copy %s to %s\n", from, to.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || argc > 6) {
    fprintf(stderr, "usage: zorvik_bench ZORVIK_EXE UPX_EXE BASELINE_DIALOG_EXE "
                    "BASELINE_SENDER_EXE [startup|breakdown|handoff|storm|scale]\n");
    return 2;
  }
  // Under Wine the first window-station call starts the desktop; not inside a timing.
  GetDesktopWindow();
  Setup setup;
  std::string root = "C:\\zorvik-bench";
  RemoveTree(root);
  setup.progDir = root + "\\prog";
  setup.workDir = root + "\\work";
  setup.zorvik = setup.progDir + "\\Zorvik.exe";
  setup.packer = setup.progDir + "\\upx.exe";
  setup.dialog = setup.progDir + "\\baseline_dialog.exe";
  setup.sender = setup.progDir + "\\baseline_sender.exe";
  if (!MakeFolders(setup.progDir) || !MakeFolders(setup.workDir) ||
      !Install(argv[1], setup.zorvik) || !Install(argv[2], setup.packer) ||
      !Install(argv[3], setup.dialog) || !Install(argv[4], setup.sender))
    return 2;
  const std::string plain = FolderOf(FullPath(argv[3])) + "\\baseline_dialog_plain.exe";
  if (FileExists(plain)) {
    setup.plainDialog = setup.progDir + "\\baseline_dialog_plain.exe";
    if (!Install(plain.c_str(), setup.plainDialog)) return 2;
  }
  const std::string traceZorvik = FolderOf(FullPath(argv[3])) + "\\Zorvik_trace.exe";
  const std::string traceDialog = FolderOf(FullPath(argv[3])) + "\\baseline_dialog_trace.exe";
  if (FileExists(traceZorvik) && FileExists(traceDialog)) {
    setup.traceZorvik = setup.progDir + "\\Zorvik_trace.exe";  // beside upx.exe
    setup.traceDialog = setup.progDir + "\\baseline_dialog_trace.exe";
    if (!Install(traceZorvik.c_str(), setup.traceZorvik) ||
        !Install(traceDialog.c_str(), setup.traceDialog))
      return 2;
  }
  // The bare dialog with Zorvik's template, and its tracing build, where they were built.
  for (auto [name, copy] : {std::pair{"baseline_dialog_template.exe", &setup.templateDialog},
                            std::pair{"baseline_dialog_template_trace.exe", &setup.traceTemplate}}) {
    const std::string built = FolderOf(FullPath(argv[3])) + "\\" + name;
    if (!FileExists(built)) continue;
    *copy = setup.progDir + "\\" + name;
    if (!Install(built.c_str(), *copy)) return 2;
  }
  if (CountTopWindows(kMainTitle) != 0) {
    fprintf(stderr, "zorvik_bench: a Zorvik main window is open already\n");
    return 2;
  }
  std::string part = argc == 6 ? argv[5] : "";
  double start = NowMs();
  if (part.empty() || part == "startup") StartUpPart(setup);
  if (part.empty() || part == "breakdown") BreakdownPart(setup);
  if (part.empty() || part == "handoff") HandOffPart(setup);
  if (part.empty() || part == "storm") StormPart(setup);
  if (part.empty() || part == "scale") ScalePart(setup);
  printf("bench took %.0f s\n", (NowMs() - start) / 1000.0);
  fflush(stdout);
  return 0;
}
