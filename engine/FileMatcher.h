// Decides from its PE headers, its size and two signatures whether a file is a known sample.
#pragma once
#include <stdint.h>
#include "engine/LowIo.h"

extern uint16_t g_peHeaderPos;
extern unsigned char g_fileHeader[20];
extern unsigned char g_optionalHeader[96];
extern unsigned char g_sectionHeaders[20][40];

extern char g_currentFilePath[261];
extern int64_t g_currentFileSize;
extern char g_detectedName[260];

extern unsigned char g_memoryCheckMode;   // 1 while the memory scan runs (initially 1)
extern unsigned char g_memoryHit;
extern int32_t g_forcedAction;

// The table the matcher tests, from its first record to the one with an empty name:
// g_signatureTable, unless a test points it at a table of its own.
struct SignatureRecord;
extern const SignatureRecord* g_activeSignatureTable;

// What the directory listing gave for the file being handed to the checkers: its whole size
// (-1 when the caller has none), its attributes and its reparse tag (0 for none). Set by the
// walk around each check; kNothingListed otherwise.
struct ListedFile {
    int64_t size;
    uint32_t attributes;
    uint32_t reparseTag;
};
const ListedFile kNothingListed = {-1, 0, 0};
extern ListedFile g_listedFile;

int CheckFile(const char* checkerName, const char* path);
// The one report line of a file or folder that was not examined: its path (shortened to fit
// the line) and why.
void ReportNotScanned(const char* path, const char* reason);
bool ReadPeHeaders(LowFile file);
bool ReadSectionTable(LowFile file);
uint32_t RvaToFileOffset(uint32_t rva, LowFile file);
