// Any file content through the whole matcher, and any buffer through FindBytes.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <vector>

#include "engine/LowIo.h"
#include "engine/UuencodedCheck.h"

int g_filesInfected = 0;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static char path[] = "/tmp/sw_fuzz_uuXXXXXX";
    static int fd = -1;
    if (fd == -1) {
        fd = mkstemp(path);
        unlink(path);
        RestoreEncodedPatterns();
    }
    // The record is steered by the first bytes, so both regions and both search modes run.
    EncodedSignatureRecord& record = g_encodedSignatureTable[0];
    EncodedSignatureRecord saved = record;
    if (size >= 4) {
        record.region = bytes[0] & 1;
        record.searchMode = (bytes[0] & 2) ? 1 : 0;
        record.position = (int16_t)(bytes[1] | (bytes[2] << 8));
        record.patternLength = (uint16_t)(bytes[3] % 101);
    }
    // Most random inputs would stop at the header; half of them get it for free.
    std::vector<unsigned char> content(bytes, bytes + size);
    if (size >= 4 && (bytes[0] & 4)) content.insert(content.begin(), {'b', 'e', 'g', 'i', 'n'});
    if (ftruncate(fd, 0) != 0 || pwrite(fd, content.data(), content.size(), 0) != (ssize_t)content.size()) abort();
    int infectedBefore = g_filesInfected;
    int matched = MatchUuencodedFile(fd);
    if (g_filesInfected != infectedBefore + matched) __builtin_trap();
    record = saved;

    // FindBytes over a heap block of exactly the searched length.
    if (size > 1) {
        size_t patternLength = bytes[0] % (size - 1) + 1;
        std::vector<unsigned char> buffer(bytes + 1, bytes + size);
        std::vector<unsigned char> pattern(bytes + 1, bytes + 1 + patternLength);
        if (FindBytes(buffer.data(), (int)buffer.size(), pattern.data(), (int)pattern.size()) != 1) __builtin_trap();
    }
    return 0;
}
