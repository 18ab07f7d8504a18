#include "packer/commands_win.h"

#include "app/ansi_name_win.h"
#include "app/state_win.h"
#include "app/texts.h"
#include "app/win_util_win.h"
#include "packer/confirm.h"
#include "packer/packer_args.h"
#include "packer/script_win.h"
#include "packer/signed_files_win.h"
#include "packer/single_run_win.h"
#include "ui/file_chooser_win.h"
#include "ui/method_table.h"

namespace {
// The file the path field names: while it shows the start's tail, that tail's
// file in the folder Zorvik started in.
std::string FieldFile(const std::string& fieldText) {
    return fieldText == CommandLineText && !CommandLineFile.empty() ? CommandLineFile : fieldText;
}

// The path field's file, or nothing after the chooser was opened for it: the
// user then presses the command again.
std::optional<std::string> ChosenFieldFile(HWND owner) {
    std::string text = WindowText(PathField);
    if (text != PromptText) return FieldFile(text);
    ChooseFile(owner);
    return std::nullopt;
}

bool RunSingleFile(HWND owner, ScriptKind kind) {
    const std::optional<std::string> file = ChosenFieldFile(owner);
    if (!file) return false;
    const int row = static_cast<int>(SendMessageA(MethodCombo, CB_GETCURSEL, 0, 0));
    const bool pack = kind == ScriptKind::Pack;
    std::optional<std::string> parameters =
        pack ? CompressParameters(row, *file, IsAnsiLeadByte, ChosenOptions)
             : DecompressParameters(*file, IsAnsiLeadByte, ChosenOptions);
    if (!parameters) {
        ShowError(owner, NotAPathText(*file));
        return false;
    }
    if (pack && !MayPackSigned(owner, {*file}, EntryStyle::Raw)) return false;
    return StartSingleFileRun(owner, pack ? RunKind::Pack : RunKind::Unpack,
                              pack ? CompressOptions(row, ChosenOptions)
                                   : DecompressOptions(ChosenOptions),
                              TakePath(*file), *parameters);
}

void RunBatch(HWND owner, ScriptKind kind, const std::vector<std::string>& handOffs) {
    const std::string field = WindowText(PathField);
    SelectionList = SelectionFrom(handOffs, FieldFile(field));
    if (kind == ScriptKind::Pack && !MayPackSigned(owner, SelectionList, EntryStyle::Raw)) return;
    ConfirmText = ConfirmTextFor(kind, handOffs, field);
    if (MessageBoxA(owner, ConfirmText.c_str(), ConfirmCaption, MB_ICONQUESTION | MB_YESNO) ==
        IDYES)
        WriteAndOpenScript(owner, kind, SelectionList, EntryStyle::Raw);
}

bool RunCommand(HWND owner, ScriptKind kind) {
    const std::vector<std::string> handOffs = HandOffTexts; // hand-offs may come meanwhile
    if (handOffs.empty()) return RunSingleFile(owner, kind);
    RunBatch(owner, kind, handOffs);
    return false;
}

// Test and Info: a run for each file that Compress would work on.
bool LookAtFiles(HWND owner, RunKind kind) {
    const char* command = kind == RunKind::Test ? "-t" : "-l";
    std::vector<std::string> texts = HandOffTexts;
    const bool batch = !texts.empty();
    if (!batch) {
        std::optional<std::string> file = ChosenFieldFile(owner);
        if (!file) return false;
        texts.push_back(*file);
    } else {
        texts = SelectionFrom(texts, FieldFile(WindowText(PathField)));
    }
    std::string notPaths;
    bool started = false;
    for (const std::string& text : texts) {
        if (batch && TakePath(text).empty()) continue; // an empty hand-off names no file
        if (std::optional<std::string> parameters = FileParameters(command, text, IsAnsiLeadByte)) {
            started =
                StartSingleFileRun(owner, kind, command, TakePath(text), *parameters) || started;
        } else {
            (notPaths += text) += '\n';
        }
    }
    if (!notPaths.empty()) ShowError(owner, NotAPathText(notPaths));
    return started;
}
} // namespace

bool CompressCommand(HWND owner) {
    return RunCommand(owner, ScriptKind::Pack);
}

bool DecompressCommand(HWND owner) {
    return RunCommand(owner, ScriptKind::Unpack);
}

bool TestCommand(HWND owner) {
    return LookAtFiles(owner, RunKind::Test);
}

bool InfoCommand(HWND owner) {
    return LookAtFiles(owner, RunKind::Info);
}
