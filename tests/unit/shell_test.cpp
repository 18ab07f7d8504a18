// The settings file's text and the Explorer verb's command.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "shell/settings.h"
#include "shell/verb.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
struct SettingsCase {
    std::string text;
    int state;
};
// Every case read the way scanning "[Shell Menu] : %d" reads it.
// clang-format off
const SettingsCase SettingsCases[] = {
    {"[Shell Menu] : 1", 1}, {"[Shell Menu] : 0", 0}, {"[Shell Menu] : 2", 2},
    {"[Shell Menu] : -1", -1}, {"[Shell Menu] : +1", 1}, {"[Shell Menu] : 007", 7},
    {"[Shell Menu] : 12abc", 12}, {"[Shell Menu] : 2147483647", INT_MAX},
    {"[Shell Menu] : -2147483648", INT_MIN}, {"", 0}, {"garbage", 0}, {"1", 0},
    {" [Shell Menu] : 1", 0}, {"\n[Shell Menu] : 1", 0}, // white space before the bracket
    {"[shell menu] : 1", 0},                               // letters match in their case only
    {"[ShellMenu]:1", 1}, {"[Shell Menu]:1", 1},           // a pattern blank matches none too
    {"[Shell  Menu]\t\t:\r\n 1", 1}, {"[Shell Menu] : 1\r\nmore text", 1},
    {"[Shell Menu] : 1\nmore", 1}, {"[Shell Menu] : 1 2", 1},
    {"[Shell Menu] : ", 0}, {"[Shell Menu] :", 0}, {"[Shell Menu]", 0}, // no number
    {"[Shell Menu] 1", 0}, {"[Shell Menu] : x1", 0}, {"[Shell Menu] : +", 0},
    {"[Shell Menu] : - 1", 0}, {"[Shell Menu] : --1", 0},
    {std::string("[Shell Menu] : \0" "1", 17), 0},
};
// clang-format on
} // namespace

TEST(SettingsFile, ScanRules) {
    for (const SettingsCase& c : SettingsCases)
        EXPECT_EQ(ParseShellMenuState(c.text), c.state) << "[" << c.text << "]";
}

TEST(SettingsFile, HugeNumberDoesNotInstallTheVerb) {
    // 2^32 + 1 and -(2^32 - 1) wrap round to 1 in a 32-bit accumulator.
    const char* const huge[] = {"[Shell Menu] : 4294967297", "[Shell Menu] : -4294967295",
                                "[Shell Menu] : 8589934593", "[Shell Menu] : 18446744073709551617",
                                "[Shell Menu] : 99999999999999999999999999999999999999991"};
    for (const char* text : huge)
        EXPECT_NE(ParseShellMenuState(text), 1) << text;
}

TEST(SettingsFile, CanonicalTextsAreSixteenBytes) {
    EXPECT_EQ(std::string(SettingsText(true)), "[Shell Menu] : 1");
    EXPECT_EQ(std::string(SettingsText(false)), "[Shell Menu] : 0");
    EXPECT_EQ(SettingsFileText(true, {}), "[Shell Menu] : 1"); // every option off: no second line
}

// The options' line follows the verb's and leaves its reading alone; a line
// Zorvik cannot read means every option off.
TEST(SettingsFile, OptionsLine) {
    const PackerOptions all{true, true, true}, backup{false, true, false};
    const std::string allText = "[Shell Menu] : 0\r\n[Packer Options] : --lzma -k --force";
    EXPECT_EQ(SettingsFileText(false, all), allText);
    EXPECT_EQ(SettingsFileText(true, backup), "[Shell Menu] : 1\r\n[Packer Options] : -k");
    EXPECT_EQ(ParseShellMenuState(SettingsFileText(true, all)), 1);
    EXPECT_EQ(ParseSettingsOptions(allText), all);
    EXPECT_EQ(ParseSettingsOptions("[Shell Menu] : 1\n[Packer Options] :-k\r\n"), backup);
    EXPECT_EQ(ParseSettingsOptions("[Shell Menu]:1\n[Packer Options] : --force  --lzma\nx"),
              (PackerOptions{true, false, true}));
    for (const char* unread : {"[Shell Menu] : 1", "[Shell Menu] : 1\r\n", "[Packer Options] : -k",
                               "[Shell Menu] : 1\r\n[Packer Options] : -k --best",
                               "[Shell Menu] : 1\r\n[packer options] : -k",
                               "[Shell Menu] : 1\r\nmore text\r\n[Packer Options] : -k",
                               "[Shell Menu] : 1\r\n [Packer Options] : -k",
                               "[Shell Menu] : 1\r\n[Packer Options] : -kk"})
        EXPECT_EQ(ParseSettingsOptions(unread), PackerOptions()) << "[" << unread << "]";
}

#ifdef _WIN32
// The same cases through the C runtime that Windows ships.
TEST(SettingsFile, AgreesWithMsvcrtScanf) {
    using Scan = int(__cdecl*)(const char*, const char*, ...);
    HMODULE msvcrt = LoadLibraryA("msvcrt.dll");
    ASSERT_NE(msvcrt, nullptr);
    auto scan = reinterpret_cast<Scan>(reinterpret_cast<void*>(GetProcAddress(msvcrt, "sscanf")));
    ASSERT_NE(scan, nullptr);
    for (const SettingsCase& c : SettingsCases) {
        int state = 0;
        scan(c.text.c_str(), "[Shell Menu] : %d", &state);
        EXPECT_EQ(ParseShellMenuState(c.text), state) << "[" << c.text << "]";
    }
}
#endif

TEST(VerbCommand, QuotedProgramThenTheFile) {
    EXPECT_EQ(VerbCommand("C:\\Program Files\\Zorvik\\Zorvik.exe"),
              "\"C:\\Program Files\\Zorvik\\Zorvik.exe\" \"%1\" ");
    EXPECT_EQ(VerbCommand("zorvik"), "\"zorvik\" \"%1\" ");
    // Explorer would read "%1" (and %2, %L, %*, ...) in the program's path as its own.
    EXPECT_EQ(VerbCommand("C:\\a%1%\\Zorvik.exe"), "\"C:\\a%%1%%\\Zorvik.exe\" \"%1\" ");
}

TEST(VerbCommand, FitsIn280Bytes) {
    // The command adds 8 characters to the program; 279 and its NUL fit.
    EXPECT_TRUE(VerbCommandFits(VerbCommand("C:\\" + std::string(268, 'p'))));
    EXPECT_FALSE(VerbCommandFits(VerbCommand("C:\\" + std::string(269, 'p'))));
    EXPECT_TRUE(VerbCommandFits(std::string(279, 'c')));
    EXPECT_FALSE(VerbCommandFits(std::string(280, 'c')));
}
