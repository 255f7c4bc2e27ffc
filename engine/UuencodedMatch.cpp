// The matcher of the uuencoded check, on the runtime's low-level file functions only, so that
// it also builds natively.
#include <stdio.h>
#include <string.h>

#include "app/ScanState.h"
#include "engine/LowIo.h"
#include "engine/UuencodedCheck.h"

unsigned char g_headText[kEncodedTextSize];
unsigned char g_tailText[kEncodedTextSize];

static const unsigned char kPatternKey = 0xC3;
static bool g_patternsRestored = false;

// The pattern is the white-space-free uuencoded text of the worm's own strings (its autorun
// value name, file name, autorun key and uninstaller), two 45-byte lines of a carrier.
EncodedSignatureRecord g_encodedSignatureTable[1] = {
    {"W32/Nyxem.Worm",
     134042,
     1888,
     100,
     0,
     {0x8E, 0xF7, 0x97, 0x96, 0x91, 0xF9, 0xE5, 0xEE, 0x89, 0xFA, 0x90, 0xFE, 0x89, 0xEF, 0xE5, 0xF7, 0x90,
      0xED, 0xE4, 0xFB, 0xA3, 0xFF, 0x85, 0x82, 0x80, 0xF9, 0x85, 0xFF, 0x94, 0xF9, 0x80, 0xE2, 0x86, 0xEF,
      0x90, 0x82, 0x95, 0xE8, 0x85, 0xF6, 0x9B, 0xFA, 0xF3, 0xE2, 0xF0, 0xF8, 0x95, 0xFA, 0x97, 0xFE, 0x95,
      0xE6, 0x91, 0xFA, 0xF6, 0x92, 0xEE, 0xF9, 0xF5, 0xEE, 0x91, 0x8E, 0xF8, 0x94, 0xEE, 0x8C, 0xFA, 0x84,
      0xF2, 0xFF, 0xF6, 0x95, 0x86, 0x8D, 0xFA, 0xE5, 0x9E, 0x94, 0xFF, 0x96, 0x92, 0xE0, 0xFE, 0xF4, 0xEA,
      0x91, 0xFA, 0xF5, 0x9A, 0x97, 0xF6, 0x85, 0xF6, 0x91, 0xFF, 0x95, 0x86, 0x8C, 0xF8, 0x86},
     1,
     4,
     18,
     0},
};

void RestoreEncodedPatterns() {
    if (g_patternsRestored) return;
    g_patternsRestored = true;
    for (EncodedSignatureRecord& record : g_encodedSignatureTable) {
        for (int i = 0; i < record.patternLength && i < (int)sizeof record.pattern; i++)
            record.pattern[i] ^= kPatternKey;
    }
}

static bool IsWhitespace(unsigned char c) { return c == 9 || c == 10 || c == 11 || c == 12 || c == 13 || c == 32; }

int StripWhitespace(const unsigned char* source, unsigned char* dest, int length) {
    int copied = 0;
    for (int i = 0; i < length; i++) {
        if (!IsWhitespace(source[i])) dest[copied++] = source[i];
    }
    return copied;
}

// `searchedLength` is the number of bytes of `buffer` that may be read: a pattern that would
// run past them does not match.
int FindBytes(const unsigned char* buffer, int searchedLength, const unsigned char* pattern, int patternLength) {
    if (patternLength <= 0) return 0;
    for (int at = 0; at + patternLength <= searchedLength; at++) {
        const void* first = memchr(buffer + at, pattern[0], searchedLength - patternLength + 1 - at);
        if (first == nullptr) return 0;
        at = (int)((const unsigned char*)first - buffer);
        if (memcmp(buffer + at, pattern, patternLength) == 0) return 1;
    }
    return 0;
}

int StartsWithBegin(int fd) {
    static const char kBegin[] = "begin";
    if (_filelength(fd) == -1L || _lseek(fd, 0, SEEK_SET) != 0) return 0;
    char head[5];
    if (_read(fd, head, sizeof head) != (int)sizeof head) return 0;
    for (int i = 0; i < (int)sizeof head; i++) {
        char c = head[i];
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
        if (c != kBegin[i]) return 0;
    }
    return 1;
}

static bool ReadExactly(int fd, long offset, unsigned char* buffer, int length) {
    return _lseek(fd, offset, SEEK_SET) == offset && _read(fd, buffer, length) == length;
}

static bool SizeKindPasses(const EncodedSignatureRecord& record, long fileLength) {
    long difference = record.referenceSize - fileLength;
    if (record.sizeKind == 16) return difference == 0;
    if (record.sizeKind == 17) return difference >= -4096 && difference <= 4096;
    return true;
}

// Copies up to `length` bytes of a 4096-byte text starting at `start` into `dest`; the part
// that lies outside the text stays as it is (zero).
static void CopyFromText(unsigned char* dest, const unsigned char* text, long start, int length) {
    for (int i = 0; i < length; i++) {
        long at = start + i;
        if (at >= 0 && at < kEncodedTextSize) dest[i] = text[at];
    }
}

static bool RecordMatches(const EncodedSignatureRecord& record, long fileLength, int searchedLength, int tailLength) {
    if (record.patternLength == 0 || record.patternLength > sizeof record.pattern || fileLength < record.patternLength)
        return false;
    if (!SizeKindPasses(record, fileLength)) return false;
    const unsigned char* text = record.region == 1 ? g_tailText : g_headText;
    unsigned char compared[kEncodedTextSize + 1] = {};
    if (record.searchMode == 1) {
        memcpy(compared, text, kEncodedTextSize);
        return FindBytes(compared, searchedLength, record.pattern, record.patternLength) != 0;
    }
    long start = record.region == 1 ? (long)tailLength - record.position : record.position;
    if (start >= 0) CopyFromText(compared, text, start, (int)sizeof record.pattern);
    return memcmp(compared, record.pattern, record.patternLength) == 0;
}

int MatchUuencodedFile(int fd) {
    if (!StartsWithBegin(fd)) return 0;
    long fileLength = _filelength(fd);
    static unsigned char raw[kEncodedTextSize];
    int searchedLength = kEncodedTextSize;
    int tailLength;
    memset(g_headText, 0, sizeof g_headText);
    memset(g_tailText, 0, sizeof g_tailText);
    if (fileLength < kEncodedTextSize) {
        searchedLength = (int)fileLength;
        if (!ReadExactly(fd, 0, raw, searchedLength)) return 0;
        tailLength = StripWhitespace(raw, g_headText, searchedLength);
        memcpy(g_tailText, g_headText, sizeof g_tailText);
    } else {
        if (!ReadExactly(fd, 0, raw, kEncodedTextSize)) return 0;
        StripWhitespace(raw, g_headText, kEncodedTextSize);
        if (!ReadExactly(fd, fileLength - kEncodedTextSize, raw, kEncodedTextSize)) return 0;
        tailLength = StripWhitespace(raw, g_tailText, kEncodedTextSize);
    }
    for (const EncodedSignatureRecord& record : g_encodedSignatureTable) {
        if (RecordMatches(record, fileLength, searchedLength, tailLength)) {
            g_filesInfected++;
            return 1;
        }
    }
    return 0;
}
