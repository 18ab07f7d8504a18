// The exe's load configuration, for one field: DependentLoadFlags. Windows 10
// 1607 and later resolve every static import with these flags, forwarders
// included (advapi32 forwards some exports to DLLs outside the KnownDLLs), so
// none comes from Zorvik's own folder, where anyone may have left a DLL named
// like a system one. Newer GNU ld fills the load-configuration directory from
// this symbol (__load_config_used on i686, where C names take an underscore);
// with ld 2.40 scripts/set-load-config.sh does, after the link.
#include <windows.h>

#include <cstddef>

static constexpr IMAGE_LOAD_CONFIG_DIRECTORY LoadConfig() {
    IMAGE_LOAD_CONFIG_DIRECTORY config{};
    // Up to the SafeSEH table, of which Zorvik has none: ld writes 64 bytes into an i686
    // image's directory whatever this says, and 64 reach the flags.
    config.Size = offsetof(IMAGE_LOAD_CONFIG_DIRECTORY, SEHandlerTable);
    config.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32; // DependentLoadFlags in newer headers
    return config;
}

extern "C" __attribute__((used)) constinit const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used =
    LoadConfig();
