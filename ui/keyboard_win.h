// Use by keyboard alone and by screen readers, added at run time: the dialog
// templates stay as they are.
#pragma once
#include <windows.h>

// Main window: Tab in screen order from the path field on, the hand-off list
// out of it, names for the fields. Run once from WM_INITDIALOG, after the
// handles are taken.
void SetUpKeyboard(HWND window);

// Keeps Esc from closing the batch window; run as it opens.
void FilterDialogKeys();

// Names the buttons and the Method list for screen readers; the first time an
// assistive tool asks (WM_GETOBJECT), so that no other run loads oleacc.
void NameControls();

// The results window takes Tab, Esc, Ctrl+A and Ctrl+C inside the modal loops
// of the main window and of whatever that window opens.
void WatchResultsKeys(HWND results);
