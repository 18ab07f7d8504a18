// Batches: the confirmation and the bytes of the batch scripts.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "packer/confirm.h"
#include "packer/script.h"

namespace {
using Strings = std::vector<std::string>;
const std::string Packer = "C:\\z\\upx.exe";
const std::string System = "C:\\Windows\\System32";
const std::string PackHead = "\"C:\\z\\upx.exe\" ";
const std::string Ask = "Are you sure you want to compress them all ?\n\n";
const std::string AskUnpack = "Are you sure you want to Decompress them all ?\n\n";
const std::string Start =
    std::string(ScriptStart) + ScriptClearUpx + "@\"C:\\Windows\\System32\\chcp.com\" 437 >nul\r\n";
const std::string End = ScriptTail;

std::optional<std::string> Identity(const std::string& text) {
    return text;
}

// A console code page stand-in: 'é' (0xE9 in the ANSI page) becomes 0x82,
// '¤' (0xA4) has no place in it.
std::optional<std::string> FakeOem(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\xA4') return std::nullopt;
        out += c == '\xE9' ? '\x82' : c;
    }
    return out;
}

Script Pack(const Strings& entries, EntryStyle style = EntryStyle::Quoted) {
    return ComposeScript(ScriptKind::Pack, Packer, System, entries, style, Identity, 437,
                         NoLeadBytes);
}

std::string Path(size_t length, char fill = 'a') {
    return "C:\\" + std::string(length - 3, fill);
}

// Checks the layout every script keeps (packer lines with `head` under the
// limit, then the tail) and gives the quoted paths in order.
Strings PathsIn(const std::string& script, const std::string& head) {
    Strings paths;
    if (script.size() < End.size() || script.compare(script.size() - End.size(), End.size(), End)) {
        ADD_FAILURE() << "the script does not end in the tail";
        return paths;
    }
    const std::string bytes = script.substr(0, script.size() - End.size() + 2);
    EXPECT_EQ(bytes.compare(0, Start.size(), Start), 0) << "the script's first line";
    size_t at = Start.size();
    for (size_t end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string line = bytes.substr(at, end - at);
        EXPECT_LE(line.size() + 2, MaxScriptLine);
        EXPECT_EQ(line.compare(0, head.size(), head), 0) << line.substr(0, 40);
        for (size_t p = head.size(); p < line.size();) {
            size_t close = line.find('"', p + 1);
            if (line[p] != '"' || close == std::string::npos || line[close + 1] != ' ') {
                ADD_FAILURE() << "not a quoted path and a blank at " << p;
                break;
            }
            paths.push_back(line.substr(p + 1, close - p - 1));
            p = close + 2;
        }
    }
    EXPECT_EQ(at, bytes.size());
    return paths;
}
} // namespace

TEST(ConfirmText, ExampleBatch) {
    EXPECT_EQ(ConfirmTextFor(ScriptKind::Pack, {"\"C:\\a.exe\" ", "\"C:\\b.exe\" "}, "C:\\c.exe"),
              "Total 3 items Selected !\nAre you sure you want to compress them all ?\n\n"
              "C:\\c.exe\n\"C:\\a.exe\" \"C:\\b.exe\" ");
}

TEST(ConfirmText, CountsEveryEntryListsTenHandOffs) {
    Strings twelve;
    for (char c = 'a'; c < 'a' + 12; ++c)
        twelve.push_back("\"C:\\" + std::string(1, c) + ".exe\" ");
    std::string firstTen;
    for (int i = 0; i < 10; ++i)
        firstTen += twelve[i];
    const std::string file = "C:\\Program Files\\f.exe";
    struct {
        ScriptKind kind;
        Strings handOffs;
        std::string field, text;
    } cases[] = {
        // clang-format off
        {ScriptKind::Pack, {"\"C:\\a.exe\" "}, file,
         "Total 2 items Selected !\n" + Ask + file + "\n\"C:\\a.exe\" "},
        {ScriptKind::Pack, {"\"C:\\a.exe\" "}, "Please Choose a File",
         "Total 1 items Selected !\n" + Ask + "\"C:\\a.exe\" "},
        {ScriptKind::Unpack, {""}, "PLEASE choose A FILE", "Total 1 items Selected !\n" + AskUnpack},
        {ScriptKind::Unpack, {"\"C:\\a.exe\" ", "\"C:\\b.exe\" "}, "please choose a file",
         "Total 2 items Selected !\n" + AskUnpack + "\"C:\\a.exe\" \"C:\\b.exe\" "},
        {ScriptKind::Pack, twelve, file, "Total 13 items Selected !\n" + Ask + file + "\n" + firstTen},
        {ScriptKind::Unpack, twelve, "Please Choose a File",
         "Total 12 items Selected !\n" + AskUnpack + firstTen},
        // Only the prompt itself is not a file: a blank after it makes one.
        {ScriptKind::Pack, {""}, "Please Choose a File ",
         "Total 2 items Selected !\n" + Ask + "Please Choose a File \n"},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConfirmTextFor(c.kind, c.handOffs, c.field), c.text) << c.field;
}

