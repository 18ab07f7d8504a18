// The results window: one line per single-file run, in a read-only edit that
// can be selected and copied. Created on the first run, kept until Zorvik ends.
#pragma once
#include <windows.h>

// Opens the window, or brings it up again if it was closed, without taking
// the focus, and scrolls to the newest entry; says so to `owner` when the
// window cannot be created.
void ShowNewResults(HWND owner);
// Brings the window forward, opening it if need be, with the focus in its text.
void ShowResultsWithFocus(HWND owner);
