// Thin helpers at the Win32 boundary: texts in and out of windows, the shell.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Hands a file, folder, script or address to the shell with the verb "open".
void ShellOpen(const std::string& target, const char* parameters, int showMode);

std::string WindowText(HWND window);
std::vector<std::string> ListBoxTexts(HWND listBox);
std::string ModuleFileName();
std::string FullPathName(const std::string& path);

// Lets a program of lower integrity hand over files and drop them here.
void AllowMessagesFromLowerPrograms(HWND window);

void ShowError(HWND owner, const std::string& text);
