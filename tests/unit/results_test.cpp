// Results of single-file runs: the packer's output read back, its message,
// its ratio, and the line each run shows.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "packer/advice.h"
#include "packer/results.h"
#include "packer/single_run.h"

namespace {
// Stand-ins for the Win32 decoders that say which one was asked.
std::string FromAnsi(const std::string& bytes) {
    return "ansi[" + bytes + "]";
}
std::string FromUtf16(const std::string& bytes) { // ASCII code units only
    std::string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += bytes[i + 1] == '\0' ? bytes[i] : '?';
    return "utf16[" + text + "]";
}
std::string Text(const std::string& bytes, bool cut = false) {
    return OutputText(bytes, cut, FromUtf16, FromAnsi);
}
std::string Utf16(const std::string& ascii) {
    std::string bytes;
    for (char c : ascii)
        (bytes += c) += '\0';
    return bytes;
}

RunEntry Ended(const char* option, uint64_t before, uint64_t after, unsigned long exitCode,
               RunKind kind = RunKind::Pack) {
    RunEntry entry;
    entry.kind = kind;
    entry.started = "12:41:07";
    entry.path = "C:\\Tools\\app.exe";
    entry.option = option;
    entry.state = RunState::Ended;
    entry.before = {true, before, 100};
    entry.after = {true, after, before == after ? 100u : 200u};
    entry.exitCode = exitCode;
    return entry;
}
} // namespace

TEST(PackerOutput, EachEncodingGoesToItsDecoder) {
    EXPECT_EQ(Text("\xFF\xFE" + Utf16("upx: a.exe: x\n")),
              "utf16[upx: a.exe: x\n]"); // mark dropped
    EXPECT_EQ(Text(Utf16("Packed 1 file.\r\n")), "utf16[Packed 1 file.\r\n]");
    EXPECT_EQ(Text("Caf\xC3\xA9 \xF0\x9F\x98\x80\n"), "Caf\xC3\xA9 \xF0\x9F\x98\x80\n"); // UTF-8
    EXPECT_EQ(Text("plain ASCII\n"), "plain ASCII\n");
    // Not UTF-8: ANSI bytes, overlong forms, surrogates, past U+10FFFF, cut sequences.
    for (const char* bytes : {"Caf\xE9", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                              "\xF4\x90\x80\x80", "\xE2\x82", "\xA9"})
        EXPECT_EQ(Text(bytes), "ansi[" + std::string(bytes) + "]") << bytes;
}

TEST(PackerOutput, CutTailLosesItsPartialFirstLine) {
    // The cut went through "é": without its first line the rest is valid UTF-8.
    EXPECT_EQ(Text("\xA9 half\nCaf\xC3\xA9\n", true), "Caf\xC3\xA9\n");
    EXPECT_EQ(Text("no line end at all", true), "");
    EXPECT_EQ(Text(Utf16("rtial\nnext\n"), true), "next\n]"); // dropped after decoding
    EXPECT_EQ(OutputTailStart(0), 0u);
    EXPECT_EQ(OutputTailStart(OutputTailBytes), 0u);
    EXPECT_EQ(OutputTailStart(OutputTailBytes + 1), 2u); // even, so UTF-16 stays whole
    EXPECT_EQ(OutputTailStart(OutputTailBytes + 2), 2u);
    EXPECT_EQ(OutputTailStart(10 * OutputTailBytes), 9 * OutputTailBytes);
}

TEST(PackerOutput, MessageIsThePackersErrorWithoutProgramAndFile) {
    const std::string file = "C:\\a b\\app.exe";
    EXPECT_EQ(PackerMessage("\nupx: C:\\a b\\app.exe: AlreadyPackedException: already packed by "
                            "UPX\r\n",
                            "Packed 1 file: 0 ok, 1 error.\n", file),
              "AlreadyPackedException: already packed by UPX");
    // The message may name the file again; the exe may have been renamed.
    EXPECT_EQ(PackerMessage("upx-4.2: C:\\a b\\app.exe: FileNotFoundException: C:\\a b\\app.exe: "
                            "No such file or directory",
                            "", file),
              "FileNotFoundException: C:\\a b\\app.exe: No such file or directory");
    EXPECT_EQ(
        PackerMessage("upx: .\\-d.exe: NotPackedException: not packed by UPX\n", "", ".\\-d.exe"),
        "NotPackedException: not packed by UPX");
    EXPECT_EQ(PackerMessage("upx: C:\\a b\\app.exe: unhandled exception: x\nupx: C:\\a b\\app.exe:"
                            "   this file has possibly been modified/hacked; take care!\n",
                            "", file),
              "unhandled exception: x;   this file has possibly been modified/hacked; take care!");
    // No line about the file: the last line written to standard error, else to standard output.
    EXPECT_EQ(PackerMessage("first\nout of memory\n  \n", "banner\n", file), "out of memory");
    EXPECT_EQ(PackerMessage("", "UPX 4.2.4\nsegfault here\r\n\r\n", file), "segfault here");
    EXPECT_EQ(PackerMessage("", "", file), "");
}

