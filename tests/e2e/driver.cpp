#include "driver.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "menu_probe.h"

namespace e2e {

namespace {

const DWORD kPollMs = 20;

std::string ToAnsi(const wchar_t* text, size_t length, UINT codePage = CP_ACP) {
  if (length == 0) return std::string();
  int size = WideCharToMultiByte(codePage, 0, text, int(length), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(size > 0 ? size : 0), '\0');
  if (size > 0)
    WideCharToMultiByte(codePage, 0, text, int(length), &out[0], size, nullptr, nullptr);
  return out;
}

std::wstring ToWide(const std::string& utf8) {
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), &wide[0], length);
  return wide;
}

// SendMessageTimeoutW that reports a timeout or a dead window as false. Without SMTO_ABORTIFHUNG:
// Wine calls a thread hung that has not asked for a message for 5 s, such as a later instance
// that waited 10 s on a hung main window and now makes its message box; a read then came back
// empty at once.
bool SendW(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
           DWORD timeoutMs = 5000) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &answer))
    return false;
  if (result) *result = LRESULT(answer);
  return true;
}

// One item of a list box or a combo box, by its length message and its text message.
std::string ItemText(HWND control, UINT lengthMessage, UINT textMessage, int index) {
  LRESULT length = 0;
  if (!SendW(control, lengthMessage, WPARAM(index), 0, &length) || length < 0) return std::string();
  std::vector<wchar_t> buffer(size_t(length) + 1, L'\0');
  LRESULT copied = 0;
  if (!SendW(control, textMessage, WPARAM(index), LPARAM(buffer.data()), &copied) || copied < 0)
    return std::string();
  return ToAnsi(buffer.data(), size_t(copied));
}

struct WindowQuery {
  std::string title;
  bool anyTitle;
  DWORD pid;
  const char* className;
  bool visibleOnly;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
  WindowQuery& query = *reinterpret_cast<WindowQuery*>(context);
  if (query.visibleOnly && !IsWindowVisible(window)) return TRUE;
  if (query.pid != 0 && ProcessOf(window) != query.pid) return TRUE;
  if (query.className && ClassNameOf(window) != query.className) return TRUE;
  if (!query.anyTitle) {
    wchar_t title[512];
    int length = GetWindowTextW(window, title, 512);
    if (ToAnsi(title, size_t(length > 0 ? length : 0)) != query.title) return TRUE;
  }
  query.found.push_back(window);
  return TRUE;
}

std::vector<HWND> QueryWindows(const std::string& title, bool anyTitle, DWORD pid,
                               const char* className, bool visibleOnly) {
  WindowQuery query{title, anyTitle, pid, className, visibleOnly, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

}  // namespace

// ---- Processes -------------------------------------------------------------------------------

// Takes over the handles of a process just created, or says why it was not.
static bool TakeStarted(BOOL created, const PROCESS_INFORMATION& info, const char* call,
                        Process& process, std::string* error) {
  if (!created) {
    if (error) *error = std::string(call) + " failed, error " + std::to_string(GetLastError());
    return false;
  }
  process.handle.Reset(info.hProcess);
  process.mainThread.Reset(info.hThread);
  process.pid = info.dwProcessId;
  process.mainThreadId = info.dwThreadId;
  return true;
}

bool StartProcess(const std::string& exe, const std::string& commandLine,
                  const std::string& currentDir, Process& process, std::string* error,
                  bool suspended) {
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  BOOL created = CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE,
                                suspended ? CREATE_SUSPENDED : 0, nullptr,
                                currentDir.empty() ? nullptr : currentDir.c_str(), &startup, &info);
  return TakeStarted(created, info, "CreateProcessA", process, error);
}

ScopedEnvironment::ScopedEnvironment(const Variables& variables) : variables_(variables) {
  for (const auto& variable : variables_)
    SetEnvironmentVariableW(ToWide(variable.first).c_str(), ToWide(variable.second).c_str());
}

ScopedEnvironment::~ScopedEnvironment() {
  for (const auto& variable : variables_)
    SetEnvironmentVariableW(ToWide(variable.first).c_str(), nullptr);
}

