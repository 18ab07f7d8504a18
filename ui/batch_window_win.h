#pragma once
#include <windows.h>
#include <shellapi.h>

// Appends every dropped .exe and .dll to the batch, then releases the drop;
// names the packer cannot be given are left out, and `owner` says which.
void CollectDroppedFiles(HWND owner, HDROP drop);

// Opens a batch window, modal but without owner, so the main window stays
// usable; returns when it closes.
void OpenBatchWindow();

// Whether `window` is a batch window (there may be several, one inside another).
bool IsBatchWindow(HWND window);
