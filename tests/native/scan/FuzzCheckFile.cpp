// CheckFile on arbitrary file contents, written to a scratch file. The first byte chooses the
// table (the real one, or the same records with no size test so that every input reaches the
// header and signature reads) and the mode; the rest is the file.
#include "app/ScanState.h"
#include "engine/FileMatcher.h"
#include "engine/SignatureTable.h"
#include "tests/engine_scan/ScanDoubles.h"
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>

namespace {

const SignatureRecord* SizeBlindTable() {
    static SignatureRecord table[47];
    if (table[0].name[0] == 0) {
        memcpy(table, g_signatureTable, sizeof table);
        for (SignatureRecord& record : table)
            if (record.name[0]) record.sizeTest = 3;
    }
    return table;
}

// Removed again when the fuzzer exits.
struct ScratchFile {
    std::string path = "/tmp/sw_fuzz_check_" + std::to_string(getpid());
    ~ScratchFile() { remove(path.c_str()); }
} g_scratch;

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    FILE* file = fopen(g_scratch.path.c_str(), "wb");
    if (file == NULL) abort();
    fwrite(data + 1, 1, size - 1, file);
    fclose(file);

    ResetScanDoubles();
    g_activeSignatureTable = (data[0] & 1) ? SizeBlindTable() : g_signatureTable;
    g_memoryCheckMode = (data[0] >> 1) & 1;
    int result = CheckFile("W32/Drellmoxin.Trojan ", g_scratch.path.c_str());
    // A result of 1 is a counted match with its calls out; 0 leaves nothing behind.
    if (result != 0 && result != 1) abort();
    if (g_filesInfected != result || (int)g_autorunCalls.size() != result) abort();
    if (g_currentFileSize != (int32_t)(size - 1)) abort();
    if (g_memoryCheckMode == 0 && (g_actionCalls.size() != (size_t)result || g_currentFilePath[0] != 0)) abort();
    return 0;
}
