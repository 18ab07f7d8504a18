// ComposeScript on any batch, and IsOwnScript on any bytes. Input: a flags
// byte (bit 0 unpack, bit 1 raw hand-off entries, bit 2 an encoder that
// refuses one byte, bits 3-4 the packer, bits 5-7 how many more copies of the
// entries follow), the refused byte (also the code page's offset), then the
// entries separated by NULs.
#include <algorithm>

#include "fuzz_check.h"
#include "packer/packer_args.h"
#include "packer/script.h"

static const char* const Packers[] = {"C:\\Program Files\\Zorvik\\upx.exe",
                                      "D:\\100% sure\\upx.exe", "C:\\Caf\xE9\\upx.exe",
                                      "\\\\server\\share\\a b\\upx.exe"};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const bool unpack = data[0] & 1, raw = data[0] & 2, refusing = data[0] & 4;
    const std::string packer = Packers[(data[0] >> 3) & 3];
    const char refused = static_cast<char>(data[1] | 0x80);
    std::vector<std::string> entries;
    const std::string rest = Bytes(data + 2, size - 2);
    // Repeats make long lines from short inputs; past about three lines' worth
    // they only slow the run down.
    const size_t repeats = std::min<size_t>(1 + (data[0] >> 5), 1 + 3 * MaxScriptLine / size);
    for (size_t repeat = 0; repeat < repeats; ++repeat) {
        for (size_t at = 0, nul;; at = nul + 1) {
            nul = std::min(rest.find('\0', at), rest.size());
            entries.push_back(rest.substr(at, nul - at));
            if (nul == rest.size()) break;
        }
    }
    const ConsoleEncoder encode = [&](const std::string& text) -> std::optional<std::string> {
        if (refusing && text.find(refused) != std::string::npos) return std::nullopt;
        return text;
    };
    const unsigned codePage = 437 + data[1];
    const std::string System = "C:\\Windows\\System32";
    const Script script =
        ComposeScript(unpack ? ScriptKind::Unpack : ScriptKind::Pack, packer, System, entries,
                      raw ? EntryStyle::Raw : EntryStyle::Quoted, encode, codePage, NoLeadBytes);
    IsOwnScript(rest); // any bytes, as a sibling name found in a folder may hold
    if (!encode(packer) || !encode(System)) {
        CHECK(script.bytes.empty() && script.leftOut.empty());
        return 0;
    }

    std::vector<std::string> lines;
    for (size_t at = 0, end;; at = end + 2) {
        end = std::min(script.bytes.find("\r\n", at), script.bytes.size());
        lines.push_back(script.bytes.substr(at, end - at));
        if (end == script.bytes.size()) break;
    }
    // Zorvik knows every script it writes for its own.
    CHECK(IsOwnScript(script.bytes));
    // The end: PAUSE and its line end.
    CHECK(lines.size() >= 6 && lines[lines.size() - 2] == "PAUSE" && lines.back().empty());
    lines.pop_back();
    // The start: cmd's settings, no UPX variable, the code page, before anything else.
    CHECK(lines[0] + "\r\n" == ScriptStart && lines[1] + "\r\n" == ScriptClearUpx &&
          lines[2] + "\r\n" == CodePageLine(System, codePage));
    lines.erase(lines.begin(), lines.begin() + 3);
    const size_t room = MaxScriptLine - 2, first = unpack ? 2 : 1;
    std::vector<std::string> written;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        CHECK(line.size() <= room && line[0] == '"');
        // cmd must hand every character on: '%' doubled, and outside quotes
        // nothing but the blanks and the option, so nothing redirects.
        std::string plain;
        bool quoted = false;
        for (size_t j = 0; j < line.size(); ++j) {
            CHECK(line[j] != '\r' && line[j] != '\n');
            if (line[j] == '"')
                quoted = !quoted;
            else if (!quoted)
                CHECK(line[j] == ' ' || line[j] == '-' || line[j] == 'd');
            if (line[j] == '%') CHECK(line[++j] == '%');
            plain += line[j];
        }
        CHECK(!quoted);
        const std::vector<std::string> args = SplitArguments(plain);
        CHECK(args.size() >= first && args[0] == packer && (!unpack || args[1] == "-d"));
        CHECK(args.size() > first || lines.size() == 2); // only a lone line may name no file
        written.insert(written.end(), args.begin() + first, args.end());
        // A new line starts only when the next file no longer fits on this one.
        if (i + 2 < lines.size()) {
            const std::string& next = lines[i + 1];
            size_t open = next.find('"', next.find('"', 1) + 1), close = next.find('"', open + 1);
            CHECK(line.size() + (close - open + 2) > room);
        }
    }

    // Every entry is written once, in order, or left out with its reason.
    size_t w = 0, l = 0;
    for (const std::string& entry : entries) {
        const std::string path = raw ? TakePath(entry) : entry;
        const std::string shown = !path.empty() && path[0] == '-' ? ".\\" + path : path;
        if (w < written.size() && written[w] == shown) {
            CHECK(PathLike(path));
            ++w;
            continue;
        }
        if (raw && path.empty()) continue; // an empty hand-off names no file
        CHECK(l < script.leftOut.size() && script.leftOut[l].text == entry);
        switch (script.leftOut[l++].reason) {
        case LeftOutReason::NotAPath:
            CHECK(!PathLike(path));
            break;
        case LeftOutReason::NotInConsoleCodePage:
            CHECK(!encode(path));
            break;
        case LeftOutReason::TooLong: // would not fit with every character doubled
            CHECK(2 * packer.size() + 6 + 2 * path.size() + 5 > room); // ".\\" may lead it
            break;
        }
    }
    CHECK(w == written.size() && l == script.leftOut.size());
    return 0;
}
