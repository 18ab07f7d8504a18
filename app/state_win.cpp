#include "app/state_win.h"

// Constructed before start-up in this order, so exit destroys them in reverse.
std::string ConfirmText;
std::vector<std::string> SelectionList;
std::vector<std::string> BatchList;

std::wstring CommandLineText;
std::wstring CommandLineFile;
AppPaths Paths;
HINSTANCE ProgramInstance;
int ShellMenuState;
PackerOptions ChosenOptions;

HWND MainWindow;
HWND PathField;
HWND MethodCombo;
HWND HintField;
HWND HandOffList;
std::vector<std::wstring> HandOffTexts;
HBITMAP LogoBitmap;
