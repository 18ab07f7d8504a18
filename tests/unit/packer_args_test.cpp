// The method table and the packer's parameters for one file.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <optional>
#include <string>

#include "packer/packer_args.h"
#include "packer/script.h"
#include "ui/method_table.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace {
const char* const Low = "Yeah ! 1, 2 and 3 are good :)";
const char* const Middle = "Yeah ! 4, 5 and 6 are also good :)";
const char* const High = "Yeah ! 7, 8 and 9 are very good :)";

struct Row {
    const char* label;
    const char* hint;
    const char* option;
};
// clang-format off
const Row Rows[13] = {
    {"Normal", "Normal ,Yeah it's Recommanded", "-8"},
    {"Best", "Best , Umm It'll take time", "--best"},
    {"Brute", "Brute , It'll take big time", "--brute"},
    {"Ultra Brute", "Ultra Brute , It'll take very long time", "--ultra-brute"},
    {"1", Low, "-1"},    {"2", Low, "-2"},    {"3", Low, "-3"},
    {"4", Middle, "-4"}, {"5", Middle, "-5"}, {"6", Middle, "-6"},
    {"7", High, "-7"},   {"8", High, "-8"},   {"9", High, "-9"},
};
// clang-format on
const int NoRows[] = {-1, 13, 14, 100, INT_MIN, INT_MAX};
} // namespace

TEST(MethodTable, EveryRowInOrder) {
    ASSERT_EQ(MethodCount, 13u);
    for (int row = 0; row < 13; ++row) {
        EXPECT_STREQ(MethodTable[row].label, Rows[row].label) << "row " << row;
        EXPECT_STREQ(MethodTable[row].hint, Rows[row].hint) << "row " << row;
        EXPECT_STREQ(MethodHint(row), Rows[row].hint) << "row " << row;
        EXPECT_STREQ(MethodOption(row), Rows[row].option) << "row " << row;
    }
}

TEST(MethodTable, NoRowLeavesTheHintAndPacksWithMinus8) {
    for (int row : NoRows) {
        EXPECT_EQ(MethodHint(row), nullptr) << "row " << row;
        EXPECT_STREQ(MethodOption(row), "-8") << "row " << row;
    }
}

// Field texts as a user can have them, and the one argument each must become.
struct FieldCase {
    const char* field;
    const char* argument;
};
const FieldCase FieldTexts[] = {
    {R"(C:\a.exe)", R"("C:\a.exe")"},
    {R"(C:\Program Files\a.exe)", R"("C:\Program Files\a.exe")"}, // as the chooser gives it
    {R"("D:\x.exe" )", R"("D:\x.exe")"},                          // as a verb start gives it
    {R"("C:\Program Files\b c.dll")", R"("C:\Program Files\b c.dll")"},
    {" \t C:\\a b.exe \t", R"("C:\a b.exe")"},
    {R"(C:\100%\a.exe)", R"("C:\100%\a.exe")"},
    {R"(C:\dir\)", R"("C:\dir\\")"}, // the runtime's splitting gives back one backslash
    {R"("C:\dir\\" )", R"("C:\dir\\\\")"},
    {R"(C:\a\\b.exe)", R"("C:\a\\b.exe")"}, // backslashes not before the quote stay
};

TEST(PackerParameters, CompressEveryRowQuotesThePathOnce) {
    for (int row = -1; row <= 13; ++row) {
        const bool isRow = row >= 0 && row < 13;
        const std::string option = isRow ? Rows[row].option : "-8";
        for (const FieldCase& c : FieldTexts) {
            EXPECT_EQ(CompressParameters(row, c.field, NoLeadBytes), option + " " + c.argument)
                << "row " << row << ", field [" << c.field << "]";
        }
    }
    EXPECT_EQ(CompressParameters(INT_MIN, R"("D:\x.exe" )", NoLeadBytes), R"(-8 "D:\x.exe")");
}

TEST(PackerParameters, OptionsFollowTheMethodWhereTheyApply) {
    const PackerOptions all{true, true, true};
    EXPECT_EQ(CompressParameters(1, R"("D:\x.exe" )", NoLeadBytes, all),
              R"(--best --lzma -k --force "D:\x.exe")");
    EXPECT_EQ(CompressParameters(0, "D:\\x.exe", NoLeadBytes, {false, false, true}),
              R"(-8 --force "D:\x.exe")");
    EXPECT_EQ(DecompressParameters("D:\\x.exe", NoLeadBytes, all), R"(-d -k "D:\x.exe")");
    EXPECT_EQ(DecompressParameters("D:\\x.exe", NoLeadBytes, {true, false, true}),
              R"(-d "D:\x.exe")");
    EXPECT_EQ(FileParameters("-t", R"("D:\x.exe" )", NoLeadBytes), R"(-t "D:\x.exe")");
    EXPECT_EQ(FileParameters("-l", " ", NoLeadBytes), std::nullopt);
}

TEST(PackerParameters, DecompressQuotesThePathOnce) {
    EXPECT_EQ(DecompressParameters(R"("D:\x.exe" )", NoLeadBytes), R"(-d "D:\x.exe")");
    for (const FieldCase& c : FieldTexts)
        EXPECT_EQ(DecompressParameters(c.field, NoLeadBytes), std::string("-d ") + c.argument)
            << c.field;
}

