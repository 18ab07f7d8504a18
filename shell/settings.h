#pragma once
#include <string>

// The two texts that zir.cfg is ever written with: 16 bytes, no line end.
inline constexpr char SettingsVerbOn[] = "[Shell Menu] : 1";
inline constexpr char SettingsVerbOff[] = "[Shell Menu] : 0";
inline constexpr char SettingsFileName[] = "zir.cfg";

const char* SettingsText(bool verbInstalled);

// Reads the state as scanning "[Shell Menu] : %d" does: the letters and
// brackets must match from the first byte, each blank of the pattern matches
// any run of white space (or none), and the number may be signed. Anything
// after the number is ignored. 0 when the text does not match that far.
int ParseShellMenuState(const std::string& fileText);

std::string SettingsNotSavedText(const std::string& settingsPath);
