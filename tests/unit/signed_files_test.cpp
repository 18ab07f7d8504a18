// Signed programs: the certificate table in a PE header, and the question.
#include <gtest/gtest.h>

#include "packer/signed_files.h"

namespace {
void Put(std::string& bytes, size_t at, uint32_t value, size_t size) {
    for (size_t i = 0; i < size; ++i)
        bytes[at + i] = char(value >> (8 * i));
}

// "MZ", the PE header at 0x80, and the security entry (offset, size).
std::string Pe(uint32_t magic, uint32_t offset, uint32_t size, uint32_t count = 16,
               uint32_t optionalSize = 0xF0) {
    const size_t optional = 0x80 + 24, security = optional + (magic == 0x20B ? 112 : 96) + 32;
    std::string bytes(optional + optionalSize, '\0');
    bytes.replace(0, 2, "MZ");
    Put(bytes, 0x3C, 0x80, 4);
    bytes.replace(0x80, 2, "PE");
    Put(bytes, 0x80 + 20, optionalSize, 2);
    Put(bytes, optional, magic, 2);
    Put(bytes, security - 36, count, 4);
    Put(bytes, security, offset, 4);
    Put(bytes, security + 4, size, 4);
    return bytes;
}
} // namespace

TEST(SignedFiles, CertificateTableInPe32AndPe32Plus) {
    for (uint32_t magic : {0x10B, 0x20B}) {
        EXPECT_TRUE(CarriesCertificateTable(Pe(magic, 0x3000, 0x1A48))) << magic;
        EXPECT_FALSE(CarriesCertificateTable(Pe(magic, 0, 0x1A48))) << magic;
        EXPECT_FALSE(CarriesCertificateTable(Pe(magic, 0x3000, 0))) << magic;
        EXPECT_FALSE(CarriesCertificateTable(Pe(magic, 1, 1, 4))) << "four directories";
        EXPECT_FALSE(CarriesCertificateTable(Pe(magic, 1, 1, 16, 0x60))) << "short optional header";
        std::string cut = Pe(magic, 1, 1);
        EXPECT_FALSE(CarriesCertificateTable(cut.substr(0, 0x80 + 24 + 135))) << "truncated";
        EXPECT_FALSE(CarriesCertificateTable(cut.substr(0, 0x3E))) << "cut DOS header";
        cut[0x80] = 'N';
        EXPECT_FALSE(CarriesCertificateTable(cut)) << "NE, not PE";
    }
    EXPECT_FALSE(CarriesCertificateTable(Pe(0x107, 1, 1))) << "ROM image";
    EXPECT_FALSE(CarriesCertificateTable("ZM" + Pe(0x10B, 1, 1).substr(2)));
}

TEST(SignedFiles, QuestionNamesTenThenCounts) {
    std::vector<std::string> paths;
    for (char c = 'a'; c <= 'l'; ++c)
        paths.push_back(std::string(1, c) + ".exe");
    const std::string twelve = SignedFilesQuestion(paths);
    EXPECT_NE(twelve.find("signature of:\n\na.exe\nb.exe\n"), std::string::npos) << twelve;
    EXPECT_NE(twelve.find("\nj.exe\nand 2 more\n\nWindows and antivirus"), std::string::npos);
    const std::string one = SignedFilesQuestion({"C:\\a.exe"});
    EXPECT_NE(one.find(":\n\nC:\\a.exe\n\nWindows"), std::string::npos) << one;
}
