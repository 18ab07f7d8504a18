// Stand-in for the UPX packer in Zorvik's end-to-end tests. It packs nothing: it appends one record
// of how it was started to "upx-calls.log" in its own folder and exits with 0 at once, or, when
// its environment holds ZORVIK_FAKE_UPX_DELAY_MS, that many milliseconds after the record.
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

}  // namespace

int main(int argc, char** argv) {
  std::string record = "call " + std::to_string(GetCurrentProcessId()) + "\n";
  AddField(record, "cmdline", GetCommandLineA());
  AddField(record, "cwd", CurrentFolder());
  record += "argc " + std::to_string(argc) + "\n";
  for (int i = 0; i < argc; ++i) AddField(record, "argv", argv[i]);
  record += "end\n";

  std::string logPath = OwnFolder() + "\\upx-calls.log";
  e2e::Handle mutex(CreateMutexA(nullptr, FALSE, "Local\\ZorvikE2eUpxCallsLog"));
  DWORD waited = mutex.Valid() ? WaitForSingleObject(mutex.Get(), 10000) : WAIT_FAILED;
  {
    e2e::Handle log(CreateFileA(logPath.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (log.Valid()) WriteFile(log.Get(), record.data(), DWORD(record.size()), &written, nullptr);
  }
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) ReleaseMutex(mutex.Get());
  // A slow packer, so that a case can act while a script's console runs.
  char delay[16];
  DWORD length = GetEnvironmentVariableA("ZORVIK_FAKE_UPX_DELAY_MS", delay, sizeof delay);
  if (length > 0 && length < sizeof delay) Sleep(DWORD(strtoul(delay, nullptr, 10)));
  return 0;
}
