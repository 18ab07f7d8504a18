// The banner at the top of the main window, at the window's scaling.
#pragma once
#include <windows.h>

// Makes the logo for this DPI; run at set-up and whenever the window's DPI changes.
void FitLogo(UINT dpi);
// Paints it over the window's background (SRCAND: its white leaves the background alone),
// or on its own white field where the background is too dark for that.
void PaintLogo(HDC dc);
