// The logo is drawn for 100, 150 and 200 % scaling. At any other scaling the next larger
// drawing is averaged down to size: shrinking keeps the edges crisp, stretching blurs them.
#include "ui/logo_win.h"

#include "app/handles_win.h"
#include "app/state_win.h"
#include "res/resource.h"

namespace {
struct Drawing {
    WORD id;
    int width, height; // of the bitmap in the resources
};
const Drawing Drawings[] = {{IDB_LOGO, 200, 48}, {IDB_LOGO_150, 300, 72}, {IDB_LOGO_200, 400, 96}};

UINT LogoDpi = USER_DEFAULT_SCREEN_DPI;

int Scaled(int pixels) {
    return MulDiv(pixels, LogoDpi, USER_DEFAULT_SCREEN_DPI);
}

HBITMAP ShrunkCopy(HBITMAP art, const Drawing& drawing, int width, int height) {
    HDC screen = GetDC(nullptr);
    HBITMAP copy = CreateCompatibleBitmap(screen, width, height);
    MemoryDc from(CreateCompatibleDC(screen)), to(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    if (!copy || !from.Valid() || !to.Valid()) return copy;
    Selection source(from.Get(), art), target(to.Get(), copy);
    SetStretchBltMode(to.Get(), HALFTONE);
    SetBrushOrgEx(to.Get(), 0, 0, nullptr);
    StretchBlt(to.Get(), 0, 0, width, height, from.Get(), 0, 0, drawing.width, drawing.height,
               SRCCOPY);
    return copy;
}

HBITMAP MakeLogo() {
    const int width = Scaled(Drawings[0].width), height = Scaled(Drawings[0].height);
    const Drawing* drawing = &Drawings[2];
    for (const Drawing& each : Drawings)
        if (each.width >= width) {
            drawing = &each;
            break;
        }
    HBITMAP art = LoadBitmapA(ProgramInstance, MAKEINTRESOURCEA(drawing->id));
    if (!art || drawing->width == width) return art;
    HBITMAP copy = ShrunkCopy(art, *drawing, width, height);
    DeleteObject(art);
    return copy;
}
} // namespace

void FitLogo(UINT dpi) {
    if (LogoBitmap && dpi == LogoDpi) return;
    if (LogoBitmap) DeleteObject(LogoBitmap);
    LogoDpi = dpi;
    LogoBitmap = MakeLogo();
}

void PaintLogo(HDC dc) {
    MemoryDc memory(CreateCompatibleDC(dc));
    BITMAP logo;
    if (!memory.Valid() || !GetObjectA(LogoBitmap, sizeof logo, &logo)) return;
    Selection selected(memory.Get(), LogoBitmap);
    // On a dark face, as high-contrast palettes have, SRCAND would leave nothing:
    // the logo then brings its own white field.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const bool light = GetRValue(face) + GetGValue(face) + GetBValue(face) >= 3 * 160;
    BitBlt(dc, Scaled(10), Scaled(5), logo.bmWidth, logo.bmHeight, memory.Get(), 0, 0,
           light ? SRCAND : SRCCOPY);
}
