#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "packer/script.h"

// cmd on Windows opens a script afresh for every line, so nobody may change,
// rename or delete a script while its console runs: the console holds it open
// against writers and deleters. A new batch of the same kind then goes to a
// sibling name in the same folder.

// The kind's script names: 1 is the usual one, 2 on "runupxcmd-2.bat" etc.
inline constexpr int ScriptNamesPerKind = 99;
std::string ScriptFileName(ScriptKind kind, int number);
// True for a sibling name of either kind ("derunupxcmd-12.bat"), spelled as Zorvik spells it.
bool IsSiblingScriptName(const std::string& name);

// The first of the kind's names that `claim` wins, usual name first; nothing
// when every one is taken.
std::optional<std::string> ClaimScriptName(ScriptKind kind,
                                           const std::function<bool(const std::string&)>& claim);

// The scripts this Zorvik wrote, by full path, wherever the current folder was.
class ScriptBook {
  public:
    void Wrote(const std::wstring& path);
    // What closing a window deletes: the usual names of the current folder and
    // every script written, each once. `deleteUnlessUsed(path, usual)` deletes
    // one unless a console still uses it (and, unless `usual`, unless it is no
    // longer Zorvik's) and says whether it is gone; those it keeps stay in the
    // book for a later close.
    using Deleter = std::function<bool(const std::wstring& path, bool usual)>;
    void DeleteUnused(const std::vector<std::wstring>& usualHere, const Deleter& deleteUnlessUsed);

  private:
    std::vector<std::wstring> written_;
};
