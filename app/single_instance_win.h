#pragma once
#include <optional>
#include <string>

#include "app/hand_off.h"

enum class StartRole {
    Application, // this process runs the main window
    HandedOver,  // a running main window filed the tail
    NotAnswered, // another instance is starting but opened no window in time
    Elevated,    // the running Zorvik runs as administrator and may not take it
    NotHanded,   // a Zorvik runs, but this start has no name it may be given
};

// Makes sure that at most one Zorvik per session becomes the application;
// every later instance hands its tail to that one's main window. A start with
// nothing to hand over (no tail) only learns whether a Zorvik runs.
StartRole ClaimOrHandOver(const std::optional<std::wstring>& tail);
