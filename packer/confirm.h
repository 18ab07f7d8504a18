#pragma once
#include <string>
#include <vector>

#include "packer/script.h"

// In a batch, the path field counts as a file unless it shows the prompt, in
// any letter case.
bool FieldHoldsFile(const std::string& fieldText);

// The batch: every handed-over entry in list order, then the field's file.
std::vector<std::string> SelectionFrom(const std::vector<std::string>& handOffs,
                                       const std::string& fieldText);

// The question asked before a batch runs: the count, the question, the
// field's file on its own line, then the first ten hand-offs run together.
std::string ConfirmTextFor(ScriptKind kind, const std::vector<std::string>& handOffs,
                           const std::string& fieldText);

inline constexpr char ConfirmCaption[] = "Brannoc.";
