#include "packer/signed_files.h"

// Little-endian fields read only where the bytes hold them.
static uint32_t Field(const std::string& bytes, size_t at, size_t size) {
    uint32_t value = 0;
    if (at > bytes.size() || bytes.size() - at < size) return 0;
    for (size_t i = size; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

uint32_t PeHeaderStart(const std::string& dosHeader) {
    return Field(dosHeader, 0, 2) == 0x5A4D ? Field(dosHeader, 0x3C, 4) : 0; // "MZ"
}

bool HasCertificateTable(const std::string& peHeader) {
    constexpr size_t optional = 4 + 20; // after the signature and the file header
    const uint32_t magic = Field(peHeader, optional, 2);
    if (Field(peHeader, 0, 4) != 0x4550 || (magic != 0x10B && magic != 0x20B)) // "PE\0\0"
        return false;
    const size_t directories = magic == 0x10B ? 96 : 112; // PE32, PE32+
    const size_t security = directories + 4 * 8;
    if (Field(peHeader, 4 + 16, 2) < security + 8 ||         // SizeOfOptionalHeader
        Field(peHeader, optional + directories - 4, 4) <= 4) // NumberOfRvaAndSizes
        return false;
    return Field(peHeader, optional + security, 4) != 0 &&
           Field(peHeader, optional + security + 4, 4) != 0;
}

bool CarriesCertificateTable(const std::string& file) {
    const uint32_t start = PeHeaderStart(file.substr(0, DosHeaderBytes));
    return start != 0 && start < file.size() &&
           HasCertificateTable(file.substr(start, PeHeaderBytes));
}

std::string SignedFilesQuestion(const std::vector<std::string>& paths) {
    constexpr size_t listed = 10;
    std::string text = "Packing removes the digital signature of:\n\n";
    for (size_t i = 0; i < paths.size() && i < listed; ++i)
        (text += paths[i]) += '\n';
    if (paths.size() > listed)
        ((text += "and ") += std::to_string(paths.size() - listed)) += " more\n";
    return text += "\nWindows and antivirus programs may then warn about the packed program. "
                   "Compress anyway?";
}
