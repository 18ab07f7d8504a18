// Start-up: the command-line tail, the hand-off payload and the program's paths.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/app_paths.h"
#include "app/command_tail.h"
#include "app/hand_off.h"
#include "app/texts.h"

namespace {
// A stand-in for the ANSI code page that spells ASCII alone.
std::optional<std::string> AsciiOnly(const std::wstring& name) {
    std::string text;
    for (wchar_t c : name) {
        if (c >= 0x80) return std::nullopt;
        text += static_cast<char>(c);
    }
    return text;
}

AppPaths PathsOf(const std::string& module) {
    std::optional<AppPaths> paths =
        ComputeAppPaths(std::wstring(module.begin(), module.end()), AsciiOnly);
    EXPECT_TRUE(paths.has_value()) << module;
    return paths.value_or(AppPaths());
}
} // namespace

struct TailCase {
    const char* commandLine;
    const char* tail;
};

TEST(CommandTail, QuotesBlanksAndTabs) {
    // clang-format off
    const TailCase cases[] = {
        // The verb's command line: the tail keeps its quotes and trailing blank.
        {R"("C:\p\Zorvik.exe" "D:\bin\app.exe" )", R"("D:\bin\app.exe" )"},
        {R"("C:\a b\Zorvik.exe" C:\x.exe)", R"(C:\x.exe)"},
        {"Zorvik.exe", ""}, {"Zorvik.exe   ", ""}, {"", ""}, {" \t ", ""}, {"\"\"", ""},
        {"Zorvik.exe\targ", "arg"}, {" \t\"C:\\a b\\Z.exe\" \t  x  y \t", "x  y \t"},
        {"Zorvik.exe \t \"a\" \"b\"  ", "\"a\" \"b\"  "},
        {R"("C:\no close x y)", ""},            // a missing closing quote runs to the end
        {R"("C:\p\Z.exe"arg rest)", "arg rest"}, // the name ends at its closing quote
        {R"(C:\a"b c d)", "c d"},               // an unquoted name runs to the first blank
    };
    // clang-format on
    for (const TailCase& c : cases)
        EXPECT_EQ(CommandTail(c.commandLine), c.tail) << "command line [" << c.commandLine << "]";
    EXPECT_EQ(CommandTail(cases[0].commandLine).size(), 17u);
}

