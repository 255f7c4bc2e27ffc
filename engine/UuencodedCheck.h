// Second check: a worm carried as uuencoded text (used on the hosts file).
#pragma once
#include <stdint.h>

// One record of the encoded-content table; the pattern is stored scrambled.
struct EncodedSignatureRecord {
    char name[25];
    int32_t referenceSize;    // compared by the size kinds 16 and 17
    int16_t position;         // fixed-position comparisons start here in the region
    uint16_t patternLength;   // 0 disables the record; at most 100
    int16_t region;           // 0 head text, 1 tail text
    unsigned char pattern[100];
    int16_t searchMode;   // 1: anywhere in the region; otherwise at `position`
    int16_t reserved;
    int16_t sizeKind;   // 16 equal, 17 within 4096, other: no size test
    int16_t resultCode;
};

enum { kEncodedTextSize = 4096 };

extern EncodedSignatureRecord g_encodedSignatureTable[1];
extern unsigned char g_headText[kEncodedTextSize];
extern unsigned char g_tailText[kEncodedTextSize];

// Restores the scrambled patterns in place, once per process.
void RestoreEncodedPatterns();

int CheckUuencodedFile(const char* name, const char* path);
int MatchUuencodedFile(int fd);
int StartsWithBegin(int fd);
int StripWhitespace(const unsigned char* source, unsigned char* dest, int length);
int FindBytes(const unsigned char* buffer, int searchedLength, const unsigned char* pattern, int patternLength);
