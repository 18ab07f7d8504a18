#include "shell/verb.h"

std::string VerbCommand(const std::string& firstArgument) {
    std::string command = "\"";
    for (char c : firstArgument) {
        command += c;
        if (c == '%') command += '%';
    }
    return command + "\" \"%1\" ";
}

bool VerbCommandFits(const std::string& command) {
    return command.size() < VerbCommandBuffer;
}

std::string VerbTooLongText(const std::string& command) {
    return "The context menu shortcut was not added: the program's path is too long for "
           "it.\n\n" +
           command;
}

std::string VerbNotInstalledText(const std::string& key, long error) {
    return "The context menu shortcut could not be added (Windows error " + std::to_string(error) +
           " on HKEY_CURRENT_USER\\" + key + ").";
}

std::string ProgramNameNotSpellableText() {
    return "The context menu shortcut was not added: Explorer would start the program by a name "
           "that Windows' ANSI code page cannot spell. Please rename Zorvik.exe, or its folder, "
           "with other letters.";
}
