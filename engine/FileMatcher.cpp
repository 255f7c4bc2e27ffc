// Decides from its PE headers, its size and two signatures whether a file is a known sample,
// and hands a match to the registry cleanup and the disinfection.
#include "engine/FileMatcher.h"
#include "app/MessagePump.h"
#include "app/ReportChannel.h"
#include "app/ScanState.h"
#include "cleaner/RegistryCleanup.h"
#include "engine/DirectoryWalk.h"
#include "engine/Disinfect.h"
#include "engine/LowIo.h"
#include "engine/PathText.h"
#include "engine/SignatureTable.h"
#include <stdio.h>
#include <string.h>

uint16_t g_peHeaderPos;
unsigned char g_fileHeader[20];
unsigned char g_optionalHeader[96];
unsigned char g_sectionHeaders[20][40];

char g_currentFilePath[261];
int64_t g_currentFileSize;
char g_detectedName[260];

unsigned char g_memoryCheckMode = 1;
unsigned char g_memoryHit;
int32_t g_forcedAction;

const SignatureRecord* g_activeSignatureTable = g_signatureTable;
ListedFile g_listedFile = kNothingListed;

namespace {

const uint32_t kPeHeaderPosField = 60;     // e_lfanew; only its low two bytes are read
const uint32_t kFileHeaderSkip = 4;        // the "PE\0\0" signature
const uint32_t kOptionalHeaderSkip = 24;   // signature and file header
const uint32_t kSectionTableSkip = 248;    // as if every optional header had 224 bytes
const uint32_t kPeSignature = 0x4550;
const unsigned kMaxSections = 20;
const unsigned kSectionHeaderSize = sizeof g_sectionHeaders[0];
const unsigned kSignatureLength = 20;
// The longest path the matcher takes: it must fit g_statusText, where report lines read it.
const size_t kMaxPathChars = sizeof g_statusText - 1;
const int kReportPathChars = 400;   // keeps a report line well inside g_reportText
const char kForcedActionLine[] = "System Memory    " TROJAN_LABEL "  removed";
// A Portable Executable file's offsets and sizes are 32-bit: no sample is 4 GiB or larger.
const int64_t kLargestSample = 0xFFFFFFFF;
const char kDataElsewhereReason[] = "Offline or only in the cloud, not downloaded";

uint32_t Le16(const unsigned char* bytes) { return bytes[0] | bytes[1] << 8; }

uint32_t Le32(const unsigned char* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | (uint32_t)bytes[3] << 24;
}

unsigned NumberOfSections() { return Le16(g_fileHeader + 2); }
uint32_t EntryPointRva() { return Le32(g_optionalHeader + 16); }
uint32_t SizeOfHeaders() { return Le32(g_optionalHeader + 60); }
uint32_t VirtualSize(unsigned section) { return Le32(g_sectionHeaders[section] + 8); }
uint32_t VirtualAddress(unsigned section) { return Le32(g_sectionHeaders[section] + 12); }
uint32_t PointerToRawData(unsigned section) { return Le32(g_sectionHeaders[section] + 20); }

void ResetHeaderState() {
    memset(g_fileHeader, 0, sizeof g_fileHeader);
    g_peHeaderPos = 0;
}

bool SizeTestPasses(const SignatureRecord& record, int64_t fileSize) {
    switch (record.sizeTest) {
        case 1:
            return fileSize == record.fileSize;
        case 2: {
            int64_t difference = (int64_t)record.fileSize - fileSize;
            return difference > -kSizeTolerance && difference < kSizeTolerance;
        }
        case 3:
            return true;
        default:
            return false;
    }
}

bool AnyRecordAcceptsSize(int64_t fileSize) {
    if (fileSize > kLargestSample) return false;
    for (const SignatureRecord* record = g_activeSignatureTable; record->name[0] != 0; ++record)
        if (SizeTestPasses(*record, fileSize)) return true;
    return false;
}

bool SignatureAt(LowFile file, uint32_t entryPoint, int32_t entryOffset, const unsigned char* signature) {
    unsigned char bytes[kSignatureLength];
    uint32_t position = RvaToFileOffset(entryPoint + (uint32_t)entryOffset, file);
    return LowReadAt(file, position, bytes, sizeof bytes) && memcmp(bytes, signature, sizeof bytes) == 0;
}

bool RecordMatches(LowFile file, const SignatureRecord& record, uint32_t entryPoint) {
    return SizeTestPasses(record, g_currentFileSize) &&
           SignatureAt(file, entryPoint, record.entryOffset1, record.signature1) &&
           SignatureAt(file, entryPoint, record.entryOffset2, record.signature2);
}

// The first record that fits the open file, or null.
//
// A file whose size no record accepts cannot match, so its headers are not read: the header
// state is left reset, as a file too short for its PE header position leaves it, and the
// check ends like any other failed one. Only the matcher reads the header state, and every
// check refills it before use; the globals other code reads (g_currentFileSize, the emptied
// g_currentFilePath, the counters) come out exactly as after reading the headers.
const SignatureRecord* FindMatchingRecord(LowFile file) {
    g_currentFileSize = LowFileLength(file);
    if (g_currentFileSize < 0) return NULL;
    if (!AnyRecordAcceptsSize(g_currentFileSize)) {
        ResetHeaderState();
        return NULL;
    }
    if (!ReadPeHeaders(file) || !ReadSectionTable(file)) return NULL;
    uint32_t entryPoint = EntryPointRva();
    for (const SignatureRecord* record = g_activeSignatureTable; record->name[0] != 0; ++record)
        if (RecordMatches(file, *record, entryPoint)) return record;
    return NULL;
}

void ClearCurrentFilePath() { memset(g_currentFilePath, 0, sizeof g_currentFilePath); }

// Opening a file costs far more than listing it, and most files have a size no record
// accepts: for them the size from the listing (or else from the attributes) is enough. The check then ends as it would after opening
// the file and reading its length (size known, path emptied, header state reset); only a
// file that could not have been opened differs, in g_currentFileSize, which nothing else reads.
bool SizeRulesOutEveryRecord(const char* path) {
    int64_t size = g_listedFile.size;
    if (size < 0 && !QuickFileSize(path, &size)) return false;
    if (AnyRecordAcceptsSize(size)) return false;
    g_currentFileSize = size;
    ClearCurrentFilePath();
    ResetHeaderState();
    return true;
}

// One match per file, whatever later records would say. The file stays open: whatever is
// done to it is done through the handle it was examined through. The status line may still
// show an earlier entry (the walk sets it only now and then): whatever happens to this file
// must come under its own path.
int TakeMatch(const SignatureRecord& record, const char* path, CLowFile& file) {
    ShowStatus(path);
    ++g_filesInfected;
    CleanAutorunEntries(record.name);
    CopyText(g_detectedName, sizeof g_detectedName, record.name);
    CopyText(g_statusText, sizeof g_statusText, path);
    if (g_memoryCheckMode == 1) {
        g_memoryHit = 1;
        return 1;   // g_currentFilePath keeps the path for the memory scan's second walk
    }
    ApplyExaminedAction(file, path, record.name);
    ClearCurrentFilePath();
    return 1;
}

// A file whose size fits a record but that is not opened (another program holds it without
// sharing, or its data would have to be fetched) was not examined: it is named with the reason,
// and taken back out of the scanned count that the walk made as it handed it over, so that the
// statistics do not count it as clean. The memory scan's look at a process image says nothing:
// the walk of its drive comes to the same file. Nor does a file removed since it was listed
// (no reason).
int PassOver(const char* path, const char* reason) {
    if (g_memoryCheckMode == 1 || reason == NULL) return 0;
    ReportNotScanned(path, reason);
    --g_filesScanned;
    return 0;
}

// The memory scan has ended the process: its image is acted on only through a handle whose
// content matches again. During the pause its path may have come to lead elsewhere (a folder
// of it swapped for a link), and what it leads to now was never examined.
int ApplyForcedAction(const char* checkerName, const char* path) {
    g_action = g_forcedAction;
    AppendReportLine("%s", kForcedActionLine);
    WaitPumping(NULL, 1000);
    CLowFile file(OpenExaminedFile(path));
    if (!file.IsValid())
        AppendReportLine("%s     %s cannot be examined again, left in place", path, checkerName);
    else if (FindMatchingRecord(file) == NULL)
        AppendReportLine("%s     %s no longer matches, left in place", path, checkerName);
    else
        ApplyExaminedAction(file, path, checkerName);
    ClearCurrentFilePath();
    return 0;
}

}   // namespace

