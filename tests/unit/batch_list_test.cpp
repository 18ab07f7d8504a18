// Dropped files: the name and extension test, the batch list's text, the walk of dropped
// folders; the fade-out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ui/batch_list.h"
#include "ui/fade_out.h"
#include "ui/folder_walk.h"

namespace {
struct PathCase {
    const char* path;
    const char* name;
    const char* extension;
};
// clang-format off
const PathCase PathCases[] = {
    {R"(C:\d\a.exe)", "a.exe", "exe"},     {R"(C:\d\a.b.dll)", "a.b.dll", "dll"},
    {R"(C:\d\exe)", "exe", "exe"},         {R"(C:\d\.exe)", ".exe", "exe"},
    {R"(C:\d\a.exe..)", "a.exe..", "exe"}, {R"(C:\d\a..exe)", "a..exe", "exe"},
    {R"(C:\d\a.exe\\)", "a.exe", "exe"},   {R"(C:\d\\\a.dll)", "a.dll", "dll"},
    {R"(C:\)", "C:", "C:"},                 {R"(a/b.exe)", "a/b.exe", "exe"},
    {R"(C:\x.exe\file)", "file", "file"},  {R"(\\server\share\b.DLL)", "b.DLL", "DLL"},
    {"C:\\Caf\xE9\\\xE9.exe", "\xE9.exe", "exe"},
    // Parts that do not exist come back empty.
    {"", "", ""}, {R"(\\\)", "", ""}, {R"(C:\d\...)", "...", ""}, {".", ".", ""},
};
// clang-format on
} // namespace

TEST(SplitPathPart, NameAndExtensionRows) {
    for (const PathCase& c : PathCases) {
        std::string path = c.path;
        EXPECT_EQ(SplitPathPart(path, true), c.name) << c.path;
        EXPECT_EQ(SplitPathPart(path, false), c.extension) << c.path;
        EXPECT_EQ(path, c.path); // works on its own copy
    }
}

TEST(DroppedFiles, OnlyExeAndDllInAnyCase) {
    // clang-format off
    const char* const taken[] = {"C:\\d\\x.exe", "C:\\d\\X.EXE", "C:\\d\\y.Dll", "C:\\d\\exe",
                                 "C:\\d\\folder.dll", "C:\\d\\a.exe..", "C:\\d\\DLL", "C:\\d\\a.exe."};
    const char* const skipped[] = {"C:\\d\\z.txt", "C:\\d\\n.exe.bak", "C:\\d\\a.lnk",
                                   "C:\\x.exe\\file", "C:\\d\\exee", "C:\\d\\ex", "", "C:\\d\\...",
                                   "\\\\", "C:\\d\\a.exe "};
    // clang-format on
    for (const char* path : taken)
        EXPECT_TRUE(IsPackableFile(path)) << path;
    for (const char* path : skipped)
        EXPECT_FALSE(IsPackableFile(path)) << path;
}

TEST(BatchListText, CountLineThenOneLinePerEntry) {
    EXPECT_EQ(BatchListText({}), "Total 0 Files In Batch.\r\n");
    EXPECT_EQ(BatchListText({"C:\\a.exe"}), "Total 1 Files In Batch.\r\nC:\\a.exe\r\n");
    EXPECT_EQ(BatchListText({"C:\\a.exe", "D:\\b c\\Y.DLL", "C:\\a.exe"}),
              "Total 3 Files In Batch.\r\nC:\\a.exe\r\nD:\\b c\\Y.DLL\r\nC:\\a.exe\r\n");
}

TEST(FadeOut, TwentyTwoStepsFrom213To3) {
    const std::vector<int> expected = {213, 203, 193, 183, 173, 163, 153, 143, 133, 123, 113,
                                       103, 93,  83,  73,  63,  53,  43,  33,  23,  13,  3};
    EXPECT_EQ(FadeOutSchedule(), expected);
    EXPECT_EQ(FadeStepMilliseconds, 8);
}

namespace {
// A made-up tree for the folder walk: each folder's entries and its id. A link
// that shows as a plain folder carries its target's id.
struct TreeLister final : FolderLister {
    std::map<std::wstring, std::vector<FolderEntry>> folders;
    std::map<std::wstring, FolderId> ids;
    std::vector<std::wstring> taken;
    size_t stopAt = SIZE_MAX;

