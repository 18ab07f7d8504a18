#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "packer/script.h"

// cmd on Windows opens a script afresh for every line, so a script whose
// console still runs is never deleted or rewritten. A new batch of the same
// kind then goes to a sibling name in the same folder.

// The kind's script names: 1 is the usual one, 2 on "runupxcmd-2.bat" etc.
inline constexpr int ScriptNamesPerKind = 99;
std::string ScriptFileName(ScriptKind kind, int number);

// The first of the kind's names that `claim` wins, usual name first; nothing
// when every one is taken.
std::optional<std::string> ClaimScriptName(ScriptKind kind,
                                           const std::function<bool(const std::string&)>& claim);

// The kernel object whose existence says that a console runs the script at
// `upperPath` (its full path in upper case), in this or another Zorvik.
std::string ScriptMarkerName(const std::wstring& upperPath);

// The scripts this Zorvik wrote, by full path, wherever the current folder was.
class ScriptBook {
  public:
    void Wrote(const std::wstring& path);
    // What closing a window deletes: the usual names of the current folder and
    // every script written, each once, but none that `running` says a console
    // still runs. Those stay in the book for a later close.
    std::vector<std::wstring>
    TakeDeletable(const std::vector<std::wstring>& usualHere,
                  const std::function<bool(const std::wstring&)>& running);

  private:
    std::vector<std::wstring> written_;
};