bool ReadPeHeaders(LowFile file) {
    ResetHeaderState();
    unsigned char field[2];
    if (!LowReadAt(file, kPeHeaderPosField, field, sizeof field)) return false;
    g_peHeaderPos = (uint16_t)Le16(field);
    unsigned char signature[4];
    if (!LowReadAt(file, g_peHeaderPos, signature, sizeof signature) || Le32(signature) != kPeSignature) return false;
    return LowReadAt(file, g_peHeaderPos + kFileHeaderSkip, g_fileHeader, sizeof g_fileHeader);
}

bool ReadSectionTable(LowFile file) {
    if (!LowReadAt(file, g_peHeaderPos + kOptionalHeaderSkip, g_optionalHeader, sizeof g_optionalHeader)) return false;
    unsigned count = NumberOfSections();
    if (count > kMaxSections) return false;
    memset(g_sectionHeaders, 0, sizeof g_sectionHeaders);
    return LowReadAt(file, g_peHeaderPos + kSectionTableSkip, g_sectionHeaders, count * kSectionHeaderSize);
}

uint32_t RvaToFileOffset(uint32_t rva, LowFile file) {
    unsigned count = NumberOfSections();
    if (count > kMaxSections) count = kMaxSections;   // the table holds no more
    uint32_t offset = rva;
    if (count > 0) {
        // The first section that ends above the RVA, else the last; its start is not tested.
        unsigned section = 0;
        while (section + 1 < count && VirtualAddress(section) + VirtualSize(section) <= rva) ++section;
        offset = rva + PointerToRawData(section) - VirtualAddress(section);
    }
    if (offset >= (uint32_t)LowFileLength(file)) offset = rva;
    return offset != 0 ? offset : SizeOfHeaders();
}