bool StartProcess(const std::wstring& exe, const std::wstring& commandLine,
                  const std::wstring& currentDir, Process& process, std::string* error) {
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  BOOL created = CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                currentDir.empty() ? nullptr : currentDir.c_str(), &startup, &info);
  return TakeStarted(created, info, "CreateProcessW", process, error);
}

bool Resume(const Process& process) {
  return process.mainThread.Valid() && ResumeThread(process.mainThread.Get()) != DWORD(-1);
}

bool WaitForExit(const Process& process, DWORD timeoutMs, DWORD* exitCode) {
  if (!process.handle.Valid()) return false;
  if (WaitForSingleObject(process.handle.Get(), timeoutMs) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  GetExitCodeProcess(process.handle.Get(), &code);
  if (exitCode) *exitCode = code;
  return true;
}

bool WaitForProcessEnd(DWORD pid, DWORD timeoutMs) {
  Handle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
  return !process.Valid() || WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0;
}

bool IsRunning(const Process& process) {
  return process.handle.Valid() && WaitForSingleObject(process.handle.Get(), 0) == WAIT_TIMEOUT;
}

std::vector<ProcessEntry> ListProcesses() {
  std::vector<ProcessEntry> entries;
  Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return entries;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.Get(), &entry); more;
       more = Process32Next(snapshot.Get(), &entry)) {
    entries.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
  }
  return entries;
}

void TerminateById(DWORD pid, DWORD timeoutMs) {
  Handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  if (!process.Valid()) return;
  TerminateProcess(process.Get(), 1);
  WaitForSingleObject(process.Get(), timeoutMs);
}

PackerHold::PackerHold(const std::string& flagFile) : flagFile_(flagFile) {
  WriteWholeFile(flagFile_, "held\r\n");
}

void PackerHold::Release() { DeleteFileA(flagFile_.c_str()); }

// ---- Windows ---------------------------------------------------------------------------------

std::vector<HWND> FindTopWindows(const std::string& title, DWORD pid, const char* className,
                                 bool visibleOnly) {
  return QueryWindows(title, false, pid, className, visibleOnly);
}

HWND WaitForTopWindow(const std::string& title, DWORD pid, DWORD timeoutMs, const char* className) {
  double end = NowMs() + timeoutMs;
  do {
    std::vector<HWND> found = FindTopWindows(title, pid, className);
    if (!found.empty()) return found.front();
    Sleep(kPollMs);
  } while (NowMs() < end);
  return nullptr;
}

int CountTopWindows(const std::string& title) { return int(FindTopWindows(title).size()); }

std::vector<HWND> TopWindowsOf(DWORD pid) { return QueryWindows("", true, pid, nullptr, true); }

std::string ClassNameOf(HWND window) {
  char name[256];
  int length = GetClassNameA(window, name, sizeof name);
  return std::string(name, size_t(length > 0 ? length : 0));
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

bool WindowAnswers(HWND window, DWORD timeoutMs) {
  return IsWindow(window) && SendW(window, WM_NULL, 0, 0, nullptr, timeoutMs);
}

// ---- Controls --------------------------------------------------------------------------------

std::wstring WideTextOf(HWND window) {
  LRESULT length = 0;
  if (!window || !SendW(window, WM_GETTEXTLENGTH, 0, 0, &length) || length < 0)
    return std::wstring();
  std::vector<wchar_t> buffer(size_t(length) + 1, L'\0');
  LRESULT copied = 0;
  if (!SendW(window, WM_GETTEXT, WPARAM(buffer.size()), LPARAM(buffer.data()), &copied))
    return std::wstring();
  return std::wstring(buffer.data(), size_t(copied > 0 ? copied : 0));
}

std::string TextOf(HWND window, UINT codePage) {
  std::wstring text = WideTextOf(window);
  return ToAnsi(text.data(), text.size(), codePage);
}

std::string ControlText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

std::vector<std::string> ListBoxItems(HWND listBox) {
  std::vector<std::string> items;
  LRESULT count = 0;
  if (!listBox || !SendW(listBox, LB_GETCOUNT, 0, 0, &count)) return items;
  for (int i = 0; i < int(count); ++i)
    items.push_back(ItemText(listBox, LB_GETTEXTLEN, LB_GETTEXT, i));
  return items;
}

std::vector<std::string> ComboItems(HWND combo) {
  std::vector<std::string> items;
  LRESULT count = 0;
  if (!combo || !SendW(combo, CB_GETCOUNT, 0, 0, &count)) return items;
  for (int i = 0; i < int(count); ++i)
    items.push_back(ItemText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, i));
  return items;
}

