#pragma once
#include <windows.h>

// The main window's Compress and Decompress: one file, or the whole batch of
// handed-over files after a confirmation.
void CompressCommand(HWND owner);
void DecompressCommand(HWND owner);