TEST(PackerResults, RatioAndNumbersAsThePackerShowsThem) {
    EXPECT_EQ(RatioText(PackerRatio(1262080, 482816)), "38.26%");
    EXPECT_EQ(RatioText(PackerRatio(3, 2)), "66.67%"); // rounded, not cut
    EXPECT_EQ(RatioText(PackerRatio(3, 1)), "33.33%");
    EXPECT_EQ(RatioText(PackerRatio(200000, 199999)), "100.00%");
    EXPECT_EQ(RatioText(PackerRatio(0, 0)), "0.00%");
    EXPECT_EQ(RatioText(PackerRatio(0, 5)), "100.00%");
    EXPECT_EQ(RatioText(PackerRatio(1, 20)), "999.99%"); // the packer's cap
    EXPECT_EQ(RatioText(PackerRatio(1, UINT64_MAX)), "999.99%");
    EXPECT_EQ(RatioText(PackerRatio(UINT64_MAX, 1)), "0.00%");
    EXPECT_EQ(GroupedNumber(0), "0");
    EXPECT_EQ(GroupedNumber(999), "999");
    EXPECT_EQ(GroupedNumber(1000), "1,000");
    EXPECT_EQ(GroupedNumber(1262080), "1,262,080");
    EXPECT_EQ(GroupedNumber(UINT64_MAX), "18,446,744,073,709,551,615");
    EXPECT_EQ(ClockText(9, 5, 0), "09:05:00");
    EXPECT_EQ(ClockText(23, 59, 59), "23:59:59");
}

TEST(PackerResults, EntryForEachOutcome) {
    const std::string head = "12:41:07  C:\\Tools\\app.exe  ";
    EXPECT_EQ(EntryText(Ended("-8", 1262080, 482816, 0)),
              head + "-8  1,262,080 -> 482,816 bytes (38.26%)");
    // Unpacking: the sizes the other way round, the ratio still packed / unpacked.
    EXPECT_EQ(EntryText(Ended("-d -k", 482816, 1262080, 0, RunKind::Unpack)),
              head + "-d -k  482,816 -> 1,262,080 bytes (38.26%)");

    RunEntry failed = Ended("--best", 5000, 5000, 2);
    failed.message = "AlreadyPackedException: already packed by UPX";
    EXPECT_EQ(EntryText(failed), head + "--best  failed, exit code 2: AlreadyPackedException: "
                                        "already packed by UPX; the file was left as it was  "
                                        "It is packed already.");
    RunEntry crashed = Ended("-9", 5000, 4096, 3221225477ul);
    EXPECT_EQ(EntryText(crashed), head + "-9  failed, exit code 3221225477; the file was changed");
    RunEntry gone = Ended("-8", 5000, 0, 0);
    gone.after.exists = false;
    EXPECT_EQ(EntryText(gone), head + "-8  done");

    RunEntry running = Ended("-8", 5000, 5000, 0);
    running.state = RunState::Running;
    running.elapsedSeconds = 75;
    EXPECT_EQ(EntryText(running), head + "-8  running for 75 s");
    RunEntry notStarted = Ended("-d", 5000, 5000, 5);
    notStarted.state = RunState::NotStarted;
    EXPECT_EQ(EntryText(notStarted),
              head + "-d  could not start the packer, error 5; the file was left as it was");
    RunEntry stopped = Ended("-8 -k", 5000, 0, 1);
    stopped.state = RunState::Stopped;
    stopped.after.exists = false;
    EXPECT_EQ(EntryText(stopped), head + "-8 -k  stopped; the file is missing");
    stopped.bytesIn = "app.ex~";
    EXPECT_EQ(EntryText(stopped),
              head + "-8 -k  stopped; the file is missing; its bytes are in app.ex~");
}

