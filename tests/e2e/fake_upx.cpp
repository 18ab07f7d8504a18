// Stand-in for the UPX packer in Zorvik's end-to-end tests. It packs nothing: it appends one record
// of how it was started to "upx-calls.log" in its own folder and, unless told otherwise, exits
// with 0 at once.
//
// Knobs, read from its environment (Zorvik hands its own on to the packer):
//   ZORVIK_FAKE_UPX_HOLD       waits after the record while the file of this path exists (at
//                              most 2 minutes): a case ends the run when it has seen what it needs
//   ZORVIK_FAKE_UPX_DELAY_MS   then waits this long
//   ZORVIK_FAKE_UPX_STDOUT     writes this text to standard output, "{file}" standing for the last
//   ZORVIK_FAKE_UPX_STDERR     argument; the same for standard error
//   ZORVIK_FAKE_UPX_LIST       in place of ZORVIK_FAKE_UPX_STDOUT when the first argument is -l;
//   ZORVIK_FAKE_UPX_TEST       the same for -t
//   ZORVIK_FAKE_UPX_ENCODING   writes those texts in "ansi" (the default), "utf8" or "utf16"
//   ZORVIK_FAKE_UPX_RESIZE     then rewrites the file named by the last argument to this many bytes
//   ZORVIK_FAKE_UPX_EXIT       exits with this code
//   ZORVIK_FAKE_UPX_STEPS      Compress and Decompress work as the real packer does and wait the
//                              delay after this many steps (0 to 4), writing the record only then:
//                              1 "<stem>.upx" (<stem>.000 when that is taken) half written, 2 whole
//                              ("UPX!packed"), 3 the file deleted or with -k renamed to its backup,
//                              4 the output renamed into its place
// When it is done it appends "<pid> out=<r> err=<r> resize=<r>\n" to "upx-ends.log" beside itself,
// each <r> being ok, failed, or - for a knob not set. When the UPX variable (the packer's default
// options) is set, even to nothing, it appends "<pid> UPX=<value>\n" to "upx-env.log".
//
// A record, where every text field is "<byte count>:<bytes>" so that any byte (a line feed, a
// quote, a NUL) survives and a reader never has to guess where a field ends:
//   call <process id>
//   cmdline <n>:<raw command line, GetCommandLineA>
//   cwd <n>:<current directory>
//   argc <count>
//   argv <n>:<argument>        one line per argv element, as the C runtime split the command line
//   end
// Many copies may run at once (a batch script, several commands): a named mutex serialises the
// writers and each record goes out in one append-only WriteFile.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "handle.h"

namespace {

void AddField(std::string& record, const char* key, const std::string& value) {
  record += key;
  record += ' ';
  record += std::to_string(value.size());
  record += ':';
  record += value;
  record += '\n';
}

std::string OwnFolder() {
  char path[4096];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length < sizeof path ? length : 0);
  size_t slash = folder.find_last_of('\\');
  return slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
}

std::string CurrentFolder() {
  char path[4096];
  DWORD length = GetCurrentDirectoryA(sizeof path, path);
  return std::string(path, length < sizeof path ? length : 0);
}

std::wstring Knob(const wchar_t* name) {
  wchar_t value[8192];
  DWORD length = GetEnvironmentVariableW(name, value, 8192);
  return std::wstring(value, length < 8192 ? length : 0);
}

std::wstring Widened(const std::string& ansi) {
  wchar_t wide[4096];
  int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), wide, 4096);
  return std::wstring(wide, length > 0 ? size_t(length) : 0);
}

// The knob's text with {file} replaced, in the bytes of the knob ZORVIK_FAKE_UPX_ENCODING.
std::string KnobBytes(const wchar_t* name, const std::string& file) {
  std::wstring text = Knob(name);
  for (size_t at = text.find(L"{file}"); at != std::wstring::npos; at = text.find(L"{file}", at))
    text.replace(at, 6, Widened(file));
  std::wstring encoding = Knob(L"ZORVIK_FAKE_UPX_ENCODING");
  if (encoding == L"utf16")
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  UINT codePage = encoding == L"utf8" ? CP_UTF8 : CP_ACP;
  char bytes[16384];
  int length = WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), bytes, sizeof bytes,
                                   nullptr, nullptr);
  return std::string(bytes, length > 0 ? size_t(length) : 0);
}

const char* Write(DWORD stdHandle, const std::string& bytes) {
  if (bytes.empty()) return "-";
  DWORD written = 0;
  bool ok = WriteFile(GetStdHandle(stdHandle), bytes.data(), DWORD(bytes.size()), &written,
                      nullptr) &&
            written == bytes.size();
  return ok ? "ok" : "failed";
}

