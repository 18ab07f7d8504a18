// Signed programs: the certificate table in a PE header, and the question.
#include <gtest/gtest.h>

#include "packer/signed_files.h"

// "MZ", the PE header at 0x80, 16 data directories, the security entry (offset, size).
static std::string Pe(uint32_t magic, uint32_t offset, uint32_t size,
                      uint32_t optionalSize = 0xF0) {
    const size_t security = 0x98 + (magic == 0x20B ? 144 : 128);
    std::string bytes(0x98 + 0xF0, '\0'); // all there, whatever the header says
    const std::pair<size_t, uint32_t> fields[] = {
        {0, 0x5A4D},   {0x3C, 0x80},        {0x80, 0x4550},     {0x94, optionalSize},
        {0x98, magic}, {security - 36, 16}, {security, offset}, {security + 4, size}};
    for (const auto& [at, value] : fields)
        for (size_t i = 0; i < 4; ++i)
            bytes[at + i] = char(value >> 8 * i);
    return bytes;
}

TEST(SignedFiles, CertificateTableInPe32AndPe32Plus) {
    for (uint32_t magic : {0x10B, 0x20B}) {
        EXPECT_TRUE(CarriesCertificateTable(Pe(magic, 0x3000, 0x1A48))) << magic;
        const std::string whole = Pe(magic, 8, 8);
        for (const std::string& bytes : {Pe(magic, 0, 8), Pe(magic, 8, 0), Pe(magic, 8, 8, 0x60),
                                         whole.substr(0, 0x98 + 135), whole.substr(0, 0x3E)})
            EXPECT_FALSE(CarriesCertificateTable(bytes)) << magic << ", " << bytes.size();
    }
    EXPECT_FALSE(CarriesCertificateTable(Pe(0x107, 8, 8))) << "neither PE32 nor PE32+";
}

TEST(SignedFiles, QuestionNamesTenThenCounts) {
    std::vector<std::string> paths;
    for (char c = 'a'; c <= 'l'; ++c)
        paths.push_back(std::string(1, c) + ".exe");
    const std::string text = SignedFilesQuestion(paths);
    EXPECT_NE(text.find("signature of:\n\na.exe\nb.exe\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nj.exe\nand 2 more\n\nWindows and antivirus"), std::string::npos);
}
