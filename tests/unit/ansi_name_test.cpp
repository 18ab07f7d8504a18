// The strict UTF-16 to ANSI conversion, on Windows' own code page tables
// (built only for Windows; runs under Wine). Each code page is named, so the
// system's own ANSI code page does not matter.
#include <gtest/gtest.h>

#include "app/ansi_name_win.h"

namespace {
std::optional<std::string> Bytes(const char* bytes) {
    return std::string(bytes);
}
} // namespace

TEST(ExactAnsi, Windows1252SpellsItsOwnLettersAndNoLookAlike) {
    EXPECT_EQ(ExactAnsi(L"C:\\Caf\u00e9\\a b.exe", 1252), Bytes("C:\\Caf\xe9\\a b.exe"));
    EXPECT_EQ(ExactAnsi(L"\u20ac\u0153.dll", 1252), Bytes("\x80\x9c.dll")); // euro, oe
    EXPECT_EQ(ExactAnsi(L"", 1252), Bytes(""));
    // Best fit would make these "a.exe", "..\a.exe", "a".exe" and "?.exe".
    for (const wchar_t* name : {L"\u0101.exe", L"..\uff3ca.exe", L"a\uff02.exe", L"\u0436.exe"})
        EXPECT_EQ(ExactAnsi(name, 1252), std::nullopt) << static_cast<unsigned>(name[0]);
}

TEST(ExactAnsi, DoubleBytePage932) {
    EXPECT_EQ(ExactAnsi(L"C:\\\u30c6\u30b9\u30c8.exe", 932),
              Bytes("C:\\\x83\x65\x83\x58\x83\x67.exe"));
    // U+FF3C has a place of its own in 932; its bytes are no backslash.
    EXPECT_EQ(ExactAnsi(L"..\uff3ca.exe", 932), Bytes("..\x81\x5f"
                                                      "a.exe"));
    // The yen sign would best-fit to 0x5C, a backslash to the packer.
    EXPECT_EQ(ExactAnsi(L"C:\\\u00a5.exe", 932), std::nullopt);
    EXPECT_EQ(ExactAnsi(L"\u0101.exe", 932), std::nullopt);
}

TEST(ExactAnsi, Utf8TakesNoBestFitFlagsAndStillRefusesLoneSurrogates) {
    EXPECT_EQ(ExactAnsi(L"\u0101\uff3c.exe", CP_UTF8), Bytes("\xc4\x81\xef\xbc\xbc.exe"));
    EXPECT_EQ(ExactAnsi(L"a\xd800.exe", CP_UTF8), std::nullopt);
}

// Batch scripts go from the ANSI code page into the console's, either of which
// may be UTF-8 or double-byte.
TEST(ExactRecode, Utf8AndDoubleBytePagesBothWays) {
    const std::string table932 = "C:\\\x95\x5C\\a.exe", tableUtf8 = "C:\\\xe8\xa1\xa8\\a.exe";
    EXPECT_EQ(ExactRecode(table932, 932, CP_UTF8), Bytes(tableUtf8.c_str()));
    EXPECT_EQ(ExactRecode(tableUtf8, CP_UTF8, 932), Bytes(table932.c_str()));
    EXPECT_EQ(ExactRecode(tableUtf8, CP_UTF8, CP_UTF8), Bytes(tableUtf8.c_str()));
    EXPECT_EQ(ExactRecode("C:\\Caf\xe9.exe", 1252, CP_UTF8), Bytes("C:\\Caf\xc3\xa9.exe"));
    EXPECT_EQ(ExactRecode("C:\\Caf\xe9.exe", 1252, 850), Bytes("C:\\Caf\x82.exe"));
    // Not in the console's page: U+0101 in 932, U+8868 in 850 (best fit would give "a" and "?").
    EXPECT_EQ(ExactRecode("\xc4\x81.exe", CP_UTF8, 932), std::nullopt);
    EXPECT_EQ(ExactRecode(table932, 932, 850), std::nullopt);
    // Not valid in its own page: a lone lead byte, a cut UTF-8 sequence.
    EXPECT_EQ(ExactRecode("C:\\\x95", 932, CP_UTF8), std::nullopt);
    EXPECT_EQ(ExactRecode("C:\\\xe8\xa1", CP_UTF8, CP_UTF8), std::nullopt);
    // Handed-over ANSI text is read so too.
    EXPECT_EQ(ExactWide(table932, 932), std::optional<std::wstring>(L"C:\\\u8868\\a.exe"));
    EXPECT_EQ(ExactWide("C:\\\x95", 932), std::nullopt);
}
