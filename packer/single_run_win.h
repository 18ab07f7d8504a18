// Single-file runs: Zorvik starts the packer itself, without a console
// window, and keeps one entry per run for the results window.
#pragma once
#include <windows.h>

#include <string>

// Starts upx.exe with these parameters in Zorvik's current directory; the
// results window shows the run at once. `path` is the file as the user gave
// it, `option` the packer option the parameters carry.
void StartSingleFileRun(HWND owner, const char* option, const std::string& path,
                        const std::string& parameters);

// Files the outcome of every run whose packer has ended; true when any had.
bool CollectEndedRuns();
bool AnyRunGoesOn();

// Every entry as of now, running ones with their time so far; UTF-8.
std::string ResultsTextNow();