TEST(ConfirmText, SelectionIsHandOffsThenTheFieldsFile) {
    const Strings handOffs = {"\"C:\\b.exe\" ", "", "\"C:\\a.exe\" "};
    Strings withFile = handOffs;
    withFile.push_back("C:\\c.exe");
    EXPECT_EQ(SelectionFrom(handOffs, "C:\\c.exe"), withFile);
    EXPECT_EQ(SelectionFrom(handOffs, "Please Choose a File"), handOffs);
    EXPECT_EQ(SelectionFrom(handOffs, "pLEASE cHOOSE a fILE"), handOffs);
    EXPECT_EQ(SelectionFrom({}, "\"D:\\x.exe\" "), Strings{"\"D:\\x.exe\" "});
    EXPECT_TRUE(FieldHoldsFile("Please Choose"));
    EXPECT_FALSE(FieldHoldsFile("please choose a file"));
}

TEST(ScriptBytes, PackerLineThenTheTail) {
    // cmd's settings, no UPX variable, the code page the names are written in;
    // at the end PAUSE, and no self-deletion.
    EXPECT_EQ(Pack({}).bytes, "@setlocal DisableDelayedExpansion EnableExtensions\r\n"
                              "@set \"UPX=\"\r\n@\"C:\\Windows\\System32\\chcp.com\" 437 >nul\r\n"
                              "\"C:\\z\\upx.exe\" \r\nPAUSE\r\n");
    // chcp by System32's full path, in the console's bytes, "%" doubled.
    EXPECT_EQ(ComposeScript(ScriptKind::Pack, Packer, "C:\\W%\xE9", {}, EntryStyle::Raw, FakeOem,
                            65001, NoLeadBytes)
                  .bytes,
              std::string(ScriptStart) + ScriptClearUpx +
                  "@\"C:\\W%%\x82\\chcp.com\" 65001 >nul\r\n" + PackHead + End);
    EXPECT_EQ(ComposeScript(ScriptKind::Unpack, Packer, System, {}, EntryStyle::Raw, Identity, 437,
                            NoLeadBytes)
                  .bytes,
              Start + "\"C:\\z\\upx.exe\" -d " + End);
    // The options that apply, and still no method.
    const PackerOptions all{true, true, true};
    EXPECT_EQ(ComposeScript(ScriptKind::Pack, Packer, System, {"C:\\a.exe"}, EntryStyle::Quoted,
                            Identity, 437, NoLeadBytes, all)
                  .bytes,
              Start + "\"C:\\z\\upx.exe\" --lzma -k --force \"C:\\a.exe\" " + End);
    EXPECT_EQ(ComposeScript(ScriptKind::Unpack, Packer, System, {"C:\\a.exe"}, EntryStyle::Quoted,
                            Identity, 437, NoLeadBytes, all)
                  .bytes,
              Start + "\"C:\\z\\upx.exe\" -d -k \"C:\\a.exe\" " + End);
    EXPECT_EQ(Pack({"C:\\a.exe", "C:\\b c\\d.dll", "C:\\dir\\"}).bytes,
              Start + "\"C:\\z\\upx.exe\" \"C:\\a.exe\" \"C:\\b c\\d.dll\" \"C:\\dir\\\\\" " + End);
    Script raw =
        ComposeScript(ScriptKind::Unpack, Packer, System,
                      {"\"C:\\a.exe\" ", "", "  ", "C:\\Program Files\\c.exe", " \"C:\\b.exe\""},
                      EntryStyle::Raw, Identity, 437, NoLeadBytes);
    EXPECT_EQ(raw.bytes, Start +
                             "\"C:\\z\\upx.exe\" -d \"C:\\a.exe\" \"C:\\Program Files\\c.exe\" "
                             "\"C:\\b.exe\" " +
                             End);
    EXPECT_TRUE(raw.leftOut.empty()); // empty hand-offs name no file
}

