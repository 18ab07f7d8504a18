#include "packer/commands_win.h"

#include "app/ansi_name_win.h"
#include "app/ansi_names.h"
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
// The file the path field names, in UTF-16, as a single run takes it: while
// the field shows the start's tail, that tail's file in the folder Zorvik
// started in.
std::wstring FieldFile(const std::wstring& fieldText) {
    return fieldText == CommandLineText && !CommandLineFile.empty() ? CommandLineFile : fieldText;
}

// The path field's file, or nothing after the chooser was opened for it: the
// user then presses the command again.
std::optional<std::wstring> ChosenFieldFile(HWND owner) {
    std::wstring text = WideWindowText(PathField);
    if (AsciiSketch(text) != PromptText) return FieldFile(text);
    ChooseFile(owner);
    return std::nullopt;
}

// The path in a text, without the blanks and quotes around it, or nothing
// when no Windows path can be that text. Letters beyond ASCII never make it so.
std::optional<std::wstring> PathIn(const std::wstring& text) {
    const std::wstring path = BareName(text);
    std::string sketch;
    for (wchar_t c : path)
        sketch += c < 0x80 ? char(c) : 'x';
    if (!IsWindowsPathText(sketch, NoLeadBytes)) return std::nullopt;
    return path;
}

// Starts a single run on the text's file; false, after saying so, when the
// text names none.
bool StartOn(HWND owner, RunKind kind, const std::string& option, const std::wstring& text) {
    const std::optional<std::wstring> file = PathIn(text);
    if (!file) ShowError(owner, WideFromAnsi(NotAPathText("")) + text);
    if (!file || (kind == RunKind::Pack && !MayPackSigned(owner, *file))) return false;
    return StartSingleFileRun(owner, kind, option, *file);
}

bool RunSingleFile(HWND owner, ScriptKind kind) {
    const std::optional<std::wstring> text = ChosenFieldFile(owner);
    if (!text) return false;
    const int row = static_cast<int>(SendMessageA(MethodCombo, CB_GETCURSEL, 0, 0));
    if (kind == ScriptKind::Pack)
        return StartOn(owner, RunKind::Pack, CompressOptions(row, ChosenOptions), *text);
    return StartOn(owner, RunKind::Unpack, DecompressOptions(ChosenOptions), *text);
}

// A script spells its names in the ANSI code page: a name it cannot spell is
// left out, as a dropped one would be, and the batch goes on without it.
void RunBatch(HWND owner, ScriptKind kind, const std::vector<std::wstring>& wideHandOffs) {
    std::vector<std::string> handOffs;
    std::vector<std::wstring> notTaken;
    for (const std::wstring& text : wideHandOffs)
        if (std::optional<std::string> ansi = ExactAnsi(text))
            handOffs.push_back(std::move(*ansi));
        else
            notTaken.push_back(text);
    const std::wstring wideField = WideWindowText(PathField), wideFile = FieldFile(wideField);
    std::optional<std::string> field = ExactAnsi(wideField), file = ExactAnsi(wideFile);
    if (!field || !file) {
        notTaken.push_back(wideFile);
        field = file = PromptText;
    }
    if (!notTaken.empty()) ShowError(owner, NamesNotTakenText(notTaken));
    if (handOffs.empty() && !FieldHoldsFile(*field)) return; // nothing is left to ask about
    SelectionList = SelectionFrom(handOffs, *file);
    if (kind == ScriptKind::Pack && !MayPackSigned(owner, SelectionList, EntryStyle::Raw)) return;
    ConfirmText = ConfirmTextFor(kind, handOffs, *field);
    if (MessageBoxA(owner, ConfirmText.c_str(), ConfirmCaption, MB_ICONQUESTION | MB_YESNO) ==
        IDYES)
        WriteAndOpenScript(owner, kind, SelectionList, EntryStyle::Raw);
}

bool RunCommand(HWND owner, ScriptKind kind) {
    const std::vector<std::wstring> handOffs = HandOffTexts; // hand-offs may come meanwhile
    if (handOffs.empty()) return RunSingleFile(owner, kind);
    RunBatch(owner, kind, handOffs);
    return false;
}

// Test and Info: a run for each file that Compress would work on.
bool LookAtFiles(HWND owner, RunKind kind) {
    const char* command = kind == RunKind::Test ? "-t" : "-l";
    std::vector<std::wstring> texts;
    for (const std::wstring& text : HandOffTexts)
        if (!BareName(text).empty()) texts.push_back(text); // an empty one names none
    const bool batch = !HandOffTexts.empty();
    const std::wstring field = FieldFile(WideWindowText(PathField));
    if (!batch) {
        std::optional<std::wstring> file = ChosenFieldFile(owner);
        if (!file) return false;
        texts.push_back(*file);
    } else if (FieldHoldsFile(AsciiSketch(field))) {
        texts.push_back(field);
    }
    std::wstring notPaths;
    bool started = false;
    for (const std::wstring& text : texts) {
        if (const std::optional<std::wstring> file = PathIn(text))
            started = StartSingleFileRun(owner, kind, command, *file) || started;
        else
            (notPaths += text) += L'\n';
    }
    if (!notPaths.empty()) ShowError(owner, WideFromAnsi(NotAPathText("")) + notPaths);
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
