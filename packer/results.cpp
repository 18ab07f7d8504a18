#include "packer/results.h"

#include "packer/advice.h"

uint64_t OutputTailStart(uint64_t size) {
    if (size <= OutputTailBytes) return 0;
    uint64_t start = size - OutputTailBytes;
    return start + (start & 1);
}

// UTF-16 as the C runtime's wide modes write it: a byte order mark, or mostly
// ASCII text, whose every second byte is then NUL. 8-bit text has no NUL.
static bool LooksLikeUtf16(const std::string& bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') return true;
    if (bytes.size() % 2 != 0) return false;
    size_t nuls = 0;
    for (size_t i = 1; i < bytes.size(); i += 2)
        nuls += bytes[i] == '\0';
    return nuls > 0 && nuls * 4 >= bytes.size();
}

static void DropFirstLine(std::string& text) {
    size_t end = text.find('\n');
    text.erase(0, end == std::string::npos ? text.size() : end + 1);
}

std::string OutputText(std::string bytes, bool cut, TextDecoder fromUtf16, TextDecoder fromAnsi) {
    if (LooksLikeUtf16(bytes)) {
        if (!cut && bytes.compare(0, 2, "\xFF\xFE") == 0) bytes.erase(0, 2);
        std::string text = fromUtf16(bytes);
        if (cut) DropFirstLine(text);
        return text;
    }
    if (cut) DropFirstLine(bytes); // also drops a character cut in two
    return IsUtf8(bytes) ? bytes : fromAnsi(bytes);
}

bool IsUtf8(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (lead < 0xC2 || lead > 0xF4 || i + length > bytes.size()) return false;
        uint32_t code = lead & (0x3F >> (length - 1));
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = bytes[i + k];
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
        if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) ||
            (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

// The line that starts at `at`, without its end and trailing blanks, control
// characters made blanks, so that an entry stays one line; `at` moves past it.
static std::string NextLine(const std::string& text, size_t& at) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return line.erase(line.find_last_not_of(' ') + 1);
}

std::string PackerMessage(const std::string& errorText, const std::string& outputText,
                          const std::string& fileArgument) {
    // The packer names the file as it was given; the program name before it
    // may be anything ("upx", or the name the exe was renamed to).
    const std::string marker = ": " + fileArgument + ": ";
    std::string message, lastError, lastOutput;
    for (size_t at = 0; at < errorText.size();) {
        const std::string line = NextLine(errorText, at);
        const size_t found = line.find(marker);
        if (found != std::string::npos)
            (message += message.empty() ? "" : "; ") += line.substr(found + marker.size());
        if (!line.empty()) lastError = line;
    }
    for (size_t at = 0; at < outputText.size();) {
        const std::string line = NextLine(outputText, at);
        if (!line.empty()) lastOutput = line;
    }
    return !message.empty() ? message : !lastError.empty() ? lastError : lastOutput;
}

unsigned PackerRatio(uint64_t unpacked, uint64_t packed) {
    const uint64_t whole = 1000 * 1000, most = 10 * whole - 1; // 100% and 999.99%
    if (unpacked == 0) return packed == 0 ? 0 : unsigned(whole);
    if (packed > UINT64_MAX / whole) return unsigned(most); // 18 TB: no file is that big
    const uint64_t ratio = packed * whole / unpacked + 50;
    return unsigned(ratio > most ? most : ratio);
}

// Appends the number in decimal, at least `width` digits, with a comma
// between groups of three when `grouped`.
static void AppendNumber(std::string& text, uint64_t number, bool grouped = false,
                         size_t width = 1) {
    char reversed[32];
    size_t count = 0;
    do {
        if (grouped && count % 4 == 3) reversed[count++] = ',';
        // No "%": 64-bit division alone is already in the exe, the remainder routine is not.
        const uint64_t tens = number / 10;
        reversed[count++] = char('0' + (number - tens * 10));
        number = tens;
    } while (number > 0 || count < width);
    while (count > 0)
        text += reversed[--count];
}

std::string RatioText(unsigned ratio) {
    std::string text;
    AppendNumber(text, ratio / 10000);
    text += '.';
    AppendNumber(text, ratio % 10000 / 100, false, 2);
    return text += '%';
}

std::string ClockText(unsigned hour, unsigned minute, unsigned second) {
    std::string text;
    for (unsigned part : {hour, minute, second}) {
        if (!text.empty()) text += ':';
        AppendNumber(text, part, false, 2);
    }
    return text;
}

std::string GroupedNumber(uint64_t number) {
    std::string text;
    AppendNumber(text, number, true);
    return text;
}

static size_t SkipBlanks(const std::string& text, size_t at) {
    while (at < text.size() && text[at] == ' ')
        ++at;
    return at;
}

static std::string Word(const std::string& text, size_t& at) {
    const size_t begin = at;
    while (at < text.size() && text[at] != ' ')
        ++at;
    return text.substr(begin, at - begin);
}

static bool ReadNumber(const std::string& text, size_t& at, uint64_t& number) {
    const size_t begin = at;
    for (number = 0; at < text.size() && text[at] >= '0' && text[at] <= '9' && at - begin < 19;
         ++at)
        number = number * 10 + (text[at] - '0');
    return at > begin;
}

