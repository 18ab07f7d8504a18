#include "packer/commands_win.h"

#include "app/ansi_name_win.h"
#include "app/state_win.h"
#include "app/texts.h"
#include "app/win_util_win.h"
#include "packer/confirm.h"
#include "packer/packer_args.h"
#include "packer/script_win.h"
#include "packer/single_run_win.h"
#include "ui/file_chooser_win.h"
#include "ui/method_table.h"

namespace {
// The file the path field names: while it shows the start's tail, that tail's
// file in the folder Zorvik started in.
std::string FieldFile(const std::string& fieldText) {
    return fieldText == CommandLineText && !CommandLineFile.empty() ? CommandLineFile : fieldText;
}

void RunSingleFile(HWND owner, ScriptKind kind) {
    const std::string text = WindowText(PathField);
    if (text == PromptText) {
        ChooseFile(owner); // the user presses the button again
        return;
    }
    const std::string file = FieldFile(text);
    const int row = static_cast<int>(SendMessageA(MethodCombo, CB_GETCURSEL, 0, 0));
    const bool pack = kind == ScriptKind::Pack;
    std::optional<std::string> parameters = pack ? CompressParameters(row, file, IsAnsiLeadByte)
                                                 : DecompressParameters(file, IsAnsiLeadByte);
    if (!parameters) {
        ShowError(owner, NotAPathText(text));
        return;
    }
    StartSingleFileRun(owner, pack ? MethodOption(row) : "-d", TakePath(file), *parameters);
}

void RunBatch(HWND owner, ScriptKind kind, const std::vector<std::string>& handOffs) {
    const std::string field = WindowText(PathField);
    SelectionList = SelectionFrom(handOffs, FieldFile(field));
    ConfirmText = ConfirmTextFor(kind, handOffs, field);
    if (MessageBoxA(owner, ConfirmText.c_str(), ConfirmCaption, MB_ICONQUESTION | MB_YESNO) ==
        IDYES)
        WriteAndOpenScript(owner, kind, SelectionList, EntryStyle::Raw);
}

void RunCommand(HWND owner, ScriptKind kind) {
    std::vector<std::string> handOffs = ListBoxTexts(HandOffList);
    if (handOffs.empty())
        RunSingleFile(owner, kind);
    else
        RunBatch(owner, kind, handOffs);
}
} // namespace

void CompressCommand(HWND owner) {
    RunCommand(owner, ScriptKind::Pack);
}

void DecompressCommand(HWND owner) {
    RunCommand(owner, ScriptKind::Unpack);
}
