// Line-by-line section logic of the wininit.ini edit, over whole lines of any length.
#include "engine/WininitEdit.h"

#include <string.h>

static const char kSectionHeader[] = "[rename]";
static const char kLineEnd[] = "\r\n";

struct TextWriter {
    char* out;
    size_t size;
    size_t used;
    bool fits;
};

static void Put(TextWriter* writer, const char* text, size_t length) {
    if (!writer->fits || length > writer->size - writer->used) {
        writer->fits = false;
        return;
    }
    memcpy(writer->out + writer->used, text, length);
    writer->used += length;
}

static void PutEntry(TextWriter* writer, const char* key, const char* value) {
    Put(writer, key, strlen(key));
    Put(writer, "=", 1);
    Put(writer, value, strlen(value));
    Put(writer, kLineEnd, 2);
}

static bool IsSectionHeader(const char* line, size_t length) {
    const size_t headerLength = sizeof kSectionHeader - 1;
    if (length < headerLength) return false;
    for (size_t i = 0; i < headerLength; ++i) {
        char c = line[i];
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
        if (c != kSectionHeader[i]) return false;
    }
    return true;
}

size_t RenameEntryCapacity(size_t length, const char* key, const char* value) {
    return length + 2 + (sizeof kSectionHeader - 1) + 2 + strlen(key) + 1 + strlen(value) + 2;
}

size_t InsertRenameEntry(const char* text, size_t length, const char* key, const char* value, char* out,
                         size_t outSize) {
    TextWriter writer = {out, outSize, 0, true};
    bool sectionSeen = false, entryWritten = false;
    for (size_t pos = 0; pos < length;) {
        const char* newline = (const char*)memchr(text + pos, '\n', length - pos);
        size_t end = newline ? (size_t)(newline - text) + 1 : length;
        if (!entryWritten) {
            if (!sectionSeen)
                sectionSeen = IsSectionHeader(text + pos, end - pos);
            else if (text[pos] == '[') {
                PutEntry(&writer, key, value);
                entryWritten = true;
            }
        }
        Put(&writer, text + pos, end - pos);
        pos = end;
    }
    if (!entryWritten) {
        if (length && text[length - 1] != '\n') Put(&writer, kLineEnd, 2);
        if (!sectionSeen) {
            Put(&writer, kSectionHeader, sizeof kSectionHeader - 1);
            Put(&writer, kLineEnd, 2);
        }
        PutEntry(&writer, key, value);
    }
    return writer.fits ? writer.used : 0;
}
