#pragma once
#include <windows.h>

// Fades the closing main window out in about 176 ms.
void FadeOut(HWND window);