TEST(PackerParameters, TextThatIsNoPathStartsNothing) {
    // clang-format off
    const char* const notPaths[] = {
        "", "   ", "\t", "\" \" ", "\"\"", " \"\" ", R"(C:\a"b.exe)", R"("C:\x.exe)", R"(C:\x.exe")",
        R"(""D:\x.exe" ")", R"(""C:\a.exe"")", // quoted twice: only one pair is removed
        R"(C:\a.exe" & calc & ")", R"(C:\a<b.exe)", R"(C:\a>b.exe)", R"(C:\a|b.exe)",
        R"(C:\*.exe)", R"(C:\a?.exe)", "C:\\a\nb.exe", "C:\\a\rb.exe", "C:\\a\x01.exe",
        "C:\\a\x7f.exe"};
    // clang-format on
    for (const char* text : notPaths) {
        EXPECT_EQ(CompressParameters(0, text, NoLeadBytes), std::nullopt) << "[" << text << "]";
        EXPECT_EQ(CompressParameters(-1, text, NoLeadBytes), std::nullopt) << "[" << text << "]";
        EXPECT_EQ(DecompressParameters(text, NoLeadBytes), std::nullopt) << "[" << text << "]";
    }
}

namespace {
// Code page 932's lead bytes. Its second bytes include "\\" and "|":
// \u30dd\u30fc\u30c8 is 83 7C 81 5B 83 67, \u8868 95 5C.
bool Cp932Lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
const std::string Port = "\x83\x7C\x81\x5B\x83\x67.exe", Table = "\x95\x5C";
} // namespace

TEST(PackerParameters, DoubleByteNamesAreReadByCharacter) {
    EXPECT_EQ(CompressParameters(0, "\"C:\\" + Port + "\" ", Cp932Lead), "-8 \"C:\\" + Port + "\"");
    EXPECT_EQ(DecompressParameters("C:\\" + Table, Cp932Lead), "-d \"C:\\" + Table + "\"");
    EXPECT_EQ(DecompressParameters("C:\\" + Table + "\\", Cp932Lead),
              "-d \"C:\\" + Table + "\\\\\"");
    EXPECT_EQ(CompressParameters(0, "C:\\" + Table + "|.exe", Cp932Lead), std::nullopt);
    EXPECT_EQ(CompressParameters(0, "C:\\" + Port, NoLeadBytes), std::nullopt); // a "|" byte
    // A lead byte at the very end has no second byte to take.
    EXPECT_EQ(QuoteArgument("C:\\\x95", Cp932Lead), "\"C:\\\x95\"");

    // Batches, from hand-offs, in a folder whose name ends in a "\\" byte.
    const auto same = [](const std::string& s) { return std::optional<std::string>(s); };
    const std::string folder = "C:\\" + Table;
    EXPECT_EQ(
        ComposeScript(ScriptKind::Pack, folder + "\\upx.exe", "C:\\Windows\\System32",
                      {"\"" + folder + "\" ", "\"" + folder + "\\" + Port + "\" "}, EntryStyle::Raw,
                      same, 932, Cp932Lead)
            .bytes,
        ScriptStart + (ScriptClearUpx + CodePageLine("C:\\Windows\\System32", 932)) +
            ("\"" + folder + "\\upx.exe\" \"" + folder + "\" \"" + folder + "\\" + Port + "\" ") +
            ScriptTail);
}

#ifdef _WIN32
// The parameters as Windows' own splitter reads them: the option, then exactly
// the path, as one argument.
TEST(PackerParameters, WindowsSplitsThePathBackIntoOneArgument) {
    const char* const paths[] = {R"(C:\Program Files\a.exe)", R"(C:\dir\)", R"(D:\a b\\)",
                                 R"(C:\x y\z.dll)"};
    for (const char* path : paths) {
        std::optional<std::string> parameters = CompressParameters(3, path, NoLeadBytes);
        ASSERT_TRUE(parameters.has_value()) << path;
        std::wstring line = L"upx.exe " + std::wstring(parameters->begin(), parameters->end());
        int count = 0;
        LPWSTR* argv = CommandLineToArgvW(line.c_str(), &count);
        ASSERT_NE(argv, nullptr);
        ASSERT_EQ(count, 3) << *parameters;
        EXPECT_EQ(std::wstring(argv[1]), L"--ultra-brute");
        EXPECT_EQ(std::wstring(argv[2]), std::wstring(path, path + std::strlen(path)));
        LocalFree(argv);
    }
}
#endif

TEST(PackerParameters, NameThatLooksLikeAnOptionStaysAFile) {
    EXPECT_EQ(CompressParameters(0, "-d", NoLeadBytes), R"(-8 ".\-d")");
    EXPECT_EQ(DecompressParameters(R"("--best.exe" )", NoLeadBytes), R"(-d ".\--best.exe")");
    const auto same = [](const std::string& s) { return std::optional<std::string>(s); };
    EXPECT_EQ(ComposeScript(ScriptKind::Pack, R"(C:\z\upx.exe)", "C:\\Windows\\System32",
                            {"-d", R"(C:\a.exe)"}, EntryStyle::Quoted, same, 437, NoLeadBytes)
                  .bytes,
              ScriptStart + (ScriptClearUpx + CodePageLine("C:\\Windows\\System32", 437)) +
                  std::string("\"C:\\z\\upx.exe\" \".\\-d\" \"C:\\a.exe\" ") + ScriptTail);
}