const char* Resize(const std::string& file) {
  std::wstring size = Knob(L"ZORVIK_FAKE_UPX_RESIZE");
  if (size.empty()) return "-";
  e2e::Handle target(CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER end;
  end.QuadPart = _wtoi64(size.c_str());
  bool ok = target.Valid() && SetFilePointerEx(target.Get(), end, nullptr, FILE_BEGIN) &&
            SetEndOfFile(target.Get());
  return ok ? "ok" : "failed";
}

void Append(const std::string& path, const std::string& text) {
  e2e::Handle log(CreateFileA(path.c_str(), FILE_APPEND_DATA,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (log.Valid()) WriteFile(log.Get(), text.data(), DWORD(text.size()), &written, nullptr);
}

// The real packer's steps `from` to `to` on `file` (see ZORVIK_FAKE_UPX_STEPS).
void LikeThePacker(const std::string& file, int from, int to) {
  const size_t dot = file.find_last_of(".\\");
  const std::string stem = file.substr(0, file[dot] == '.' ? dot : file.size());
  static const std::string output =
      stem +
      (GetFileAttributesA((stem + ".upx").c_str()) == INVALID_FILE_ATTRIBUTES ? ".upx" : ".000");
  static e2e::Handle out;
  DWORD written = 0;
  for (int step = from; step <= to; ++step) {
    if (step == 1)
      out.Reset(CreateFileA(output.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    if (step <= 2)
      WriteFile(out.Get(), step == 1 ? "UPX" : "!packed", step == 1 ? 3 : 7, &written, nullptr);
    if (step == 2) out.Reset();
    if (step == 3 && strstr(GetCommandLineA(), " -k "))  // app.exe -> app.ex~
      MoveFileA(file.c_str(), (file.substr(0, file.size() - 1) + "~").c_str());
    else if (step == 3)
      DeleteFileA(file.c_str());
    if (step == 4) MoveFileA(output.c_str(), file.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string record = "call " + std::to_string(GetCurrentProcessId()) + "\n";
  AddField(record, "cmdline", GetCommandLineA());
  AddField(record, "cwd", CurrentFolder());
  record += "argc " + std::to_string(argc) + "\n";
  for (int i = 0; i < argc; ++i) AddField(record, "argv", argv[i]);
  record += "end\n";

  const std::string file = argc > 1 ? argv[argc - 1] : "";
  const std::string command = argc > 1 ? argv[1] : "";
  const std::wstring steps = Knob(L"ZORVIK_FAKE_UPX_STEPS");
  const int pause = steps.empty() || command == "-l" || command == "-t" ? -1 : _wtoi(steps.c_str());
  if (pause >= 0) LikeThePacker(file, 1, pause);

  e2e::Handle mutex(CreateMutexA(nullptr, FALSE, "Local\\ZorvikE2eUpxCallsLog"));
  DWORD waited = mutex.Valid() ? WaitForSingleObject(mutex.Get(), 10000) : WAIT_FAILED;
  Append(OwnFolder() + "\\upx-calls.log", record);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) ReleaseMutex(mutex.Get());

  char upx[4096];
  SetLastError(0);
  DWORD upxLength = GetEnvironmentVariableA("UPX", upx, sizeof upx);
  if (upxLength || GetLastError() != ERROR_ENVVAR_NOT_FOUND)
    Append(OwnFolder() + "\\upx-env.log",
           std::to_string(GetCurrentProcessId()) + " UPX=" +
               std::string(upx, upxLength < sizeof upx ? upxLength : 0) + "\n");

  const std::wstring hold = Knob(L"ZORVIK_FAKE_UPX_HOLD");
  for (int held = 0; !hold.empty() && held < 120000 &&
                     GetFileAttributesW(hold.c_str()) != INVALID_FILE_ATTRIBUTES;
       held += 20)
    Sleep(20);
  Sleep(DWORD(_wtoi(Knob(L"ZORVIK_FAKE_UPX_DELAY_MS").c_str())));
  if (pause >= 0) LikeThePacker(file, pause + 1, 4);
  std::string end = std::to_string(GetCurrentProcessId());
  const wchar_t* out = command == "-l"   ? L"ZORVIK_FAKE_UPX_LIST"
                       : command == "-t" ? L"ZORVIK_FAKE_UPX_TEST"
                                         : L"ZORVIK_FAKE_UPX_STDOUT";
  end += std::string(" out=") + Write(STD_OUTPUT_HANDLE, KnobBytes(out, file));
  end += std::string(" err=") + Write(STD_ERROR_HANDLE, KnobBytes(L"ZORVIK_FAKE_UPX_STDERR", file));
  end += std::string(" resize=") + Resize(file);
  end += "\n";
  Append(OwnFolder() + "\\upx-ends.log", end);
  return _wtoi(Knob(L"ZORVIK_FAKE_UPX_EXIT").c_str());
}
