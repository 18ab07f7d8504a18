#include "app/app_paths.h"

#include "app/texts.h"

std::optional<AppPaths> ComputeAppPaths(const std::wstring& moduleFileName,
                                        const AnsiSpeller& spell) {
    size_t slash = moduleFileName.rfind(L'\\');
    std::optional<std::string> folder =
        spell(slash == std::wstring::npos ? std::wstring() : moduleFileName.substr(0, slash));
    if (!folder) return std::nullopt;
    return AppPaths{*folder, *folder + "\\upx.exe", *folder + "\\zir.cfg"};
}

bool FitsAnsiPathLimit(const AppPaths& paths) {
    return paths.PackerPath.size() < MaxAnsiPath && paths.SettingsPath.size() < MaxAnsiPath;
}

std::string MissingPackerText() {
    return std::string("Error :\n") + "upx.exe not found ! Download it from " +
           PackerDownloadAddress + " \n" + "and put it in same folder as this program.\n" +
           "after Pressing OK that folder will be automatically opened.\n" +
           "More Apps : " + MakerSiteAddress;
}

std::string FolderTooLongText(const AppPaths& paths) {
    return "Zorvik cannot start from this folder: its path is too long for upx.exe and "
           "zir.cfg to be found beside it.\n\n" +
           paths.ProgramFolder +
           "\n\nPlease move Zorvik.exe and upx.exe to a folder with a shorter path.";
}