int ComboSelection(HWND combo) {
  LRESULT selection = CB_ERR;
  if (!combo || !SendW(combo, CB_GETCURSEL, 0, 0, &selection)) return CB_ERR;
  return int(selection);
}

bool SelectComboRow(HWND dialog, int comboId, int row) {
  HWND combo = GetDlgItem(dialog, comboId);
  LRESULT selected = CB_ERR;
  if (!combo || !SendW(combo, CB_SETCURSEL, WPARAM(row), 0, &selected) || selected != row)
    return false;
  return SendW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), LPARAM(combo), nullptr);
}

// ---- Popup menus -----------------------------------------------------------------------------

HWND WaitForPopupMenu(DWORD pid, DWORD timeoutMs) {
  double end = NowMs() + timeoutMs;
  do {
    for (HWND popup = FindWindowExA(nullptr, nullptr, "#32768", nullptr); popup;
         popup = FindWindowExA(nullptr, popup, "#32768", nullptr))
      if (IsWindowVisible(popup) && ProcessOf(popup) == pid) return popup;
    Sleep(kPollMs);
  } while (NowMs() < end);
  return nullptr;
}

bool ReadPopupMenu(HWND popup, std::vector<PopupMenuItem>& items, std::string* error) {
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  static HMODULE probe = [] {
    char self[MAX_PATH * 4];
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string folder = FolderOf(std::string(self, length < sizeof self ? length : 0));
    return LoadLibraryA((folder + "\\" + kMenuProbeDll).c_str());
  }();
  auto hook = probe ? reinterpret_cast<HOOKPROC>(
                          reinterpret_cast<void*>(GetProcAddress(probe, kMenuProbeHook)))
                    : nullptr;
  if (!hook) return fail(std::string("load ") + kMenuProbeDll + " from the driver's folder");
  DWORD_PTR menu = 0;
  if (!SendMessageTimeoutA(popup, 0x01E1 /* MN_GETHMENU */, 0, 0, SMTO_NORMAL, 5000, &menu) ||
      !menu)
    return fail("the popup window gave no menu (MN_GETHMENU)");

  Handle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof(MenuProbeReport), kMenuProbeMapping));
  if (!mapping.Valid()) return fail("create the probe's report mapping");
  auto* report = static_cast<volatile MenuProbeReport*>(
      MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, sizeof(MenuProbeReport)));
  if (!report) return fail("map the probe's report");
  static LONG requests = 0;
  const LONG request = ++requests;
  HHOOK hooked =
      SetWindowsHookExA(WH_CALLWNDPROC, hook, probe, GetWindowThreadProcessId(popup, nullptr));
  DWORD_PTR ignored = 0;
  BOOL answered =
      hooked && SendMessageTimeoutA(popup, RegisterWindowMessageA(kMenuProbeMessage), WPARAM(menu),
                                    LPARAM(request), SMTO_NORMAL, 5000, &ignored);
  if (hooked) UnhookWindowsHookEx(hooked);
  std::string problem;
  if (!hooked)
    problem = "SetWindowsHookEx failed, error " + std::to_string(GetLastError());
  else if (!answered)
    problem = "the popup window did not answer within 5 s";
  else if (report->request != request)
    problem = "the probe did not run in the menu's thread";
  else if (report->count < 0)
    problem = "GetMenuItemCount failed inside the menu's process";
  items.clear();
  for (LONG at = 0; problem.empty() && at < report->count && at < 16; ++at) {
    const volatile ProbedMenuItem& item = report->items[at];
    char text[sizeof item.text];
    for (size_t i = 0; i < sizeof text; ++i) text[i] = item.text[i];
    text[sizeof text - 1] = '\0';
    RECT rect = {item.rect.left, item.rect.top, item.rect.right, item.rect.bottom};
    items.push_back({int(item.id), text, item.state, rect});
  }
  UnmapViewOfFile(const_cast<MenuProbeReport*>(report));
  return problem.empty() || fail(problem);
}

