// Single-file runs: Zorvik starts the packer itself, without a console
// window, and keeps one entry per run. The results window reads them through
// LookAtRuns; the runs know nothing of it.
#pragma once
#include <windows.h>

#include <string>

#include "packer/results.h"

// Starts upx.exe with these parameters in Zorvik's current directory and
// files an entry for the run; false, after telling `owner`, while a packer
// still works on that file. `path` is the file as the user gave it, `option`
// the packer options the parameters carry.
bool StartSingleFileRun(HWND owner, RunKind kind, const std::string& option,
                        const std::string& path, const std::string& parameters);

struct RunsNow {
    std::string text;    // every entry, one line each, running ones with their time so far; UTF-8
    bool ended = false;  // a run ended since the last look, and its outcome is filed
    bool goesOn = false; // a packer still works
};
RunsNow LookAtRuns();
