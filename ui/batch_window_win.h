#pragma once
#include <windows.h>
#include <shellapi.h>

// Appends every dropped .exe and .dll to the batch, then releases the drop.
void CollectDroppedFiles(HDROP drop);

// Opens a batch window, modal but without owner, so the main window stays
// usable; returns when it closes.
void OpenBatchWindow();
