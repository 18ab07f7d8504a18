// The stack protector's guard, its seeding and its failure, Zorvik's own: GCC's
// libssp seeds its guard through CryptAcquireContext in a constructor, which
// loads rsaenh, crypt32 and bcrypt at every start, before Zorvik limits where
// DLLs come from. Built without link-time optimisation (see CMakeLists.txt).
#include <windows.h>

#include <cstdint>
#include <cstdlib>

extern "C" {
__attribute__((used)) uintptr_t __stack_chk_guard = 0x2B992DDF;

[[noreturn]] __attribute__((used)) void __stack_chk_fail() {
    // A return address may be overwritten: run nothing more of the program.
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    abort();
}
}

// First of all constructors, before any guarded function is on the stack, and
// so before WinMain sets the DLL rules: it calls only kernel32, which every
// process has loaded, and loads no DLL (the system's random source would mean
// one: advapi32's RtlGenRandom is forwarded to cryptbase, which is no
// KnownDLL). The guard is mixed as Visual C++ seeds its /GS cookie: the time,
// the process and thread, the tick count, the performance counter, and the
// addresses the stack and the image were given (ASLR). Reseeding later would
// break every guarded function on the stack then.
__attribute__((constructor(101), no_stack_protector)) static void SeedStackGuard() {
    FILETIME time;
    LARGE_INTEGER counter;
    GetSystemTimeAsFileTime(&time);
    QueryPerformanceCounter(&counter);
    const uintptr_t seed =
        (uintptr_t(time.dwHighDateTime) << 7) ^ time.dwLowDateTime ^ GetCurrentProcessId() ^
        (uintptr_t(GetCurrentThreadId()) << 11) ^ GetTickCount() ^ uintptr_t(counter.QuadPart) ^
        reinterpret_cast<uintptr_t>(&time) ^ (reinterpret_cast<uintptr_t>(&__stack_chk_guard) << 3);
    __stack_chk_guard ^= seed;
}
