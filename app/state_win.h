// Program-wide values: set during start-up or by the main window, then read.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/app_paths.h"
#include "app/packer_options.h"

extern std::string ConfirmText;
extern std::vector<std::string> SelectionList;
extern std::vector<std::string> BatchList;

// The start's tail, in UTF-16: a single run takes names that ANSI cannot spell.
extern std::wstring CommandLineText;
// The file that tail names, as a full path made in the folder Zorvik started
// in; commands take it while the path field still shows the tail, whatever
// the current folder is by then.
extern std::wstring CommandLineFile;
extern AppPaths Paths;
extern HINSTANCE ProgramInstance;
extern int ShellMenuState;
// Switched in the shortcut menu, remembered in zir.cfg.
extern PackerOptions ChosenOptions;

extern HWND MainWindow;
extern HWND PathField;
extern HWND MethodCombo;
extern HWND HintField;
extern HWND HandOffList;
// What HandOffList holds, in its order, kept as each entry was filed: a batch
// of thousands is then not read back at each command.
extern std::vector<std::wstring> HandOffTexts;
extern HBITMAP LogoBitmap;