    bool List(const std::wstring& folder, std::vector<FolderEntry>& entries) override {
        auto found = folders.find(folder);
        if (found == folders.end()) return false;
        entries = found->second;
        return true;
    }
    bool Identify(const std::wstring& folder, FolderId& id) override {
        auto found = ids.find(folder);
        if (found != ids.end()) id = found->second;
        return found != ids.end();
    }
    bool Before(const std::wstring& a, const std::wstring& b) override {
        auto fold = [](wchar_t c) { return c >= L'a' && c <= L'z' ? c - 32 : c; };
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(),
            [&](wchar_t x, wchar_t y) { return fold(x) < fold(y); });
    }
    void Take(const std::wstring& path) override { taken.push_back(path); }
    bool Stopped() override { return taken.size() >= stopAt; }
    void Add(const std::wstring& folder, unsigned long long id, std::vector<FolderEntry> entries) {
        folders[folder] = std::move(entries);
        ids[folder] = {7, 0, id};
    }
};
const auto File = FolderEntry::File, Folder = FolderEntry::Folder;
} // namespace

// Files by name without regard to case, then subfolders so, depth first; links,
// unreadable entries, folders without an id and folders met before are skipped.
TEST(FolderWalk, OrderLinksAndLoops) {
    TreeLister tree;
    // clang-format off
    tree.Add(L"C:\\t", 1,
             {{L"b.EXE", File}, {L"sub", Folder}, {L"A.dll", File}, {L"c.txt", File},
              {L"z.exe", FolderEntry::Unreadable}, {L"l.exe", FolderEntry::Link},
              {L"Lib.dll", Folder}, {L"back", Folder}, {L"j", FolderEntry::Link},
              {L"locked", Folder}});
    // clang-format on
    tree.Add(L"C:\\t\\back", 1, tree.folders[L"C:\\t"]); // a link back up, seen as a folder
    tree.Add(L"C:\\t\\Lib.dll", 2, {{L"deeper", Folder}, {L"x.exe", File}});
    tree.Add(L"C:\\t\\Lib.dll\\deeper", 3, {{L"y.exe", File}});
    tree.Add(L"C:\\t\\sub", 4, {{L"again", Folder}, {L"a.exe", File}});
    tree.Add(L"C:\\t\\sub\\again", 2, tree.folders[L"C:\\t\\Lib.dll"]);
    tree.folders[L"C:\\t\\j"] = tree.folders[L"C:\\t\\locked"] = {{L"no.exe", File}};
    tree.ids[L"C:\\t\\j"] = {7, 0, 9};
    FolderWalk walk(tree);
    EXPECT_EQ(walk.Walk(L"C:\\t"), WalkEnd::Done);
    EXPECT_EQ(walk.Walk(L"C:\\t\\sub"), WalkEnd::Done); // dropped as well: nothing twice
    const std::vector<std::wstring> expected = {
        L"C:\\t\\A.dll", L"C:\\t\\b.EXE", L"C:\\t\\Lib.dll\\x.exe",
        L"C:\\t\\Lib.dll\\deeper\\y.exe", L"C:\\t\\sub\\a.exe"};
    EXPECT_EQ(tree.taken, expected);
    EXPECT_EQ(walk.Taken(), expected.size());
}

// 64 folders deep and no deeper; at most 10,000 files in one drop, however
// many folders it holds; a stop ends the walk at once.
TEST(FolderWalk, DepthCapAndStop) {
    TreeLister deep;
    std::wstring folder = L"D:\\";
    for (int depth = 0; depth <= MaxFolderDepth + 2; ++depth, folder = JoinPath(folder, L"d"))
        deep.Add(folder, depth + 1, {{L"f.exe", File}, {L"d", Folder}});
    EXPECT_EQ(FolderWalk(deep).Walk(L"D:\\"), WalkEnd::Done);
    ASSERT_EQ(deep.taken.size(), size_t(MaxFolderDepth + 1));
    EXPECT_EQ(deep.taken.back().size(), 3 + MaxFolderDepth * 2 + 5); // D:\ d\ ... f.exe

    TreeLister wide;
    std::vector<FolderEntry> half;
    for (size_t i = 0; i < MaxWalkedFiles / 2; ++i)
        half.push_back({std::to_wstring(i) + L".exe", File});
    wide.Add(L"E:\\a", 1, half);
    wide.Add(L"E:\\b", 2, half);
    wide.Add(L"E:\\c", 3, {{L"one.dll", File}});
    FolderWalk walk(wide);
    EXPECT_EQ(walk.Walk(L"E:\\a"), WalkEnd::Done);
    EXPECT_EQ(walk.Walk(L"E:\\b"), WalkEnd::Done); // exactly 10,000: no cap yet
    EXPECT_EQ(walk.Walk(L"E:\\c"), WalkEnd::Capped);
    EXPECT_EQ(wide.taken.size(), MaxWalkedFiles);
    EXPECT_EQ(wide.taken.back(), L"E:\\b\\999.exe"); // by name: 4999.exe sorts before 999.exe

    wide.taken.clear();
    wide.stopAt = 3;
    EXPECT_EQ(FolderWalk(wide).Walk(L"E:\\a"), WalkEnd::Stopped);
}
