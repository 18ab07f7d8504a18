#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// The dropped paths, in UTF-16 and in the drop's order; releases the drop.
std::vector<std::wstring> DroppedPaths(HDROP drop);

// Opens a batch window, modal but without owner, so the main window stays
// usable; returns when it closes. The window adds the dropped items' .exe and
// .dll files to the batch, walking folders, and says which names it left out.
void OpenBatchWindow(const std::vector<std::wstring>& dropped = {});

// Whether `window` is a batch window (there may be several, one inside another).
bool IsBatchWindow(HWND window);
