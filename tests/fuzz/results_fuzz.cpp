// The packer's output, read back whatever its bytes, and the run's entry:
// the text is UTF-8, and the packer's message and the entry stay one line.
#include "fuzz_check.h"
#include "packer/results.h"

// A decoder that, like Windows' own, always gives UTF-8: each byte as U+00xx.
static std::string Latin1(const std::string& bytes) {
    std::string text;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            text += char(c);
        } else {
            text += char(0xC0 | c >> 6);
            text += char(0x80 | (c & 0x3F));
        }
    }
    return text;
}

static bool HasControlCharacter(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20) return true;
    return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const bool cut = data[0] & 1;
    const size_t split = data[1] % size; // where standard error ends and standard output begins
    const std::string bytes = Bytes(data + 2, size - 2);
    const std::string text = OutputText(bytes, cut, Latin1, Latin1);
    CHECK(IsUtf8(text));
    if (!cut && IsUtf8(bytes) && bytes.find('\0') == std::string::npos) CHECK(text == bytes);

    const size_t at = split < text.size() ? split : text.size();
    RunEntry entry;
    entry.started = "12:00:00";
    entry.path = "C:\\a.exe";
    entry.option = "-8";
    entry.state = RunState::Ended;
    entry.exitCode = 1;
    entry.message = PackerMessage(text.substr(0, at), text.substr(at), "C:\\a.exe");
    CHECK(!HasControlCharacter(entry.message));
    CHECK(!HasControlCharacter(EntryText(entry)));
    // Whatever the packer listed, the Info line stays one line.
    entry.kind = RunKind::Info;
    entry.option = "-l";
    entry.listing = ListedFile(text);
    CHECK(!HasControlCharacter(EntryText(entry)));
    if (entry.listing) CHECK(entry.listing->ratio.find(' ') == std::string::npos);
    TestPassed(text);

    const uint64_t outputSize = uint64_t(size) << (data[0] % 24);
    const uint64_t start = OutputTailStart(outputSize);
    CHECK(start % 2 == 0 && start <= outputSize && outputSize - start <= OutputTailBytes);
    return 0;
}
