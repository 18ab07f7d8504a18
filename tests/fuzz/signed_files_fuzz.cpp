// The PE header reader on any bytes, read whole and as the Win32 side reads a
// file: the first bytes, then the header's bytes where they say it starts.
#include "fuzz_check.h"
#include "packer/signed_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file = Bytes(data, size);
    const bool whole = CarriesCertificateTable(file);
    const uint32_t start = PeHeaderStart(file.substr(0, DosHeaderBytes));
    const std::string header = start < size ? file.substr(start, PeHeaderBytes) : std::string();
    CHECK(whole == (start != 0 && HasCertificateTable(header)));
    CHECK(!whole || (file.compare(0, 2, "MZ") == 0 && header.compare(0, 2, "PE") == 0));
    return 0;
}
