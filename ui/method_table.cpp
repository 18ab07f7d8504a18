#include "ui/method_table.h"

namespace {
constexpr char LowHint[] = "Yeah ! 1, 2 and 3 are good :)";
constexpr char MiddleHint[] = "Yeah ! 4, 5 and 6 are also good :)";
constexpr char HighHint[] = "Yeah ! 7, 8 and 9 are very good :)";

bool IsRow(int row) {
    return row >= 0 && static_cast<size_t>(row) < MethodCount;
}
} // namespace

const CompressionMethod MethodTable[MethodCount] = {
    {"Normal", "Normal ,Yeah it's Recommanded", "-8"},
    {"Best", "Best , Umm It'll take time", "--best"},
    {"Brute", "Brute , It'll take big time", "--brute"},
    {"Ultra Brute", "Ultra Brute , It'll take very long time", "--ultra-brute"},
    {"1", LowHint, "-1"},
    {"2", LowHint, "-2"},
    {"3", LowHint, "-3"},
    {"4", MiddleHint, "-4"},
    {"5", MiddleHint, "-5"},
    {"6", MiddleHint, "-6"},
    {"7", HighHint, "-7"},
    {"8", HighHint, "-8"},
    {"9", HighHint, "-9"},
};

const char* MethodHint(int row) {
    return IsRow(row) ? MethodTable[row].hint : nullptr;
}

const char* MethodOption(int row) {
    return IsRow(row) ? MethodTable[row].option : "-8";
}
