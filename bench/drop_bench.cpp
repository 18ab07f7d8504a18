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
//   zorvik_drop_bench.exe --tree ZORVIK_EXE [RUNS]
//       Makes a tree beside Zorvik (once): 1,000 folders of 20 files each, 5 of them .exe or
//       .dll. RUNS times (5 unless given): walks it with bare FindFirstFileExW calls (basic
//       information, large fetch), counting the .exe and .dll files, then starts Zorvik afresh,
//       drops the tree on its main window and measures the time until the batch window lists
//       all 5,000 (text length and count line), while a second thread measures the longest
//       time the main window takes to answer a message (WM_NULL). Prints every run, the
//       medians, their ratio, and the longest answer.
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

// ---- The folder tree ------------------------------------------------------------------------

const int kTopFolders = 40, kSubFolders = 24, kFilesPerFolder = 20, kPackablePerFolder = 5;

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The tree's folders, and every .exe and .dll path in the order Zorvik lists them.
void TreeLayout(const std::string& root, std::vector<std::string>& folders,
                std::vector<std::string>& packable) {
  char name[32];
  for (int top = 0; top < kTopFolders; ++top) {
    snprintf(name, sizeof name, "\\d%02d", top);
    const std::string topFolder = root + name;
    std::vector<std::string> inTop = {topFolder};
    for (int sub = 0; sub < kSubFolders; ++sub) {
      snprintf(name, sizeof name, "\\e%02d", sub);
      inTop.push_back(topFolder + name);
    }
    for (const std::string& folder : inTop) {
      folders.push_back(folder);
      for (int file = 0; file < kPackablePerFolder; ++file) {
        snprintf(name, sizeof name, "\\f%02d.%s", file, file % 2 ? "dll" : "exe");
        packable.push_back(folder + name);
      }
    }
  }
}

bool MakeTree(const std::string& root, const std::vector<std::string>& folders) {
  if (FileExists(root + "\\complete")) return true;
  RemoveTree(root);
  if (!CreateDirectoryA(root.c_str(), nullptr)) return false;
  char name[32];
  for (const std::string& folder : folders) {
    if (!CreateDirectoryA(folder.c_str(), nullptr)) return false;
    for (int file = 0; file < kFilesPerFolder; ++file) {
      snprintf(name, sizeof name, "\\f%02d.%s", file,
               file >= kPackablePerFolder ? "txt" : file % 2 ? "dll" : "exe");
      if (!WriteWholeFile(folder + name, "MZ")) return false;
    }
  }
  return WriteWholeFile(root + "\\complete", "");
}

bool EndsWithPackable(const wchar_t* name) {
  const size_t length = wcslen(name);
  return length >= 4 && (_wcsicmp(name + length - 4, L".exe") == 0 ||
                         _wcsicmp(name + length - 4, L".dll") == 0);
}

size_t BareWalk(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                 FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return 0;
  size_t count = 0;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0)
        count += BareWalk(folder + L"\\" + data.cFileName);
    } else if (EndsWithPackable(data.cFileName)) {
      ++count;
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return count;
}

// Asks the window to answer, over and over, until told to stop; keeps the longest wait.
struct AnswerWatch {
  HWND window;
  volatile LONG stop = 0;
  double longest = 0;
  static DWORD WINAPI Run(void* self) {
    AnswerWatch& watch = *static_cast<AnswerWatch*>(self);
    while (!watch.stop) {
      const double start = NowMs();
      DWORD_PTR ignored = 0;
      SendMessageTimeoutW(watch.window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
      watch.longest = std::max(watch.longest, NowMs() - start);
      Sleep(1);
    }
    return 0;
  }
};

// Milliseconds from the drop until the batch window lists the whole tree, or a negative value.
double TimeTreeDrop(const std::string& exe, const std::string& root, size_t count,
                    LRESULT expected, double& longestAnswer) {
  Zorvik zorvik;
  double took = -1;
  if (StartZorvik(exe, zorvik)) {
    AnswerWatch watch;
    watch.window = zorvik.main;
    HANDLE thread = CreateThread(nullptr, 0, AnswerWatch::Run, &watch, 0, nullptr);
    const double start = NowMs();
    if (DropFiles(zorvik.main, {root})) {
      zorvik.batch = WaitForTopWindow(kBatchTitle, zorvik.process.pid, kWindowMs, kDialogClass);
      HWND text = zorvik.batch ? GetDlgItem(zorvik.batch, kBatchText) : nullptr;
      LRESULT length = 0;
      while (text && (length = TextLength(text)) != expected && length >= 0 &&
             NowMs() - start < kDropMs)
        Sleep(1);
      const double end = NowMs();
      std::string first = text ? FirstLine(text) : std::string();
      if (length == expected && first + "\r\n" == CountLine(count))
        took = end - start;
      else
        fprintf(stderr, "zorvik_drop_bench: the batch text has %ld characters, first line \"%s\"\n",
                long(length), first.c_str());
    }
    watch.stop = 1;
    WaitForSingleObject(thread, 20000);
    CloseHandle(thread);
    longestAnswer = watch.longest;
  }
  EndZorvik(zorvik);
  return took;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int RunTreeBench(const std::string& exe, int runs) {
  const std::string root = FolderOf(exe) + "\\tree-bench";
  std::vector<std::string> folders, packable;
  TreeLayout(root, folders, packable);
  if (!MakeTree(root, folders)) {
    fprintf(stderr, "zorvik_drop_bench: the tree could not be made in %s\n", root.c_str());
    return 1;
  }
  LRESULT expected = LRESULT(CountLine(packable.size()).size());
  for (const std::string& path : packable) expected += LRESULT(path.size() + 2);
  printf("tree of %u folders, %u files, %u of them .exe or .dll, dropped on the main window\n",
         unsigned(folders.size()), unsigned(folders.size() * kFilesPerFolder),
         unsigned(packable.size()));
  BareWalk(Wide(root));  // once, so that both measure a warm cache
  std::vector<double> bare, dropped;
  double longest = 0;
  for (int run = 0; run < runs; ++run) {
    double start = NowMs();
    const size_t found = BareWalk(Wide(root));
    bare.push_back(NowMs() - start);
    if (found != packable.size()) {
      fprintf(stderr, "zorvik_drop_bench: the bare walk found %u files\n", unsigned(found));
      return 1;
    }
    double answer = 0;
    const double took = TimeTreeDrop(exe, root, packable.size(), expected, answer);
    if (took < 0) return 1;
    dropped.push_back(took);
    longest = std::max(longest, answer);
    printf("run %d: bare FindFirstFileExW walk %.1f ms, Zorvik drop to full list %.1f ms, "
           "longest answer of the main window %.1f ms\n", run + 1, bare.back(), took, answer);
    fflush(stdout);
  }
  const double bareMedian = Median(bare), dropMedian = Median(dropped);
  printf("median: bare walk %.1f ms, Zorvik %.1f ms, ratio %.2f (goal at most 1.30); "
         "longest answer of the main window in all runs %.1f ms\n",
         bareMedian, dropMedian, bareMedian > 0 ? dropMedian / bareMedian : 0.0, longest);
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
  const bool tree = argc >= 3 && strcmp(argv[1], "--tree") == 0;
  if (tree) --argc, ++argv;
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: zorvik_drop_bench [--tree] ZORVIK_EXE [RUNS]\n"
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
  return tree ? RunTreeBench(exe, runs > 0 ? runs : 5) : RunBench(exe, runs > 0 ? runs : 5);
}
