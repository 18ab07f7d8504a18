#pragma once
#include <string>

#include "app/packer_options.h"

// The two texts that zir.cfg is ever written with: 16 bytes, no line end.
inline constexpr char SettingsVerbOn[] = "[Shell Menu] : 1";
inline constexpr char SettingsVerbOff[] = "[Shell Menu] : 0";
inline constexpr char SettingsFileName[] = "zir.cfg";

const char* SettingsText(bool verbInstalled);

// The packer options follow the verb's 16 bytes on a line of their own, only
// while one of them is on: "\r\n[Packer Options] : --lzma -k". A reader of the
// verb's line alone sees no change.
inline constexpr char SettingsOptionsKey[] = "[Packer Options] :";
std::string SettingsFileText(bool verbInstalled, const PackerOptions& options);
// All off when the file has no such line or Zorvik cannot read it.
PackerOptions ParseSettingsOptions(const std::string& fileText);

// Reads the state as scanning "[Shell Menu] : %d" does: the letters and
// brackets must match from the first byte, each blank of the pattern matches
// any run of white space (or none), and the number may be signed. Anything
// after the number is ignored. 0 when the text does not match that far.
int ParseShellMenuState(const std::string& fileText);

std::string SettingsNotSavedText(const std::string& settingsPath);
