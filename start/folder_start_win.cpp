#include "start/folder_start_win.h"

#include "app/ansi_name_win.h"
#include "app/state_win.h"
#include "ui/folder_walk_win.h"

StartRole ClaimForFolder(const std::wstring& folder) {
    WalkedFiles& found = StartFolder; // kept for the main window, should this start become it
    WalkNow(folder, found);
    if (found.taken.empty() && found.notTaken.empty()) found.withoutFiles = folder;
    std::vector<std::string>& tails = found.taken;
    for (std::string& file : tails)
        file.insert(0, 1, '"') += "\" ";
    // With no file to hand over, a running Zorvik gets nothing; this start just says so.
    StartRole role = tails.empty() ? ClaimOrHandOver(std::nullopt) : StartRole::HandedOver;
    if (role == StartRole::NotHanded) role = StartRole::HandedOver;
    size_t next = 0;
    while (role == StartRole::HandedOver && next < tails.size() &&
           (role = ClaimOrHandOver(WideFromAnsi(tails[next]))) == StartRole::HandedOver)
        ++next;
    if (role == StartRole::HandedOver) {
        TellLeftOut(nullptr, found);
        return role;
    }
    CommandLineText = CommandLineFile =
        next < tails.size() ? WideFromAnsi(tails[next++]) : std::wstring();
    tails.erase(tails.begin(), tails.begin() + next); // the rest go to the hand-off list
    return role;
}