TEST(ScriptBytes, PercentIsDoubledForCmd) {
    Script script = ComposeScript(ScriptKind::Pack, "C:\\50%\\upx.exe", System,
                                  {"C:\\100%\\a.exe", "\"C:\\x%PATH%y.exe\" "}, EntryStyle::Raw,
                                  Identity, 437, NoLeadBytes);
    EXPECT_EQ(script.bytes,
              Start + "\"C:\\50%%\\upx.exe\" \"C:\\100%%\\a.exe\" \"C:\\x%%PATH%%y.exe\" " + End);
}

TEST(ScriptBytes, EntriesThatAreNoPathsAreLeftOut) {
    const Strings entries = {"\"C:\\a.exe\" ", "C:\\a.exe\" & calc & \"",
                             "C:\\b<c.exe",    "\"C:\\d.exe\r\nformat C:\" ",
                             "C:\\e|f",        "\"C:\\ok.exe\" "};
    Script script = Pack(entries, EntryStyle::Raw);
    EXPECT_EQ(script.bytes, Start + PackHead + "\"C:\\a.exe\" \"C:\\ok.exe\" " + End);
    ASSERT_EQ(script.leftOut.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(script.leftOut[i].text, entries[i + 1]);
        EXPECT_EQ(script.leftOut[i].reason, LeftOutReason::NotAPath);
    }
    // A bare path is written between quotes as it is: quotes in it are no path.
    EXPECT_EQ(Pack({"\"C:\\q.exe\""}).leftOut.size(), 1u);
}

TEST(ScriptBytes, ConsoleEncoderAppliesToPackerAndEntries) {
    Script script = ComposeScript(ScriptKind::Unpack, "C:\\Caf\xE9\\upx.exe", System,
                                  {"C:\\\xE9%.exe", "C:\\\xA4.exe", "C:\\b.exe"},
                                  EntryStyle::Quoted, FakeOem, 437, NoLeadBytes);
    EXPECT_EQ(script.bytes,
              Start + "\"C:\\Caf\x82\\upx.exe\" -d \"C:\\\x82%%.exe\" \"C:\\b.exe\" " + End);
    ASSERT_EQ(script.leftOut.size(), 1u);
    EXPECT_EQ(script.leftOut[0].text, "C:\\\xA4.exe");
    EXPECT_EQ(script.leftOut[0].reason, LeftOutReason::NotInConsoleCodePage);

    Script noPacker = ComposeScript(ScriptKind::Pack, "C:\\\xA4\\upx.exe", System, {"C:\\a.exe"},
                                    EntryStyle::Quoted, FakeOem, 437, NoLeadBytes);
    EXPECT_EQ(noPacker.bytes, "");
    for (const std::string& system : {std::string("C:\\\xA4"), std::string()})
        EXPECT_EQ(ComposeScript(ScriptKind::Pack, Packer, system, {"C:\\a.exe"}, EntryStyle::Quoted,
                                FakeOem, 437, NoLeadBytes)
                      .bytes,
                  "");
}

// Zorvik deletes a sibling script only when it knows it for its own.
TEST(ScriptBytes, OwnScriptsAreKnownByTheirLayout) {
    const PackerOptions all{true, true, true};
    const Strings own = {Pack({}).bytes,
                         Pack({"C:\\a.exe", "C:\\100%\\b c.dll", "C:\\dir\\"}).bytes,
                         Pack({Path(5000), Path(5000, 'b')}).bytes,
                         ComposeScript(ScriptKind::Unpack, Packer, System, {"-x.exe"},
                                       EntryStyle::Quoted, Identity, 850, NoLeadBytes, all)
                             .bytes,
                         // as earlier Zorviks wrote them
                         std::string(ScriptStart) + ScriptClearUpx + "@chcp 437 >nul\r\n" +
                             PackHead + "\"C:\\a.exe\" " + End};
    for (const std::string& bytes : own)
        EXPECT_TRUE(IsOwnScript(bytes)) << bytes.substr(0, 120);
    const std::string packer = PackHead + "\"C:\\a.exe\" \r\n";
    const std::string head = std::string(ScriptStart) + ScriptClearUpx;
    // clang-format off
    const Strings others = {
        "", "@echo off\r\nupx a.exe\r\nPAUSE\r\n", Start + End, Start + packer + "PAUSE",
        Start + packer + "del *.exe\r\nPAUSE\r\n", Start + packer + "PAUSE\r\n@del \"%~f0\"",
        Start + PackHead + "\"C:\\a.exe\" & calc \r\nPAUSE\r\n",
        Start + "\"C:\\z\\cmd.exe\" \"C:\\a.exe\" \r\nPAUSE\r\n",
        Start + "\"C:\\z\\upx.exe\" -o \"C:\\a.exe\" \r\nPAUSE\r\n",
        head + "@chcp 437 & calc >nul\r\n" + packer + "PAUSE\r\n",
        head + "@\"C:\\a\" & \"b\\chcp.com\" 437 >nul\r\n" + packer + "PAUSE\r\n",
        head + "@\"C:\\a\\chcp.bat\" 437 >nul\r\n" + packer + "PAUSE\r\n",
        std::string(ScriptStart) + "@chcp 437 >nul\r\n" + packer + "PAUSE\r\n",
        Start + PackHead + Path(MaxScriptLine) + " \r\nPAUSE\r\n"};
    // clang-format on
    for (const std::string& bytes : others)
        EXPECT_FALSE(IsOwnScript(bytes)) << bytes.substr(0, 120);
}

