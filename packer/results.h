// The results of single-file runs: what the packer wrote, read back as text,
// and the one line per run that the results window shows. All text is UTF-8.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

// Of each of the packer's outputs only this many last bytes are kept.
inline constexpr uint64_t OutputTailBytes = 64 * 1024;

// Where the kept tail of an output of `size` bytes starts: an even offset, so
// that text written in UTF-16 is not cut inside a character.
uint64_t OutputTailStart(uint64_t size);

// Turns bytes of one encoding into UTF-8.
using TextDecoder = std::string (*)(const std::string& bytes);

// The packer's bytes as UTF-8, whatever it wrote them in: text that looks
// like UTF-16 (a byte order mark, or every second byte NUL) goes to
// `fromUtf16` without its mark, valid UTF-8 stays as it is, and anything else
// goes to `fromAnsi`. A tail that was cut loses its first, partial line.
std::string OutputText(std::string bytes, bool cut, TextDecoder fromUtf16, TextDecoder fromAnsi);

bool IsUtf8(const std::string& bytes);

// The packer's own message about a failure, on one line: its error lines
// ("upx: FILE: XxxException: text") without the program and file, or else the
// last line it wrote to standard error, or else to standard output.
std::string PackerMessage(const std::string& errorText, const std::string& outputText,
                          const std::string& fileArgument);

// The ratio as the packer computes it: packed / unpacked, in millionths,
// rounded, and shown as "38.26%".
unsigned PackerRatio(uint64_t unpacked, uint64_t packed);
std::string RatioText(unsigned ratio);
std::string GroupedNumber(uint64_t number);                             // 1262080 -> "1,262,080"
std::string ClockText(unsigned hour, unsigned minute, unsigned second); // "09:05:00"

struct FileState {
    bool exists = false;
    uint64_t size = 0;
    uint64_t writeTime = 0;
    bool operator==(const FileState& other) const {
        return exists == other.exists && size == other.size && writeTime == other.writeTime;
    }
};

// A run waits while as many packers run as Zorvik allows at once; Stop ends
// it as Stopped, or as StoppedBeforeStart while it waited.
enum class RunState { Waiting, Running, Ended, NotStarted, Stopped, StoppedBeforeStart };
enum class RunKind { Pack, Unpack, Test, Info };

// The packer's exit code for a warning, such as a file it did not pack.
inline constexpr unsigned long PackerWarning = 2;

// One file's line in the packer's list (-l), in the form
// "%10lld ->%10lld  %7s %15s %s": sizes unpacked and packed, ratio, format, name.
struct PackerListing {
    uint64_t unpacked = 0, packed = 0;
    std::string ratio;  // as the packer shows it: "38.26%", or "overlay"
    std::string format; // "win32/pe"
};
std::optional<PackerListing> ListedFile(const std::string& output);

// True when the packer's test (-t) passed the file: "testing app.exe [OK]".
bool TestPassed(const std::string& output);

struct RunEntry {
    std::string started; // "12:41:07"
    std::string path;    // the file's full path
    RunKind kind = RunKind::Pack;
    std::string option; // "-8", "--best --lzma", "-d -k", "-t", "-l"
    RunState state = RunState::Waiting;
    uint64_t elapsedSeconds = 0;
    FileState before, after;
    unsigned long exitCode = 0;           // or, when not started, the system's error code
    std::string message;                  // the packer's, for a failure
    bool tested = false;                  // Test: the packer said OK
    std::optional<PackerListing> listing; // Info: what the packer listed
    std::string bytesIn; // stopped, the file missing: the name beside it that holds its bytes
};

// One line, for example
// "12:41:07  C:\Tools\app.exe  -8  1,262,080 -> 482,816 bytes (38.26%)".
std::string EntryText(const RunEntry& entry);

// Why a single-file command on a file whose packer still runs starts nothing.
std::wstring StillPackingText(const std::wstring& fullPath);
