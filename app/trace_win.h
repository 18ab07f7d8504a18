// Start-up tracing for the bench. Only bench/'s Zorvik_trace.exe defines ZORVIK_TRACE: there
// each step's first time since the process was created is kept, and written at exit to the
// file that the environment variable ZORVIK_TRACE names. In Zorvik.exe every call is empty.
#pragma once

#ifdef ZORVIK_TRACE
void TraceStep(const char* step);
#else
inline void TraceStep(const char*) {}
#endif
