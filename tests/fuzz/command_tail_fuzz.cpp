// CommandTail on any command line.
#include "app/command_tail.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line = Bytes(data, size);
    const std::string tail = CommandTail(line);
    CHECK(tail.size() <= line.size());
    CHECK(line.compare(line.size() - tail.size(), tail.size(), tail) == 0);
    CHECK(tail.empty() || (tail[0] != ' ' && tail[0] != '\t'));
    // A program name was taken off, and the tail begins behind a blank or the
    // name's closing quote.
    CHECK(tail.empty() ||
          (tail.size() < line.size() &&
           std::string(" \t\"").find(line[line.size() - tail.size() - 1]) != std::string::npos));

    // The input as the tail behind a program name, quoted as Explorer writes
    // it or bare: it must come back whole.
    if (!line.empty() && line[0] != ' ' && line[0] != '\t') {
        CHECK(CommandTail("\"C:\\p q\\Zorvik.exe\" " + line) == line);
        CHECK(CommandTail("C:\\p\\Zorvik.exe\t\t" + line) == line);
    }
    return 0;
}
