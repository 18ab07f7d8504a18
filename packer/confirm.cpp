#include "packer/confirm.h"

#include "app/ascii.h"
#include "app/texts.h"

bool FieldHoldsFile(const std::string& fieldText) {
    return !EqualsIgnoringCase(fieldText, PromptText);
}

std::vector<std::string> SelectionFrom(const std::vector<std::string>& handOffs,
                                       const std::string& fieldText) {
    std::vector<std::string> selection = handOffs;
    if (FieldHoldsFile(fieldText)) selection.push_back(fieldText);
    return selection;
}

std::string ConfirmTextFor(ScriptKind kind, const std::vector<std::string>& handOffs,
                           const std::string& fieldText) {
    constexpr size_t listed = 10;
    const bool withField = FieldHoldsFile(fieldText);
    std::string text =
        "Total " + std::to_string(handOffs.size() + (withField ? 1 : 0)) + " items Selected !\n";
    text += kind == ScriptKind::Pack ? "Are you sure you want to compress them all ?\n\n"
                                     : "Are you sure you want to Decompress them all ?\n\n";
    if (withField) text += fieldText + "\n";
    for (size_t i = 0; i < handOffs.size() && i < listed; ++i)
        text += handOffs[i];
    return text;
}
