// The stack protector's guard, its seeding and its failure, Zorvik's own: GCC's
// libssp seeds its guard through CryptAcquireContext in a constructor, which
// loads rsaenh, crypt32 and bcrypt at every start, before Zorvik limits where
// DLLs come from. Seeded from the system's random source, RtlGenRandom, which
// advapi32 (imported already) exports as SystemFunction036. Built without
// link-time optimisation (see CMakeLists.txt).
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" {
__attribute__((used)) uintptr_t __stack_chk_guard = 0x2B992DDF;

[[noreturn]] __attribute__((used)) void __stack_chk_fail() {
    // A return address may be overwritten: run nothing more of the program.
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    abort();
}
}

namespace {
// The address of `name` in a loaded module, following forwarders only into
// modules that are loaded already: advapi32 forwards SystemFunction036 to
// cryptbase on Windows 7 and later, and GetProcAddress would load that DLL by
// the search order, Zorvik's own folder first. Nothing when it would load one.
FARPROC LoadedExport(HMODULE module, const char* name) {
    for (int hop = 0; module && hop < 4; ++hop) {
        const BYTE* base = reinterpret_cast<const BYTE*>(module);
        auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
        if (!dir.VirtualAddress) return nullptr;
        auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
        auto names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
        auto ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
        auto functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
        DWORD found = 0;
        for (DWORD i = 0; i < exports->NumberOfNames && !found; ++i)
            if (std::strcmp(reinterpret_cast<const char*>(base + names[i]), name) == 0)
                found = functions[ordinals[i]];
        if (!found) return nullptr;
        if (found < dir.VirtualAddress || found >= dir.VirtualAddress + dir.Size)
            return reinterpret_cast<FARPROC>(const_cast<BYTE*>(base + found));
        // A forwarder, "CRYPTBASE.SystemFunction036": the module's name, then the export's.
        const char* forward = reinterpret_cast<const char*>(base + found);
        const char* dot = std::strchr(forward, '.');
        char dll[64];
        if (!dot || dot[1] == '#' || size_t(dot - forward) + 5 > sizeof dll) return nullptr;
        std::memcpy(dll, forward, size_t(dot - forward));
        std::memcpy(dll + (dot - forward), ".dll", 5);
        module = GetModuleHandleA(dll); // loaded already, or nothing
        name = dot + 1;
    }
    return nullptr;
}
} // namespace

// A random word from the system's source, or 0 where it cannot be had
// without loading a DLL.
static uintptr_t RandomWord() {
    using RandomFill = BOOLEAN(WINAPI*)(void*, ULONG);
    auto fill = reinterpret_cast<RandomFill>(reinterpret_cast<void*>(
        LoadedExport(GetModuleHandleW(L"advapi32.dll"), "SystemFunction036")));
    uintptr_t random = 0;
    return fill && fill(&random, sizeof random) ? random : 0;
}

// First of all constructors, before any guarded function is on the stack.
// Where the random source gives nothing, the guard is mixed as Visual C++
// seeds its /GS cookie: from the time, the process and thread, the tick count
// and the performance counter.
__attribute__((constructor(101), no_stack_protector)) static void SeedStackGuard() {
    uintptr_t seed = RandomWord();
    if (!seed) {
        FILETIME time;
        LARGE_INTEGER counter;
        GetSystemTimeAsFileTime(&time);
        QueryPerformanceCounter(&counter);
        seed = (uintptr_t(time.dwHighDateTime) << 7) ^ time.dwLowDateTime ^ GetCurrentProcessId() ^
               (uintptr_t(GetCurrentThreadId()) << 11) ^ GetTickCount() ^
               uintptr_t(counter.QuadPart) ^ reinterpret_cast<uintptr_t>(&time);
    }
    if (seed) __stack_chk_guard = seed;
}
