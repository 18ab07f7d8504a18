// Start-up baseline: a modal dialog from a template whose one edit control is filled in
// WM_INITDIALOG with the command line, the way Zorvik fills its path field.
// For the batch script's baseline it also keeps the bytes of a WM_COPYDATA with tag 2, and
// command 1005 (posted by the bench, there is no button) asks Yes/No and on Yes writes those
// bytes to baseline-script.bat in the current directory, as Zorvik writes its script.
#include <windows.h>

#include <cstdio>

#include "app/trace_win.h"  // Zorvik's start-up steps; the same points here, where they exist

static char* Script;
static DWORD ScriptSize;

static void KeepScript(const COPYDATASTRUCT* data) {
  if (data->dwData != 2) return;
  if (Script) HeapFree(GetProcessHeap(), 0, Script);
  Script = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, data->cbData + 1));
  ScriptSize = Script ? data->cbData : 0;
  if (Script) CopyMemory(Script, data->lpData, data->cbData);
}

static void AskAndWrite(HWND dialog) {
  if (MessageBoxA(dialog, "Sure?", "Baseline.", MB_ICONQUESTION | MB_YESNO) != IDYES) return;
  FILE* file = fopen("baseline-script.bat", "wb");
  if (!file) return;
  fwrite(Script, 1, ScriptSize, file);
  fclose(file);
}

static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      TraceStep("WM_INITDIALOG entered");
      SetDlgItemTextA(dialog, 1000, GetCommandLineA());
      TraceStep("WM_INITDIALOG: path field filled");
      TraceStep("WM_INITDIALOG done");
      return TRUE;
    case WM_SETFONT:  // the dialog's window is made; its controls come next
      TraceStep("dialog window made (WM_SETFONT)");
      return FALSE;
    case WM_SHOWWINDOW:
      TraceStep("window shown (WM_SHOWWINDOW)");
      return FALSE;
    case WM_PAINT:  // the dialog manager paints; this only notes when the first paint came
      TraceStep("first WM_PAINT entered");
      return FALSE;
    case WM_COPYDATA:
      KeepScript(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == 1005) AskAndWrite(dialog);
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  TraceStep("WinMain entered");
  TraceStep("dialog creation called");
  return int(DialogBoxParamA(instance, MAKEINTRESOURCEA(100), nullptr, DialogProc, 0));
}