// ---- Input -----------------------------------------------------------------------------------

HWND FocusTarget(HWND topWindow) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  DWORD thread = GetWindowThreadProcessId(topWindow, nullptr);
  if (thread && GetGUIThreadInfo(thread, &info) && info.hwndFocus &&
      (info.hwndFocus == topWindow || IsChild(topWindow, info.hwndFocus)))
    return info.hwndFocus;
  return topWindow;
}

bool PostKey(HWND target, UINT virtualKey) {
  LPARAM scan = LPARAM(MapVirtualKeyA(virtualKey, 0 /* MAPVK_VK_TO_VSC */)) << 16;
  LPARAM down = 1 | scan;
  LPARAM up = LPARAM(1 | scan | (1u << 30) | (1u << 31));
  return PostMessageA(target, WM_KEYDOWN, virtualKey, down) &&
         PostMessageA(target, WM_KEYUP, virtualKey, up);
}

bool SendKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs(keys.size() * 2);
  size_t down = 0, up = inputs.size();
  for (WORD key : keys) {
    inputs[down].type = inputs[--up].type = INPUT_KEYBOARD;
    inputs[down++].ki.wVk = inputs[up].ki.wVk = key;
    inputs[up].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  return SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

bool PressEscape(HWND dialog) { return PostKey(FocusTarget(dialog), VK_ESCAPE); }

bool ClickButton(HWND dialog, int buttonId) {
  HWND button = GetDlgItem(dialog, buttonId);
  return button &&
         PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), LPARAM(button));
}

bool PostClose(HWND window) { return PostMessageA(window, WM_CLOSE, 0, 0); }

// ---- Cross-process data ----------------------------------------------------------------------

bool SendCopyData(HWND target, ULONG_PTR tag, const std::string& bytes, DWORD timeoutMs) {
  std::vector<char> payload(bytes.begin(), bytes.end());
  payload.push_back('\0');  // keeps the pointer valid for an empty payload; not counted in cbData
  COPYDATASTRUCT data = {};
  data.dwData = tag;
  data.cbData = DWORD(bytes.size());
  data.lpData = payload.data();
  DWORD_PTR answer = 0;
  return SendMessageTimeoutA(target, WM_COPYDATA, 0, LPARAM(&data), SMTO_NORMAL, timeoutMs,
                             &answer) != 0;
}

namespace {

// A DROPFILES header; the names follow it in the block.
std::string DropHeader(POINT point, bool nonClient, bool wide) {
  std::string block(sizeof(DROPFILES), '\0');
  DROPFILES header = {};
  header.pFiles = sizeof(DROPFILES);
  header.pt = point;
  header.fNC = nonClient;
  header.fWide = wide;
  memcpy(&block[0], &header, sizeof header);
  return block;
}

bool PostDrop(HWND target, const std::string& block);

}  // namespace

bool DropFiles(HWND target, const std::vector<std::string>& paths, POINT point, bool nonClient) {
  std::string block = DropHeader(point, nonClient, false);
  for (const std::string& path : paths) block += path + '\0';
  block += '\0';
  return PostDrop(target, block);
}

bool DropFiles(HWND target, const std::vector<std::wstring>& paths) {
  std::wstring names;
  for (const std::wstring& path : paths) names += path + L'\0';
  names += L'\0';
  return PostDrop(target, DropHeader({20, 20}, false, true) +
                              std::string(reinterpret_cast<const char*>(names.data()),
                                          names.size() * sizeof(wchar_t)));
}

namespace {

bool PostDrop(HWND target, const std::string& block) {
  Handle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, ProcessOf(target)));
  if (!process.Valid()) return false;
  // Left in the target on purpose: the drop's receiver owns the block (DragFinish frees it).
  void* remote = VirtualAllocEx(process.Get(), nullptr, block.size(), MEM_COMMIT | MEM_RESERVE,
                                PAGE_READWRITE);
  if (!remote) return false;
  SIZE_T written = 0;
  if (!WriteProcessMemory(process.Get(), remote, block.data(), block.size(), &written) ||
      written != block.size())
    return false;
  return PostMessageA(target, WM_DROPFILES, WPARAM(remote), 0);
}

}  // namespace

