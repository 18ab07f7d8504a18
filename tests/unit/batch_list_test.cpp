// Dropped files: the name and extension test, the batch list's text; the fade-out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/batch_list.h"
#include "ui/fade_out.h"

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
