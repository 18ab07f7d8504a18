#pragma once
#include <string>

// Sent back by the main window when it filed a hand-off.
inline constexpr long HandOffFiled = 1;

// ERROR_ACCESS_DENIED: what SendMessage leaves when Windows keeps a message
// from a program of higher integrity, here a Zorvik run as administrator.
inline constexpr unsigned long HandOffAccessDenied = 5;

enum class HandOffResult {
    Filed,    // the running main window has the tail
    NotFiled, // it is closing or gone: the tail waits for the next application
    Elevated, // Windows refused the message: waiting would not help
};

// From the main window's answer and the error SendMessage left (0 for none).
HandOffResult HandOffOutcome(long answer, unsigned long lastError);

std::wstring ElevatedRefusalText(const std::wstring& tail);
