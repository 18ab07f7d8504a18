#pragma once
#include <string>
#include <vector>

// Names enter Zorvik in UTF-16 and go on in the ANSI code page, which the
// packer reads them in. A name that code page cannot spell exactly is never
// handed on: Windows' own conversion would fit it to a look-alike (U+0101 to
// "a", U+FF3C to "\") and so name another file.

// Whether WideCharToMultiByte takes WC_NO_BEST_FIT_CHARS and the used-default
// flag for this code page. UTF-8, UTF-7, GB18030, the ISO-2022 and ISCII pages
// and the symbol page take neither; there only the round trip proves a name.
bool TakesBestFitFlags(unsigned codePage);

// Whether a byte of ANSI text begins a two-byte character. In the double-byte
// code pages (932, 936, 949, 950) the second byte can be "\" or "|" and belongs
// to that character, so path checks and quoting walk characters, never bytes.
using LeadByteTest = bool (*)(unsigned char);
bool NoLeadBytes(unsigned char); // single-byte pages and UTF-8

// Where the character that begins at `at` ends.
size_t CharacterEnd(const std::string& text, size_t at, LeadByteTest isLead);

// ASCII text, such as a number, as UTF-16. (std::to_wstring would bring the
// C runtime's wide printf into the exe.)
std::wstring WidenAscii(const std::string& ascii);

// The name with every character above ASCII as "?": enough to tell its
// extension and its backslashes, which are ASCII, without spelling it.
std::string AsciiSketch(const std::wstring& name);

// A name as the user knows it: without the blanks and the one pair of quotes
// of a command line around it.
std::wstring BareName(const std::wstring& name);

// One message for every name an action could not take, and why.
std::wstring NamesNotTakenText(const std::vector<std::wstring>& names);

// Why Zorvik does not start from a folder the ANSI code page cannot spell.
std::wstring FolderNotSpellableText(const std::wstring& folder);
