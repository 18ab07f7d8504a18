#pragma once
#include <windows.h>

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Sets the hint line to the hint of the method now selected.
void UpdateMethodHint();
