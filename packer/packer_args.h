#pragma once
#include <optional>
#include <string>

#include "app/ansi_names.h"
#include "app/packer_options.h"

// The path inside a text as the path field or a hand-off holds it: the
// surrounding blanks and one pair of enclosing double quotes removed.
std::string TakePath(const std::string& text);

// False for text that no Windows path can hold: empty or only blanks, or with a double
// quote, < > | * ? or a control character in it. Such text is never put on a
// packer command line. ANSI text is read with its code page's lead bytes.
bool IsWindowsPathText(const std::string& path, LeadByteTest isLead);

// The path as exactly one argument for the C runtime's splitting: in double
// quotes, with backslashes before the closing quote doubled.
std::string QuoteArgument(const std::string& path, LeadByteTest isLead);

// A path as the packer must see it: a relative name that begins with "-" led
// by ".\" so that it is never taken for an option. The packer names the file
// so in its messages.
std::string PackerFilePath(const std::string& path);
// The same as one quoted argument.
std::string PackerFileArgument(const std::string& path, LeadByteTest isLead);

// Parameters for the packer on one file, or nothing when the text holds no
// usable path: `command` (such as "-t") and the path.
std::optional<std::string> FileParameters(const std::string& command, const std::string& fieldText,
                                          LeadByteTest isLead);
// The method's option and the options that apply.
std::string CompressOptions(int row, const PackerOptions& options);
std::string DecompressOptions(const PackerOptions& options);
std::optional<std::string> CompressParameters(int row, const std::string& fieldText,
                                              LeadByteTest isLead,
                                              const PackerOptions& options = {});
std::optional<std::string> DecompressParameters(const std::string& fieldText, LeadByteTest isLead,
                                                const PackerOptions& options = {});

std::string NotAPathText(const std::string& fieldText);
