#pragma once
#include <windows.h>

// The main window's Compress and Decompress: one file, or the whole batch of
// handed-over files after a confirmation. True when a single-file run was
// filed, for the results window to show.
bool CompressCommand(HWND owner);
bool DecompressCommand(HWND owner);

// The packer's test and list of the files Compress would work on, each as a
// single-file run of its own, without a console and without a question.
bool TestCommand(HWND owner);
bool InfoCommand(HWND owner);
