// RvaToFileOffset over header state taken straight from the input (any section count, any
// fields) and a file of a length the input chooses. The result is always the mapped offset
// inside the file, the RVA itself, or SizeOfHeaders.
#include "engine/FileMatcher.h"
#include "engine/LowIo.h"
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>

namespace {

uint32_t Le32(const uint8_t* bytes) { return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | (uint32_t)bytes[3] << 24; }

// Removed again when the fuzzer exits.
struct ScratchFile {
    std::string path = "/tmp/sw_fuzz_rva_" + std::to_string(getpid());
    ~ScratchFile() { remove(path.c_str()); }
} g_scratch;

int LengthFile(uint32_t length) {
    int fd = open(g_scratch.path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd == -1 || ftruncate(fd, length) != 0) abort();
    return fd;
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t state = sizeof g_fileHeader + sizeof g_optionalHeader + sizeof g_sectionHeaders;
    if (size < 8) return 0;
    uint32_t rva = Le32(data), length = Le32(data + 4) & 0xFFFFF;
    uint8_t headers[state] = {};
    memcpy(headers, data + 8, size - 8 < state ? size - 8 : state);
    memcpy(g_fileHeader, headers, sizeof g_fileHeader);
    memcpy(g_optionalHeader, headers + sizeof g_fileHeader, sizeof g_optionalHeader);
    memcpy(g_sectionHeaders, headers + sizeof g_fileHeader + sizeof g_optionalHeader, sizeof g_sectionHeaders);

    int fd = LengthFile(length);
    uint32_t offset = RvaToFileOffset(rva, fd);
    close(fd);
    if (offset != rva && offset != Le32(g_optionalHeader + 60) && offset >= length) abort();
    return 0;
}
