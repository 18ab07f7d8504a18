// The packer's parameters for any path field text: the option, one blank, and
// exactly one argument that the C runtime splits back into the path.
#include "fuzz_check.h"
#include "packer/packer_args.h"
#include "ui/method_table.h"

static void CheckParameters(const std::optional<std::string>& parameters, const char* option,
                            const std::string& fieldText) {
    const std::string path = TakePath(fieldText);
    // Nothing that ends a line, redirects or globs gets onto a command line.
    CHECK(IsWindowsPathText(path, NoLeadBytes) == PathLike(path));
    CHECK(parameters.has_value() == PathLike(path));
    if (!parameters) return;
    const std::string prefix = std::string(option) + " ";
    CHECK(parameters->compare(0, prefix.size(), prefix) == 0);
    const std::string argument = parameters->substr(prefix.size());
    CHECK(!argument.empty() && argument[0] != ' ' && argument[0] != '\t');
    const std::vector<std::string> split = SplitArguments(argument);
    // A relative name that looks like an option is led by ".\".
    CHECK(split.size() == 1 && split[0] == (path[0] == '-' ? ".\\" + path : path));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = Bytes(data, size);
    for (int row = -1; row <= static_cast<int>(MethodCount); ++row) {
        const bool isRow = row >= 0 && row < static_cast<int>(MethodCount);
        CheckParameters(CompressParameters(row, text, NoLeadBytes),
                        isRow ? MethodTable[row].option : "-8", text);
    }
    CheckParameters(DecompressParameters(text, NoLeadBytes), "-d", text);
    return 0;
}
