// zorvik_drop_bench: how long the batch window takes to show a drop of many files.
//
//   zorvik_drop_bench.exe ZORVIK_EXE [RUNS]
//       For each N of 500, 1000 and 2000, RUNS times (5 unless given): starts Zorvik afresh (so
//       its batch starts empty), opens a batch window with menu command 899, drops N paths of
//       60 characters on it and measures the time from posting the drop until the window's text
//       is as long as the listing of N paths (polled with WM_GETTEXTLENGTH, which Zorvik answers
//       only once it has handled the drop); the first line is then read to make sure it counts
//       N. Prints every run, then the median, min and max per N and the ratio of the medians
//       2000/500. It passes no verdict; it exits with 1 only when it could not measure.
//   zorvik_drop_bench.exe --show ZORVIK_EXE READY_FILE PATH...
//       Starts Zorvik, drops the paths on its main window, writes the batch window's text to
//       READY_FILE once that window shows them, and waits until Zorvik ends
//       (tests/e2e/batch-screenshot.sh).
// Zorvik needs upx.exe beside it; the paths dropped need not exist.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "e2e.h"

namespace {

using namespace e2e;

const DWORD kWindowMs = 30000;
const double kDropMs = 120000;

std::string CountLine(size_t count) {
  return "Total " + std::to_string(count) + " Files In Batch.\r\n";
}

// N distinct paths of exactly 60 characters: C:\zorvik-bench\drop\file-000...0042.exe
std::vector<std::string> BenchPaths(size_t count) {
  const std::string head = "C:\\zorvik-bench\\drop\\file-";
  const size_t digits = 60 - head.size() - 4;
  std::vector<std::string> paths;
  for (size_t i = 0; i < count; ++i) {
    std::string number = std::to_string(i);
    paths.push_back(head + std::string(digits - number.size(), '0') + number + ".exe");
  }
  return paths;
}

LRESULT TextLength(HWND control) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 60000, &length))
    return -1;
  return LRESULT(length);
}

// The first line of a multi-line edit control, read with EM_GETLINE.
std::string FirstLine(HWND control) {
  wchar_t line[128] = {};
  line[0] = wchar_t(sizeof line / sizeof line[0] - 1);  // EM_GETLINE takes the room in word 0
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(control, EM_GETLINE, 0, LPARAM(line), SMTO_NORMAL, 10000, &copied))
    return std::string();
  char ansi[256] = {};
  WideCharToMultiByte(CP_ACP, 0, line, int(copied), ansi, sizeof ansi - 1, nullptr, nullptr);
  return ansi;
}

struct Zorvik {
  Process process;
  HWND main = nullptr;
  HWND batch = nullptr;
};

bool StartZorvik(const std::string& exe, Zorvik& zorvik) {
  std::string error;
  if (!StartProcess(exe, Quoted(exe), FolderOf(exe), zorvik.process, &error)) {
    fprintf(stderr, "zorvik_drop_bench: %s\n", error.c_str());
    return false;
  }
  zorvik.main = WaitForTopWindow(kMainTitle, zorvik.process.pid, kWindowMs, kDialogClass);
  if (!zorvik.main) fprintf(stderr, "zorvik_drop_bench: Zorvik showed no main window\n");
  return zorvik.main != nullptr;
}

void EndZorvik(Zorvik& zorvik) {
  for (HWND batch : FindTopWindows(kBatchTitle, zorvik.process.pid, kDialogClass))
    PostClose(batch);
  double end = NowMs() + 10000;
  while (!FindTopWindows(kBatchTitle, zorvik.process.pid, kDialogClass).empty() && NowMs() < end)
    Sleep(20);
  if (zorvik.main) PostClose(zorvik.main);
  if (!WaitForExit(zorvik.process, 10000)) {
    TerminateProcess(zorvik.process.handle.Get(), 1);
    WaitForExit(zorvik.process, 3000);
  }
}

