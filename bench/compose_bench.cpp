// compose_bench: ComposeScript over 5,000 handed-over entries, natively, beside a baseline that
// only appends the same entries to one string. Prints figures; built by bench/run.sh with the
// host compiler against the portable sources.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "packer/script.h"

namespace {

const int kEntries = 5000;
const int kRuns = 41;

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void Print(const char* who, std::vector<double> ms, size_t bytes) {
    std::sort(ms.begin(), ms.end());
    std::printf("compose  %-9s n=%-3zu median %8.3f ms  IQR %8.3f .. %8.3f  min %8.3f  max %8.3f"
                "  (%zu bytes)\n",
                who, ms.size(), ms[ms.size() / 2], ms[ms.size() / 4], ms[ms.size() * 3 / 4],
                ms.front(), ms.back(), bytes);
}

} // namespace

int main() {
    std::vector<std::string> entries;
    for (int i = 1; i <= kEntries; ++i) {
        char path[80]; // 60 characters, handed over as "path" and a blank
        std::snprintf(path, sizeof path,
                      "\"C:\\Bench Input\\Release Build Output Folder\\program-%05d.exe\" ", i);
        entries.push_back(path);
    }
    const std::string packer = "C:\\Program Files\\Zorvik\\upx.exe";
    auto same = [](const std::string& text) -> std::optional<std::string> { return text; };

    std::vector<double> compose, append;
    size_t composed = 0, appended = 0;
    for (int run = 0; run <= kRuns; ++run) { // run 0 warms up and is not counted
        double start = NowMs();
        Script script = ComposeScript(ScriptKind::Pack, packer, "C:\\Windows\\System32", entries,
                                      EntryStyle::Raw, same, 437, NoLeadBytes);
        double middle = NowMs();
        std::string plain;
        for (const std::string& entry : entries)
            plain += entry;
        double end = NowMs();
        composed = script.bytes.size() + script.leftOut.size();
        appended = plain.size();
        if (run == 0) continue;
        compose.push_back(middle - start);
        append.push_back(end - middle);
    }
    std::printf("compose: ComposeScript of %d handed-over entries (60-character paths), native;"
                " baseline: appending the same entries to one string\n",
                kEntries);
    Print("Compose", compose, composed);
    Print("baseline", append, appended);
    std::sort(compose.begin(), compose.end());
    std::sort(append.begin(), append.end());
    std::printf("compose  ratio of medians ComposeScript / baseline = %.2f\n",
                compose[compose.size() / 2] / append[append.size() / 2]);
    return 0;
}
