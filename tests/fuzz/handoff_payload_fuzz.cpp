// The hand-off payload readers on any hand-off: the payload sits in a buffer
// of exactly its size, so AddressSanitizer reports any read past the end.
#include <cstring>
#include <memory>

#include "app/command_tail.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<char[]> payload(new char[size]);
    if (size) std::memcpy(payload.get(), data, size);
    const std::string text = HandOffPayloadText(payload.get(), size);
    CHECK(text.size() <= size);
    CHECK(text.find('\0') == std::string::npos);
    CHECK(std::memcmp(text.data(), data, text.size()) == 0);
    CHECK(text.size() == size || data[text.size()] == 0); // stops only at a NUL
    CHECK(HandOffPayloadText(nullptr, size).empty());
    const std::wstring wide = HandOffPayloadWide(payload.get(), size);
    CHECK(wide.size() <= size / 2 && wide.find(L'\0') == std::wstring::npos);
    CHECK(wide.size() == size / 2 || (data[2 * wide.size()] | data[2 * wide.size() + 1]) == 0);
    return 0;
}
