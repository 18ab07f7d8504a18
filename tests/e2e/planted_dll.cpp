// planted.dll: a DLL that tells when a process loads it. Copied beside Zorvik.exe and into the
// current folder under the names of system DLLs, it appends the loading program's path to
// "<its own path>.hit" and changes nothing else.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH + 8], program[MAX_PATH + 2];
  DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  DWORD programLength = GetModuleFileNameA(nullptr, program, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcpyA(path + length, ".hit");
  program[programLength] = '\n';
  HANDLE hit = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (hit == INVALID_HANDLE_VALUE) return TRUE;
  DWORD written;
  WriteFile(hit, program, programLength + 1, &written, nullptr);
  CloseHandle(hit);
  return TRUE;
}
