#include "app/trace_win.h"

#ifdef ZORVIK_TRACE
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {
struct Step {
    const char* name;
    long long microseconds; // since the process was created
};
Step Steps[64];
int StepCount;

long long MicrosecondsSinceCreation() {
    using PreciseTime = void(WINAPI*)(FILETIME*);
    static auto precise = reinterpret_cast<PreciseTime>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    FILETIME now, created, exited, kernel, user;
    if (precise)
        precise(&now);
    else
        GetSystemTimeAsFileTime(&now);
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return (ticks(now) - ticks(created)) / 10;
}

struct TraceFile {
    ~TraceFile() {
        const char* path = std::getenv("ZORVIK_TRACE");
        FILE* file = path ? std::fopen(path, "w") : nullptr;
        if (!file) return;
        for (int i = 0; i < StepCount; ++i)
            std::fprintf(file, "%lld\t%s\n", Steps[i].microseconds, Steps[i].name);
        std::fclose(file);
    }
} Written;

// Right after the stack guard is seeded (101), the first of the program's own code: what came
// before is the loader and the C runtime's start-up.
__attribute__((constructor(102))) void FirstConstructor() {
    TraceStep("C runtime started (first constructor)");
}
} // namespace

void TraceStep(const char* step) {
    for (int i = 0; i < StepCount; ++i)
        if (Steps[i].name == step) return; // each step once, at its first time
    if (StepCount < 64) Steps[StepCount++] = {step, MicrosecondsSinceCreation()};
}
#endif
