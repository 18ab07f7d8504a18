#pragma once
#include <windows.h>

// The open-file dialog; a chosen file's path goes into the path field.
void ChooseFile(HWND owner);