TEST(CommandTail, ProgramNameIsTheFirstArgumentWithoutQuotes) {
    EXPECT_EQ(CommandProgram(LR"("C:\a b\Zorvik.exe" "D:\x.exe" )"), LR"(C:\a b\Zorvik.exe)");
    EXPECT_EQ(CommandProgram(L"Zorvik.exe\targ"), L"Zorvik.exe");
    EXPECT_EQ(CommandProgram(LR"("C:\no close x)"), LR"(C:\no close x)");
    EXPECT_EQ(CommandProgram(LR"(C:\a"b c)"), LR"(C:\a"b)"); // quotes count only at the start
    EXPECT_EQ(CommandProgram(L"\"\""), L"");
    EXPECT_EQ(CommandProgram(L" Zorvik.exe"), L""); // a leading blank: the first argument is empty
}

// A later instance makes these full in its own folder before it hands them over.
TEST(CommandTail, RelativePathsAreTakenOutOfTheirQuotesFullOnesAreLeft) {
    const struct {
        const wchar_t* tail;
        const wchar_t* relative;
    } cases[] = {
        {L"foo.exe", L"foo.exe"},
        {L"\"..\\a b\\foo.exe\" ", L"..\\a b\\foo.exe"},
        {L"\\foo.exe", L"\\foo.exe"},  // the current drive's root
        {L"C:foo.exe ", L"C:foo.exe"}, // that drive's current folder
        {L"\"\u8868\" ", L"\u8868"},
        {L"\"C:\\a\\foo.exe\" ", L""},
        {L"c:/a/foo.exe", L""},
        {L"\\\\server\\share\\foo.exe", L""},
        {L"", L""},
        {L" \t", L""},
        {L"\"\" ", L""},
        {L"a.exe\" & calc & \"", L""}, // no path: handed over as it is, and refused
        {L"a|b.exe", L""},
        {L"a\nb.exe", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RelativePathIn(c.tail), c.relative) << static_cast<int>(c.tail[0]);
}

TEST(HandOffPayload, StopsAtNulOrSize) {
    const char data[] = "abc\0def";
    EXPECT_EQ(HandOffPayloadText(data, sizeof data), "abc");
    EXPECT_EQ(HandOffPayloadText(data, 2), "ab");
    // As the sender sends it: the text and its NUL, length + 1 bytes.
    const char tail[] = "\"D:\\bin\\app.exe\" ";
    EXPECT_EQ(HandOffPayloadText(tail, 18), tail);
    EXPECT_EQ(HandOffPayloadText(data, 0), "");
    EXPECT_EQ(HandOffPayloadText("\0x", 2), "");
    EXPECT_EQ(HandOffPayloadText(nullptr, 10), "");
    // UTF-16, little-endian, from any address: whole units only.
    const char wide[] = "x\x01y\x01\0\0z";
    EXPECT_EQ(HandOffPayloadWide(wide, 7), std::wstring({wchar_t(0x178), wchar_t(0x179)}));
    EXPECT_EQ(HandOffPayloadWide(wide + 1, 3), std::wstring(1, wchar_t(0x7901)));
    EXPECT_EQ(HandOffPayloadWide(wide, 1), L"");
    EXPECT_EQ(HandOffPayloadWide(nullptr, 4), L"");
}

TEST(HandOffPayload, FiveThousandBytesWithoutNulAreReadWithinTheirSize) {
    // On the heap with nothing after it, so a read past the end shows under ASan.
    const size_t size = 5000;
    std::unique_ptr<char[]> data(new char[size]);
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>('a' + i % 26);
    std::string text = HandOffPayloadText(data.get(), size);
    ASSERT_EQ(text.size(), size);
    EXPECT_EQ(text, std::string(data.get(), size));
}

TEST(AppPaths, BesideTheExecutable) {
    AppPaths paths = PathsOf("C:\\a b\\Zorvik.exe");
    EXPECT_EQ(paths.ProgramFolder, "C:\\a b");
    EXPECT_EQ(paths.PackerPath, "C:\\a b\\upx.exe");
    EXPECT_EQ(paths.SettingsPath, "C:\\a b\\zir.cfg");

    EXPECT_EQ(PathsOf("C:\\x.y\\sub\\Z.exe").PackerPath, "C:\\x.y\\sub\\upx.exe");
    paths = PathsOf("Zorvik.exe");
    EXPECT_EQ(paths.ProgramFolder, "");
    EXPECT_EQ(paths.PackerPath, "\\upx.exe");
    EXPECT_EQ(paths.SettingsPath, "\\zir.cfg");

    // Only the folder must be spelled: the packer is never looked for in a
    // look-alike folder.
    EXPECT_EQ(ComputeAppPaths(L"C:\\\u0101\\Zorvik.exe", AsciiOnly), std::nullopt);
    EXPECT_EQ(
        ComputeAppPaths(L"C:\\a\\Zorvik\u0101.exe", AsciiOnly).value_or(AppPaths()).PackerPath,
        "C:\\a\\upx.exe");
}

TEST(AppPaths, AnsiPathLimitAt260Characters) {
    // "\upx.exe" and "\zir.cfg" add 8 characters each to the folder.
    const std::string folder259 = "C:\\" + std::string(248, 'f');
    ASSERT_EQ(folder259.size() + 8, 259u);
    EXPECT_TRUE(FitsAnsiPathLimit(PathsOf(folder259 + "\\Zorvik.exe")));
    EXPECT_FALSE(FitsAnsiPathLimit(PathsOf(folder259 + "g\\Zorvik.exe")));
    EXPECT_FALSE(FitsAnsiPathLimit(PathsOf(folder259 + std::string(300, 'g') + "\\Z.exe")));
}

TEST(AppPaths, MissingPackerMessage) {
    EXPECT_EQ(MissingPackerText(),
              std::string("Error :\n"
                          "upx.exe not found ! Download it from "
                          "https://github.com/upx/upx/releases \n"
                          "and put it in same folder as this program.\n"
                          "after Pressing OK that folder will be automatically opened.\n"
                          "More Apps : ") +
                  MakerSiteAddress);
}

TEST(HandOff, OutcomeFromTheAnswerAndTheError) {
    EXPECT_EQ(HandOffOutcome(HandOffFiled, 0), HandOffResult::Filed);
    EXPECT_EQ(HandOffOutcome(HandOffFiled, HandOffAccessDenied), HandOffResult::Filed);
    // Windows keeps WM_COPYDATA from a Zorvik run as administrator: say so at once.
    EXPECT_EQ(HandOffOutcome(0, HandOffAccessDenied), HandOffResult::Elevated);
    // A closing window refuses, one that is gone leaves ERROR_INVALID_WINDOW_HANDLE:
    // the tail waits for the next application.
    EXPECT_EQ(HandOffOutcome(0, 0), HandOffResult::NotFiled);
    EXPECT_EQ(HandOffOutcome(0, 1400), HandOffResult::NotFiled);
}
