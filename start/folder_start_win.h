// A start whose tail names a folder, as Explorer's verb on a folder gives it.
#pragma once
#include <string>

#include "app/single_instance_win.h"

// Claims or hands over as ClaimOrHandOver does, for each .exe and .dll file in
// the folder in turn, each as a tail of its own. A later instance hands them
// all over and tells what it left out. A first one takes the first file as its
// tail (CommandLineText, CommandLineFile; none when the folder holds none) and
// leaves the rest to its main window (StartFolder). Otherwise CommandLineFile
// names the file that was not handed over.
StartRole ClaimForFolder(const std::wstring& folder);
