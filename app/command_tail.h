#pragma once
#include <string>

// The part of a process command line after the program name, exactly as the
// starter wrote it: quotes and trailing blanks stay.
std::string CommandTail(const std::string& commandLine);
std::wstring CommandTail(const std::wstring& commandLine);

// The program name that begins a command line, without its quotes: the first
// argument as the C runtime and CommandLineToArgvW split it. Empty when the
// line begins with a blank.
std::wstring CommandProgram(const std::wstring& commandLine);

// The hand-off payload as text: the bytes up to the first NUL, never more
// than `size` of them, whatever the sender put there.
std::string HandOffPayloadText(const char* data, size_t size);