int CheckFile(const char* checkerName, const char* path) {
    if (g_forcedAction != 0 && g_hMainWnd != NULL) return ApplyForcedAction(checkerName, path);
    if (g_filesInfected == 0) memset(g_autorunValueName, 0, sizeof g_autorunValueName);
    // A longer path cannot be opened through the platform's path limit anyway, and a cut copy
    // in g_currentFilePath would have the registry cleanup compare against the wrong file.
    if (strlen(path) > kMaxPathChars) return 0;
    if (SizeRulesOutEveryRecord(path)) return 0;
    if ((g_listedFile.attributes & kDataElsewhereAttributes) != 0) return PassOver(path, kDataElsewhereReason);
    CLowFile file(OpenExaminedFile(path, HoldsDataInPlace(g_listedFile.reparseTag)));
    if (!file.IsValid()) return PassOver(path, OpenFailureReason());
    ClearCurrentFilePath();
    CopyText(g_currentFilePath, sizeof g_currentFilePath, path);
    const SignatureRecord* match = FindMatchingRecord(file);
    if (match != NULL) return TakeMatch(*match, path, file);
    ClearCurrentFilePath();
    return 0;
}

// An entry that cannot be reached or examined is passed over in the open, never cut down to
// some other file's or folder's path, nor quietly counted as clean; the run's result says
// that the scan was incomplete.
void ReportNotScanned(const char* path, const char* reason) {
    char shown[kReportPathChars + 1];
    ShortenPath(path, shown, kReportPathChars);
    AppendReportLine("%s     %s, not scanned", shown, reason);
    ++g_notScanned;
}