// ---- Message boxes ---------------------------------------------------------------------------

namespace {

std::wstring SettledBoxText(HWND box, DWORD timeoutMs) {
  return Settled([box] { return WideTextOf(GetDlgItem(box, 0xFFFF)); },
                 IsWindow(box) ? timeoutMs : 0, true);
}

}  // namespace

HWND WaitForMessageBox(DWORD pid, const std::string& caption, DWORD timeoutMs) {
  const double end = NowMs() + timeoutMs;
  HWND box = WaitForTopWindow(caption, pid, timeoutMs, "#32770");
  if (box) SettledBoxText(box, DWORD(std::max(end - NowMs(), 0.0)));
  return box;
}

std::vector<HWND> DialogsOf(DWORD pid) { return QueryWindows("", true, pid, "#32770", true); }

HWND WaitForDialog(DWORD pid, HWND except, DWORD timeoutMs) {
  const double end = NowMs() + timeoutMs;
  do {
    for (HWND dialog : DialogsOf(pid))
      if (dialog != except && WindowAnswers(dialog, DWORD(std::max(end - NowMs(), 1.0))))
        return dialog;
    Sleep(kPollMs);
  } while (NowMs() < end);
  return nullptr;
}

std::string MessageBoxText(HWND box) {
  std::wstring text = SettledBoxText(box, 10000);
  return ToAnsi(text.data(), text.size());
}

std::wstring WideMessageBoxText(HWND box) { return SettledBoxText(box, 10000); }

bool PressMessageBoxButton(HWND box, int buttonId) {
  HWND button = GetDlgItem(box, buttonId);
  return button && PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), LPARAM(button));
}

