#pragma once
#include <string>

// The part of a process command line after the program name, exactly as the
// starter wrote it: quotes and trailing blanks stay.
std::string CommandTail(const std::string& commandLine);
std::wstring CommandTail(const std::wstring& commandLine);

// The path in a tail that names a file relative to the folder where it was
// given ("foo.exe", "..\\foo.exe", "\\foo.exe", "C:foo.exe"), without the blanks and
// the quotes around it; empty when the tail is empty, names a full path or a
// share, or is no single path.
std::wstring RelativePathIn(const std::wstring& tail);

// A full path as the verb gives it: quoted, then one blank.
std::wstring QuotedTail(const std::wstring& fullPath);

// The program name that begins a command line, without its quotes: the first
// argument as the C runtime and CommandLineToArgvW split it. Empty when the
// line begins with a blank.
std::wstring CommandProgram(const std::wstring& commandLine);

// The hand-off payload as text: the bytes up to the first NUL, never more
// than `size` of them, whatever the sender put there.
std::string HandOffPayloadText(const char* data, size_t size);
// The same for a UTF-16 payload: the two-byte units up to the first NUL unit,
// within `size` bytes; an odd last byte is no unit and is left out.
std::wstring HandOffPayloadWide(const void* data, size_t size);