// The packer's own names beside the file, and its environment.
TEST(SingleRuns, SideNamesAndEnvironment) {
    EXPECT_EQ(PackerOutputName(L"C:\\a.b\\app", 0), L"C:\\a.b\\app.upx");
    EXPECT_EQ(PackerOutputName(L"C:\\t\\app.tar.gz", 1000), L"");
    EXPECT_EQ(PackerBackupName(L"C:\\t\\app.exe", 0), L"C:\\t\\app.ex~");
    EXPECT_EQ(PackerBackupName(L"C:\\t\\app.ex", 0), L"C:\\t\\app.ex~");
    EXPECT_EQ(PackerBackupName(L"C:\\t.d\\app", 2), L"C:\\t.d\\app.001");
    // As the packer splits its ANSI argument: "\x95\x5C" (cp932) ends a folder's name for it,
    // and ":" after the drive prefix is part of the name.
    EXPECT_EQ(PackerOutputName(std::string("C:\\t\\a.\x95\x5C"), 0), "C:\\t\\a.\x95\x5C.upx");
    EXPECT_EQ(PackerOutputName(std::string("C:app.x:y"), 0), "C:app.upx");
    EXPECT_EQ(PackerBackupName(std::string("C:app.x/y"), 0), "C:app.x/y.~");
    EXPECT_EQ(EnvironmentWithout(L"=C:=C:\\t\0UPX=-9\0upx=1\0UPXX=1\0", L"UPX"),
              std::wstring(L"=C:=C:\\t\0UPXX=1\0\0", 17));
}

// A stand-in's name, options and messages, and its moves at each outcome: stopped before the
// packer wrote (the stand-in as it was), while it wrote (with its output), after it deleted the
// stand-in, after it renamed its output onto it; failed; succeeded, with and without Keep Backup.
TEST(SingleRuns, StandIns) {
    const unsigned char random[] = {0x0f, 0xa0};
    EXPECT_EQ(StandInName(L"C:\\\u5de5\\\u6d4b.exe", random, 2), L"zrv0fa0.exe");
    EXPECT_EQ(StandInName(L"C:\\t\\\u6d4b.\u0435xe", random, 2), L"zrv0fa0");
    EXPECT_EQ(WithoutBackupOption("-d -k --force -k"), "-d --force");
    EXPECT_EQ(WithUsersName("zrv0fa0.upx: can't write zrv0fa0.exe", "zrv0fa0", "C:\\t\\x"),
              "C:\\t\\x.upx: can't write C:\\t\\x.exe");
    using M = FileMove;
    const struct {
        bool writes, succeeded, backup, fileThere;
        Held standIn;
        bool output;
        std::vector<FileMove> moves;
    } ends[] = {
        {true, false, true, true, Held::Original, false, {M::RemoveStandIn}},
        {true, false, false, true, Held::Original, true, {M::RemoveOutput, M::RemoveStandIn}},
        {true, false, false, true, Held::Nothing, true, {M::RemoveOutput}},
        {true, false, true, true, Held::Output, false, {M::RemoveStandIn}},
        {true, false, false, false, Held::Original, false, {M::RestoreFile}},
        {true, true, false, true, Held::Original, false, {M::RemoveStandIn}},
        {true, true, false, true, Held::Output, false, {M::OntoFile}},
        {true, true, true, true, Held::Output, false, {M::KeepBackup, M::OntoFile}},
        {false, true, true, true, Held::Original, false, {M::RemoveStandIn}},
    };
    for (const auto& end : ends)
        EXPECT_EQ(StandInMoves({end.writes, end.succeeded, end.backup, end.fileThere, end.standIn,
                                end.output}),
                  end.moves)
            << &end - ends;
}

// The packer's list and test output as it writes them, in the layout of UPX 3
// and 4, its banner and header lines included.
TEST(PackerOutput, ListAndTestLines) {
    const std::string banner = "                       Ultimate Packer for eXecutables\n"
                               "UPX 4.2.4       Markus Oberhumer, Laszlo Molnar & John Reiser\n\n";
    const std::string header = "        File size         Ratio      Format      Name\n"
                               "   --------------------   ------   -----------   -----------\n";
    std::optional<PackerListing> listed = ListedFile(
        banner + header + "   1262080 ->    482816   38.26%    win32/pe     C:\\a b\\app.exe\r\n");
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->unpacked, 1262080u);
    EXPECT_EQ(listed->packed, 482816u);
    EXPECT_EQ(listed->ratio, "38.26%");
    EXPECT_EQ(listed->format, "win32/pe");
    listed = ListedFile("   1000000 ->   1500000  overlay    win64/pe     app.exe\n"); // UPX 3
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->ratio, "overlay");
    listed = ListedFile("12345678901 ->12345678901  100.00%    win32/pe     big.exe\n");
    ASSERT_TRUE(listed); // wide sizes leave no blank after the arrow
    EXPECT_EQ(listed->packed, 12345678901u);
    for (const std::string& notListed :
         {banner + header, banner + header + "\nListed 0 files.\n",
          std::string("   1262080 <-    482816   38.26%    win32/pe     app.exe\n"),
          std::string("   1262080 ->    482816   38.26%    win32/pe\n"), // no name
          std::string("   1262080 ->    482816   38.2%    win32/pe     app.exe\n")})
        EXPECT_FALSE(ListedFile(notListed)) << notListed;

    EXPECT_TRUE(TestPassed(banner + "testing C:\\a b\\app.exe [OK]\r\n\nTested 1 file.\n"));
    EXPECT_FALSE(TestPassed(banner + "testing app.exe \nTested 1 file: 0 ok, 1 error.\n"));
    EXPECT_FALSE(TestPassed("Tested 1 file.\n"));
}