// ---- Files -----------------------------------------------------------------------------------

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  Handle file(CreateFileA(path.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  bytes.clear();
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file.Valid() &&
         WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

bool MakeFolders(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(path.c_str(), nullptr);
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// In UTF-16: the ANSI calls list a name that the code page cannot spell as a look-alike, which
// may be the name of another file.
void RemoveWideTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      // A link is never followed, nor removed here: Wine 8's RemoveDirectoryW on a Unix link
      // to a folder removes the folder it leads to, when that is empty, and keeps the link.
      if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveWideTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

void RemoveTree(const std::string& path) {
  int size = MultiByteToWideChar(CP_ACP, 0, path.data(), int(path.size()), nullptr, 0);
  std::wstring wide(size_t(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(CP_ACP, 0, path.data(), int(path.size()), &wide[0], size);
  RemoveWideTree(wide);
}

std::vector<std::wstring> WideNamesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
    if (wcscmp(found.cFileName, L".") && wcscmp(found.cFileName, L".."))
      names.push_back(found.cFileName);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// ---- The stand-in packer's log ---------------------------------------------------------------

namespace {

// Reads the record format that fake_upx.cpp writes. Each method returns false at the end of the
// text (a record still being written) and sets `bad` on text that breaks the format.
class LogReader {
 public:
  explicit LogReader(const std::string& text) : text_(text) {}

  bool AtEnd() const { return at_ >= text_.size(); }
  const std::string& Problem() const { return problem_; }
  bool Bad() const { return !problem_.empty(); }

  // "<key> <decimal>\n"
  bool Number(const char* key, unsigned long& value) {
    if (!Key(key)) return false;
    size_t end = text_.find('\n', at_);
    if (end == std::string::npos) return false;
    std::string digits = text_.substr(at_, end - at_);
    char* stop = nullptr;
    value = std::strtoul(digits.c_str(), &stop, 10);
    if (digits.empty() || *stop != '\0') return Fail(std::string("bad number after ") + key);
    at_ = end + 1;
    return true;
  }

  // "<key> <n>:<n bytes>\n"
  bool Field(const char* key, std::string& value) {
    if (!Key(key)) return false;
    size_t colon = text_.find(':', at_);
    if (colon == std::string::npos) return false;
    std::string digits = text_.substr(at_, colon - at_);
    char* stop = nullptr;
    unsigned long length = std::strtoul(digits.c_str(), &stop, 10);
    if (digits.empty() || *stop != '\0') return Fail(std::string("bad length after ") + key);
    if (colon + 1 + length + 1 > text_.size()) return false;
    if (text_[colon + 1 + length] != '\n') return Fail(std::string("field too long: ") + key);
    value = text_.substr(colon + 1, length);
    at_ = colon + 1 + length + 1;
    return true;
  }

  // "end\n"
  bool End() { return Literal("end\n", "end"); }

 private:
  bool Key(const char* key) { return Literal(std::string(key) + " ", key); }

  // Consumes `expected`; false without a problem when the text stops inside it.
  bool Literal(const std::string& expected, const char* name) {
    size_t available = text_.size() - at_;
    size_t compared = available < expected.size() ? available : expected.size();
    if (text_.compare(at_, compared, expected, 0, compared) != 0)
      return Fail(std::string("expected ") + name);
    if (available < expected.size()) return false;
    at_ += expected.size();
    return true;
  }

  bool Fail(const std::string& problem) {
    if (problem_.empty()) problem_ = problem + " at byte " + std::to_string(at_);
    return false;
  }

  const std::string& text_;
  size_t at_ = 0;
  std::string problem_;
};

}  // namespace

bool ParsePackerLog(const std::string& text, std::vector<PackerCall>& calls, std::string* error) {
  calls.clear();
  LogReader reader(text);
  while (!reader.AtEnd()) {
    PackerCall call;
    unsigned long pid = 0, argc = 0;
    bool complete = reader.Number("call", pid) && reader.Field("cmdline", call.commandLine) &&
                    reader.Field("cwd", call.currentDir) && reader.Number("argc", argc);
    for (unsigned long i = 0; complete && i < argc; ++i) {
      std::string argument;
      complete = reader.Field("argv", argument);
      call.argv.push_back(argument);
    }
    complete = complete && reader.End();
    if (!complete) break;
    call.pid = DWORD(pid);
    calls.push_back(call);
  }
  if (reader.Bad()) {
    if (error) *error = reader.Problem();
    return false;
  }
  return true;
}

std::vector<PackerCall> WaitForPackerCalls(const std::string& logPath, size_t count,
                                           DWORD timeoutMs) {
  std::vector<PackerCall> calls;
  double end = NowMs() + timeoutMs;
  for (;;) {
    std::string text;
    if (ReadWholeFile(logPath, text)) ParsePackerLog(text, calls, nullptr);
    if (calls.size() >= count || NowMs() >= end) return calls;
    Sleep(kPollMs);
  }
}

std::vector<PackerCall> WaitForEndedPackerCalls(const std::string& logPath, size_t count,
                                                DWORD timeoutMs) {
  const double end = NowMs() + timeoutMs;
  std::vector<PackerCall> calls = WaitForPackerCalls(logPath, count, timeoutMs);
  for (size_t i = 0; i < calls.size(); ++i)
    if (!WaitForProcessEnd(calls[i].pid, DWORD(std::max(end - NowMs(), 0.0)))) calls.resize(i);
  return calls;
}

// ---- Small helpers ---------------------------------------------------------------------------

std::string Shown(const std::string& text) {
  std::string out = "\"";
  auto add = [&out](unsigned char c) {
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '"':
        out += "\\\"";
        break;
      default:
        if (c < 0x20 || c >= 0x7f) {
          char hex[8];
          snprintf(hex, sizeof hex, "\\x%02X", c);
          out += hex;
        } else {
          out += char(c);
        }
    }
  };
  if (text.size() <= 160) {
    for (unsigned char c : text) add(c);
    return out + "\"";
  }
  for (size_t i = 0; i < 80; ++i) add(static_cast<unsigned char>(text[i]));
  out += "...";
  for (size_t i = text.size() - 40; i < text.size(); ++i) add(static_cast<unsigned char>(text[i]));
  return out + "\" (" + std::to_string(text.size()) + " bytes)";
}

std::string Shown(const std::vector<std::string>& texts) {
  std::string out = "[";
  for (size_t i = 0; i < texts.size(); ++i) out += (i ? ", " : "") + Shown(texts[i]);
  return out + "]";
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

}  // namespace e2e
