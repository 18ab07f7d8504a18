// Which script a batch writes, and which ones closing a window deletes.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "packer/script_book.h"

namespace {
using Names = std::vector<std::string>;
using Paths = std::vector<std::wstring>;

// Claims a name unless it is in `taken`; records every name it was asked for.
struct Claimer {
    std::set<std::string> taken;
    Names asked;
    bool operator()(const std::string& name) {
        asked.push_back(name);
        return !taken.count(name);
    }
};
} // namespace

TEST(ScriptName, UsualNameUnlessAConsoleRunsIt) {
    Claimer free;
    EXPECT_EQ(ClaimScriptName(ScriptKind::Pack, std::ref(free)), "runupxcmd.bat");
    EXPECT_EQ(free.asked, Names{"runupxcmd.bat"});

    Claimer busy{{"derunupxcmd.bat", "derunupxcmd-2.bat"}, {}};
    EXPECT_EQ(ClaimScriptName(ScriptKind::Unpack, std::ref(busy)), "derunupxcmd-3.bat");
    EXPECT_EQ(busy.asked, (Names{"derunupxcmd.bat", "derunupxcmd-2.bat", "derunupxcmd-3.bat"}));

    Claimer full;
    for (int n = 1; n <= ScriptNamesPerKind; ++n)
        full.taken.insert(ScriptFileName(ScriptKind::Pack, n));
    EXPECT_EQ(ClaimScriptName(ScriptKind::Pack, std::ref(full)), std::nullopt);
    EXPECT_EQ(full.asked.size(), size_t(ScriptNamesPerKind));
    EXPECT_EQ(full.asked.back(), "runupxcmd-99.bat");

    // Only these are looked at when Zorvik sweeps a folder for its own leftovers.
    for (const char* name : {"runupxcmd-2.bat", "derunupxcmd-99.bat"})
        EXPECT_TRUE(IsSiblingScriptName(name)) << name;
    for (const char* name : {"runupxcmd.bat", "runupxcmd-1.bat", "runupxcmd-100.bat",
                             "runupxcmd-02.bat", "RUNUPXCMD-2.BAT", "runupxcmd-2.bat.txt"})
        EXPECT_FALSE(IsSiblingScriptName(name)) << name;
}

TEST(ScriptBook, CloseSparesScriptsInUseAndTakesThemAtALaterClose) {
    const std::wstring here = L"C:\\work\\runupxcmd.bat", hereUnpack = L"C:\\work\\derunupxcmd.bat";
    const std::wstring sibling = L"C:\\work\\runupxcmd-2.bat", before = L"D:\\old\\runupxcmd.bat";
    ScriptBook book;
    book.Wrote(before); // the file chooser has moved the current folder since
    book.Wrote(here);
    book.Wrote(sibling);
    book.Wrote(here); // the usual name written again once its console had ended
    std::set<std::wstring> used;
    Paths tried, usual;
    // Only the current folder's usual names go whatever they hold.
    auto deleteUnlessUsed = [&](const std::wstring& path, bool anyContent) {
        tried.push_back(path);
        EXPECT_EQ(anyContent, std::count(usual.begin(), usual.end(), path) == 1);
        return used.count(path) == 0;
    };
    auto close = [&](const Paths& usualHere) {
        tried.clear();
        usual = usualHere;
        book.DeleteUnused(usualHere, deleteUnlessUsed);
        return tried;
    };

    used = {here, before};
    EXPECT_EQ(close({here, hereUnpack}), (Paths{here, hereUnpack, before, sibling}));
    used = {here};
    EXPECT_EQ(close({hereUnpack}), (Paths{hereUnpack, here, before}));
    used.clear();
    EXPECT_EQ(close({L"E:\\runupxcmd.bat"}), (Paths{L"E:\\runupxcmd.bat", here}));
    EXPECT_EQ(close({}), Paths{});
}