// cmd names the script relative to the current folder, or, in a network
// folder that cmd cannot take as its own, by the full path, which cmd
// expands %NAME% in.
TEST(ScriptCommand, RelativeNameOrAFullNetworkPathWithoutPercent) {
    const std::wstring cmd = L"C:\\Windows\\System32\\cmd.exe";
    EXPECT_EQ(ScriptCommandLine(cmd, "runupxcmd-2.bat", L"C:\\100%\\runupxcmd-2.bat"),
              L"\"C:\\Windows\\System32\\cmd.exe\" /d /v:off /c .\\runupxcmd-2.bat");
    EXPECT_EQ(ScriptCommandLine(cmd, "runupxcmd.bat", L"\\\\srv\\a!b&c\\runupxcmd.bat"),
              L"\"C:\\Windows\\System32\\cmd.exe\" /d /v:off /s /c "
              L"\"\"\\\\srv\\a!b&c\\runupxcmd.bat\"\"");
    EXPECT_EQ(ScriptCommandLine(cmd, "runupxcmd.bat", L"\\\\srv\\%PATH%\\runupxcmd.bat"),
              std::nullopt);
}

TEST(ScriptLineLimit, SplitsExactlyAtTheLimit) {
    // 15 head characters, each entry 3 more than its path, CR LF: 8191 in all.
    const std::string longest = Path(8171);
    Script one = Pack({longest});
    EXPECT_EQ(one.bytes, Start + PackHead + "\"" + longest + "\" " + End);
    EXPECT_EQ(one.bytes.find("\r\n", Start.size()), Start.size() + MaxScriptLine - 2);

    const std::string a = Path(100, 'x'), fits = Path(8068), over = Path(8069);
    EXPECT_EQ(Pack({a, fits}).bytes, Start + PackHead + "\"" + a + "\" \"" + fits + "\" " + End);
    EXPECT_EQ(Pack({a, over, "C:\\c.exe"}).bytes, Start + PackHead + "\"" + a + "\" \r\n" +
                                                      PackHead + "\"" + over + "\" \"C:\\c.exe\" " +
                                                      End);

    // One character more than the longest: too long for any line.
    const std::string tooLong = Path(8172);
    Script script = Pack({"C:\\a.exe", tooLong, "C:\\b.exe"});
    EXPECT_EQ(script.bytes, Start + PackHead + "\"C:\\a.exe\" \"C:\\b.exe\" " + End);
    ASSERT_EQ(script.leftOut.size(), 1u);
    EXPECT_EQ(script.leftOut[0].text, tooLong);
    EXPECT_EQ(script.leftOut[0].reason, LeftOutReason::TooLong);
}

TEST(ScriptLineLimit, LongBatchKeepsEveryEntryInOrder) {
    Strings bare, raw;
    for (int i = 0; i < 300; ++i) {
        std::string path = "C:\\Batch Folder\\" + std::to_string(1000 + i);
        path += std::string(56 - path.size(), 'n') + ".exe";
        bare.push_back(path);
        raw.push_back("\"" + path + "\" ");
    }
    Script pack = Pack(bare);
    EXPECT_EQ(PathsIn(pack.bytes, PackHead), bare);
    Script unpack = ComposeScript(ScriptKind::Unpack, Packer, System, raw, EntryStyle::Raw,
                                  Identity, 437, NoLeadBytes);
    EXPECT_EQ(PathsIn(unpack.bytes, "\"C:\\z\\upx.exe\" -d "), bare);
    EXPECT_TRUE(pack.leftOut.empty() && unpack.leftOut.empty());

    Strings mixed = {Path(5000), Path(5000, 'b'), Path(3000, 'c'), Path(8171, 'd'), "C:\\e.exe"};
    EXPECT_EQ(PathsIn(Pack(mixed).bytes, PackHead), mixed);
}
