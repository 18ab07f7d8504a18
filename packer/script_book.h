#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "packer/script.h"

// cmd on Windows opens a script afresh for every line, so nobody may change
// a script while its console runs: the console holds the script open against
// writers. A new batch of the same kind then goes to a sibling name in the
// same folder.

// The kind's script names: 1 is the usual one, 2 on "runupxcmd-2.bat" etc.
inline constexpr int ScriptNamesPerKind = 99;
std::string ScriptFileName(ScriptKind kind, int number);

// The first of the kind's names that `claim` wins, usual name first; nothing
// when every one is taken.
std::optional<std::string> ClaimScriptName(ScriptKind kind,
                                           const std::function<bool(const std::string&)>& claim);

// The scripts this Zorvik wrote, by full path, wherever the current folder was.
class ScriptBook {
  public:
    void Wrote(const std::wstring& path);
    // What closing a window deletes: the usual names of the current folder and
    // every script written, each once. `deleteUnlessUsed` deletes one unless a
    // console still uses it, and says whether it is gone; those it keeps stay
    // in the book for a later close.
    void DeleteUnused(const std::vector<std::wstring>& usualHere,
                      const std::function<bool(const std::wstring&)>& deleteUnlessUsed);

  private:
    std::vector<std::wstring> written_;
};
