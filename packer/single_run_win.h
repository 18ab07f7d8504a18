// Single-file runs: Zorvik starts the packer itself, without a console
// window, and keeps one entry per run. The results window reads them through
// LookAtRuns; the runs know nothing of it.
#pragma once
#include <windows.h>

#include <string>

#include "packer/results.h"

// Files an entry for a run of upx.exe with the options `option` on the file
// `path` (as the user gave it) in Zorvik's current directory, and starts it at
// once unless as many packers run as Zorvik allows; it then waits its turn.
// False, after telling `owner`, while a packer still works on that file or
// waits to. A path the ANSI code page cannot spell reaches the packer as a
// stand-in (see StandInName), and the file takes the packer's result only
// once it has succeeded.
bool StartSingleFileRun(HWND owner, RunKind kind, const std::string& option,
                        const std::wstring& path);

// Ends every packer that runs and every run that waits, and puts each file
// right as far as its packer had got (a file it had replaced stays replaced).
// The outcomes are filed once each packer is seen to have ended.
void StopSingleFileRuns();

// Waits up to `patience` ms for the packers that Stop ended, and puts their
// files right, before Zorvik closes. The windows keep painting meanwhile.
void PutStoppedRunsRight(DWORD patience);

struct RunsNow {
    std::string text;    // every entry, one line each, running ones with their time so far; UTF-8
    bool ended = false;  // a run ended since the last look, and its outcome is filed
    bool goesOn = false; // a packer still works, or a run waits
};
// Files the outcomes of ended runs and starts waiting ones in their place.
RunsNow LookAtRuns();
