// Which script a batch writes, and which ones closing a window deletes.
#include <gtest/gtest.h>

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
}

TEST(ScriptBook, CloseSparesRunningScriptsAndTakesThemAtALaterClose) {
    const std::wstring here = L"C:\\work\\runupxcmd.bat", hereUnpack = L"C:\\work\\derunupxcmd.bat";
    const std::wstring sibling = L"C:\\work\\runupxcmd-2.bat", before = L"D:\\old\\runupxcmd.bat";
    ScriptBook book;
    book.Wrote(before); // the file chooser has moved the current folder since
    book.Wrote(here);
    book.Wrote(sibling);
    book.Wrote(here); // the usual name written again once its console had ended
    std::set<std::wstring> running = {here, before};
    auto runs = [&running](const std::wstring& path) { return running.count(path) > 0; };

    EXPECT_EQ(book.TakeDeletable({here, hereUnpack}, runs), (Paths{hereUnpack, sibling}));
    running = {here};
    EXPECT_EQ(book.TakeDeletable({here, hereUnpack}, runs), (Paths{hereUnpack, before}));
    running.clear();
    EXPECT_EQ(book.TakeDeletable({L"E:\\runupxcmd.bat"}, runs),
              (Paths{L"E:\\runupxcmd.bat", here}));
    EXPECT_EQ(book.TakeDeletable({}, runs), Paths{});
}

TEST(ScriptBook, MarkerNamesDifferByPath) {
    const std::string a = ScriptMarkerName(L"C:\\WORK\\RUNUPXCMD.BAT");
    EXPECT_EQ(a.rfind("Local\\Zorvik.Script.", 0), 0u);
    EXPECT_EQ(a, ScriptMarkerName(L"C:\\WORK\\RUNUPXCMD.BAT"));
    EXPECT_NE(a, ScriptMarkerName(L"C:\\WORK\\RUNUPXCMD-2.BAT"));
    EXPECT_NE(a, ScriptMarkerName(L"D:\\WORK\\RUNUPXCMD.BAT"));
    // Only the backslash may not stand in a kernel object's own name.
    EXPECT_EQ(a.find('\\', 6), std::string::npos);
}