static bool IsRatio(const std::string& word) {
    if (word == "overlay") return true;
    const size_t dot = word.find('.');
    return dot > 0 && dot != std::string::npos && word.size() == dot + 4 && word.back() == '%' &&
           word.find_first_not_of("0123456789") == dot &&
           word.find_first_not_of("0123456789", dot + 1) == word.size() - 1;
}

// Wide sizes leave no blank between the arrow and the second one.
static std::optional<PackerListing> ListLine(const std::string& line) {
    PackerListing listing;
    size_t at = SkipBlanks(line, 0);
    if (!ReadNumber(line, at, listing.unpacked)) return std::nullopt;
    at = SkipBlanks(line, at);
    if (line.compare(at, 2, "->") != 0) return std::nullopt;
    at = SkipBlanks(line, at + 2);
    if (!ReadNumber(line, at, listing.packed) || at == line.size() || line[at] != ' ')
        return std::nullopt;
    at = SkipBlanks(line, at);
    listing.ratio = Word(line, at);
    at = SkipBlanks(line, at);
    listing.format = Word(line, at);
    if (!IsRatio(listing.ratio) || listing.format.empty() || SkipBlanks(line, at) == line.size())
        return std::nullopt; // no name after the format
    return listing;
}

std::optional<PackerListing> ListedFile(const std::string& output) {
    for (size_t at = 0; at < output.size();)
        if (std::optional<PackerListing> listing = ListLine(NextLine(output, at))) return listing;
    return std::nullopt;
}

bool TestPassed(const std::string& output) {
    for (size_t at = 0; at < output.size();) {
        const std::string line = NextLine(output, at);
        if (line.compare(0, 8, "testing ") == 0 && line.size() > 13 &&
            line.compare(line.size() - 5, 5, " [OK]") == 0)
            return true;
    }
    return false;
}

static const char LeftAsItWas[] = "; the file was left as it was";
static const char Changed[] = "; the file was changed";

static void AppendSizes(std::string& text, uint64_t from, uint64_t to, const std::string& ratio) {
    AppendNumber(text, from, true);
    text += " -> ";
    AppendNumber(text, to, true);
    ((text += " bytes (") += ratio) += ')';
}

// "NotPackedException: not packed by UPX" -> "not packed by UPX"
static std::string WithoutExceptionName(const std::string& message) {
    const size_t name = message.find("Exception: ");
    if (name == std::string::npos || message.find(' ') < name) return message;
    return message.substr(name + 11);
}

static void AppendOutcome(std::string& text, const RunEntry& entry) {
    const FileState &before = entry.before, &after = entry.after;
    const bool packing = entry.kind == RunKind::Pack || entry.kind == RunKind::Unpack;
    if (entry.kind == RunKind::Test && entry.exitCode == 0 && entry.tested) {
        text += "tested OK";
    } else if (entry.kind == RunKind::Info && entry.listing) {
        const PackerListing& listing = *entry.listing;
        AppendSizes(text, listing.unpacked, listing.packed, listing.ratio);
        (text += "  ") += listing.format;
    } else if (entry.kind == RunKind::Info && entry.exitCode == PackerWarning &&
               !entry.message.empty()) {
        text += WithoutExceptionName(entry.message); // the file is simply not packed
    } else if (packing && entry.exitCode == 0 && (!before.exists || !after.exists)) {
        text += "done"; // but the file is gone: no sizes to show
    } else if (packing && entry.exitCode == 0) {
        // The packer's ratio is packed / unpacked in both directions.
        const bool unpack = entry.kind == RunKind::Unpack;
        AppendSizes(text, before.size, after.size,
                    RatioText(unpack ? PackerRatio(after.size, before.size)
                                     : PackerRatio(before.size, after.size)));
    } else {
        text += "failed, exit code ";
        AppendNumber(text, entry.exitCode);
        if (!entry.message.empty()) (text += ": ") += entry.message;
        text += before == after ? LeftAsItWas : Changed;
        const std::string advice = PackerAdvice(entry.message, entry.path);
        if (!advice.empty()) (text += "  ") += advice;
    }
}

std::string EntryText(const RunEntry& entry) {
    std::string text = entry.started;
    ((((text += "  ") += entry.path) += "  ") += entry.option) += "  ";
    switch (entry.state) {
    case RunState::Waiting:
        text += "waiting";
        break;
    case RunState::Running:
        text += "running for ";
        AppendNumber(text, entry.elapsedSeconds);
        text += " s";
        break;
    case RunState::NotStarted:
        text += "could not start the packer, error ";
        AppendNumber(text, entry.exitCode);
        text += LeftAsItWas;
        break;
    case RunState::Ended:
        AppendOutcome(text, entry);
        break;
    case RunState::Stopped:
        text += "stopped";
        if (entry.before.exists && !entry.after.exists) {
            text += "; the file is missing";
            if (!entry.bytesIn.empty()) (text += "; its bytes are in ") += entry.bytesIn;
        } else {
            text += entry.before == entry.after ? LeftAsItWas : Changed;
        }
        break;
    case RunState::StoppedBeforeStart:
        text += "stopped before it started";
        break;
    }
    return text;
}

std::wstring StillPackingText(const std::wstring& fullPath) {
    return L"The packer still works on this file, so it was not started on it again. Two "
           L"packers writing one file could leave it broken; please wait until the results "
           L"window shows that run's outcome.\n\n" +
           fullPath;
}
