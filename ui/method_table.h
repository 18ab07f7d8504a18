#pragma once
#include <cstddef>

struct CompressionMethod {
    const char* label;  // drop-down item
    const char* hint;   // hint line while the row is selected
    const char* option; // the packer's option for single-file compression
};

inline constexpr size_t MethodCount = 13;
extern const CompressionMethod MethodTable[MethodCount];

// The row's hint, or nullptr for an index that names no row (the drop-down's
// CB_ERR included): the hint line then stays as it is.
const char* MethodHint(int row);

// The packer option for the selected row; "-8" when no row is selected.
const char* MethodOption(int row);
