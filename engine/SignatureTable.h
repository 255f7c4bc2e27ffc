// The compiled-in knowledge of the trojan's file forms: one record per known sample.
#pragma once
#include <stdint.h>

struct SignatureRecord {
    char name[50];                  // variant name; an empty name ends the table
    int32_t entryOffset1;           // RVA displacement from the entry point
    unsigned char signature1[21];   // 20 compared bytes and a zero
    int32_t entryOffset2;
    unsigned char signature2[21];
    int32_t fileSize;
    int32_t sizeTest;   // 1 exact size, 2 within kSizeTolerance, 3 any size, else never
};

const int32_t kSizeTolerance = 4096;

// The family's label, written out here only: the checker table names the matcher by it with
// one trailing blank, the report lines and the memory question quote it.
#define TROJAN_LABEL "W32/Drellmoxin.Trojan"

extern const SignatureRecord g_signatureTable[];
