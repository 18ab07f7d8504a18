// Hand-off baseline: finds Zorvik's main window by its title, sends it this process's command
// tail (dwData 1, the text and its NUL) in one WM_COPYDATA, and exits.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The tail: past the program name, quoted or not, and the blanks after it.
  const char* tail = GetCommandLineA();
  if (*tail == '"') {
    ++tail;
    while (*tail && *tail != '"') ++tail;
    if (*tail) ++tail;
  } else {
    while (*tail && *tail != ' ' && *tail != '\t') ++tail;
  }
  while (*tail == ' ' || *tail == '\t') ++tail;

  HWND window = FindWindowA(nullptr, "Simple GUI App For UPX Packer");
  if (!window) return 1;
  COPYDATASTRUCT data;
  data.dwData = 1;
  data.cbData = DWORD(lstrlenA(tail) + 1);
  data.lpData = const_cast<char*>(tail);
  SendMessageA(window, WM_COPYDATA, 0, LPARAM(&data));
  return 0;
}
