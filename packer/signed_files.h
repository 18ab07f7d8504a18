// Signed programs: the packer drops a program's certificate table without a
// word, so Zorvik asks before Compress works on one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A PE file's first bytes, which hold where its PE header starts.
inline constexpr size_t DosHeaderBytes = 64;
// From the PE signature to the end of the security entry of a PE32+ optional header.
inline constexpr size_t PeHeaderBytes = 4 + 20 + 112 + 5 * 8;

// Where the PE header starts, read from the file's first bytes; 0 for bytes
// that are no DOS header.
uint32_t PeHeaderStart(const std::string& dosHeader);

// Whether the PE header's bytes (from its "PE\0\0" on) give the certificate
// table, data directory entry 4, a non-zero offset and size. Anything short,
// malformed or neither PE32 nor PE32+ says no.
bool HasCertificateTable(const std::string& peHeader);

// The same for a whole file's bytes.
bool CarriesCertificateTable(const std::string& file);

// The question asked before Compress works on signed programs: names the
// first ten paths, then how many more. Files that were not looked at (not on
// the disk now, or on a share that did not answer) are named with this note.
inline constexpr char NotLookedAtNote[] = "   (not looked at; it may be signed)";
std::string SignedFilesQuestion(const std::vector<std::string>& paths);