// One run: milliseconds from posting the drop to the refreshed text, or a negative value.
double TimeOneDrop(const std::string& exe, size_t count) {
  Zorvik zorvik;
  double took = -1;
  if (StartZorvik(exe, zorvik)) {
    PostMessageA(zorvik.main, WM_COMMAND, MAKEWPARAM(kBatchMenuCommand, 0), 0);
    zorvik.batch = WaitForTopWindow(kBatchTitle, zorvik.process.pid, kWindowMs, kDialogClass);
    HWND text = zorvik.batch ? GetDlgItem(zorvik.batch, kBatchText) : nullptr;
    const std::vector<std::string> paths = BenchPaths(count);
    const LRESULT expected = LRESULT(CountLine(count).size() + count * (60 + 2));
    if (!text || TextLength(text) != LRESULT(CountLine(0).size())) {
      fprintf(stderr, "zorvik_drop_bench: no empty batch window opened\n");
    } else {
      const double start = NowMs();
      if (DropFiles(zorvik.batch, paths)) {
        LRESULT length = 0;
        while ((length = TextLength(text)) != expected && length >= 0 && NowMs() - start < kDropMs)
          Sleep(1);
        const double end = NowMs();
        std::string first = FirstLine(text);
        if (length == expected && first + "\r\n" == CountLine(count))
          took = end - start;
        else
          fprintf(stderr, "zorvik_drop_bench: after %u paths the text has %ld characters, "
                  "first line \"%s\"\n", unsigned(count), long(length), first.c_str());
      }
    }
  }
  EndZorvik(zorvik);
  return took;
}

int RunBench(const std::string& exe, int runs) {
  const size_t counts[] = {500, 1000, 2000};
  double medians[3] = {};
  printf("drop of N paths of 60 characters on an open batch window, until its text is refreshed\n");
  for (int n = 0; n < 3; ++n) {
    std::vector<double> times;
    printf("N=%-5u runs (ms):", unsigned(counts[n]));
    for (int run = 0; run < runs; ++run) {
      double took = TimeOneDrop(exe, counts[n]);
      if (took < 0) return 1;
      times.push_back(took);
      printf(" %.1f", took);
      fflush(stdout);
    }
    std::sort(times.begin(), times.end());
    medians[n] = times[times.size() / 2];
    printf("\nN=%-5u median %.1f ms  min %.1f ms  max %.1f ms  (%.1f us per path)\n",
           unsigned(counts[n]), medians[n], times.front(), times.back(),
           medians[n] * 1000.0 / double(counts[n]));
    fflush(stdout);
  }
  printf("ratio of medians 2000/500: %.2f (linear growth would be 4.00)\n",
         medians[0] > 0 ? medians[2] / medians[0] : 0.0);
  return 0;
}

int ShowDrop(const std::string& exe, const std::string& readyFile,
             const std::vector<std::string>& paths) {
  Zorvik zorvik;
  if (!StartZorvik(exe, zorvik)) return 2;
  Sleep(500);  // the main window paints its logo before the batch window covers part of it
  if (!DropFiles(zorvik.main, paths)) return 2;
  HWND batch = WaitForTopWindow(kBatchTitle, zorvik.process.pid, kWindowMs, kDialogClass);
  std::string text;
  double end = NowMs() + kWindowMs;
  const std::string wanted = CountLine(paths.size());
  while (batch && NowMs() < end) {
    text = TextOf(GetDlgItem(batch, kBatchText));
    if (text.compare(0, wanted.size(), wanted) == 0) break;
    Sleep(50);
  }
  WriteWholeFile(readyFile, batch ? text : std::string());
  WaitForSingleObject(zorvik.process.handle.Get(), INFINITE);
  return 0;
}

std::string FullPath(const char* path) {
  char full[MAX_PATH * 4];
  DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
  return length > 0 && length < sizeof full ? std::string(full, length) : std::string(path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && strcmp(argv[1], "--show") == 0)
    return ShowDrop(FullPath(argv[2]), argv[3], std::vector<std::string>(argv + 4, argv + argc));
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: zorvik_drop_bench ZORVIK_EXE [RUNS]\n"
                    "       zorvik_drop_bench --show ZORVIK_EXE READY_FILE PATH...\n");
    return 2;
  }
  std::string exe = FullPath(argv[1]);
  if (!FileExists(exe) || !FileExists(FolderOf(exe) + "\\upx.exe")) {
    fprintf(stderr, "zorvik_drop_bench: %s, with upx.exe beside it, not found\n", exe.c_str());
    return 2;
  }
  int runs = argc == 3 ? atoi(argv[2]) : 5;
  GetDesktopWindow();
  return RunBench(exe, runs > 0 ? runs : 5);
}