TEST(PackerResults, TestAndInfoEntries) {
    const std::string head = "12:41:07  C:\\Tools\\app.exe  ";
    RunEntry tested = Ended("-t", 482816, 482816, 0, RunKind::Test);
    tested.tested = true;
    EXPECT_EQ(EntryText(tested), head + "-t  tested OK");
    tested.tested = false; // exit code 0, but no OK
    tested.message = "testing app.exe";
    EXPECT_EQ(EntryText(tested),
              head + "-t  failed, exit code 0: testing app.exe; the file was left as it was");
    RunEntry broken = Ended("-t", 482816, 482816, 1, RunKind::Test);
    broken.message = "CantUnpackException: header corrupted";
    EXPECT_EQ(EntryText(broken), head + "-t  failed, exit code 1: CantUnpackException: header "
                                        "corrupted; the file was left as it was");

    RunEntry info = Ended("-l", 482816, 482816, 0, RunKind::Info);
    info.listing = PackerListing{1262080, 482816, "38.26%", "win32/pe"};
    EXPECT_EQ(EntryText(info), head + "-l  1,262,080 -> 482,816 bytes (38.26%)  win32/pe");
    RunEntry plain = Ended("-l", 5000, 5000, PackerWarning, RunKind::Info);
    plain.message = "NotPackedException: not packed by UPX";
    EXPECT_EQ(EntryText(plain), head + "-l  not packed by UPX");
    RunEntry missing = Ended("-l", 0, 0, 1, RunKind::Info);
    missing.message = "FileNotFoundException: app.exe: No such file or directory";
    EXPECT_EQ(EntryText(missing), head + "-l  failed, exit code 1: FileNotFoundException: app.exe: "
                                         "No such file or directory; the file was left as it was");
}

// The advice table row by row, from messages as the packer words them.
TEST(PackerResults, AdviceFromThePackersMessageAlone) {
    const std::string writable =
        "Close any program that uses the file, make sure it is writable, and try again.";
    const std::string force = "Force may pack it anyway; test the packed program afterwards.";
    const std::pair<std::string, std::string> rows[] = {
        {"CantPackException: .NET files are not yet supported", ".NET programs cannot be packed."},
        {"CantPackException: GUARD_CF enabled PE files are not supported (use --force to disable)",
         "It uses Control Flow Guard; Force packs it without that protection."},
        {"IOException: open: Permission denied", writable},
        {"IOException: file is write protected", writable},
        {"NotCompressibleException", "Packing would not make it smaller."},
        {"AlreadyPackedException: already packed by UPX", "It is packed already."},
        {"NotPackedException: not packed by UPX", "It is not packed."},
        {"CantPackException: superfluous data between sections (try --force)", force},
        {"CantPackException: TLS callbacks are not supported (use --force to disable)", force},
        {"UnknownExecutableFormatException: arm64 is not yet supported",
         "Programs for Arm processors cannot be packed."},
        {"CantPackException: file is too small for UPX", "The file is too small to pack."},
        {"arm64: need a newer version of UPX", "A newer packer is needed."},
        {"CantPackException: not yet supported", ""},
        {"FileNotFoundException: C:\\.NET files are not yet supported.exe: No such file", ""},
        {"IOException: .NET files are not yet supported.exe: short read", ""}};
    for (const auto& [message, advice] : rows)
        EXPECT_EQ(PackerAdvice(message, "C:\\.NET files are not yet supported.exe"), advice)
            << message;
    // Any path the packer prints is a name (either separator, side files); then its words again.
    const std::string rowsInPaths[][3] = {
        {"CantPackException: C:/x/arm64/app.exe: not yet supported", "C:\\x\\arm64\\app.exe", ""},
        {"IOException: C:\\Permission denied\\app.upx: short read",
         "C:\\Permission denied\\app.exe", ""},
        {"IOException: \\\\srv\\arm64/b.ex~: not yet supported", "\\\\srv\\arm64\\b.exe", ""},
        {"IOException: c:\\arm64\\app.upx: Permission denied", "C:\\arm64\\app.exe", writable}};
    for (const auto& [message, path, advice] : rowsInPaths)
        EXPECT_EQ(PackerAdvice(message, path), advice) << message;
}
