// ParseShellMenuState on any zir.cfg text, against the C library's sscanf with
// the same pattern; and the texts Zorvik writes read back as written.
#include <climits>

#include "fuzz_check.h"
#include "shell/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = Bytes(data, size);
    // sscanf stops at a NUL, as the parser must: a NUL matches neither a
    // pattern letter nor white space, and ends the number.
    long long expected = 0;
    std::sscanf(text.c_str(), "[Shell Menu] : %lld", &expected);
    if (expected > INT_MAX) expected = INT_MAX; // out of range stays out of range
    if (expected < INT_MIN) expected = INT_MIN;
    CHECK(ParseShellMenuState(text) == expected);

    // Whatever follows the number, as long as it is no digit, is ignored.
    if (text.empty() || text[0] < '0' || text[0] > '9') {
        CHECK(ParseShellMenuState(SettingsText(true) + text) == 1);
        CHECK(ParseShellMenuState(SettingsText(false) + text) == 0);
    }
    // Any options read are written back so that they read the same, beside the verb's state.
    const PackerOptions options = ParseSettingsOptions(text);
    CHECK(ParseSettingsOptions(SettingsFileText(true, options)) == options);
    CHECK(ParseShellMenuState(SettingsFileText(false, options)) == 0);
    return 0;
}
