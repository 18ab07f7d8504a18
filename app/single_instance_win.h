#pragma once
#include <string>

enum class StartRole {
    Application, // this process runs the main window
    HandedOver,  // a running main window filed the tail
    NotAnswered, // another instance is starting but opened no window in time
};

// Makes sure that at most one Zorvik per session becomes the application;
// every later instance hands its tail to that one's main window.
StartRole ClaimOrHandOver(const std::string& tail);

// Sent back by the main window when it filed a hand-off.
inline constexpr long HandOffFiled = 1;
