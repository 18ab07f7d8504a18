#include "shell/verb_win.h"

#include <cstdio>
#include <string>

#include "app/ansi_name_win.h"
#include "app/command_tail.h"
#include "app/handles_win.h"
#include "app/state_win.h"
#include "app/win_util_win.h"
#include "shell/settings.h"
#include "shell/verb.h"

namespace {
const char* const VerbKeys[] = {ExeVerbKey, DllVerbKey, FolderVerbKey};

// The verb's state as zir.cfg keeps it, which may differ from ShellMenuState
// when the registry refused it at start; the options are written beside it.
bool VerbWanted;

struct InstallResult {
    bool ok;
    std::string message; // why not, for the user
};

// The program as it was started, read in UTF-16 and spelled exactly in ANSI;
// nothing when ANSI cannot spell it.
std::optional<std::string> FirstArgument() {
    return ExactAnsi(CommandProgram(GetCommandLineW()));
}

// Creates the key under HKEY_CURRENT_USER as needed and sets one REG_SZ value (null: the default).
LONG SetUserText(const std::string& path, const char* name, const std::string& text) {
    Key key;
    LONG error = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                 nullptr, key.Receive(), nullptr);
    if (error != ERROR_SUCCESS) return error;
    return RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

InstallResult InstallShellVerb() {
    const std::optional<std::string> program = FirstArgument();
    if (!program) return {false, ProgramNameNotSpellableText()};
    const std::string command = VerbCommand(*program);
    if (!VerbCommandFits(command)) return {false, VerbTooLongText(command)};
    for (const char* verb : VerbKeys) {
        const std::string path = std::string(UserClassesKey) + verb;
        LONG error = SetUserText(path, SelectionModelValue, SelectionModel);
        if (error != ERROR_SUCCESS) return {false, VerbNotInstalledText(path, error)};
        error = SetUserText(path + "\\command", nullptr, command);
        if (error != ERROR_SUCCESS) return {false, VerbNotInstalledText(path + "\\command", error)};
    }
    return {true, std::string()};
}

// RegDeleteTree rather than shlwapi's SHDeleteKey: shlwapi, imported, would
// bring shcore along at start, before Zorvik limits where DLLs come from.
void RemoveUserVerbKeys() {
    for (const char* verb : VerbKeys)
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(UserClassesKey) + verb).c_str());
}

// Removes the per-user keys and, as far as this user may, machine-wide ones
// that an older Zorvik wrote straight under HKEY_CLASSES_ROOT.
void RemoveShellVerb() {
    RemoveUserVerbKeys();
    for (const char* verb : VerbKeys)
        RegDeleteTreeA(HKEY_CLASSES_ROOT, verb);
}

// Written beside zir.cfg and moved over it, so that a crash or a full disk
// leaves the old file or the new one, never half of one.
bool WriteSettings(bool verbInstalled) {
    VerbWanted = verbInstalled;
    const std::wstring path = WideFromAnsi(Paths.SettingsPath), temporary = path + L".new";
    const std::string text = SettingsFileText(verbInstalled, ChosenOptions);
    DeleteFileW(temporary.c_str()); // one a crash left; a link goes, not what it names
    FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    bool saved = file.Valid() &&
                 WriteFile(file.Get(), text.data(), DWORD(text.size()), &written, nullptr) &&
                 written == text.size() && FlushFileBuffers(file.Get());
    file.Reset();
    saved = saved && MoveFileExW(temporary.c_str(), path.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!saved) DeleteFileW(temporary.c_str());
    return saved;
}

// Only the first 64 KiB: the file's lines are short, and a huge one must not
// slow the start.
bool ReadSettings(std::string& text) {
    FILE* file = std::fopen(Paths.SettingsPath.c_str(), "rb");
    if (!file) return false;
    text.resize(64 << 10);
    text.resize(std::fread(&text[0], 1, text.size(), file));
    std::fclose(file);
    return true;
}
} // namespace

void AddVerbCommand(HWND owner) {
    InstallResult result = InstallShellVerb();
    if (!result.ok) {
        // No verb for .exe alone while the menu says there is none.
        if (ShellMenuState != 1) RemoveUserVerbKeys();
        ShowError(owner, result.message);
        return;
    }
    ShellMenuState = 1;
    if (!WriteSettings(true)) ShowError(owner, SettingsNotSavedText(Paths.SettingsPath));
    MessageBeep(MB_OK);
}

void RemoveVerbCommand(HWND owner) {
    ShellMenuState = 0;
    RemoveShellVerb();
    if (!WriteSettings(false)) ShowError(owner, SettingsNotSavedText(Paths.SettingsPath));
    MessageBeep(MB_ICONEXCLAMATION);
}

void SwitchOption(HWND owner, bool PackerOptions::*option) {
    ChosenOptions.*option = !(ChosenOptions.*option);
    if (!WriteSettings(VerbWanted)) ShowError(owner, SettingsNotSavedText(Paths.SettingsPath));
}

void RestoreShellVerb() {
    std::string text;
    if (!ReadSettings(text)) return;
    ShellMenuState = ParseShellMenuState(text);
    ChosenOptions = ParseSettingsOptions(text);
    const bool wanted = ShellMenuState == 1;
    if (wanted && !InstallShellVerb().ok) ShellMenuState = 0; // the menu shows what is really there
    if (!wanted) RemoveShellVerb();
    // The file keeps what the user chose even when the registry refused it now;
    // a file that is canonical already needs no rewrite.
    if (text != SettingsFileText(wanted, ChosenOptions))
        WriteSettings(wanted);
    else
        VerbWanted = wanted;
}
